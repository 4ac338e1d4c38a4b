#include "ufSQLLoaderResult.h"

#include "Errors.h"
#include "ExternalTool.h"
#include "Format.h"
#include "Guard.h"
#include "GuiThread.h"
#include "LetGoThreads.h"
#include "LogView.h"
#include "LoopFreeDispatcher.h"
#include "Prompter.h"
#include "crfLogin.h"
#include "uTZybTranslator.h"
#include "uZybUtils.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

#include <cerrno>
#include <limits>
#include <utility>

namespace {

const QList<TZybTranslation> translations = {
    {"stTime.Hint", "Time elapsed", "Времени прошло"},
    {"pb1.Hint", "Progress bar", "Полоска прогресса"},
    {"aReExecute.Caption", "Reexecute", "Выполнить повторно"},
    {"connecting", "Connecting", "Производится подсоединение"},
    {"Connected", "Connected", "Подсоединение произведено"},
    {"completed", "Completed.", "Завершено."},
    {"interrupted", "Interrupted.", "Прервано."},
    {"cbCheckDBO.Caption", "Check db_owner or db_ddladmin + db_securityadmin rights",
     "Проверка на db_owner или db_ddladmin + db_securityadmin"},
    {"failed", "failed", "не пройдена"},
    {"ask_continue", "Continue?", "Продолжить?"},
    {"aCopy.Caption", "Copy", "Копировать"},
    {"aTools.Caption", "Tools", "Инструменты"},
    {"aTools.Hint", "Tools", "Инструменты"},
    {"appResult", "Exit code: %d (%s)", "Код выхода: %d (%s)"},
    {"not_shown", "Lines not shown: %d (the run was stopped).",
     "Не показано строк: %d (выполнение остановлено)."},
};

// The table above, read once: every page shares its lines (each page's translator still keeps its
// own language).
struct PageTexts {
    QStringList items;
    TZybLanguageCollection languages;
};
const PageTexts& pageTexts() {
    static const PageTexts texts = [] {
        TZybTranslator loader(nullptr);
        loader.LoadTable(translations);
        return PageTexts{loader.Items, loader.Languages};
    }();
    return texts;
}

// How soon a stop reaches a batch running on the server.
constexpr int stopWatchMilliseconds = 100;
// How long a stopped run may take to end before the page ends without its worker.
constexpr qint64 letGoMilliseconds = 1000;

const QString rightsQuery = QStringLiteral(
    "select is_member('db_owner'), is_member('db_ddladmin') * is_member('db_securityadmin')");

// A rights column: 1 for a member; null and anything that is no number read as 0.
qint64 membership(const vx::FieldValue& value) {
    if (const auto* number = std::get_if<qint64>(&value))
        return *number;
    if (const auto* flag = std::get_if<bool>(&value))
        return *flag;
    return 0;
}

// The reserved temporary name of one tool run, its script and its output; all removed whatever
// way the run ends.
struct ToolFiles {
    explicit ToolFiles(int index)
        : reserved(GetTempFile(QString(), QStringLiteral("vx_") + QString::number(index))),
          output(reserved + QStringLiteral(".log")), script(reserved + QStringLiteral(".sql")) {}
    ~ToolFiles() {
        for (const QString* file : {&output, &script, &reserved})
            QFile::remove(*file);
    }
    ToolFiles(const ToolFiles&) = delete;
    ToolFiles& operator=(const ToolFiles&) = delete;

