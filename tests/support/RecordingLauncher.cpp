#include "RecordingLauncher.h"

#include "Errors.h"

namespace vx::test {

void RecordingLauncher::startDetached(const QString& program, const QStringList& arguments) {
    if (!m_failure.isEmpty())
        throw Error(m_failure);
    starts.append({program, arguments});
}

void RecordingLauncher::openUrl(const QUrl& url) {
    if (!m_failure.isEmpty())
        throw Error(m_failure);
    urls.append(url);
}

} // namespace vx::test
