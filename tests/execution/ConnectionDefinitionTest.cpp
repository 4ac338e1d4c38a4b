#include "ConnectionDefinition.h"
#include "ConnectionString.h"
#include "DataAccess.h"
#include "FakeConnection.h"

#include <gtest/gtest.h>

namespace {

const QString prefix = "Provider=SQLOLEDB.1;Persist Security Info=False;Data Source=";

struct StringCase {
    ConnectionDefinition definition;
    bool catalog;
    QString expected;
};

class ConnectionStringTest : public testing::TestWithParam<StringCase> {};

TEST_P(ConnectionStringTest, Builds) {
    EXPECT_EQ(GetParam().definition.BuildConnectionString(GetParam().catalog),
              prefix + GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Logins, ConnectionStringTest,
    testing::Values(
        StringCase{
            {"srv", "db", "sa", "pw"}, true, "srv;Initial Catalog=db;User ID=sa;Password=pw"},
        StringCase{{"srv", "db", "sa", "pw"}, false, "srv;User ID=sa;Password=pw"},
        StringCase{{"srv", "db", "sa", "pw", true},
                   true,
                   "srv;Initial Catalog=db;Integrated Security=SSPI;"},
        StringCase{{"srv", "db", "", "", true}, false, "srv;Integrated Security=SSPI;"},
        StringCase{{"srv", "db", "sa", ""}, true, "srv;Initial Catalog=db;User ID=sa;Password="},
        StringCase{{"h,1433", "db", "sa", "a;b"},
                   true,
                   "h,1433;Initial Catalog=db;User ID=sa;Password=a;b"},
        StringCase{
            {"srv", "a;b", "sa", "pw"}, true, "srv;Initial Catalog=a;b;User ID=sa;Password=pw"},
        // Only a value whose ";" would end it early, or that starts with a quote, is quoted.
        StringCase{{"srv", "shop;User ID=guest", "sa", "pw"},
                   true,
                   "srv;Initial Catalog=\"shop;User ID=guest\";User ID=sa;Password=pw"},
        StringCase{{"srv", "\"q\"", "s\"a;Password=x", "pw"},
                   true,
                   "srv;Initial Catalog=\"\"\"q\"\"\";User ID=\"s\"\"a;Password=x\";Password=pw"}));

TEST(ConnectionDefinition, DataAccessReadsBackEveryValue) {
    const ConnectionDefinition definitions[] = {
        {"h\\inst", "my db", "sa", "a;b=c; "},
        {"srv", "shop;User ID=guest", "sa", "pw"},
        {"srv", "x;Integrated Security=SSPI", "sa", "pw"},
        {"srv", "db", "sa;Password=x", "real"},
        {"srv;Initial Catalog=other", "db", "sa", "pw"},
        {"srv", "\"db", "\"sa", "\";User ID=z"},
        {"srv", "\"a\";b=1;", "u\"\";", "p"},
        {"srv", "x;", "; ", "\""},
    };
    for (const ConnectionDefinition& definition : definitions) {
        const QString text = definition.GetConnectionString();
        const vx::ConnectionParameters read = vx::parseConnectionString(text);
        EXPECT_EQ(read.server, definition.server) << text.toStdString();
        EXPECT_EQ(read.database, definition.database) << text.toStdString();
        EXPECT_EQ(read.user, definition.user) << text.toStdString();
        EXPECT_EQ(read.password, definition.password) << text.toStdString();
        EXPECT_FALSE(read.integratedSecurity) << text.toStdString();
    }
}

TEST(ConnectionDefinition, ConnectOpensWithItsTimeouts) {
    vx::test::FakeServer server;
    const auto connection = vx::createConnection();
    const ConnectionDefinition definition{"srv", "db", "sa", "pw", false, 3, 0};
    definition.Connect(*connection);
    EXPECT_TRUE(connection->isOpen());
    EXPECT_EQ(connection->connectionTimeout(), 3);
    EXPECT_EQ(connection->commandTimeout(), 0);
    EXPECT_EQ(server.openedConnectionStrings(), QStringList{definition.GetConnectionString()});

    server.failOpen("Login failed for user 'sa'.");
    EXPECT_THROW(definition.Connect(*connection), vx::DbError);
    EXPECT_FALSE(connection->isOpen());
}

struct SwitchCase {
    QStringList arguments;
    ConnectionDefinition expected;
    bool connects;
};

class LoginSwitchesTest : public testing::TestWithParam<SwitchCase> {};

// Applied over an entry that uses Windows authentication, so that every field shows a change.
TEST_P(LoginSwitchesTest, AppliesToTheEntry) {
    ConnectionDefinition definition{"old", "olddb", "ou", "op", true};
    const LoginSwitches switches =
        parseLoginSwitches(QStringList{"vornalex"} + GetParam().arguments);
    switches.applyTo(definition);
    EXPECT_EQ(definition, GetParam().expected);
    EXPECT_EQ(switches.canConnect(), GetParam().connects);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, LoginSwitchesTest,
    testing::Values(
        SwitchCase{{}, {"old", "olddb", "ou", "op", true}, false},
        SwitchCase{{"-s", "S", "-d", "D", "-u", "U", "-p", "P"}, {"S", "D", "U", "P"}, true},
        SwitchCase{{"-s", "S", "-d", "D"}, {"S", "D", "ou", "op"}, false},
        SwitchCase{{"-s", "S"}, {"S", "olddb", "ou", "op"}, false},
        SwitchCase{{"-s", "S", "-d", "D", "-t"}, {"S", "D", "ou", "op", true}, true},
        SwitchCase{{"-t", "-d", "D", "-s", "S"}, {"S", "D", "ou", "op", true}, true},
        SwitchCase{{"-d", "D", "-s"}, {"old", "D", "ou", "op", true}, false},
        SwitchCase{{"-s", "A", "-u", "U", "-s", "B", "-d", "D"}, {"B", "D", "U", "op"}, true},
        SwitchCase{{"-p", "-t"}, {"old", "olddb", "ou", "-t", true}, false},
        SwitchCase{{"-s", "-d", "D"}, {"-d", "D", "ou", "op"}, false},
        SwitchCase{
            {"-S", "S", "-D", "D", "-U", "U", "-T"}, {"old", "olddb", "ou", "op", true}, false},
        SwitchCase{{"-s", "", "-d", "D", "-u", ""}, {"old", "D", "ou", "op", true}, false}));

TEST(LoginSwitches, TheProgramItselfIsNoSwitch) {
    EXPECT_FALSE(parseLoginSwitches({"-t"}).trusted);
    EXPECT_EQ(parseLoginSwitches({"-s", "S"}).server, QString());
}

TEST(LoginSwitches, OnlyTheFirstLoginOfTheProcessGetsThem) {
    setLoginArguments({"vornalex", "-s", "S", "-d", "D", "-t"});
    EXPECT_TRUE(takeLoginSwitches().canConnect());
    const LoginSwitches later = takeLoginSwitches();
    EXPECT_TRUE(later.server.isEmpty());
    EXPECT_FALSE(later.trusted);
}

} // namespace