    const QString reserved;
    const QString output;
    const QString script;
};

struct ToolBarIcons {
    QIcon reExecute;
    QIcon copy;
    QIcon tools;
};

// Made once for every page: decoding the pictures again for each of hundreds of pages slows a
// parallel start. GUI thread.
const ToolBarIcons& toolBarIcons() {
    static ToolBarIcons* icons = nullptr;
    if (!icons) {
        const QStyle* style = QApplication::style();
        icons = new ToolBarIcons{
            style->standardIcon(QStyle::SP_BrowserReload),
            QIcon::fromTheme(QStringLiteral("edit-copy"), style->standardIcon(QStyle::SP_FileIcon)),
            style->standardIcon(QStyle::SP_ComputerIcon)};
        // Pictures must not outlive the application.
        qAddPostRoutine([] {
            delete icons;
            icons = nullptr;
        });
    }
    return *icons;
}

// The page's tool bar: buttons for the actions, separators for null entries. Buttons that do not
// fit the page's width go behind the bar's extension button, so the bar never widens the page nor
// the window that holds it.
QToolBar* actionBar(QWidget* parent, const QList<QAction*>& actions) {
    auto* bar = new QToolBar(parent);
    bar->setMovable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    for (QAction* action : actions) {
        if (action)
            bar->addAction(action);
        else
            bar->addSeparator();
    }
    return bar;
}

void writeScript(const QString& fileName, const QStringList& lines) {
    QFile file(fileName);
    QByteArray text;
    for (const QString& line : lines)
        text += line.toUtf8() + "\r\n";
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text) != text.size() ||
        !file.flush())
        throw vx::Error(file.errorString() + QStringLiteral(": ") + fileName);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TSQLLoaderThread

TSQLLoaderThread::TSQLLoaderThread(TfSQLLoaderResult* form, TSQLLoaderRun run,
                                   std::shared_ptr<vx::Connection> connection,
                                   std::shared_ptr<vx::RunChannel> channel,
                                   std::shared_ptr<std::atomic<bool>> stopped)
    : Form(form), m_run(std::move(run)), m_connection(std::move(connection)),
      m_channel(std::move(channel)), m_stopped(std::move(stopped)) {}

void TSQLLoaderThread::CancelBatch() {
    m_cancelled = true;
    m_connection->cancel();
}

void TSQLLoaderThread::TakeOver(QObject* object) {
    std::lock_guard lock(m_takenOverLock);
    if (m_ended)
        object->deleteLater();
    else
        m_takenOver << object;
}

void TSQLLoaderThread::Execute() {
    bool success = !*m_stopped;
    bool completed = false;
    try {
        completed = m_run.ExecutorApp.isEmpty() ? InternalRoute(success) : ExternalRoute(success);
    } catch (const vx::EAbort&) {
        // The stop request: nothing to show.
    } catch (const std::exception& e) {
        if (!m_cancelled) {
            const QString message = vx::exceptionMessage(e);
            AddLine(message, true);
            success = GoesOnAfterFailure(vx::format(SErrorContinue, {message}));
        }
    }
    // The server keeps no session, transaction or lock for a page at rest.
    m_connection->close();
    m_channel->call([this, success, completed] {
        Form->SyncFinish(success, completed, m_channel->takeDropped());
    });
    std::lock_guard lock(m_takenOverLock);
    m_ended = true;
    for (QObject* object : std::as_const(m_takenOver))
        object->deleteLater();
}

void TSQLLoaderThread::AddLine(const QString& text, bool isError) {
    m_channel->addLine(text, isError);
}

bool TSQLLoaderThread::AskUser(const QString& question) {
    bool answer = false;
    m_channel->call([&] {
        answer = vx::prompter().askOkCancel(vx::PromptIcon::Error, m_run.Caption, question);
    });
    return answer;
}

bool TSQLLoaderThread::GoesOnAfterFailure(const QString& question) {
    if (m_run.OnErrorMode == emAsk)
        return AskUser(question);
    return m_run.OnErrorMode != emStop;
}

