#pragma once

#include "ConnectionDefinition.h"
#include "DataAccess.h"
#include "ElidedLabel.h"
#include "Form.h"
#include "LogDocument.h"
#include "RunChannel.h"
#include "uTZybScriptRunner.h"

#include <QElapsedTimer>
#include <QHash>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class QAction;
class QFrame;
class QLabel;
class QProgressBar;
class QToolBar;
class TZybTranslator;
class TfCrfLogin;
class TfSQLLoaderResult;

namespace vx {
class LogView;
}

using TNotifyEvent = std::function<void(QObject* Sender)>;

// Error modes: what a script error, a failed connection or a failed rights check does.
enum TOnErrorMode { emAsk = 0, emStop = 1, emContinue = 2 };

// A page's stop request, shared with the worker of its run. A worker that the page lets go keeps
// the request it had, set for good, while the page goes on with a fresh one.
class TStopRequest {
public:
    TStopRequest() = default;
    TStopRequest(const TStopRequest&) = delete;
    TStopRequest& operator=(const TStopRequest&) = delete;
    TStopRequest& operator=(bool stop) {
        m_flag->store(stop);
        return *this;
    }
    operator bool() const { return m_flag->load(); }
    // GUI thread.
    std::shared_ptr<std::atomic<bool>> share() const { return m_flag; }
    void renew() { m_flag = std::make_shared<std::atomic<bool>>(m_flag->load()); }

private:
    std::shared_ptr<std::atomic<bool>> m_flag = std::make_shared<std::atomic<bool>>(false);
};

// One run's settings as the page stood when it started, taken on the GUI thread: the worker reads
// no field or window of the page, so that they may change while it runs.
struct TSQLLoaderRun {
    QString ExecutorApp;
    int OnErrorMode = emAsk;
    bool PrintMessages = false;
    bool CheckDBO = false;
    bool AutoConnect = false;
    int Index = 0;
    QString Caption;
    ConnectionDefinition Connection;
    QStringList Script;
    bool TabDelimiter = false;
    bool NoRecords = false;
    int MaxFieldLength = 255;
    // The page's texts in its language, by translator key.
    QHash<QString, QString> Texts;
    // Without automatic connection: the page's login window, which asks for the connection.
    TfCrfLogin* LoginWindow = nullptr;
};

// Carries out one run of a results page away from the GUI thread: connects and runs its own script
// runner (internal route), or runs the chosen command-line tool on a script file (external route).
// It owns what it uses: the run's settings, the connection (shared with the page until the page
// lets it go), the channel to the page and the stop request. It reaches the page only through steps
// of the channel, which the page closes before it lets the worker go or ends, so a worker blocked
// in the driver may outlive its page and finish on its own. It frees itself when it ends.
class TSQLLoaderThread : public QThread {
public:
    TSQLLoaderThread(TfSQLLoaderResult* form, TSQLLoaderRun run,
                     std::shared_ptr<vx::Connection> connection,
                     std::shared_ptr<vx::RunChannel> channel,
                     std::shared_ptr<std::atomic<bool>> stopped);

    // Reached only in the steps that the channel runs on the GUI thread.
    TfSQLLoaderResult* const Form;

    // GUI thread: asks the server to end the batch that runs; its failure is then the stop.
    void CancelBatch();
    // GUI thread: the worker frees the object (the page's login window) when it ends.
    void TakeOver(QObject* object);
    bool UsesLoginWindow() const { return m_run.LoginWindow != nullptr; }

protected:
    void run() override { Execute(); }

private:
    void Execute();
    // Each route returns whether its script ran to its end; `success` is what the sequential
    // chain goes by.
    bool InternalRoute(bool& success);
    bool ExternalRoute(bool& success);
    // True when the user may change the database: db_owner, or db_ddladmin and db_securityadmin.
    bool RightsCheck();
    // Whether the run counts as a success after a failure, by the error mode; Ask asks.
    bool GoesOnAfterFailure(const QString& question);
    QString Text(const QString& key) const { return m_run.Texts.value(key); }

    void AddLine(const QString& text, bool isError);
    // The question with the error icon and the page's caption; true for OK.
    bool AskUser(const QString& question);

