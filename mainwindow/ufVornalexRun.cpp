// Run control: the Execute and Stop actions, the results pages of a run and the overall
// progress and time.

#include "ufVornalex.h"

#include "DataAccess.h"
#include "Errors.h"
#include "Guard.h"
#include "RadioGroup.h"
#include "ThemeIcon.h"
#include "crfLogin.h"
#include "uTZybTranslator.h"
#include "uZybUtils.h"
#include "ufSQLLoaderResult.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

void TfVornalex::buildResultsPage() {
    const QStyle* s = style();
    aExecute =
        addComponent(new QAction(vx::themeIcon("media-playback-start", QStyle::SP_MediaPlay, s),
                                 QStringLiteral("Выполнить"), this),
                     QStringLiteral("aExecute"));
    aExecute->setToolTip(QStringLiteral("Выполнить"));
    aStop = addComponent(new QAction(vx::themeIcon("media-playback-stop", QStyle::SP_MediaStop, s),
                                     QStringLiteral("Stop"), this),
                         QStringLiteral("aStop"));
    aStop->setToolTip(QStringLiteral("Stop"));
    aStop->setEnabled(false);
    connect(aExecute, &QAction::triggered, this,
            [this] { vx::guarded([this] { aExecuteExecute(); }); });
    connect(aStop, &QAction::triggered, this, [this] { vx::guarded([this] { aStopExecute(); }); });

    ilResult = {vx::themeIcon("media-playback-start", QStyle::SP_MediaPlay, s),
                vx::themeIcon("dialog-ok", QStyle::SP_DialogApplyButton, s),
                vx::themeIcon("dialog-error", QStyle::SP_MessageBoxCritical, s)};

    pcResult = addComponent(new QTabWidget(tsResults), QStringLiteral("pcResult"));
    // Hundreds of tabs stay reachable: the bar scrolls, and the corner button lists them all.
    pcResult->setUsesScrollButtons(true);
    pcResult->setElideMode(Qt::ElideRight);
    auto* tabList = new QToolButton(pcResult);
    tabList->setArrowType(Qt::DownArrow);
    tabList->setPopupMode(QToolButton::InstantPopup);
    auto* tabMenu = new QMenu(tabList);
    tabList->setMenu(tabMenu);
    connect(tabMenu, &QMenu::aboutToShow, this, [this, tabMenu] {
        tabMenu->clear();
        for (int tab = 0; tab < pcResult->count(); ++tab) {
            QAction* item = tabMenu->addAction(pcResult->tabIcon(tab), pcResult->tabText(tab));
            connect(item, &QAction::triggered, pcResult, [this, tab] {
                if (tab < pcResult->count())
                    pcResult->setCurrentIndex(tab);
            });
        }
    });
    pcResult->setCornerWidget(tabList, Qt::TopRightCorner);
    stTime = addComponent(new QLabel(tsResults), QStringLiteral("stTime"));
    stTime->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    stTime->setFixedWidth(100);
    stTime->setAlignment(Qt::AlignCenter);
    stTime->setToolTip(QStringLiteral("Time elapsed"));
    pbTotal = addComponent(new QProgressBar(tsResults), QStringLiteral("pbTotal"));
    pbTotal->setTextVisible(false);
    pbTotal->setValue(0);
    pbTotal->setToolTip(QStringLiteral("Progress bar"));

    auto* bottom = new QHBoxLayout;
    bottom->setSpacing(0);
    bottom->addWidget(stTime);
    bottom->addWidget(pbTotal, 1);
    auto* layout = new QVBoxLayout(tsResults);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(pcResult, 1);
    layout->addLayout(bottom);
}

namespace {

// A tab's image follows its page's last line: success only beside "Completed.". The chain goes
// by the page's Success, which a failure in mode Continue or a stop leaves set.
enum TabImage { imRunning = 0, imSuccess = 1, imFailure = 2 };

// How much GUI time one turn of a parallel start (or of freeing the last run's pages) may take
// before the event loop turns again: a few milliseconds, as a turn of showing lines, so that the
// turns of both and the painting between them keep the window's pauses short.
constexpr qint64 startSliceMilliseconds = 4;
// A stopped page ends within about a second even when its server does not answer; closing the
// window waits a little longer than that for them, never for good.
constexpr qint64 closeWaitMilliseconds = 5000;

// The command-line tool of a parallel page: the program found for "SQL 2000 tools" or "SQL 2005
// tools" (the captions compared exactly); empty for the internal runner.
QString executorApp(const QComboBox* executors) {
    const QString caption = executors->currentText();
    const bool isqlw = caption == QLatin1String("SQL 2000 tools");
    if (!isqlw && caption != QLatin1String("SQL 2005 tools"))
        return QString();
    const QString program = executors->currentData().toString();
    if (!program.isEmpty())
        return program;
    return isqlw ? QStringLiteral("isqlw") : QStringLiteral("sqlcmd");
}

} // namespace

