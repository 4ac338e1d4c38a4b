// The installer program: the installer window and the event loop. A first argument "-u"
// uninstalls instead of installing.

#include "Guard.h"
#include "InstallerEnvironment.h"
#include "SetupPayload.h"
#include "TerminationSignals.h"
#include "uvxInstall.h"

#include <optional>

int main(int argc, char** argv) {
    vx::GuardedApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vornalex_Install"));
    vx::registerSetupPayload();

    std::optional<vx::InstallerEnvironment> environment;
    if (!vx::guarded([&] { environment = vx::InstallerEnvironment::fromSystem(); }))
        return 1;
    TfvxInstall window(*environment, QApplication::arguments());
    window.show();
    vx::closeOnTerminationSignals(&window);
    return QApplication::exec();
}