    // The script runner's events.
    void ZybScriptRunnerAsk(QObject* Sender, const QString& AQuestion, TZybAskType aType,
                            bool& AAnswer);
    void ZybScriptRunnerError(QObject* Sender, const QString& Err, bool& ABreak, bool& AAsk);
    void ZybScriptRunnerMessage(QObject* Sender, const QString& s);
    void ZybScriptRunnerProgress(QObject* Sender, int pos, int max, const QString& comment);

    const TSQLLoaderRun m_run;
    const std::shared_ptr<vx::Connection> m_connection;
    const std::shared_ptr<vx::RunChannel> m_channel;
    const std::shared_ptr<std::atomic<bool>> m_stopped;
    // The run's batch was cancelled: its failure is the stop, not an error to show.
    std::atomic<bool> m_cancelled{false};
    std::mutex m_takenOverLock;
    QList<QObject*> m_takenOver;
    bool m_ended = false;
};

// A results page's connection definition and its login window (a TfCrfLogin on the page's
// connection, owned by the page), made only when something reaches for the window: a parallel page
// that connects automatically runs from the definition alone, and building a login window for each
// of hundreds of pages slowed a parallel start. Once made, the window holds the definition. GUI
// thread only.
class TPageLogin {
public:
    TPageLogin(QWidget* page, vx::Connection* connection)
        : m_page(page), m_connection(connection) {}
    TPageLogin(const TPageLogin&) = delete;
    TPageLogin& operator=(const TPageLogin&) = delete;

    // The login window, made now if need be.
    TfCrfLogin* window();
    TfCrfLogin* operator->() { return window(); }
    operator TfCrfLogin*() { return window(); }
    // Null while no window has been made.
    TfCrfLogin* made() const { return m_window; }

    // The fields with the connection's timeouts, as a worker connects from them.
    ConnectionDefinition definition() const;
    void setDefinition(const ConnectionDefinition& definition);
    void setConnection(vx::Connection* connection);
    // The window goes with its caller from now on (a worker that asks for the connection).
    TfCrfLogin* release();

private:
    QWidget* m_page;
    vx::Connection* m_connection;
    ConnectionDefinition m_definition;
    TfCrfLogin* m_window = nullptr;
};

// A widget of a results page. The page makes its widgets all at once when it is first shown or
// one of them is first reached: a page whose tab nobody has opened yet costs a parallel start
// nothing for them, and takes what its run showed meanwhile when they are made. GUI thread only.
template <typename T> class TPageWidget {
public:
    explicit TPageWidget(TfSQLLoaderResult* page) : m_page(page) {}
    TPageWidget(const TPageWidget&) = delete;
    TPageWidget& operator=(const TPageWidget&) = delete;

    // The widget, made now with the page's others if need be.
    T* get() const;
    T* operator->() const { return get(); }
    T& operator*() const { return *get(); }
    operator T*() const { return get(); }
    // Null while the page's widgets are not made.
    T* made() const { return m_widget; }

private:
    friend class TfSQLLoaderResult;
    TfSQLLoaderResult* const m_page;
    T* m_widget = nullptr;
};

// One results page: the log of a run with its tool bar (re-execute, copy, tools) and status strip
// (elapsed time, progress, comment), the page's connection, connection definition and script
// runner. The main window fills the fields, the runner's Script and TabDelimiter, the connection's
// timeouts and the definition in Login, then calls StartRun; the page reports the end through
// OnFinish.
class TfSQLLoaderResult : public QWidget, public vx::Form, private vx::RunView {
    Q_OBJECT

public:
    explicit TfSQLLoaderResult(QWidget* owner = nullptr);
    // A page freed during a run stops it and lets its worker go without waiting for it.
    ~TfSQLLoaderResult() override;

    TPageWidget<vx::LogView> reResult{this};
    TPageWidget<QFrame> pBottom{this};
    TPageWidget<QLabel> stTime{this};
    TPageWidget<QProgressBar> pb1{this};
    // The first line of the batch that runs, cut to the strip's width; whole in its tooltip.
    TPageWidget<vx::ElidedLabel> stComment{this};
    // The actions' buttons; those that do not fit the page's width wait behind its extension
    // button.
    TPageWidget<QToolBar> ActionToolBar1{this};
    QAction* aReExecute;
    QAction* aCopy;
    QAction* aTools;
    // Replaced by a new one, with the same timeouts, when the page lets a worker go with it.
    std::shared_ptr<vx::Connection> cADO;
    // Holds the script and the options that the main window fills; each run's worker runs a copy.
    TZybScriptRunner* ZybScriptRunner;
    TZybTranslator* ZybTranslator;