TfSQLLoaderResult* TfVornalex::ResultPage(int Tab) const {
    QWidget* tab = pcResult->widget(Tab);
    return tab ? tab->findChild<TfSQLLoaderResult*>(QString(), Qt::FindDirectChildrenOnly)
               : nullptr;
}

void TfVornalex::aExecuteExecute() {
    const QString script = ScriptText();
    if (script.isEmpty()) {
        pc->setCurrentWidget(tsScript);
        throw vx::Error(LoadResString(&WP_SCRIPT_IS_EMPTY));
    }
    StartTick.start();
    m_runOptions = {script.split(QLatin1Char('\n')),
                    cbTabDelimiter->isChecked(),
                    seConnectionTimeout->value(),
                    seCommandTimeout->value(),
                    gbOnError->itemIndex(),
                    cbPrintMessages->isChecked(),
                    cbNoRecords->isChecked(),
                    cbCheckDBO->isChecked(),
                    cbAutoConnect->isChecked(),
                    executorApp(cbScriptExecutor),
                    ZybTranslator->GetActiveLanguageName()};
    pc->setCurrentWidget(tsResults);
    // A range of 0 to 0 would show a busy bar.
    pbTotal->setRange(0, std::max(Connections->count(), 1));
    pbTotal->setValue(0);
    // Execute is disabled while any page runs, so no page is freed under its worker. The tabs go
    // at once; their pages are freed a slice at a time, as hundreds of them take a while.
    for (int tab = pcResult->count() - 1; tab >= 0; --tab) {
        QWidget* page = pcResult->widget(tab);
        pcResult->removeTab(tab);
        page->hide();
        m_oldPages.push_back(page);
    }
    FreeOldPages();

    const QList<int> ticked = Connections->checkedRows();
    if (ticked.isEmpty()) {
        pc->setCurrentWidget(tsSettings);
        throw vx::Error(LoadResString(&WP_NO_CHECKED_CONNECTIONS));
    }
    m_runActive = true;
    UpdateRunActions();

    if (cbParallel->isChecked()) {
        m_pagesOutstanding = int(ticked.size());
        for (int index : ticked)
            m_pendingStarts.push_back({index, Connections->at(index)});
        StartPendingPages();
        return;
    }
    QWidget* tab = CreateResultPage(ZybTranslator->Translate("allResults", "All results"));
    auto* page = ResultPage(pcResult->indexOf(tab));
    page->OnFinish = [this](QObject* sender) { RunNextSequential(sender); };
    page->Index = -1;
    RunNextSequential(page);
}

void TfVornalex::StartPendingPages() {
    QElapsedTimer slice;
    slice.start();
    while (!m_pendingStarts.empty() && slice.elapsed() < startSliceMilliseconds) {
        const PendingStart start = std::move(m_pendingStarts.front());
        m_pendingStarts.pop_front();
        StartParallelPage(start);
    }
    if (!m_pendingStarts.empty())
        QTimer::singleShot(0, this, [this] { vx::guarded([this] { StartPendingPages(); }); });
}

void TfVornalex::FreeOldPages() {
    QElapsedTimer slice;
    slice.start();
    while (!m_oldPages.empty() && slice.elapsed() < startSliceMilliseconds) {
        delete m_oldPages.back();
        m_oldPages.pop_back();
    }
    if (!m_oldPages.empty())
        QTimer::singleShot(0, this, &TfVornalex::FreeOldPages);
}

void TfVornalex::StartParallelPage(const PendingStart& start) {
    QWidget* tab = CreateResultPage(start.entry.name);
    TfSQLLoaderResult* page = ResultPage(pcResult->indexOf(tab));
    page->OnFinish = [this](QObject* sender) { ParallelRunFinished(sender); };
    page->OnTools = [this](QObject* sender) { ResultToolsClick(sender); };
    page->Index = start.index;
    page->ExecutorApp = m_runOptions.executorApp;
    try {
        page->Login.setDefinition(start.entry.definition());
    } catch (const vx::Error& error) {
        // A row the run cannot use is a failed page; the run goes on and still ends.
        page->FailRun(error.message());
        return;
    }
    page->StartRun();
}

