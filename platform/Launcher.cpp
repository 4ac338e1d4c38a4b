#include "Launcher.h"

#include "Errors.h"
#include "Guard.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <atomic>

namespace vx {

namespace {

// The desktop's opener, run without waiting for it. One that still runs when the program ends
// reports nothing and is ended with it; the application it started stays.
class OpenerProcess : public QProcess {
public:
    using QProcess::QProcess;
    ~OpenerProcess() override {
        disconnect();
        if (state() != NotRunning) {
            kill();
            waitForFinished();
        }
    }
};

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

    bool openUrl(const QUrl& url, std::function<void()> failed) override {
        const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
        // Without xdg-open: whatever other opener Qt knows of the desktop, which tells nothing of
        // a failure once it started.
        if (opener.isEmpty())
            return QDesktopServices::openUrl(url);
        auto* process = new OpenerProcess(QCoreApplication::instance());
        process->setProgram(opener);
        process->setArguments(
            {url.isLocalFile() ? url.toLocalFile() : url.toString(QUrl::FullyEncoded)});
        process->setStandardInputFile(QProcess::nullDevice());
        // The application it starts may outlive it: no pipe that would break when it ends.
        process->setProcessChannelMode(QProcess::ForwardedChannels);
        const auto ended = [process, failed = std::move(failed)](bool success) {
            process->deleteLater();
            if (!success)
                guarded(failed);
        };
        QObject::connect(process, &QProcess::finished, process,
                         [ended](int code, QProcess::ExitStatus status) {
                             ended(status == QProcess::NormalExit && code == 0);
                         });
        QObject::connect(process, &QProcess::errorOccurred, process,
                         [ended](QProcess::ProcessError error) {
                             if (error == QProcess::FailedToStart)
                                 ended(false);
                         });
        process->start();
        return true;
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
