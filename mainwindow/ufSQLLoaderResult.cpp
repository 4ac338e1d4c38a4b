#include "ufSQLLoaderResult.h"

#include "Cp1251.h"
#include "Errors.h"
#include "ExternalTool.h"
#include "Format.h"
#include "Guard.h"
#include "GuiThread.h"
#include "LogView.h"
#include "Prompter.h"
#include "crfLogin.h"
#include "uTZybTranslator.h"
#include "uZybUtils.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QStringDecoder>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

#include <cerrno>
#include <limits>

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
};

// How soon a stop reaches a batch running on the server.
constexpr int stopWatchMilliseconds = 100;

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

// Output of a tool is UTF-8; files of the Windows tools are Windows-1251.
QString outputLineText(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(bytes);
    return utf8.hasError() ? vx::fromCp1251(bytes) : text;
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

TSQLLoaderThread::TSQLLoaderThread(TfSQLLoaderResult* form) : QThread(form), Form(form) {}

QString TSQLLoaderThread::Text(const char* key) const {
    return Form->ZybTranslator->GetText(QString::fromLatin1(key));
}

void TSQLLoaderThread::Execute() {
    TfSQLLoaderResult& page = *Form;
    const TSQLLoaderRun& run = page.m_run;
    bool success = !page.Stopped;
    bool completed = false;
    try {
        completed = run.ExecutorApp.isEmpty() ? InternalRoute(success) : ExternalRoute(success);
    } catch (const vx::EAbort&) {
        // The stop request: nothing to show.
    } catch (const std::exception& e) {
        if (!page.m_cancelled) {
            const QString message = vx::exceptionMessage(e);
            page.AddLine(message, true);
            success = GoesOnAfterFailure(vx::format(SErrorContinue, {message}));
        }
    }
    // The server keeps no session, transaction or lock for a page at rest.
    page.cADO->close();
    page.ShowFinished(completed);
    page.m_channel.call([&] { page.SyncFinish(success, completed); });
}

bool TSQLLoaderThread::GoesOnAfterFailure(const QString& question) {
    const int mode = Form->m_run.OnErrorMode;
    if (mode == emAsk)
        return Form->AskUser(question);
    return mode != emStop;
}

bool TSQLLoaderThread::InternalRoute(bool& success) {
    TfSQLLoaderResult& page = *Form;
    const TSQLLoaderRun& run = page.m_run;
    QString server = run.Connection.server;
    page.AddLine(Text("connecting") + QStringLiteral(" ") + server + QStringLiteral("..."), false);
    if (run.AutoConnect) {
        run.Connection.Connect(*page.cADO);
    } else {
        // The lines sent so far stand in the log before the login window shows.
        page.m_channel.call([] {});
        success = page.Login->Login();
        if (success)
            page.m_channel.call([&] { server = page.Login->GetServer(); });
    }
    if (!success)
        return false;
    page.ReplaceLastLine(Text("connected") + QStringLiteral(" ") + server, false);
    if (run.CheckDBO && !RightsCheck())
        success = GoesOnAfterFailure(Text("cbCheckDBO.Caption") + QStringLiteral(" ") +
                                     Text("failed") + QStringLiteral(". ") + Text("ask_continue"));
    if (!success)
        return false;
    // The snapshot's script, not the runner's field, which the GUI thread owns.
    success = page.ZybScriptRunner->ExecuteLines(run.Script);
    return success;
}

bool TSQLLoaderThread::RightsCheck() {
    const std::unique_ptr<vx::RecordSet> qTemp = Form->cADO->execute(rightsQuery);
    if (!qTemp || qTemp->fieldCount() < 2 || qTemp->eof())
        return false;
    return membership(qTemp->value(0)) == 1 || membership(qTemp->value(1)) == 1;
}

bool TSQLLoaderThread::ExternalRoute(bool& success) {
    TfSQLLoaderResult& page = *Form;
    const TSQLLoaderRun& run = page.m_run;
    // A page stopped before its tool started never starts it: the tool could run batches before
    // its first poll.
    if (page.Stopped) {
        success = false;
        return false;
    }
    const ToolFiles files(run.Index);
    writeScript(files.script, run.Script);
    const vx::ToolExit exit =
        vx::runTool(vx::sqlToolCommand(run.ExecutorApp, run.Connection, run.OnErrorMode == emStop,
                                       files.script, files.output),
                    page.Stopped);
    QFile::remove(files.script);
    success = exit.success;
    page.AddLine(vx::format(Text("appResult"), {qint64(exit.code), exit.text}), !success);
    page.LoadOutputFile(files.output);
    return success;
}

// ---------------------------------------------------------------------------------------------
// TfSQLLoaderResult

TfSQLLoaderResult::TfSQLLoaderResult(QWidget* owner)
    : QWidget(owner), cADO(vx::createConnection()) {
    setObjectName(QStringLiteral("fSQLLoaderResult"));
    setWindowTitle(QStringLiteral("fSQLLoaderResult"));

    aReExecute = addComponent(new QAction(style()->standardIcon(QStyle::SP_BrowserReload),
                                          QStringLiteral("&Reexecute"), this),
                              QStringLiteral("aReExecute"));
    aCopy = addComponent(new QAction(QIcon::fromTheme(QStringLiteral("edit-copy"),
                                                      style()->standardIcon(QStyle::SP_FileIcon)),
                                     QStringLiteral("&Copy"), this),
                         QStringLiteral("aCopy"));
    aCopy->setToolTip(QStringLiteral("Copy"));
    aTools = addComponent(
        new QAction(style()->standardIcon(QStyle::SP_ComputerIcon), QStringLiteral("Tools"), this),
        QStringLiteral("aTools"));
    aTools->setVisible(false);
    connect(aReExecute, &QAction::triggered, this,
            [this] { vx::guarded([this] { aReExecuteExecute(); }); });
    connect(aCopy, &QAction::triggered, this, [this] { vx::guarded([this] { aCopyExecute(); }); });
    connect(aTools, &QAction::triggered, this,
            [this] { vx::guarded([this] { aToolsExecute(); }); });

    ActionToolBar1 = addComponent(new QToolBar(this), QStringLiteral("ActionToolBar1"));
    ActionToolBar1->setFixedHeight(26);
    ActionToolBar1->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    ActionToolBar1->addSeparator();
    ActionToolBar1->addAction(aReExecute);
    ActionToolBar1->addAction(aCopy);
    ActionToolBar1->addSeparator();
    ActionToolBar1->addAction(aTools);

    reResult = addComponent(new vx::LogView(this), QStringLiteral("reResult"));
    QFont font(QStringLiteral("Courier New"), 10);
    font.setStyleHint(QFont::TypeWriter);
    reResult->setFont(font);

    pBottom = addComponent(new QFrame(this), QStringLiteral("pBottom"));
    pBottom->setFixedHeight(16);
    const auto sunken = [](QLabel* label) {
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        return label;
    };
    stTime = addComponent(sunken(new QLabel(pBottom)), QStringLiteral("stTime"));
    stTime->setFixedWidth(100);
    stTime->setAlignment(Qt::AlignCenter);
    stTime->setToolTip(QStringLiteral("Time elapsed"));
    pb1 = addComponent(new QProgressBar(pBottom), QStringLiteral("pb1"));
    pb1->setFixedWidth(100);
    pb1->setTextVisible(false);
    pb1->setValue(0);
    pb1->setToolTip(QStringLiteral("Progress bar"));
    stComment = addComponent(sunken(new QLabel(pBottom)), QStringLiteral("stComment"));
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

    ZybScriptRunner = addComponent(new TZybScriptRunner(this), QStringLiteral("ZybScriptRunner"));
    ZybScriptRunner->Connection = cADO.get();
    ZybScriptRunner->OnAsk = [this](QObject* sender, const QString& question, TZybAskType type,
                                    bool& answer) {
        ZybScriptRunnerAsk(sender, question, type, answer);
    };
    ZybScriptRunner->OnError = [this](QObject* sender, const QString& error, bool& stop,
                                      bool& ask) {
        ZybScriptRunnerError(sender, error, stop, ask);
    };
    ZybScriptRunner->OnMessage = [this](QObject* sender, const QString& line) {
        ZybScriptRunnerMessage(sender, line);
    };
    ZybScriptRunner->OnProgress = [this](QObject* sender, int pos, int max,
                                         const QString& comment) {
        ZybScriptRunnerProgress(sender, pos, max, comment);
    };

    ZybTranslator = addComponent(new TZybTranslator(this), QStringLiteral("ZybTranslator"));
    ZybTranslator->LoadTable(translations);

    Login = new TfCrfLogin(this);
    Login->Connection = cADO.get();

    m_stopWatch.setInterval(stopWatchMilliseconds);
    connect(&m_stopWatch, &QTimer::timeout, this, [this] { CancelStoppedBatch(); });
}

TfSQLLoaderResult::~TfSQLLoaderResult() {
    Stopped = true;
    // Once closed, the channel never lets a worker wait for the GUI; a login the worker may be
    // asking for on the GUI thread is still served, so waiting here cannot lock. The stop watch
    // does not fire during the wait, so the wait itself cancels the batch that runs.
    m_channel.close();
    for (TSQLLoaderThread* worker : findChildren<TSQLLoaderThread*>(Qt::FindDirectChildrenOnly))
        vx::waitServingGuiCalls(*worker, [this] { CancelStoppedBatch(); });
}

void TfSQLLoaderResult::StartRun() {
    if (Thread)
        throw vx::Error(QStringLiteral("The page is still running."));
    Finished = false;
    aReExecute->setEnabled(false);
    aTools->setVisible(bool(OnTools));
    ZybScriptRunner->NoRecords = NoRecords;
    m_run = {ExecutorApp,   OnErrorMode,         PrintMessages,
             CheckDBO,      AutoConnect,         Index,
             windowTitle(), Login->definition(), ZybScriptRunner->Script};
    m_cancelled = false;
    m_stopWatch.start();
    StartTick.start();
    Thread = new TSQLLoaderThread(this);
    connect(Thread, &QThread::finished, Thread, &QObject::deleteLater);
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
    ShowFinished(false);
    SyncFinish(false, false);
}

void TfSQLLoaderResult::SyncFinish(bool success, bool completed) {
    m_channel.flush();
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
    if (!Stopped)
        return;
    m_cancelled = true;
    cADO->cancel();
}

void TfSQLLoaderResult::AddLine(const QString& text, bool isError) {
    m_channel.addLine(text, isError);
}

void TfSQLLoaderResult::ReplaceLastLine(const QString& text, bool isError) {
    m_channel.replaceLastLine(text, isError);
}

bool TfSQLLoaderResult::AskUser(const QString& question) {
    bool answer = false;
    m_channel.call([&] {
        answer = vx::prompter().askOkCancel(vx::PromptIcon::Error, m_run.Caption, question);
    });
    return answer;
}

void TfSQLLoaderResult::LoadOutputFile(const QString& fileName) {
    if (!QFileInfo::exists(fileName))
        return;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        AddLine(file.errorString() + QStringLiteral(": ") + fileName, true);
        return;
    }
    while (!FileEof(file))
        AddLine(outputLineText(FileReadLine(file)), false);
}