    // A run was started with the re-execute action: from then on its end is not reported.
    bool ReExecuted = false;
    // The running worker; null when no run goes on.
    QPointer<TSQLLoaderThread> Thread;
    // The external tool's program ("sqlcmd", "isqlw" or a path); empty for the internal runner.
    QString ExecutorApp;
    int OnErrorMode = emAsk;
    bool PrintMessages = false;
    bool NoRecords = false;
    bool CheckDBO = false;
    // The connection's index in the main window's list; -1 for the sequential page at first.
    int Index = 0;
    // The stop request; the worker notices it before the next batch or at the tool's next poll,
    // and a batch running on the server is cancelled. From then on the output not shown yet is
    // dropped and counted in one line at the end. A worker that has not ended about a second
    // later (a server that does not answer) is let go: the page ends as interrupted without it.
    TStopRequest Stopped;
    bool AutoConnect = false;
    // The page's connection definition, on cADO.
    TPageLogin Login{this, cADO.get()};
    // The last run's outcome for the sequential chain: with Continue, or Ask answered with OK, a
    // failed connection still lets the chain go on.
    bool Success = false;
    // The last run's script ran to its end and the page showed all it printed: "Completed." and
    // the success icon, else "Interrupted." and the failure icon.
    bool Completed = false;
    bool Finished = false;
    // Called at the end of a run on the GUI thread, unless ReExecuted. It may start the next run;
    // it must not free the page (deleteLater does).
    TNotifyEvent OnFinish;
    // Since the start of the last run; invalid before the first.
    QElapsedTimer StartTick;
    // The tools button is shown only while it is set.
    TNotifyEvent OnTools;

    // Starts a run in a new worker. GUI thread.
    void StartRun();
    // Ends a run that could not start as a failed one: the message in red, "Interrupted.", and
    // its end reported as for any run. GUI thread.
    void FailRun(const QString& message);

    // Any thread; lines appear in order, in batches.
    void AddLine(const QString& text, bool isError);
    void ReplaceLastLine(const QString& text, bool isError);
    void ShowElapsed();

    void aReExecuteExecute();
    void aCopyExecute();
    void aToolsExecute();

protected:
    // Makes the widgets when the page is first shown, unless something reached them before.
    bool event(QEvent* event) override;

signals:
    // A run starts or ends, re-executed runs too: the main window keeps Execute disabled while any
    // page runs. The end comes before OnFinish, which may start the next run.
    void runningChanged(bool running);

private:
    friend class TSQLLoaderThread;
    template <typename> friend class TPageWidget;

    // Makes the page's widgets with what the run showed so far, once.
    void BuildWidgets();

    void addLines(const QList<vx::LogLine>& lines) override;
    void replaceLastLine(const vx::LogLine& line) override;
    void showProgress(int pos, int max, const QString& comment) override;
    // The end of a run, on the GUI thread: what waits, the count of the lines that a stop dropped,
    // and "Completed." or "Interrupted.".
    void SyncFinish(bool success, bool completed, qsizetype dropped);
    // While a stopped run goes on, asks the server to end the batch it runs, and lets the worker
    // go when that takes too long.
    void CancelStoppedBatch();
    // Ends the run without waiting for its worker, which is left to finish on its own.
    void LetGoWorker();
    // Closes the worker's channel and hands the worker over to the threads let go.
    TSQLLoaderThread* ReleaseWorker();
    std::shared_ptr<vx::RunChannel> NewChannel();

    // What the run showed while the widgets were not made.
    vx::LogDocument m_pendingLog;
    struct Progress {
        int pos;
        int max;
        QString comment;
    };
    std::optional<Progress> m_pendingProgress;
    QString m_pendingElapsed;
    std::shared_ptr<vx::RunChannel> m_channel = NewChannel();
    QTimer m_stopWatch;
    // Since the stop request was first seen during the run.
    QElapsedTimer m_stopSeen;
};

template <typename T> T* TPageWidget<T>::get() const {
    if (!m_widget)
        m_page->BuildWidgets();
    return m_widget;
}
