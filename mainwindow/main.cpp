// The main program: the main window and the event loop. The login switches (-s, -d, -u, -p, -t)
// stay in the application's arguments, where the first login of the process takes them.

#include "Guard.h"
#include "LetGoThreads.h"
#include "Prompter.h"
#include "TerminationSignals.h"
#include "ufVornalex.h"

int main(int argc, char** argv) {
    vx::GuardedApplication app(argc, argv);
    const QString title = QStringLiteral("Vornalex");
    QApplication::setApplicationName(title);
    vx::setApplicationTitle(title);

    int exitCode = 0;
    {
        TfVornalex window;
        window.show();
        vx::closeOnTerminationSignals(&window);
        exitCode = QApplication::exec();
    } // the settings are written and the results pages freed here
    // Workers still blocked on a server that does not answer do not hold up the exit.
    return vx::finishThreadsLetGo(exitCode);
}
