#pragma once

#include "ConnectionDefinition.h"
#include "DataAccess.h"
#include "Form.h"
#include "RunChannel.h"
#include "uTZybScriptRunner.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include <atomic>
#include <functional>
#include <memory>

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
};

// Carries out one run of a results page away from the GUI thread: connects and runs the page's
// script runner (internal route), or runs the chosen command-line tool on a script file (external
// route). Everything it shows goes through the page's channel; it frees itself when it ends.
class TSQLLoaderThread : public QThread {
public:
    // The page owns the thread until it ends, so that a page freed during a run waits for it.
    explicit TSQLLoaderThread(TfSQLLoaderResult* form);

    TfSQLLoaderResult* const Form;

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
    QString Text(const char* key) const;
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
    // A page freed during a run stops it and waits for its worker.
    ~TfSQLLoaderResult() override;

    vx::LogView* reResult;
    QFrame* pBottom;
    QLabel* stTime;
    QProgressBar* pb1;
    QLabel* stComment;
    QToolBar* ActionToolBar1;
    QAction* aReExecute;
    QAction* aCopy;
    QAction* aTools;
    const std::unique_ptr<vx::Connection> cADO;
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
    // The stop request; the worker notices it before the next batch or at the tool's next poll.
    std::atomic<bool> Stopped{false};
    bool AutoConnect = false;
    // The page's connection definition, on cADO.
    TfCrfLogin* Login;
    // The last run's outcome for the sequential chain: with Continue, or Ask answered with OK, a
    // failed connection still lets the chain go on.
    bool Success = false;
    // The last run's script ran to its end: "Completed." and the success icon, else
    // "Interrupted." and the failure icon.
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

    // Any thread; lines sent from a worker appear in order, in batches.
    void AddLine(const QString& text, bool isError);
    void ReplaceLastLine(const QString& text, bool isError);
    // The question with the error icon and the page's caption; true for OK. Worker thread.
    bool AskUser(const QString& question);
    // Every line of a tool's output file; nothing when the file does not exist, one red line when
    // it cannot be read.
    void LoadOutputFile(const QString& fileName);
    // The final line: "Completed." or "Interrupted.".
    void ShowFinished(bool success);
    void ShowElapsed();

    // The runner's events, raised on the worker thread.
    void ZybScriptRunnerAsk(QObject* Sender, const QString& AQuestion, TZybAskType aType,
                            bool& AAnswer);
    void ZybScriptRunnerError(QObject* Sender, const QString& Err, bool& ABreak, bool& AAsk);
    void ZybScriptRunnerMessage(QObject* Sender, const QString& s);
    void ZybScriptRunnerProgress(QObject* Sender, int pos, int max, const QString& comment);

    void aReExecuteExecute();
    void aCopyExecute();
    void aToolsExecute();

signals:
    // A run starts or ends, re-executed runs too: the main window keeps Execute disabled while any
    // page runs. The end comes before OnFinish, which may start the next run.
    void runningChanged(bool running);

private:
    friend class TSQLLoaderThread;

    void addLines(const QList<vx::LogLine>& lines) override;
    void replaceLastLine(const vx::LogLine& line) override;
    void showProgress(int pos, int max, const QString& comment) override;
    // The end of a run, on the GUI thread.
    void SyncFinish(bool success, bool completed);
    // While a stopped run goes on, asks the server to end the batch it runs.
    void CancelStoppedBatch();

    TSQLLoaderRun m_run;
    vx::RunChannel m_channel{*this};
    QTimer m_stopWatch;
    // The run's batch was cancelled: its failure is the stop, not an error to show.
    std::atomic<bool> m_cancelled{false};
};
