#include "ConnectionList.h"
#include "FakeSqlTool.h"
#include "ModalDriver.h"
#include "PageDriver.h"
#include "ProgramSandbox.h"
#include "RadioGroup.h"
#include "ScriptedPrompter.h"
#include "StallingRelay.h"
#include "crfLogin.h"
#include "tds_test_server.h"
#include "uTZybTranslator.h"
#include "ufVornalex.h"
#include "ufZybCustomDialog.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QHelpEvent>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <memory>
#include <sys/resource.h>

// gcc marks AddressSanitizer with a macro, clang with a feature.
#ifndef __has_feature
#define __has_feature(feature) 0
#endif

// Runs started from the main window against the TDS test server, through unixODBC and FreeTDS.
namespace {

using vx::LogLine;
using vx::test::logLines;
using vx::test::red;

const QString dashes(47, QLatin1Char('-'));

enum Image { Running, Success, Failure };

class RunControlTest : public ::testing::Test {
protected:
    RunControlTest() {
        for (const char* db : {"a", "b", "c", "d", "e"})
            server.createDatabase(db, std::string("CREATE TABLE t(name text); INSERT INTO t "
                                                  "VALUES('") +
                                          db + "');");
        window.cbPrintMessages->setChecked(true);
        QObject::connect(window.pbTotal, &QProgressBar::valueChanged,
                         [this](int value) { progress.append(value); });
    }

    // A row on the test server; "nodb" is a database the server does not know.
    void addRow(const QString& name, const QString& database, bool checked,
                const QString& trusted = QStringLiteral("False")) {
        window.Connections->append(
            {name, checked, {dataSource, database, "sa", "secret", trusted}});
    }
    void addRows(const QString& ticks) {
        for (int i = 0; i < ticks.size(); ++i) {
            const QString name = QString(QChar('A' + i));
            addRow(name, name.toLower(), ticks[i] == QLatin1Char('x'));
        }
    }

    void execute(const QString& script, bool parallel) {
        window.mScript->setPlainText(script);
        window.cbParallel->setChecked(parallel);
        progress.clear();
        window.aExecute->trigger();
    }
    // Generous: runs share eight cores with the other tests.
    bool waitForEnd() {
        return QTest::qWaitFor([this] { return window.aExecute->isEnabled(); }, 60000);
    }

    QStringList tabTexts() const {
        QStringList texts;
        for (int tab = 0; tab < window.pcResult->count(); ++tab)
            texts << window.pcResult->tabText(tab);
        return texts;
    }
    QList<int> images() const {
        QList<int> found;
        for (int tab = 0; tab < window.pcResult->count(); ++tab) {
            const qint64 key = window.pcResult->tabIcon(tab).cacheKey();
            int image = -1;
            for (int i = 0; i < window.ilResult.size(); ++i)
                image = window.ilResult[i].cacheKey() == key ? i : image;
            found << image;
        }
        return found;
    }
    QList<LogLine> log(int tab) const { return logLines(*window.ResultPage(tab)->reResult); }
    // The log's lines without their padding.
    QStringList texts(int tab) const {
        QStringList lines;
        for (const LogLine& line : log(tab))
            lines << line.text.trimmed();
        return lines;
    }
    QString connected() const { return "Connected " + dataSource; }