bool TSQLLoaderThread::InternalRoute(bool& success) {
    QString server = m_run.Connection.server;
    AddLine(Text(QStringLiteral("connecting")) + QStringLiteral(" ") + server +
                QStringLiteral("..."),
            false);
    if (TfCrfLogin* login = m_run.LoginWindow) {
        // The lines sent so far stand in the log before the login window shows.
        m_channel->call([] {});
        success = login->Login();
        if (success)
            vx::runOnGuiThread([&] { server = login->GetServer(); });
    } else {
        m_run.Connection.Connect(*m_connection);
    }
    if (!success)
        return false;
    m_channel->replaceLastLine(Text(QStringLiteral("connected")) + QStringLiteral(" ") + server,
                               false);
    if (m_run.CheckDBO && !RightsCheck())
        success = GoesOnAfterFailure(Text(QStringLiteral("cbCheckDBO.Caption")) +
                                     QStringLiteral(" ") + Text(QStringLiteral("failed")) +
                                     QStringLiteral(". ") + Text(QStringLiteral("ask_continue")));
    if (!success)
        return false;
    TZybScriptRunner runner;
    runner.Connection = m_connection.get();
    runner.TabDelimiter = m_run.TabDelimiter;
    runner.NoRecords = m_run.NoRecords;
    runner.MaxFieldLength = m_run.MaxFieldLength;
    runner.OnAsk = [this](QObject* sender, const QString& question, TZybAskType type,
                          bool& answer) { ZybScriptRunnerAsk(sender, question, type, answer); };
    runner.OnError = [this](QObject* sender, const QString& error, bool& stop, bool& ask) {
        ZybScriptRunnerError(sender, error, stop, ask);
    };
    runner.OnMessage = [this](QObject* sender, const QString& line) {
        ZybScriptRunnerMessage(sender, line);
    };
    runner.OnProgress = [this](QObject* sender, int pos, int max, const QString& comment) {
        ZybScriptRunnerProgress(sender, pos, max, comment);
    };
    success = runner.ExecuteLines(m_run.Script);
    return success;
}

bool TSQLLoaderThread::RightsCheck() {
    const std::unique_ptr<vx::RecordSet> qTemp = m_connection->execute(rightsQuery);
    if (!qTemp || qTemp->fieldCount() < 2 || qTemp->eof())
        return false;
    return membership(qTemp->value(0)) == 1 || membership(qTemp->value(1)) == 1;
}

bool TSQLLoaderThread::ExternalRoute(bool& success) {
    // A page stopped before its tool started never starts it: the tool could run batches before
    // its first poll.
    if (*m_stopped) {
        success = false;
        return false;
    }
    const ToolFiles files(m_run.Index);
    writeScript(files.script, m_run.Script);
    const vx::ToolExit exit =
        vx::runTool(vx::sqlToolCommand(m_run.ExecutorApp, m_run.Connection,
                                       m_run.OnErrorMode == emStop, files.script, files.output),
                    *m_stopped);
    QFile::remove(files.script);
    success = exit.success;
    AddLine(vx::format(Text(QStringLiteral("appResult")), {qint64(exit.code), exit.text}),
            !success);
    vx::LoadOutputFile(files.output, [this](const QString& text, bool isError) {
        m_channel->addOutput(text, isError);
    });
    return success;
}

void TSQLLoaderThread::ZybScriptRunnerAsk(QObject*, const QString& AQuestion, TZybAskType,
                                          bool& AAnswer) {
    AAnswer = AskUser(AQuestion);
}

void TSQLLoaderThread::ZybScriptRunnerError(QObject*, const QString& Err, bool& ABreak,
                                            bool& AAsk) {
    if (m_cancelled)
        vx::abort();
    AddLine(Err, true);
    AddLine(QString(), false);
    AAsk = m_run.OnErrorMode == emAsk && !ABreak;
    ABreak = ABreak || m_run.OnErrorMode == emStop;
}

void TSQLLoaderThread::ZybScriptRunnerMessage(QObject*, const QString& s) {
    if (m_run.PrintMessages)
        m_channel->addOutput(s, false);
}

void TSQLLoaderThread::ZybScriptRunnerProgress(QObject*, int pos, int max, const QString& comment) {
    m_channel->progress(pos, max, comment);
    if (*m_stopped)
        vx::abort();
}

// ---------------------------------------------------------------------------------------------
// TPageLogin

TfCrfLogin* TPageLogin::window() {
    if (!m_window) {
        m_window = new TfCrfLogin(m_page);
        m_window->Connection = m_connection;
        setDefinition(m_definition);
    }
    return m_window;
}

ConnectionDefinition TPageLogin::definition() const {
    if (m_window)
        return m_window->definition();
    ConnectionDefinition definition = m_definition;
    definition.connectionTimeout = m_connection->connectionTimeout();
    definition.commandTimeout = m_connection->commandTimeout();
    return definition;
}

