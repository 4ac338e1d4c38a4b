#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

namespace vx {

// Starts programs and opens documents without waiting for them.
class Launcher {
public:
    virtual ~Launcher() = default;
    // Raises vx::Error with the system's reason when the program could not be started.
    virtual void startDetached(const QString& program, const QStringList& arguments) = 0;
    // Hands a document or address to the desktop's opener (xdg-open) and returns at once; false,
    // with nothing started, when the desktop has none. The opener runs on its own: when it cannot
    // start or ends with a failure status (no application opens the document, which it tells on
    // standard error only), `failed` is called on the GUI thread. GUI thread.
    virtual bool openUrl(const QUrl& url, std::function<void()> failed) = 0;
};

// The process-wide launcher: QProcess and the desktop's opener unless a test installed another.
Launcher& launcher();
// Installs a launcher (not owned); nullptr restores the real one.
void setLauncher(Launcher* launcher);

} // namespace vx