    tdsserver::TestServer server;
    const QString dataSource = QString::fromStdString(server.dataSource());
    vx::test::ProgramSandbox sandbox;
    vx::test::ScriptedPrompter prompter;
    TfVornalex window;
    QList<int> progress;
};

TEST_F(RunControlTest, AParallelRunHasAPagePerTickedConnectionAndEndsOnce) {
    addRows("x-x-x");
    window.Connections->update(2, "C", {dataSource, "nodb", "sa", "secret", "False"});
    window.gbOnError->setItemIndex(emStop);
    int ends = 0;
    QObject::connect(window.aExecute, &QAction::enabledChanged, [&](bool on) { ends += on; });

    execute("SELECT name FROM t", true);
    EXPECT_FALSE(window.aExecute->isEnabled());
    EXPECT_TRUE(window.aStop->isEnabled());
    EXPECT_EQ(window.pc->currentWidget(), window.tsResults);
    ASSERT_TRUE(waitForEnd());

    EXPECT_EQ(tabTexts(), QStringList({"A", "C", "E"}));
    EXPECT_EQ(images(), QList<int>({Success, Failure, Success}));
    QList<int> indexes;
    for (int tab = 0; tab < 3; ++tab)
        indexes << window.ResultPage(tab)->Index;
    EXPECT_EQ(indexes, QList<int>({0, 2, 4}));
    EXPECT_EQ(window.pbTotal->maximum(), 5);
    EXPECT_EQ(progress, QList<int>({1, 2, 3, 0}));
    EXPECT_EQ(ends, 1);
    EXPECT_FALSE(window.aStop->isEnabled());
    EXPECT_EQ(texts(2), QStringList({connected(), "name", QString(255, '-'), "e", "Completed."}));
    EXPECT_TRUE(log(1).contains(red("Cannot open database \"nodb\" requested by the login. "
                                    "The login failed.")))
        << testing::PrintToString(log(1));
    EXPECT_EQ(log(1).last(), LogLine{"Interrupted."});
}

TEST_F(RunControlTest, TheExecutorChoiceReachesParallelPagesOnly) {
    const vx::test::FakeSqlTool tool;
    addRows("x");
    window.cbScriptExecutor->addItem("SQL 2005 tools", "/opt/tools/sqlcmd");
    window.cbScriptExecutor->setCurrentIndex(window.cbScriptExecutor->count() - 1);

    execute("PRINT 'x'", false);
    ASSERT_TRUE(waitForEnd());
    EXPECT_EQ(window.ResultPage(0)->ExecutorApp, "");
    EXPECT_FALSE(tool.ran());

    window.cbScriptExecutor->setItemData(window.cbScriptExecutor->currentIndex(), QString());
    execute("PRINT 'x'", true);
    ASSERT_TRUE(waitForEnd());
    EXPECT_EQ(window.ResultPage(0)->ExecutorApp, "sqlcmd");
    EXPECT_TRUE(tool.ran());
}

struct ChainCase {
    const char* name;
    int mode;
    int dashLines;
    Image image;
    QList<int> progress;
};

void PrintTo(const ChainCase& c, std::ostream* out) {
    *out << c.name;
}

class SequentialRun : public RunControlTest, public testing::WithParamInterface<ChainCase> {};

// Rows A, B, D are ticked; B's database does not exist.
TEST_P(SequentialRun, ChainsTheTickedConnectionsOnOnePage) {
    const ChainCase& c = GetParam();
    addRows("xx-x");
    window.Connections->update(1, "B", {dataSource, "nodb", "sa", "secret", "False"});
    window.gbOnError->setItemIndex(c.mode);

    execute("SELECT name FROM t", false);
    ASSERT_TRUE(waitForEnd());
    EXPECT_EQ(tabTexts(), QStringList({"All results"}));
    EXPECT_EQ(images(), QList<int>({c.image}));
    EXPECT_EQ(progress, c.progress);
    const QList<LogLine> lines = log(0);
    EXPECT_EQ(lines.count(LogLine{dashes}), c.dashLines);
    EXPECT_EQ(lines.first(), LogLine{dashes});
    EXPECT_EQ(texts(0).count("a"), 1);
    EXPECT_EQ(texts(0).count("d"), c.dashLines == 3 ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, SequentialRun,
    testing::Values(ChainCase{"StopEndsTheChain", emStop, 2, Failure, {1, 0}},
                    ChainCase{"ContinueGoesOn", emContinue, 3, Success, {1, 3, 0}}),
    [](const testing::TestParamInfo<ChainCase>& info) { return std::string(info.param.name); });

TEST_F(RunControlTest, StopEndsBothKindsOfRun) {
    addRows("xx");
    for (bool parallel : {false, true}) {
        execute("WAITFOR DELAY '01:00:00'\nGO\nPRINT 'after'", parallel);
        // Every page has started (parallel pages start a few per turn of the event loop).
        ASSERT_TRUE(QTest::qWaitFor([&] {
            return window.pcResult->count() == (parallel ? 2 : 1) &&
                   window.ResultPage(window.pcResult->count() - 1)->Thread != nullptr;
        }));
        window.aStop->trigger();
        ASSERT_TRUE(waitForEnd()) << (parallel ? "parallel" : "sequential");
        EXPECT_EQ(window.pcResult->count(), parallel ? 2 : 1);
        for (int tab = 0; tab < window.pcResult->count(); ++tab) {
            EXPECT_FALSE(log(tab).contains(LogLine{"after"}));
            EXPECT_EQ(log(tab).last(), LogLine{"Interrupted."});
        }
        // The stopped chain does not go on to B.
        if (!parallel)
            EXPECT_EQ(log(0).count(LogLine{dashes}), 1);
    }
}

// A page's question, the real message box left open for a while, holds up no other page: that one
// goes on showing its rows and ends on its own meanwhile.
TEST_F(RunControlTest, AnOpenQuestionHoldsUpNoOtherPage) {
    addRows("xx");
    window.Connections->update(0, "A", {dataSource, "nodb", "sa", "secret", "False"});
    window.gbOnError->setItemIndex(emAsk);
    vx::setPrompter(nullptr);
    QStringList seenWhileOpen;
    vx::test::onNextModalOf<QMessageBox>([&](QMessageBox* box) {
        auto* poll = new QTimer(box);
        QObject::connect(poll, &QTimer::timeout, box, [&, box, opened = QElapsedTimer()]() mutable {
            if (!opened.isValid())
                opened.start();
            // Open for 2 s at least, longer while the other page runs (a loaded machine).
            if (opened.elapsed() < 2000 ||
                (!window.ResultPage(1)->Finished && opened.elapsed() < 8000))
                return;
            seenWhileOpen = texts(1);
            box->reject();
        });
        poll->start(20);
    });
    execute("WAITFOR DELAY '00:00:00.300'\nGO\nSELECT name FROM t", true);
    ASSERT_TRUE(waitForEnd());

    EXPECT_EQ(seenWhileOpen,
              QStringList({connected(), "name", QString(255, '-'), "b", "Completed."}));
    EXPECT_EQ(images(), QList<int>({Failure, Success}));
}

// A tab shows success only when its page ended with "Completed.", whatever the chain does.
struct ImageCase {
    const char* name;
    bool parallel;
    int mode;
    bool askedOk; // mode Ask: the failure's question is answered with OK
    bool stop;    // Stop while the script waits, else B cannot open its database
    QList<int> images;
};

void PrintTo(const ImageCase& c, std::ostream* out) {
    *out << c.name;
}

class TabImage : public RunControlTest, public testing::WithParamInterface<ImageCase> {};

TEST_P(TabImage, FollowsThePagesLastLine) {
    const ImageCase& c = GetParam();
    addRows("xx");
    if (!c.stop)
        window.Connections->update(1, "B", {dataSource, "nodb", "sa", "secret", "False"});
    window.gbOnError->setItemIndex(c.mode);
    if (c.askedOk)
        prompter.answerOkCancel(true);

    execute(c.stop ? "WAITFOR DELAY '01:00:00'" : "SELECT name FROM t", c.parallel);
    if (c.stop) {
        // Every page runs its script.
        ASSERT_TRUE(QTest::qWaitFor([&] {
            const int tabs = window.pcResult->count();
            for (int tab = 0; tab < tabs; ++tab)
                if (!log(tab).contains(LogLine{connected()}))
                    return false;
            return tabs == (c.parallel ? 2 : 1);
        }));
        window.aStop->trigger();
    }
    ASSERT_TRUE(waitForEnd());
    EXPECT_EQ(images(), c.images);
    for (int tab = 0; tab < window.pcResult->count(); ++tab)
        EXPECT_EQ(log(tab).last().text, c.images[tab] == Success ? "Completed." : "Interrupted.");
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, TabImage,
    testing::Values(
        ImageCase{"ParallelFailureInContinue", true, emContinue, false, false, {Success, Failure}},
        ImageCase{"ParallelFailureAskedOk", true, emAsk, true, false, {Success, Failure}},
        ImageCase{"SequentialLastFailsInContinue", false, emContinue, false, false, {Failure}},
        ImageCase{"ParallelStopped", true, emAsk, false, true, {Failure, Failure}},
        ImageCase{"SequentialStopped", false, emAsk, false, true, {Failure}}),
    [](const testing::TestParamInfo<ImageCase>& info) { return std::string(info.param.name); });

// Pages of a parallel run are made a few at a time; the options changed meanwhile reach none.
TEST_F(RunControlTest, EveryPageOfARunTakesTheOptionsOfItsExecute) {
    constexpr int count = 150;
    for (int i = 0; i < count; ++i)
        addRow(QStringLiteral("R%1").arg(i), "a", true);
    const int connectionTimeout = window.seConnectionTimeout->value();
    const int commandTimeout = window.seCommandTimeout->value();
    const QString language = window.ZybTranslator->GetActiveLanguageName();
    execute("SELECT name FROM t", true);

    window.gbOnError->setItemIndex(emContinue);
    for (QCheckBox* box : {window.cbPrintMessages, window.cbNoRecords, window.cbCheckDBO,
                           window.cbTabDelimiter, window.cbAutoConnect})
        box->setChecked(!box->isChecked());
    window.seConnectionTimeout->setValue(connectionTimeout + 5);
    window.seCommandTimeout->setValue(commandTimeout + 5);
    window.cbScriptExecutor->addItem("SQL 2005 tools", "sqlcmd");
    window.cbScriptExecutor->setCurrentIndex(window.cbScriptExecutor->count() - 1);
    window.ZybTranslator->SetLanguageByName(language == "Russian" ? "English" : "Russian");
    ASSERT_TRUE(waitForEnd());

    ASSERT_EQ(window.pcResult->count(), count);
    QStringList differing;
    for (int tab = 0; tab < count; ++tab) {
        const TfSQLLoaderResult* page = window.ResultPage(tab);
        if (page->OnErrorMode != emAsk || !page->PrintMessages || page->NoRecords ||
            page->CheckDBO || page->ZybScriptRunner->TabDelimiter || !page->AutoConnect ||
            page->cADO->connectionTimeout() != connectionTimeout ||
            page->cADO->commandTimeout() != commandTimeout || !page->ExecutorApp.isEmpty() ||
            page->ZybTranslator->GetActiveLanguageName() != language ||
            log(tab).last() != LogLine{"Completed."})
            differing << window.pcResult->tabText(tab);
    }
    EXPECT_TRUE(differing.isEmpty())
        << "pages with other options: " << differing.join(", ").toStdString();
}

// Long texts from files and the list: the script file's name, the tab's caption and the batch's
// first line in the page's status strip, cut to fit, the line whole in the strip's tooltip.
TEST_F(RunControlTest, NoTextOfARunWidensTheWindow) {
    window.show();
    QTest::qWait(50);
    const QSize size = window.size();
    window.ScriptFileName = "/tmp/" + QString(250, u'f') + ".sql";
    window.UpdateScriptCaption(true);
    const QString comment = "-- " + QString(300, u'x');
    addRow(QString(300, u'n'), "a", true);
    execute(comment + "\nWAITFOR DELAY '01:00:00'", true);
    ASSERT_TRUE(QTest::qWaitFor([&] {
        return window.pcResult->count() == 1 && window.ResultPage(0)->stComment->text() == comment;
    }));
    QTest::qWait(50);

    EXPECT_EQ(window.size(), size);
    const vx::ElidedLabel* strip = window.ResultPage(0)->stComment;
    EXPECT_TRUE(strip->shownText().endsWith(u'…')) << strip->shownText().toStdString();
    QHelpEvent hover(QEvent::ToolTip, QPoint(5, 5), strip->mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(const_cast<vx::ElidedLabel*>(strip), &hover);
    EXPECT_EQ(QToolTip::text(), comment);
    window.aStop->trigger();
    ASSERT_TRUE(waitForEnd());
}

// A results page's tool bar shows what fits at the window's size and keeps the rest behind its
// extension button: neither runs, a re-execute nor the Tools button widen the window.
class ResultToolBarTest : public RunControlTest, public testing::WithParamInterface<const char*> {};

TEST_P(ResultToolBarTest, FitsOrOverflowsAndNeverWidensTheWindow) {
    window.ZybTranslator->SetLanguageByName(GetParam());
    window.show();
    QTest::qWait(50);
    const int width = window.width();
    addRows("xx");
    QList<int> widths;
    for (int run = 0; run < 2; ++run) {
        execute("PRINT 'x'", true);
        ASSERT_TRUE(waitForEnd());
        QCoreApplication::processEvents();
        widths << window.width();
    }
    TfSQLLoaderResult* page = window.ResultPage(0);
    page->aReExecute->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return page->aReExecute->isEnabled(); }, 60000));
    QCoreApplication::processEvents();
    widths << window.width();
    EXPECT_EQ(widths, QList<int>(3, width));

