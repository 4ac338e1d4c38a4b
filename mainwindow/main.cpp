// The main program: the main window and the event loop. The login switches (-s, -d, -u, -p, -t)
// stay in the application's arguments, where the first login of the process takes them.

#include "Guard.h"
#include "LetGoThreads.h"
#include "Prompter.h"
#include "StandardErrorPrompter.h"
#include "TerminationSignals.h"
#include "ufVornalex.h"

int main(int argc, char** argv) {
    vx::GuardedApplication app(argc, argv);
    const QString title = QStringLiteral("Vornalex");
    QApplication::setApplicationName(title);
    vx::setApplicationTitle(title);

    // A close that a termination signal started may have nobody left to answer a box (a session
    // logging out, no display): what it has to report goes to standard error, and a failure, such
    // as settings that cannot be written, ends the program with status 1.
    vx::StandardErrorPrompter unattended;
    int exitCode = 0;
    {
        TfVornalex window;
        window.show();
        vx::closeOnTerminationSignals(&window, [&unattended] { vx::setPrompter(&unattended); });
        exitCode = QApplication::exec();
    } // the settings are written and the results pages freed here
    if (unattended.failureReported() && exitCode == 0)
        exitCode = 1;
    // Workers still blocked on a server that does not answer do not hold up the exit.
    return vx::finishThreadsLetGo(exitCode);
}
