#include "Launcher.h"

#include "Errors.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <atomic>

namespace vx {

namespace {

class DesktopLauncher : public Launcher {
public:
    void startDetached(const QString& program, const QStringList& arguments) override {
        QProcess process;
        process.setProgram(program);
        process.setArguments(arguments);
        process.setStandardInputFile(QProcess::nullDevice());
        if (!process.startDetached())
            throw Error(process.errorString());
    }

    void openUrl(const QUrl& url) override {
        if (QDesktopServices::openUrl(url))
            return;
        // Qt hands documents and addresses to the desktop's opener; without it the user needs
        // to know what to install, not only that nothing opened.
        if (QStandardPaths::findExecutable(QStringLiteral("xdg-open")).isEmpty())
            throw Error(QStringLiteral(
                "no application could open it: xdg-open was not found; install xdg-utils"));
        throw Error(QStringLiteral("no application could open it"));
    }
};

std::atomic<Launcher*> installed{nullptr};

} // namespace

Launcher& launcher() {
    if (Launcher* l = installed.load())
        return *l;
    static DesktopLauncher desktop;
    return desktop;
}

void setLauncher(Launcher* l) {
    installed.store(l);
}

} // namespace vx
