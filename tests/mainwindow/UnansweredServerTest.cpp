#include "LetGoThreads.h"
#include "PageDriver.h"
#include "ScriptedPrompter.h"
#include "StallingRelay.h"
#include "tds_test_server.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

#include <memory>

using vx::LogLine;
using vx::test::PageDriver;
using vx::test::StallingRelay;

// Stop and free with a server that does not answer: a listener that never replies to the login,
// or the test server behind a relay that freezes during a batch. Neither ever waits for the server:
// the page ends or goes at once and its worker finishes alone once the server is gone.
namespace {

struct Timeouts {
    const char* name;
    int connection;
    int command;
};

class UnansweredServerTest : public ::testing::TestWithParam<Timeouts> {
protected:
    UnansweredServerTest() {
        server.createDatabase("sales");
        page->OnErrorMode = emAsk; // a failure shown after the stop would ask
        page->Login->SetDatabase("sales");
        page->cADO->setConnectionTimeout(GetParam().connection);
        page->cADO->setCommandTimeout(GetParam().command);
    }

    ~UnansweredServerTest() override {
        // The server's end returns the drivers of the workers let go, which then end.
        relay.reset();
        EXPECT_TRUE(vx::waitForThreadsLetGo(std::chrono::minutes(1)));
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return server.server().activeConnections() == 0; }, 60000));
    }

    // Starts a run on a server that never answers the login.
    void startLogin() {
        relay = std::make_unique<StallingRelay>();
        page->Login->SetServer(relay->dataSource());
        driver->start({"PRINT 'one'"});
        ASSERT_TRUE(QTest::qWaitFor([&] { return relay->accepted() == 1; }, 60000));
    }

    // Starts a run whose server freezes during its second batch.
    void startBatch() {
        relay = std::make_unique<StallingRelay>(server.port());
        page->Login->SetServer(relay->dataSource());
        driver->start({"PRINT 'before'", "GO", "WAITFOR DELAY '00:00:20'", "GO", "PRINT 'after'"});
        ASSERT_TRUE(QTest::qWaitFor([&] { return driver->log().size() == 2; }, 60000));
        relay->freeze();
    }

    // Stops the page and returns how long it took to end.
    qint64 stop() {
        QElapsedTimer sinceStop;
        sinceStop.start();
        page->Stopped = true;
        EXPECT_TRUE(driver->waitUntilFinished());
        return sinceStop.elapsed();
    }

    // Frees the running page and returns how long that took.
    qint64 free() {
        QElapsedTimer freeing;
        freeing.start();
        driver.reset();
        return freeing.elapsed();
    }

    tdsserver::TestServer server;
    std::unique_ptr<StallingRelay> relay;
    vx::test::ScriptedPrompter prompter;
    std::unique_ptr<PageDriver> driver = std::make_unique<PageDriver>();
    TfSQLLoaderResult* page = &driver->page;
};

TEST_P(UnansweredServerTest, AStopDuringTheLoginEndsThePageInterrupted) {
    startLogin();
    EXPECT_LT(stop(), 2000);
    EXPECT_EQ(driver->log(),
              QList<LogLine>({{"Connecting " + relay->dataSource() + "..."}, {"Interrupted."}}));
    EXPECT_FALSE(page->Success);
    EXPECT_EQ(driver->finishes, 1);
    EXPECT_TRUE(prompter.prompts().isEmpty());
}

// The page goes on without the worker it let go: a new run has a connection of its own.
TEST_P(UnansweredServerTest, AStopDuringABatchEndsThePageInterruptedAndItCanRunAgain) {
    startBatch();
    EXPECT_LT(stop(), 2000);
    const QString connected = "Connected " + relay->dataSource();
    EXPECT_EQ(driver->log(), QList<LogLine>({{connected}, {"before"}, {"Interrupted."}}));
    EXPECT_FALSE(page->Success);
    EXPECT_FALSE(page->Completed);
    EXPECT_TRUE(prompter.prompts().isEmpty());

    const QString dataSource = QString::fromStdString(server.dataSource());
    page->Login->SetServer(dataSource);
    page->ZybScriptRunner->Script = QStringList{"PRINT 'again'"};
    page->aReExecute->trigger();
    ASSERT_TRUE(driver->waitUntilFinished());
    EXPECT_EQ(driver->log(),
              QList<LogLine>({{"Connected " + dataSource}, {"again"}, {"Completed."}}));
}

TEST_P(UnansweredServerTest, APageFreedDuringTheLoginGoesAtOnce) {
    startLogin();
    EXPECT_LT(free(), 100);
}

TEST_P(UnansweredServerTest, APageFreedDuringABatchGoesAtOnce) {
    startBatch();
    EXPECT_LT(free(), 100);
}

INSTANTIATE_TEST_SUITE_P(Timeouts, UnansweredServerTest,
                         ::testing::Values(Timeouts{"Default", 15, 30}, Timeouts{"None", 0, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
