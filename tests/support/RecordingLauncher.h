#pragma once

#include "Launcher.h"

#include <QList>

namespace vx::test {

// Records what would have been started or opened, instead of starting it. Installed for its
// lifetime. A set failure text makes every call raise it.
class RecordingLauncher : public Launcher {
public:
    struct Start {
        QString program;
        QStringList arguments;
    };

    RecordingLauncher() { setLauncher(this); }
    ~RecordingLauncher() override { setLauncher(nullptr); }

    void failWith(const QString& reason) { m_failure = reason; }

    void startDetached(const QString& program, const QStringList& arguments) override;
    void openUrl(const QUrl& url) override;

    QList<Start> starts;
    QList<QUrl> urls;

private:
    QString m_failure;
};

} // namespace vx::test