    // Every action has its button in view, or the extension button that offers it is.
    const auto* extension = page->ActionToolBar1->findChild<QToolButton*>("qt_toolbar_ext_button");
    const bool overflows = extension && extension->isVisible();
    QStringList unreachable;
    for (const QAction* action : {page->aReExecute, page->aCopy, page->aTools}) {
        bool shown = false;
        for (const QToolButton* button : page->ActionToolBar1->findChildren<QToolButton*>())
            shown = shown || (button->defaultAction() == action && button->isVisible());
        if (!shown && !overflows)
            unreachable << action->text();
    }
    EXPECT_EQ(unreachable, QStringList());
}

INSTANTIATE_TEST_SUITE_P(Languages, ResultToolBarTest, testing::Values("English", "Russian"));

// A page whose tab is opened only after its run shows what a page in view all along shows: the
// whole log from its end, the progress, the time and its texts in the run's language.
TEST_F(RunControlTest, APageInATabOpenedLaterShowsWholeInItsLanguage) {
    window.ZybTranslator->SetLanguageByName("Russian");
    window.show();
    addRows("xxx");
    execute("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 300) "
            "SELECT x FROM c",
            true);
    ASSERT_TRUE(waitForEnd());

    window.pcResult->setCurrentIndex(2);
    QCoreApplication::processEvents();
    const TfSQLLoaderResult* seen = window.ResultPage(0);
    const TfSQLLoaderResult* page = window.ResultPage(2);
    EXPECT_TRUE(page->isVisible());
    EXPECT_EQ(page->size(), window.pcResult->currentWidget()->size());
    EXPECT_EQ(page->reResult->geometry(), seen->reResult->geometry());
    EXPECT_EQ(log(2), log(0));
    EXPECT_EQ(texts(2).last(), "Завершено.");
    const qsizetype shownLines =
        page->reResult->document().lineCount() - page->reResult->firstVisibleLine();
    EXPECT_GT(page->reResult->firstVisibleLine(), 0);
    EXPECT_EQ(shownLines,
              seen->reResult->document().lineCount() - seen->reResult->firstVisibleLine());
    EXPECT_EQ(page->pb1->maximum(), seen->pb1->maximum());
    EXPECT_EQ(page->pb1->value(), seen->pb1->value());
    EXPECT_EQ(page->stTime->text().size(), seen->stTime->text().size());
    EXPECT_FALSE(page->stTime->text().isEmpty());
    const auto* button =
        qobject_cast<QToolButton*>(page->ActionToolBar1->widgetForAction(page->aReExecute));
    ASSERT_NE(button, nullptr);
    EXPECT_TRUE(button->isVisible());
    EXPECT_EQ(button->text(), "Выполнить повторно");
    EXPECT_EQ(page->stTime->toolTip(), "Времени прошло");
    EXPECT_EQ(page->pb1->toolTip(), "Полоска прогресса");
}

