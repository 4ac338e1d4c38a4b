#include "Launcher.h"

#include "Errors.h"

#include <QDesktopServices>
#include <QProcess>
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
        if (!QDesktopServices::openUrl(url))
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