void TPageLogin::setDefinition(const ConnectionDefinition& definition) {
    m_definition = definition;
    if (m_window) {
        m_window->SetServer(definition.server);
        m_window->SetDatabase(definition.database);
        m_window->SetUser(definition.user);
        m_window->SetPassword(definition.password);
        m_window->SetTrusted(definition.trusted);
    }
}

void TPageLogin::setConnection(vx::Connection* connection) {
    m_connection = connection;
    if (m_window)
        m_window->Connection = connection;
}

TfCrfLogin* TPageLogin::release() {
    if (m_window)
        m_definition = m_window->definition();
    return std::exchange(m_window, nullptr);
}

// ---------------------------------------------------------------------------------------------
// TfSQLLoaderResult

TfSQLLoaderResult::TfSQLLoaderResult(QWidget* owner)
    : QWidget(owner), cADO(vx::createConnection()) {
    setObjectName(QStringLiteral("fSQLLoaderResult"));
    setWindowTitle(QStringLiteral("fSQLLoaderResult"));

    const ToolBarIcons& icons = toolBarIcons();
    aReExecute = addComponent(new QAction(icons.reExecute, QStringLiteral("&Reexecute"), this),
                              QStringLiteral("aReExecute"));
    aCopy = addComponent(new QAction(icons.copy, QStringLiteral("&Copy"), this),
                         QStringLiteral("aCopy"));
    aCopy->setToolTip(QStringLiteral("Copy"));
    aTools = addComponent(new QAction(icons.tools, QStringLiteral("Tools"), this),
                          QStringLiteral("aTools"));
    aTools->setVisible(false);
    connect(aReExecute, &QAction::triggered, this,
            [this] { vx::guarded([this] { aReExecuteExecute(); }); });
    connect(aCopy, &QAction::triggered, this, [this] { vx::guarded([this] { aCopyExecute(); }); });
    connect(aTools, &QAction::triggered, this,
            [this] { vx::guarded([this] { aToolsExecute(); }); });

    ZybScriptRunner = addComponent(new TZybScriptRunner(this), QStringLiteral("ZybScriptRunner"));
    ZybScriptRunner->Connection = cADO.get();

    ZybTranslator = addComponent(new TZybTranslator(this), QStringLiteral("ZybTranslator"));
    ZybTranslator->Items = pageTexts().items;
    ZybTranslator->Languages = pageTexts().languages;

    m_stopWatch.setInterval(stopWatchMilliseconds);
    connect(&m_stopWatch, &QTimer::timeout, this, [this] { CancelStoppedBatch(); });
}