TEST_F(RunControlTest, WithoutAScriptOrATickNothingRuns) {
    addRows("x");
    execute("PRINT 'first'", true);
    ASSERT_TRUE(waitForEnd());

    execute("", true);
    EXPECT_EQ(window.pc->currentWidget(), window.tsScript);
    EXPECT_EQ(window.pcResult->count(), 1);

    window.Connections->setChecked(0, false);
    execute("\n", true);
    EXPECT_EQ(window.pc->currentWidget(), window.tsSettings);
    EXPECT_EQ(window.pcResult->count(), 0);
    EXPECT_TRUE(window.aExecute->isEnabled());
    QStringList texts;
    for (const auto& prompt : prompter.prompts())
        texts << prompt.text;
    EXPECT_EQ(texts, QStringList({"No script.", "No checked connections."}));
}

TEST_F(RunControlTest, ARowThatCannotRunIsAFailedPageAndTheRunEnds) {
    addRows("xx");
    window.Connections->update(0, "A", {dataSource, "a", "sa", "secret", "maybe"});
    for (bool parallel : {true, false}) {
        execute("SELECT name FROM t", parallel);
        ASSERT_TRUE(waitForEnd()) << (parallel ? "parallel" : "sequential");
        EXPECT_TRUE(log(0).contains(red("'maybe' is not a valid boolean value")));
        EXPECT_EQ(images().first(), Failure);
    }
    // In parallel the other row still ran.
    window.gbOnError->setItemIndex(emContinue);
    execute("SELECT name FROM t", true);
    ASSERT_TRUE(waitForEnd());
    EXPECT_EQ(images(), QList<int>({Failure, Success}));
}

