#include "DataAccess.h"
#include "QtPrinting.h"
#include "ScriptedPrompter.h"
#include "crfLogin.h"
#include "tds_test_server.h"

#include <QComboBox>
#include <gtest/gtest.h>

// The login against the TDS test server through unixODBC and the FreeTDS driver.
namespace {

tdsserver::TestServerOptions users() {
    return {std::vector<tdsserver::User>{{"sa", "secret", {}}, {"semi", "a;b", {}}}};
}

class LoginServerTest : public testing::Test {
protected:
    LoginServerTest() {
        server.createDatabase("sales");
        server.createDatabase("stock");
        setLoginArguments({"vornalex"});
        login.Connection = connection.get();
        login.SetServer(QString::fromStdString(server.dataSource()));
        login.SetDatabase("sales");
        login.SetUser("sa");
        login.SetPassword("secret");
    }

    QString currentDatabase() {
        const auto records = connection->execute("SELECT db_name()");
        return std::get<QString>(records->value(0));
    }

    tdsserver::TestServer server{users()};
    vx::test::ScriptedPrompter prompter;
    std::unique_ptr<vx::Connection> connection = vx::createConnection();
    TfCrfLogin login;
};

TEST_F(LoginServerTest, ConnectOpensTheDatabase) {
    login.Connect();
    ASSERT_TRUE(connection->isOpen());
    EXPECT_EQ(currentDatabase(), "sales");

    login.SetUser("semi");
    login.SetPassword("a;b");
    login.SetDatabase("stock");
    login.Connect();
    EXPECT_EQ(currentDatabase(), "stock");
}

TEST_F(LoginServerTest, ConnectFailsWithTheServersMessage) {
    login.SetPassword("wrong");
    try {
        login.Connect();
        FAIL() << "connected with a wrong password";
    } catch (const vx::DbError& e) {
        EXPECT_TRUE(e.message().contains("Login failed for user 'sa'."))
            << e.message().toStdString();
    }
    EXPECT_FALSE(connection->isOpen());
}

TEST_F(LoginServerTest, DatabaseListShowsTheServersDatabases) {
    login.eDBDropDown();
    QStringList names;
    for (int i = 0; i < login.eDB->count(); ++i)
        names << login.eDB->itemText(i);
    EXPECT_EQ(names, (QStringList{"master", "sales", "stock"}));
    EXPECT_FALSE(connection->isOpen());
}

TEST_F(LoginServerTest, RefusedLoginLeavesOneEmptyItemAndShowsTheError) {
    login.SetPassword("wrong");
    login.eDB->showPopup();
    login.eDB->hidePopup();
    EXPECT_EQ(login.eDB->count(), 1);
    EXPECT_EQ(login.eDB->itemText(0), QString());
    ASSERT_EQ(prompter.prompts().size(), 1);
    EXPECT_TRUE(prompter.prompts()[0].text.contains("Login failed for user 'sa'."));
}

} // namespace
