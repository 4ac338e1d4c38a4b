#include "RecordingLauncher.h"

#include "Errors.h"

namespace vx::test {

void RecordingLauncher::failOpens() {
    const QList<std::function<void()>> running = std::exchange(m_running, {});
    for (const std::function<void()>& failed : running)
        failed();
}

void RecordingLauncher::startDetached(const QString& program, const QStringList& arguments) {
    if (!m_failure.isEmpty())
        throw Error(m_failure);
    starts.append({program, arguments});
}

bool RecordingLauncher::openUrl(const QUrl& url, std::function<void()> failed) {
    if (!hasOpener)
        return false;
    urls.append(url);
    m_running.append(std::move(failed));
    return true;
}

} // namespace vx::test