void TfSQLLoaderResult::ShowFinished(bool success) {
    AddLine(ZybTranslator->GetText(success ? QStringLiteral("Completed")
                                           : QStringLiteral("Interrupted")),
            false);
}

void TfSQLLoaderResult::ShowElapsed() {
    if (!StartTick.isValid()) {
        stTime->clear();
        return;
    }
    const qint64 elapsed =
        std::min<qint64>(StartTick.elapsed(), std::numeric_limits<qint32>::max());
    stTime->setText(FormatMilliseconds(qint32(elapsed)));
}

void TfSQLLoaderResult::ZybScriptRunnerAsk(QObject*, const QString& AQuestion, TZybAskType,
                                           bool& AAnswer) {
    AAnswer = AskUser(AQuestion);
}

void TfSQLLoaderResult::ZybScriptRunnerError(QObject*, const QString& Err, bool& ABreak,
                                             bool& AAsk) {
    if (m_cancelled)
        vx::abort();
    AddLine(Err, true);
    AddLine(QString(), false);
    AAsk = m_run.OnErrorMode == emAsk && !ABreak;
    ABreak = ABreak || m_run.OnErrorMode == emStop;
}

void TfSQLLoaderResult::ZybScriptRunnerMessage(QObject*, const QString& s) {
    if (m_run.PrintMessages)
        AddLine(s, false);
}

void TfSQLLoaderResult::ZybScriptRunnerProgress(QObject*, int pos, int max,
                                                const QString& comment) {
    m_channel.progress(pos, max, comment);
    if (Stopped)
        vx::abort();
}

void TfSQLLoaderResult::aReExecuteExecute() {
    reResult->clearLog();
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
    reResult->addLines(lines);
}

void TfSQLLoaderResult::replaceLastLine(const vx::LogLine& line) {
    reResult->replaceLastLine(line);
}

void TfSQLLoaderResult::showProgress(int pos, int max, const QString& comment) {
    // Qt ignores a position outside the range, so the range goes first; an empty range would
    // turn the bar into a busy indicator.
    pb1->setRange(0, std::max(max, 1));
    pb1->setValue(pos);
    stComment->setText(comment);
}
