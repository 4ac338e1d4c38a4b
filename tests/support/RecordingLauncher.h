#pragma once

#include "Launcher.h"

#include <QList>

namespace vx::test {

// Records what would have been started or opened, instead of starting it. Installed for its
// lifetime. A set failure text makes every start raise it; the documents it opens stay open until
// failOpens().
class RecordingLauncher : public Launcher {
public:
    struct Start {
        QString program;
        QStringList arguments;
    };

    RecordingLauncher() { setLauncher(this); }
    ~RecordingLauncher() override { setLauncher(nullptr); }

    void failWith(const QString& reason) { m_failure = reason; }
    // Ends the opens still running as an opener that finds no application for them does.
    void failOpens();

    void startDetached(const QString& program, const QStringList& arguments) override;
    bool openUrl(const QUrl& url, std::function<void()> failed) override;

    QList<Start> starts;
    QList<QUrl> urls;
    // False: the desktop has no opener, and openUrl opens nothing.
    bool hasOpener = true;

private:
    QString m_failure;
    QList<std::function<void()>> m_running;
};

} // namespace vx::test