// A password with a tab, which the settings file keeps plain, logs in as it stands in every kind
// of run, and the editor gives it back unchanged.
TEST_F(RunControlTest, APasswordWithATabLogsInInEveryKindOfRun) {
    tdsserver::TestServer guarded({std::vector<tdsserver::User>{{"sa", "se\tcret", {}}}});
    guarded.createDatabase("a");
    window.Connections->append(
        {"A",
         true,
         {QString::fromStdString(guarded.dataSource()), "a", "sa", "se\tcret", "False"}});
    window.Connections->setFocused(0);
    window.gbOnError->setItemIndex(emStop);
    const struct {
        const char* what;
        bool parallel;
        bool autoConnect;
        bool edited;
    } runs[] = {{"parallel", true, true, false},
                {"sequential", false, true, false},
                {"with the login window", false, false, false},
                {"after Edit then OK", true, true, true}};
    for (const auto& run : runs) {
        SCOPED_TRACE(run.what);
        if (run.edited) {
            vx::test::onNextModalOf<TfZybCustomDialog>(
                [](TfZybCustomDialog* dialog) { dialog->OkButton().Button()->click(); });
            window.aConnectEdit->trigger();
        }
        window.cbAutoConnect->setChecked(run.autoConnect);
        if (!run.autoConnect)
            vx::test::onNextModalOf<TfCrfLogin>([](TfCrfLogin* login) { login->bOk->click(); });
        execute("PRINT 'in'", run.parallel);
        ASSERT_TRUE(waitForEnd());
        EXPECT_EQ(images(), QList<int>{Success}) << texts(0).join('\n').toStdString();
    }
    EXPECT_EQ(window.Connections->at(0).subItems[ConnectionEntry::Password], "se\tcret");
}

