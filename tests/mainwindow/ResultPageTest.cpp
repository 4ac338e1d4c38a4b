#include "FakeConnection.h"
#include "Format.h"
#include "LetGoThreads.h"
#include "ModalDriver.h"
#include "PageDriver.h"
#include "ScriptedPrompter.h"
#include "TextFit.h"
#include "uTZybTranslator.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QToolBar>
#include <gtest/gtest.h>

#include <atomic>
#include <optional>

using vx::LogLine;
using vx::test::ErrorModeCase;
using vx::test::errorModeCaseName;
using vx::test::errorModeCases;
using vx::test::FakeBatch;
using vx::test::red;

namespace {

const QString loginFailed = QStringLiteral("Login failed for user 'sa'.");
const QString badObject = QStringLiteral("Invalid object name 'x'.");

// The fake server comes first: the page makes its connection from it.
class ResultPageTest : public ::testing::Test {
protected:
    ResultPageTest() {
        server.respond("PRINT 'one'", FakeBatch().message("one"));
        server.respond("bad", FakeBatch().error(badObject));
        server.respond("PRINT 'three'", FakeBatch().message("three"));
    }

    // A worker let go by a freed page uses the fake server until it ends.
    ~ResultPageTest() override { EXPECT_TRUE(vx::waitForThreadsLetGo(std::chrono::minutes(1))); }

    QList<vx::test::ScriptedPrompter::Prompt> questions() const { return prompter.prompts(); }

