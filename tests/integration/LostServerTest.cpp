#include "QtPrinting.h"
#include "ServerSession.h"

#include <gtest/gtest.h>

using namespace vx;
using namespace vx::test;

// Batches that the server does not finish: the runner reports an error, goes on as told and never
// hangs or crashes.

namespace {

// A server of its own for each test, as some tests stop it.
class LostServer : public ::testing::Test {
protected:
    static std::unique_ptr<tdsserver::TestServer> startServer() {
        auto server = std::make_unique<tdsserver::TestServer>();
        server->createDatabase("shop", "CREATE TABLE items(id int, name nvarchar(20));"
                                       "INSERT INTO items VALUES(1, 'tea');");
        return server;
    }

    std::unique_ptr<tdsserver::TestServer> server = startServer();
    std::unique_ptr<OdbcConnection> connection = openConnection(*server, "shop");
    RecordingRunner session{*connection, continueOnError};
};

TEST_F(LostServer, BatchOverTheCommandTimeoutFailsAndTheNextOneRuns) {
    connection->setCommandTimeout(1);
    EXPECT_TRUE(session.run({"WAITFOR DELAY '00:00:10'", "GO", "SELECT name FROM items"}));
    EXPECT_EQ(session.output(),
              QStringList({"E(Timeout expired,0,1)", "M(name\t)", "M(----\t)", "M(tea\t)"}));
}

TEST_F(LostServer, ConnectionDroppedBetweenResultsFailsThisBatchAndTheNext) {
    EXPECT_TRUE(session.run({"SELECT id FROM items", "SHUTDOWN WITH NOWAIT", "GO", "PRINT 'x'"}));
    EXPECT_EQ(session.output(),
              QStringList({"M(id\t)", "M(--\t)", "M(1\t)", "E(Unexpected EOF from the server,0,1)",
                           "E(Communication link failure,0,1)"}));
}

TEST_F(LostServer, ServerGoneBetweenBatchesIsACommunicationLinkFailureAtOnce) {
    EXPECT_TRUE(session.run({"PRINT 'one'"}));
    server->stop();
    EXPECT_TRUE(session.run({"PRINT 'two'", "GO", "PRINT 'three'"}));
    EXPECT_EQ(session.output(), QStringList({"E(Communication link failure,0,1)",
                                             "E(Communication link failure,0,1)"}));
}

TEST_F(LostServer, ServerStoppedInTheMiddleOfALargeResult) {
    server->createBenchTable("shop", "big", 200000);
    qint64 lines = 0;
    session.runner.OnMessage = [&](QObject*, const QString&) {
        if (++lines == 100)
            server->stop();
    };
    EXPECT_TRUE(session.run({"SELECT * FROM big", "GO", "SELECT 1"}));
    EXPECT_LT(lines, 200002);
    EXPECT_EQ(session.output(), QStringList({"E(Unexpected EOF from the server,0,1)",
                                             "E(Communication link failure,0,1)"}));
}

} // namespace