TEST_F(RunControlTest, AReExecutedPageKeepsExecuteDisabledAndTheRunStillEnds) {
    // B's login waits on a server that never answers, until the connection timeout.
    const vx::test::StallingRelay silent;
    addRow("A", "a", true);
    addRow("B", "b", true);
    window.Connections->update(1, "B", {silent.dataSource(), "b", "sa", "secret", "False"});
    window.seConnectionTimeout->setValue(5);
    execute("PRINT 'quick'", true);
    ASSERT_TRUE(QTest::qWaitFor(
        [this] { return window.pcResult->count() == 2 && window.ResultPage(0)->Finished; }, 60000));
    ASSERT_FALSE(window.ResultPage(1)->Finished);

    window.ResultPage(0)->ZybScriptRunner->Script = {"WAITFOR DELAY '01:00:00'"};
    window.ResultPage(0)->aReExecute->trigger();
    ASSERT_TRUE(QTest::qWaitFor([this] { return window.ResultPage(1)->Finished; }, 60000));

    // The run has ended with B, but A runs again: Execute waits for it, and Stop reaches it.
    EXPECT_EQ(progress, QList<int>({1, 2, 0}));
    EXPECT_FALSE(window.aExecute->isEnabled());
    EXPECT_TRUE(window.aStop->isEnabled());
    window.aStop->trigger();
    ASSERT_TRUE(waitForEnd());
    EXPECT_FALSE(window.aStop->isEnabled());
    EXPECT_EQ(log(0).last(), LogLine{"Interrupted."});
}

