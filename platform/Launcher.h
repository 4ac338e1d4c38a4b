#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

namespace vx {

// Starts programs and opens documents without waiting for them. Both raise vx::Error with the
// system's reason when nothing could be started; a document that nothing opens names the
// desktop's opener (xdg-open) when it is missing.
class Launcher {
public:
    virtual ~Launcher() = default;
    virtual void startDetached(const QString& program, const QStringList& arguments) = 0;
    virtual void openUrl(const QUrl& url) = 0;
};

// The process-wide launcher: QProcess and the desktop's handlers unless a test installed another.
Launcher& launcher();
// Installs a launcher (not owned); nullptr restores the real one.
void setLauncher(Launcher* launcher);

} // namespace vx
