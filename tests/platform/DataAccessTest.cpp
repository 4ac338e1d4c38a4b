#include "DataAccess.h"
#include "FakeConnection.h"
#include "QtPrinting.h"

#include <gtest/gtest.h>

using namespace vx;
using vx::test::FakeBatch;
using vx::test::FakeServer;

TEST(DataAccess, FactoryMakesTheInstalledConnectionsAndDatabasesAreListed) {
    FakeServer server;
    server.setDatabases({"master", "sales", "База"});
    std::unique_ptr<Connection> connection = createConnection();
    connection->open("Data Source=s;User ID=u;Password=p");
    EXPECT_EQ(server.openConnections(), 1);
    EXPECT_EQ(listDatabases(*connection), QStringList({"master", "sales", "База"}));
    EXPECT_EQ(server.batches(), QStringList{databaseListQuery});
    connection->close();
    EXPECT_EQ(server.openConnections(), 0);
}

TEST(DataAccess, FakeWalksResultsMessagesAndErrorsInOrder) {
    FakeServer server;
    server.respond("batch", FakeBatch()
                                .message("first")
                                .result({{"a", adInteger, 10}}, {{qint64(1)}, {qint64(2)}})
                                .noColumns()
                                .message("second")
                                .error("boom"));
    auto connection = server.connect();
    connection->open({});
    auto records = connection->execute("batch\r\n");
    ASSERT_TRUE(records);
    EXPECT_EQ(connection->takeMessages(), QStringList{"first"});
    EXPECT_EQ(std::get<qint64>(records->value(0)), 1);
    records->moveNext();
    EXPECT_EQ(std::get<qint64>(records->value(0)), 2);
    records->moveNext();
    EXPECT_TRUE(records->eof());
    ASSERT_TRUE(records->nextRecordset());
    EXPECT_EQ(records->fieldCount(), 0);
    EXPECT_THROW(records->nextRecordset(), DbError);
    EXPECT_EQ(connection->takeMessages(), QStringList{"second"});
    EXPECT_EQ(connection->execute("other"), nullptr);
}