TEST_F(RunControlTest, ClosingDuringARunStopsEveryPageAndEndsTheirWorkers) {
    vx::test::FakeSqlTool tool;
    tool.sleepFor(60000);
    addRows("xx");
    window.cbScriptExecutor->addItem("SQL 2005 tools", "sqlcmd");
    window.cbScriptExecutor->setCurrentIndex(window.cbScriptExecutor->count() - 1);
    execute("WAITFOR DELAY '01:00:00'", true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return tool.pid() > 0; }, 60000));

    window.close();
    for (int tab = 0; tab < window.pcResult->count(); ++tab)
        EXPECT_TRUE(window.ResultPage(tab)->Finished);
    EXPECT_EQ(::kill(pid_t(tool.pid()), 0), -1);
    EXPECT_TRUE(window.aExecute->isEnabled());
}

TEST_F(RunControlTest, ClosingNeverWaitsForAServerThatDoesNotAnswer) {
    const vx::test::StallingRelay silent;
    addRows("xx");
    window.Connections->update(1, "B", {silent.dataSource(), "b", "sa", "secret", "False"});
    window.seConnectionTimeout->setValue(0);
    execute("WAITFOR DELAY '01:00:00'", true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return silent.accepted() == 1; }, 60000));

    QElapsedTimer closing;
    closing.start();
    window.close();
    EXPECT_LT(closing.elapsed(), 30000); // about a second; never the server's time
    for (int tab = 0; tab < window.pcResult->count(); ++tab)
        EXPECT_EQ(log(tab).last(), LogLine{"Interrupted."});
}

TEST_F(RunControlTest, PagesThatFindNoFreeFileDescriptorFailWithAReason) {
#if defined(__SANITIZE_ADDRESS__) || __has_feature(address_sanitizer)
    GTEST_SKIP() << "the sanitizers' checks need file descriptors of their own";
#endif
    addRows("x");
    execute("PRINT 'warm'", true); // the driver is loaded before the limit
    ASSERT_TRUE(waitForEnd());
    for (int i = 0; i < 40; ++i)
        addRow(QStringLiteral("R%1").arg(i), "a", true);
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &old), 0);
    int open = 0;
    for (int fd = 0; fd < int(old.rlim_cur); ++fd)
        open += ::fcntl(fd, F_GETFD) != -1;
    rlimit tight = old;
    tight.rlim_cur = rlim_t(open + 12);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &tight), 0);

    execute("WAITFOR DELAY '00:00:00.500'", true);
    const bool ended = waitForEnd();
    ::setrlimit(RLIMIT_NOFILE, &old);
    ASSERT_TRUE(ended);
    int failed = 0;
    for (int tab = 0; tab < window.pcResult->count(); ++tab) {
        if (images()[tab] != Failure)
            continue;
        ++failed;
        const QList<LogLine> lines = log(tab);
        EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const LogLine& line) {
            return line.isError && !line.text.isEmpty();
        })) << testing::PrintToString(lines);
    }
    EXPECT_GT(failed, 0);
}

TEST_F(RunControlTest, TwoHundredParallelPagesEachHoldOnlyTheirOwnLines) {
    constexpr int count = 200;
    for (int i = 0; i < count; ++i) {
        const std::string db = "db" + std::to_string(i);
        server.createDatabase(db, "CREATE TABLE t(name text); INSERT INTO t VALUES('" + db + "');");
        addRow(QString::fromStdString(db), QString::fromStdString(db), true);
    }
    execute("SELECT name FROM t", true);
    ASSERT_TRUE(waitForEnd());
    ASSERT_EQ(window.pcResult->count(), count);
    for (int tab = 0; tab < count; ++tab) {
        const QString name = QStringLiteral("db%1").arg(tab);
        EXPECT_EQ(window.pcResult->tabText(tab), name);
        EXPECT_EQ(texts(tab).filter(QRegularExpression("^db")), QStringList{name});
        EXPECT_EQ(texts(tab).last(), "Completed.");
    }
    EXPECT_EQ(images(), QList<int>(count, Success));
}

} // namespace