QWidget* TfVornalex::CreateResultPage(const QString& Caption) {
    // The page is made inside its tab before the tab is added: it shows with the tab, so a page
    // in a tab the user has not opened is neither polished nor laid out yet.
    auto* tab = new QWidget(pcResult);
    auto* page = new TfSQLLoaderResult(tab);
    page->setWindowTitle(Caption);
    auto* layout = new QVBoxLayout(tab);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(page);

    const RunOptions& options = m_runOptions;
    page->ZybScriptRunner->Script = options.script;
    page->ZybScriptRunner->TabDelimiter = options.tabDelimiter;
    page->cADO->setConnectionTimeout(options.connectionTimeout);
    page->cADO->setCommandTimeout(options.commandTimeout);
    page->OnErrorMode = options.errorMode;
    page->PrintMessages = options.printMessages;
    page->NoRecords = options.noRecords;
    page->CheckDBO = options.checkDBO;
    page->AutoConnect = options.autoConnect;
    page->ZybTranslator->SetLanguageByName(options.language);
    page->ZybTranslator->ApplyLanguage();
    connect(page, &TfSQLLoaderResult::runningChanged, this, &TfVornalex::UpdateRunActions);
    // With its caption at once: each change of a tab lays the whole bar out again.
    pcResult->addTab(tab, ilResult[imRunning], Caption);
    return tab;
}

void TfVornalex::RunNextSequential(QObject* Sender) {
    auto* page = static_cast<TfSQLLoaderResult*>(Sender);
    if (page->Index >= 0 && !page->Success) {
        SetTabImage(page, imFailure);
        pbTotal->setValue(0);
        RunFinished();
        return;
    }
    // Ticks and rows are read now: changes made during the chain count. Rows deleted meanwhile
    // may leave the index past the end, which ends the chain too.
    const int count = Connections->count();
    do
        ++page->Index;
    while (page->Index < count && !Connections->at(page->Index).checked);
    if (page->Index >= count || page->Stopped) {
        SetTabImage(page, page->Completed ? imSuccess : imFailure);
        RunFinished();
        return;
    }
    UpdateElapsed();
    pbTotal->setValue(page->Index);
    try {
        ConnectionToLogin(page->Index, page->Login);
    } catch (const vx::Error& error) {
        // Ends the chain through the failure branch above.
        page->FailRun(error.message());
        return;
    }
    page->AddLine(QString(47, QLatin1Char('-')), false);
    page->StartRun();
}

void TfVornalex::ParallelRunFinished(QObject* Sender) {
    auto* page = static_cast<TfSQLLoaderResult*>(Sender);
    SetTabImage(page, page->Completed ? imSuccess : imFailure);
    pbTotal->setValue(pbTotal->value() + 1);
    UpdateElapsed();
    if (--m_pagesOutstanding == 0 && m_pendingStarts.empty())
        RunFinished();
}

void TfVornalex::RunFinished() {
    m_runActive = false;
    m_runOptions.script.clear();
    aStop->setChecked(false);
    UpdateRunActions();
    UpdateElapsed();
    pbTotal->setValue(0);
}

void TfVornalex::aStopExecute() {
    for (int tab = 0; tab < pcResult->count(); ++tab)
        ResultPage(tab)->Stopped = true;
    // Connections whose pages are not made yet are not started at all.
    if (m_pendingStarts.empty())
        return;
    m_pagesOutstanding -= int(m_pendingStarts.size());
    m_pendingStarts.clear();
    if (m_pagesOutstanding == 0)
        RunFinished();
}

void TfVornalex::UpdateElapsed() {
    stTime->setText(FormatMilliseconds(qint32(StartTick.elapsed())));
}

void TfVornalex::SetTabImage(QObject* page, int image) {
    const int tab = pcResult->indexOf(static_cast<QWidget*>(page)->parentWidget());
    // On the bar alone: the tab widget would lay itself out again for each of hundreds of pages
    // ending, and an image of the same size leaves its size as it was.
    if (tab >= 0)
        pcResult->tabBar()->setTabIcon(tab, ilResult[image]);
}

bool TfVornalex::AnyPageRunning() const {
    for (int tab = 0; tab < pcResult->count(); ++tab) {
        if (ResultPage(tab)->Thread)
            return true;
    }
    return false;
}

void TfVornalex::UpdateRunActions() {
    const bool busy = m_runActive || AnyPageRunning();
    aExecute->setEnabled(!busy);
    aStop->setEnabled(busy);
}

void TfVornalex::closeEvent(QCloseEvent* event) {
    aStopExecute();
    // The workers hand their last steps to this thread, so the event loop turns while they end.
    QElapsedTimer waited;
    waited.start();
    QEventLoop loop;
    QTimer poll;
    connect(&poll, &QTimer::timeout, &loop, [&] {
        if (!AnyPageRunning() || waited.elapsed() >= closeWaitMilliseconds)
            loop.quit();
    });
    poll.start(20);
    if (AnyPageRunning())
        loop.exec();
    QMainWindow::closeEvent(event);
}