void TfSQLLoaderResult::BuildWidgets() {
    // The first widget made stands for all of them.
    if (ActionToolBar1.made())
        return;
    ActionToolBar1.m_widget =
        addComponent(actionBar(this, {nullptr, aReExecute, aCopy, nullptr, aTools}),
                     QStringLiteral("ActionToolBar1"));
    // At least the stored height; more where the style's buttons need it for icon and caption.
    ActionToolBar1->setMinimumHeight(26);

    reResult.m_widget =
        addComponent(new vx::LogView(std::move(m_pendingLog), this), QStringLiteral("reResult"));
    QFont font(QStringLiteral("Courier New"), 10);
    font.setStyleHint(QFont::TypeWriter);
    reResult->setFont(font);

    pBottom.m_widget = addComponent(new QFrame(this), QStringLiteral("pBottom"));
    pBottom->setFixedHeight(16);
    const auto sunken = [](QLabel* label) {
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        return label;
    };
    stTime.m_widget = addComponent(sunken(new QLabel(pBottom)), QStringLiteral("stTime"));
    stTime->setFixedWidth(100);
    stTime->setAlignment(Qt::AlignCenter);
    stTime->setToolTip(QStringLiteral("Time elapsed"));
    pb1.m_widget = addComponent(new QProgressBar(pBottom), QStringLiteral("pb1"));
    pb1->setFixedWidth(100);
    pb1->setTextVisible(false);
    pb1->setValue(0);
    pb1->setToolTip(QStringLiteral("Progress bar"));
    stComment.m_widget = addComponent(new vx::ElidedLabel(pBottom), QStringLiteral("stComment"));
    sunken(stComment);
    stComment->setToolTip(QStringLiteral("Comment"));
    auto* strip = new QHBoxLayout(pBottom);
    strip->setContentsMargins(0, 0, 0, 0);
    strip->setSpacing(0);
    strip->addWidget(stTime);
    strip->addWidget(pb1);
    strip->addWidget(stComment, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(ActionToolBar1);
    layout->addWidget(reResult, 1);
    layout->addWidget(pBottom);

    // The translator gave the page's language only to the parts made before these.
    ZybTranslator->ApplyLanguage();
    if (m_pendingProgress)
        showProgress(m_pendingProgress->pos, m_pendingProgress->max, m_pendingProgress->comment);
    stTime->setText(m_pendingElapsed);
}

bool TfSQLLoaderResult::event(QEvent* event) {
    // Qt polishes the pages of hidden tabs with their tab widget already, so the widgets wait for
    // the page's first show; made while it shows, they are shown and laid out at once.
    if (event->type() == QEvent::Show && !ActionToolBar1.made()) {
        BuildWidgets();
        for (QWidget* part : {static_cast<QWidget*>(ActionToolBar1),
                              static_cast<QWidget*>(reResult), static_cast<QWidget*>(pBottom)})
            part->show();
        layout()->activate();
    }
    return QWidget::event(event);
}

TfSQLLoaderResult::~TfSQLLoaderResult() {
    if (!Thread)
        return;
    Stopped = true;
    TSQLLoaderThread* worker = ReleaseWorker();
    // A worker that asks for the connection keeps the login window until it ends.
    if (worker->UsesLoginWindow()) {
        TfCrfLogin* login = Login.release();
        login->setParent(nullptr);
        worker->TakeOver(login);
    }
}

std::shared_ptr<vx::RunChannel> TfSQLLoaderResult::NewChannel() {
    // A worker let go may hold the last reference; the channel lives on the GUI thread.
    return std::shared_ptr<vx::RunChannel>(new vx::RunChannel(*this), [](vx::RunChannel* channel) {
        if (vx::isGuiThread())
            delete channel;
        else
            channel->deleteLater();
    });
}

void TfSQLLoaderResult::StartRun() {
    if (Thread)
        throw vx::Error(QStringLiteral("The page is still running."));
    Finished = false;
    aReExecute->setEnabled(false);
    aTools->setVisible(bool(OnTools));
    ZybScriptRunner->NoRecords = NoRecords;
    QHash<QString, QString> texts;
    for (const char* key :
         {"connecting", "connected", "cbCheckDBO.Caption", "failed", "ask_continue", "appResult"})
        texts.insert(QString::fromLatin1(key), ZybTranslator->GetText(QString::fromLatin1(key)));
    TSQLLoaderRun run{ExecutorApp,
                      OnErrorMode,
                      PrintMessages,
                      CheckDBO,
                      AutoConnect,
                      Index,
                      windowTitle(),
                      Login.definition(),
                      ZybScriptRunner->Script,
                      ZybScriptRunner->TabDelimiter,
                      NoRecords,
                      ZybScriptRunner->MaxFieldLength,
                      texts,
                      AutoConnect ? nullptr : Login.window()};
    m_stopSeen.invalidate();
    m_stopWatch.start();
    StartTick.start();
    // Whatever waits once stopped, the page ends as soon as its worker does.
    m_channel->dropOutputWhenStopped(Stopped.share());
    Thread = new TSQLLoaderThread(this, std::move(run), cADO, m_channel, Stopped.share());
    connect(Thread, &QThread::finished, Thread, &QObject::deleteLater);
    // The worker runs no event loop; without descriptors left, its connection fails, not the
    // process.
    Thread->setEventDispatcher(new vx::LoopFreeDispatcher);
    Thread->start();
    if (!Thread->isRunning() && !Thread->isFinished()) {
        delete Thread;
        FailRun(vx::SysErrorMessage(EAGAIN));
        return;
    }
    emit runningChanged(true);
}

void TfSQLLoaderResult::FailRun(const QString& message) {
    emit runningChanged(true);
    AddLine(message, true);
    SyncFinish(false, false, 0);
}

void TfSQLLoaderResult::SyncFinish(bool success, bool completed, qsizetype dropped) {
    m_channel->flush();
    // A run stopped while its lines waited has not shown its end.
    completed = completed && dropped == 0;
    if (dropped > 0)
        addLines(
            {{vx::format(ZybTranslator->GetText(QStringLiteral("not_shown")), {dropped}), false}});
    addLines({{ZybTranslator->GetText(completed ? QStringLiteral("Completed")
                                                : QStringLiteral("Interrupted")),
               false}});
    m_stopWatch.stop();
    Success = success;
    Completed = completed;
    Finished = true;
    ShowElapsed();
    Thread = nullptr;
    aReExecute->setEnabled(true);
    emit runningChanged(false);
    if (OnFinish && !ReExecuted)
        vx::guarded([this] { OnFinish(this); });
}

void TfSQLLoaderResult::CancelStoppedBatch() {
    if (!Stopped || !Thread)
        return;
    if (!m_stopSeen.isValid())
        m_stopSeen.start();
    Thread->CancelBatch();
    if (m_stopSeen.hasExpired(letGoMilliseconds))
        LetGoWorker();
}

void TfSQLLoaderResult::LetGoWorker() {
    // What the worker sent so far, its end too when that came meanwhile.
    m_channel->flush();
    if (!Thread)
        return;
    const qsizetype dropped = m_channel->takeDropped();
    ReleaseWorker();
    m_channel = NewChannel();
    Stopped.renew();
    // The worker closes its connection when the driver returns; the next run needs its own.
    auto connection = std::shared_ptr<vx::Connection>(vx::createConnection());
    connection->setConnectionTimeout(cADO->connectionTimeout());
    connection->setCommandTimeout(cADO->commandTimeout());
    cADO = std::move(connection);
    ZybScriptRunner->Connection = cADO.get();
    Login.setConnection(cADO.get());
    SyncFinish(false, false, dropped);
}

TSQLLoaderThread* TfSQLLoaderResult::ReleaseWorker() {
    TSQLLoaderThread* worker = Thread;
    Thread = nullptr;
    m_channel->close();
    worker->CancelBatch();
    vx::letGo(worker);
    return worker;
}

void TfSQLLoaderResult::AddLine(const QString& text, bool isError) {
    m_channel->addLine(text, isError);
}

void TfSQLLoaderResult::ReplaceLastLine(const QString& text, bool isError) {
    m_channel->replaceLastLine(text, isError);
}

void TfSQLLoaderResult::ShowElapsed() {
    QString text;
    if (StartTick.isValid())
        text = FormatMilliseconds(
            qint32(std::min<qint64>(StartTick.elapsed(), std::numeric_limits<qint32>::max())));
    if (stTime.made())
        stTime->setText(text);
    else
        m_pendingElapsed = text;
}

void TfSQLLoaderResult::aReExecuteExecute() {
    if (reResult.made())
        reResult->clearLog();
    else
        m_pendingLog.clear();
    ReExecuted = true;
    Stopped = false;
    StartRun();
}

void TfSQLLoaderResult::aCopyExecute() {
    reResult->copySelectionOrAll();
}

void TfSQLLoaderResult::aToolsExecute() {
    if (OnTools)
        OnTools(this);
}

void TfSQLLoaderResult::addLines(const QList<vx::LogLine>& lines) {
    if (reResult.made())
        reResult->addLines(lines);
    else
        m_pendingLog.appendLines(lines);
}

void TfSQLLoaderResult::replaceLastLine(const vx::LogLine& line) {
    if (reResult.made())
        reResult->replaceLastLine(line);
    else
        m_pendingLog.replaceLastLine(line);
}

void TfSQLLoaderResult::showProgress(int pos, int max, const QString& comment) {
    if (!pb1.made()) {
        m_pendingProgress = Progress{pos, max, comment};
        return;
    }
    // Qt ignores a position outside the range, so the range goes first; an empty range would
    // turn the bar into a busy indicator.
    pb1->setRange(0, std::max(max, 1));
    pb1->setValue(pos);
    stComment->setText(comment);
}
