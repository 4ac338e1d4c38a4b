#include "OdbcConnection.h"
#include "ErrorText.h"
#include "QtPrinting.h"

#include <gtest/gtest.h>

using namespace vx;

// What the ODBC connection does without any server: the driver's own failures reach the caller
// as clear errors, without the driver's prefix.

namespace {

const QString closedPort =
    "Provider=SQLOLEDB.1;Persist Security Info=False;Data Source=127.0.0.1,1;Initial "
    "Catalog=master;User ID=sa;Password=x";

TEST(OdbcConnection, UnreachableServerGivesTheDriversMessage) {
    OdbcConnection connection;
    connection.setConnectionTimeout(5);
    EXPECT_TRUE(
        test::errorText([&] { connection.open(closedPort); }).startsWith("Unable to connect"));
    EXPECT_FALSE(connection.isOpen());
}

TEST(OdbcConnection, MissingDriverIsNamedInTheError) {
    qputenv("VORNALEX_ODBC_DRIVER", "/nonexistent/libnodriver.so");
    OdbcConnection connection;
    EXPECT_TRUE(test::errorText([&] {
                    connection.open(closedPort);
                }).contains("/nonexistent/libnodriver.so"));
    qunsetenv("VORNALEX_ODBC_DRIVER");
}

TEST(OdbcConnection, BadConnectionStringIsRefusedBeforeTheDriverSeesIt) {
    OdbcConnection connection;
    EXPECT_THROW(connection.open("Data Source=s;Server=t"), Error);
    EXPECT_THROW(connection.open("Data Source=s;User ID=u;Password= {x}"), Error);
}

TEST(OdbcConnection, ClosedConnectionRefusesBatches) {
    OdbcConnection connection;
    EXPECT_EQ(test::errorText([&] { connection.execute("SELECT 1", ExecuteMode::Records); }),
              "The connection is not open.");
    connection.close();
    EXPECT_TRUE(connection.takeMessages().isEmpty());
}

} // namespace