    vx::test::FakeServer server;
    vx::test::ScriptedPrompter prompter;
    vx::test::PageDriver driver;
    TfSQLLoaderResult& page = driver.page;
};

const QStringList threeBatches = {"PRINT 'one'", "GO", "bad", "GO", "PRINT 'three'"};

TEST_F(ResultPageTest, ASuccessfulRunShowsTheConnectedLineTheOutputAndCompleted) {
    EXPECT_TRUE(page.stTime->text().isEmpty());
    ASSERT_TRUE(driver.run({"PRINT 'one'", "GO", "PRINT 'three'", "go"}));

    EXPECT_EQ(driver.log(),
              QList<LogLine>({{"Connected srv1"}, {"one"}, {"three"}, {"Completed."}}));
    EXPECT_TRUE(page.Success);
    EXPECT_TRUE(page.Completed);
    EXPECT_EQ(driver.finishes, 1);
    EXPECT_TRUE(page.Thread.isNull());
    EXPECT_TRUE(page.aReExecute->isEnabled());
    EXPECT_EQ(server.openConnections(), 0) << "the page's connection is closed after its run";
    EXPECT_EQ(server.openedConnectionStrings().value(0),
              "Provider=SQLOLEDB.1;Persist Security Info=False;Data Source=srv1;"
              "Initial Catalog=sales;User ID=sa;Password=secret");
    EXPECT_EQ(page.pb1->value(), 0);
    EXPECT_EQ(page.pb1->maximum(), 4);
    EXPECT_EQ(page.stComment->text(), "");
    EXPECT_TRUE(
        QRegularExpression("^\\d+:\\d\\d\\.\\d\\d\\d$").match(page.stTime->text()).hasMatch())
        << page.stTime->text().toStdString();
}

TEST_F(ResultPageTest, WithoutPrintMessagesOnlyConnectionErrorAndFinalLinesShow) {
    page.PrintMessages = false;
    page.OnErrorMode = emContinue;
    ASSERT_TRUE(driver.run(threeBatches));
    EXPECT_EQ(driver.log(),
              QList<LogLine>({{"Connected srv1"}, red(badObject), {""}, {"Completed."}}));
}

TEST_F(ResultPageTest, AnAbortErrorStopsTheScriptInEveryMode) {
    server.respond("bad", FakeBatch().error("ABORT"));
    page.OnErrorMode = emContinue;
    ASSERT_TRUE(driver.run(threeBatches));
    EXPECT_EQ(driver.log().last(), LogLine{"Interrupted."});
    EXPECT_TRUE(questions().isEmpty());
}

class ConnectionFailureTest : public ResultPageTest,
                              public ::testing::WithParamInterface<ErrorModeCase> {};

// A page that never ran its script is interrupted, whatever the sequential chain does next.
TEST_P(ConnectionFailureTest, ThePageIsInterruptedWhileTheChainFollowsTheErrorMode) {
    const ErrorModeCase& c = GetParam();
    driver.setErrorMode(c, prompter);
    server.failOpen(loginFailed);
    ASSERT_TRUE(driver.run(threeBatches));

    EXPECT_EQ(driver.log(),
              QList<LogLine>({{"Connecting srv1..."}, red(loginFailed), {"Interrupted."}}));
    EXPECT_FALSE(page.Completed);
    EXPECT_EQ(page.Success, c.goesOn);
    EXPECT_EQ(questions().size(), c.answer ? 1 : 0);
    if (c.answer) {
        EXPECT_EQ(questions()[0].text, vx::format(SErrorContinue, {loginFailed}));
    }
    EXPECT_TRUE(server.batches().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Modes, ConnectionFailureTest, errorModeCases(), errorModeCaseName);

TEST_F(ResultPageTest, WithoutTheRightsCheckNoRightsQueryIsSent) {
    ASSERT_TRUE(driver.run({"PRINT 'one'"}));
    EXPECT_EQ(server.batches(), QStringList{"PRINT 'one'\r\n"});
}

TEST_F(ResultPageTest, WithoutAutomaticConnectionTheLoginWindowAsksForTheConnection) {
    setLoginArguments({"vornalex"});
    page.AutoConnect = false;
    vx::test::onNextModalOf<TfCrfLogin>([](TfCrfLogin* dialog) {
        dialog->eServer->setText("srv9");
        dialog->bOk->click();
    });
    ASSERT_TRUE(driver.run({"PRINT 'one'"}));
    EXPECT_EQ(driver.log(), QList<LogLine>({{"Connected srv9"}, {"one"}, {"Completed."}}));
    EXPECT_TRUE(server.openedConnectionStrings().value(0).contains("Data Source=srv9;"));
}

// Parallel pages get their connection without a login window; one made later shows it.
TEST_F(ResultPageTest, APageGivenItsConnectionAloneRunsOnItAndALaterLoginWindowShowsIt) {
    TfSQLLoaderResult alone;
    alone.AutoConnect = true;
    alone.Login.setDefinition({"srv7", "db7", "u7", "p7", false});
    alone.ZybScriptRunner->Script = {"PRINT 'one'"};
    alone.StartRun();
    ASSERT_TRUE(QTest::qWaitFor([&] { return alone.Finished; }, 60000));
    EXPECT_EQ(alone.Login.made(), nullptr);
    EXPECT_EQ(server.openedConnectionStrings().value(0),
              "Provider=SQLOLEDB.1;Persist Security Info=False;Data Source=srv7;"
              "Initial Catalog=db7;User ID=u7;Password=p7");
    EXPECT_EQ(QStringList({alone.Login->GetServer(), alone.Login->GetDatabase(),
                           alone.Login->GetUser(), alone.Login->GetPassword()}),
              QStringList({"srv7", "db7", "u7", "p7"}));
}

TEST_F(ResultPageTest, GivingUpTheLoginInterruptsTheRunWithoutAnErrorLine) {
    setLoginArguments({"vornalex"});
    page.AutoConnect = false;
    vx::test::onNextModalOf<TfCrfLogin>([](TfCrfLogin* dialog) { dialog->bCancel->click(); });
    ASSERT_TRUE(driver.run({"PRINT 'one'"}));
    EXPECT_EQ(driver.log(), QList<LogLine>({{"Connecting srv1..."}, {"Interrupted."}}));
    EXPECT_FALSE(page.Success);
}

TEST_F(ResultPageTest, APageStoppedBeforeItsStartConnectsButRunsNothing) {
    page.Stopped = true;
    ASSERT_TRUE(driver.run(threeBatches));
    EXPECT_EQ(driver.log(), QList<LogLine>({{"Connecting srv1..."}, {"Interrupted."}}));
    EXPECT_TRUE(server.batches().isEmpty());
    EXPECT_FALSE(page.Success);
}

// The chain keeps the outcome a stopped run had, but the page shows that its script did not end.
// The batch's message, not shown when the stop came, is counted instead.
TEST_F(ResultPageTest, AStopDuringTheScriptEndsItAtTheNextBatchAsInterrupted) {
    server.respond("PRINT 'one'",
                   FakeBatch().message("one").action([this] { page.Stopped = true; }));
    ASSERT_TRUE(driver.run(threeBatches));
    EXPECT_EQ(driver.log(), QList<LogLine>({{"Connected srv1"},
                                            {"Lines not shown: 1 (the run was stopped)."},
                                            {"Interrupted."}}));
    EXPECT_EQ(server.batches(), QStringList{"PRINT 'one'\r\n"});
    EXPECT_TRUE(page.Success);
    EXPECT_FALSE(page.Completed);
    EXPECT_EQ(server.openConnections(), 0);
}

TEST_F(ResultPageTest, AStopCancelsTheRunningBatchWhoseFailureThenStaysSilent) {
    server.respond("PRINT 'one'", FakeBatch()
                                      .action([this] {
                                          page.Stopped = true;
                                          for (int i = 0; i < 6000 && !server.cancelRequests(); ++i)
                                              QThread::msleep(10);
                                      })
                                      .error("Operation canceled"));
    ASSERT_TRUE(driver.run(threeBatches));
    EXPECT_GT(server.cancelRequests(), 0);
    EXPECT_EQ(driver.log(), QList<LogLine>({{"Connected srv1"}, {"Interrupted."}}));
    EXPECT_TRUE(questions().isEmpty()) << "in mode Ask a shown failure would ask";
}

TEST_F(ResultPageTest, ReexecuteClearsTheLogRunsAgainAndReportsNoEnd) {
    ASSERT_TRUE(driver.run({"PRINT 'one'"}));
    QList<bool> running;
    QObject::connect(&page, &TfSQLLoaderResult::runningChanged,
                     [&](bool isRunning) { running << isRunning; });
    page.Stopped = true;
    page.Login->SetServer("srv2");
    page.aReExecute->trigger();
    EXPECT_FALSE(page.aReExecute->isEnabled());
    EXPECT_FALSE(page.Finished);
    ASSERT_TRUE(driver.waitUntilFinished());

    EXPECT_EQ(driver.log(), QList<LogLine>({{"Connected srv2"}, {"one"}, {"Completed."}}));
    EXPECT_TRUE(page.ReExecuted);
    EXPECT_EQ(driver.finishes, 1);
    EXPECT_EQ(running, QList<bool>({true, false})) << "the main window still learns of its end";
    EXPECT_TRUE(page.aReExecute->isEnabled());
}

TEST_F(ResultPageTest, TheToolsButtonShowsOnlyWithAToolsHandlerAndCallsIt) {
    // Wide enough for every button: the bar lays them out once shown.
    page.resize(800, 300);
    page.show();
    const auto buttonShown = [this] {
        QApplication::processEvents();
        const QWidget* button = page.ActionToolBar1->widgetForAction(page.aTools);
        return button && button->isVisible();
    };
    ASSERT_TRUE(driver.run({"PRINT 'one'"}));
    EXPECT_FALSE(page.aTools->isVisible());
    EXPECT_FALSE(buttonShown());

    QList<QObject*> senders;
    page.OnTools = [&](QObject* sender) { senders << sender; };
    ASSERT_TRUE(driver.run({"PRINT 'one'"}));
    EXPECT_TRUE(page.aTools->isVisible());
    EXPECT_TRUE(buttonShown());
    page.aTools->trigger();
    EXPECT_EQ(senders, QList<QObject*>{&page});
}

class ResultPageTexts : public ResultPageTest, public testing::WithParamInterface<const char*> {};

TEST_P(ResultPageTexts, APageOfAParallelRunShowsItsWholeTexts) {
    page.ZybTranslator->SetLanguageByName(GetParam());
    page.ZybTranslator->ApplyLanguage();
    page.aTools->setVisible(true);
    page.resize(435, 500);
    page.show();
    ASSERT_TRUE(driver.run(threeBatches));
    QApplication::processEvents();
    const QStringList clipped = vx::test::clippedTexts(&page);
    EXPECT_TRUE(clipped.isEmpty()) << clipped.join('\n').toStdString();
}

INSTANTIATE_TEST_SUITE_P(Languages, ResultPageTexts, testing::Values("English", "Russian"));

TEST_F(ResultPageTest, TheFinalLinesFollowThePageLanguage) {
    page.ZybTranslator->SetLanguageByName("Russian");
    page.ZybTranslator->ApplyLanguage();
    EXPECT_EQ(page.aReExecute->text(), "Выполнить повторно");
    EXPECT_EQ(page.stTime->toolTip(), "Времени прошло");
    page.OnErrorMode = emStop;
    ASSERT_TRUE(driver.run(threeBatches));
    EXPECT_EQ(driver.log().first(), LogLine{"Подсоединение произведено srv1"});
    EXPECT_EQ(driver.log().last(), LogLine{"Прервано."});
}

TEST_F(ResultPageTest, ARunThatCannotStartEndsAsAFailedRun) {
    QList<bool> running;
    QObject::connect(&page, &TfSQLLoaderResult::runningChanged,
                     [&](bool isRunning) { running << isRunning; });
    page.FailRun("'maybe' is not a valid boolean value");
    EXPECT_EQ(running, QList<bool>({true, false}));
    EXPECT_TRUE(page.Finished);
    EXPECT_FALSE(page.Success);
    EXPECT_EQ(driver.finishes, 1);
    EXPECT_EQ(driver.log(),
              QList<LogLine>({red("'maybe' is not a valid boolean value"), {"Interrupted."}}));
}

struct DropCase {
    const char* language;
    const char* note; // a pattern of the line, capturing the count
    const char* interrupted;
};

void PrintTo(const DropCase& c, std::ostream* out) {
    *out << c.language;
}

class ResultPageStopTest : public ResultPageTest, public testing::WithParamInterface<DropCase> {};

// A stop reaches a page whose queue is full: what was not shown yet is dropped and counted in one
// line in the page's language, and the page ends as interrupted.
TEST_P(ResultPageStopTest, AStopDropsTheLinesNotShownYetAndSaysHowMany) {
    const DropCase& c = GetParam();
    page.ZybTranslator->SetLanguageByName(c.language);
    page.ZybTranslator->ApplyLanguage();
    constexpr qint64 rows = 60000;
    std::atomic<qint64> made = 0;
    server.respond("SELECT n FROM t",
                   FakeBatch().generatedResult({{"n", vx::adInteger, 10}}, rows,
                                               [&](qint64 row, FakeBatch::Row& values) {
                                                   values[0] = row;
                                                   made = row + 1;
                                               }));
    ASSERT_TRUE(driver.run({"SELECT n FROM t"}));
    // Connecting, then header and dashes and a line a row; a page keeps the logs of its runs.
    const qsizetype before = driver.log().size();
    ASSERT_EQ(before, 3 + rows + 1);

    made = 0;
    driver.start({"SELECT n FROM t"});
    // Nothing is shown meanwhile: the worker fills its queue and waits for room.
    while (made < 15000)
        QThread::msleep(5);
    QThread::msleep(100);
    page.Stopped = true;
    ASSERT_TRUE(driver.waitUntilFinished());

    const QList<LogLine> log = driver.log();
    ASSERT_GE(log.size(), 2);
    EXPECT_EQ(log.last(), LogLine{c.interrupted});
    const QRegularExpressionMatch note = QRegularExpression(c.note).match(log[log.size() - 2].text);
    ASSERT_TRUE(note.hasMatch()) << testing::PrintToString(log.mid(log.size() - 3));
    // The stop cancelled the batch: the worker sent the rows made before it.
    EXPECT_EQ(log.size() - 2 - before + note.captured(1).toLongLong(), 3 + made)
        << "shown and dropped";
    EXPECT_GT(note.captured(1).toLongLong(), 0);
    EXPECT_FALSE(page.Completed);
}

INSTANTIATE_TEST_SUITE_P(
    Languages, ResultPageStopTest,
    testing::Values(DropCase{"English", "^Lines not shown: (\\d+) \\(the run was stopped\\)\\.$",
                             "Interrupted."},
                    DropCase{"Russian",
                             "^Не показано строк: (\\d+) \\(выполнение остановлено\\)\\.$",
                             "Прервано."}),
    [](const testing::TestParamInfo<DropCase>& info) { return std::string(info.param.language); });

// A freed page does not wait: its worker stops on its own, closes its connection and goes.
TEST_F(ResultPageTest, AFreedRunningPageLetsItsWorkerFinishAlone) {
    auto* running = new TfSQLLoaderResult;
    running->AutoConnect = true;
    for (int i = 0; i < 2000; ++i)
        running->ZybScriptRunner->Script << "PRINT 'one'"
                                         << "GO";
    running->StartRun();
    const QPointer<TSQLLoaderThread> worker = running->Thread;
    delete running;
    ASSERT_TRUE(QTest::qWaitFor([&] { return worker.isNull(); }, 60000));
    EXPECT_LT(server.batches().size(), 2000);
    EXPECT_EQ(server.openConnections(), 0);
}

TEST_F(ResultPageTest, AFreedPageCancelsTheBatchItsWorkerRuns) {
    std::atomic<bool> inBatch = false;
    server.respond("PRINT 'one'", FakeBatch()
                                      .action([&] {
                                          inBatch = true;
                                          for (int i = 0; i < 6000 && !server.cancelRequests(); ++i)
                                              QThread::msleep(10);
                                      })
                                      .error("Operation canceled"));
    auto* running = new TfSQLLoaderResult;
    running->AutoConnect = true;
    running->ZybScriptRunner->Script << "PRINT 'one'";
    running->StartRun();
    ASSERT_TRUE(QTest::qWaitFor([&] { return bool(inBatch); }, 60000));
    delete running;
    EXPECT_GT(server.cancelRequests(), 0);
}

// The login window stays with a worker that asks for the connection, and goes with it.
TEST_F(ResultPageTest, AFreedPageWhoseWorkerAsksForTheLoginDoesNotLock) {
    setLoginArguments({"vornalex"});
    auto* running = new TfSQLLoaderResult;
    running->AutoConnect = false;
    running->ZybScriptRunner->Script << "PRINT 'one'";
    const QPointer<TfCrfLogin> login = running->Login.window();
    vx::test::onNextModalOf<TfCrfLogin>([](TfCrfLogin* dialog) { dialog->bCancel->click(); });
    running->StartRun();
    const QPointer<TSQLLoaderThread> worker = running->Thread;
    delete running;
    ASSERT_TRUE(QTest::qWaitFor([&] { return worker.isNull() && login.isNull(); }, 60000));
}

} // namespace
