#include "Format.h"
#include "PageDriver.h"
#include "ScriptedPrompter.h"
#include "tds_test_server.h"

#include <QAction>
#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <gtest/gtest.h>

#include <memory>
#include <optional>

using vx::LogLine;
using vx::test::ErrorModeCase;
using vx::test::errorModeCaseName;
using vx::test::errorModeCases;
using vx::test::PageDriver;
using vx::test::red;

// Results pages against the TDS test server, through unixODBC and the FreeTDS driver.
namespace {

tdsserver::TestServerOptions users() {
    return {std::vector<tdsserver::User>{{"sa", "secret", {}},
                                         {"owner", "secret", {"db_owner"}},
                                         {"admin", "secret", {"db_ddladmin", "db_securityadmin"}},
                                         {"ddl", "secret", {"db_ddladmin"}}}};
}

class ResultPageServerTest : public ::testing::Test {
protected:
    ResultPageServerTest() {
        server.createDatabase("sales", "CREATE TABLE t(id int, name nvarchar(10));"
                                       "INSERT INTO t VALUES(1, 'first');");
        connectTo(driver, "sales");
    }

    void connectTo(PageDriver& page, const char* database) {
        page.page.Login->SetServer(dataSource);
        page.page.Login->SetDatabase(database);
    }

    QString connected() const { return "Connected " + dataSource; }
    // Only mode Ask asks, with the error icon and the page's caption.
    void expectQuestion(const ErrorModeCase& c, const QString& question) {
        ASSERT_EQ(prompter.prompts().size(), c.answer ? 1 : 0);
        if (!c.answer)
            return;
        EXPECT_EQ(prompter.prompts()[0].text, question);
        EXPECT_EQ(prompter.prompts()[0].caption, "srv1 page");
        EXPECT_EQ(prompter.prompts()[0].icon, vx::PromptIcon::Error);
    }

    tdsserver::TestServer server{users()};
    const QString dataSource = QString::fromStdString(server.dataSource());
    vx::test::ScriptedPrompter prompter;
    PageDriver driver;
    TfSQLLoaderResult& page = driver.page;
};

const QStringList threeBatches = {"PRINT 'one'", "GO", "SELECT * FROM x", "GO", "PRINT 'three'"};

TEST_F(ResultPageServerTest, ARunShowsResultSetsAndMessagesAndCopiesTheLog) {
    ASSERT_TRUE(driver.run({"SELECT id, name FROM t", "PRINT 'done'"}));
    EXPECT_EQ(driver.log(), QList<LogLine>({{connected()},
                                            {"id         name       "},
                                            {"---------- ---------- "},
                                            {"1          first      "},
                                            {"done"},
                                            {"Completed."}}));
    EXPECT_TRUE(page.Success);

    page.aCopy->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), page.reResult->toPlainText());
    EXPECT_FALSE(page.reResult->document().hasSelection());
    page.reResult->setSelection({4, 0}, {4, 4});
    page.aCopy->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "done");
}

class ServerErrorModeTest : public ResultPageServerTest,
                            public ::testing::WithParamInterface<ErrorModeCase> {};

TEST_P(ServerErrorModeTest, AScriptErrorFollowsTheErrorMode) {
    const ErrorModeCase& c = GetParam();
    driver.setErrorMode(c, prompter);
    ASSERT_TRUE(driver.run(threeBatches));

    const QString error = QStringLiteral("Invalid object name 'x'.");
    EXPECT_EQ(driver.log(), vx::test::scriptErrorLog(connected(), error, c.goesOn));
    EXPECT_EQ(page.Success, c.goesOn);
    EXPECT_EQ(page.Completed, c.goesOn);
    expectQuestion(c, vx::format(SErrorContinue, {error}));
}

INSTANTIATE_TEST_SUITE_P(Modes, ServerErrorModeTest, errorModeCases(), errorModeCaseName);

class ServerRightsTest : public ResultPageServerTest,
                         public ::testing::WithParamInterface<ErrorModeCase> {};

TEST_P(ServerRightsTest, AUserWithoutTheRightsFollowsTheErrorMode) {
    const ErrorModeCase& c = GetParam();
    page.CheckDBO = true;
    page.Login->SetUser("ddl");
    driver.setErrorMode(c, prompter);
    ASSERT_TRUE(driver.run({"PRINT 'ran'"}));

    EXPECT_EQ(driver.log(), c.goesOn ? QList<LogLine>({{connected()}, {"ran"}, {"Completed."}})
                                     : QList<LogLine>({{connected()}, {"Interrupted."}}));
    expectQuestion(c, "Check db_owner or db_ddladmin + db_securityadmin rights failed. Continue?");
}

INSTANTIATE_TEST_SUITE_P(Modes, ServerRightsTest, errorModeCases(), errorModeCaseName);

TEST_F(ResultPageServerTest, OwnersAndAdministratorsPassTheRightsCheckSilently) {
    page.CheckDBO = true;
    page.OnErrorMode = emStop;
    for (const char* user : {"owner", "admin"}) {
        page.Login->SetUser(user);
        page.reResult->clearLog();
        ASSERT_TRUE(driver.run({"PRINT 'ran'"}));
        EXPECT_EQ(driver.log(), QList<LogLine>({{connected()}, {"ran"}, {"Completed."}})) << user;
    }
}

TEST_F(ResultPageServerTest, AWrongPasswordIsShownInRed) {
    page.OnErrorMode = emStop;
    page.Login->SetPassword("wrong");
    ASSERT_TRUE(driver.run({"PRINT 'one'"}));
    const QList<LogLine> log = driver.log();
    ASSERT_EQ(log.size(), 3);
    EXPECT_EQ(log[0], LogLine{"Connecting " + dataSource + "..."});
    EXPECT_TRUE(log[1].isError);
    EXPECT_TRUE(log[1].text.contains("Login failed for user 'sa'.")) << log[1].text.toStdString();
    EXPECT_EQ(log[2], LogLine{"Interrupted."});
}

TEST_F(ResultPageServerTest, AStopEndsALongWaitforAtOnce) {
    driver.start({"PRINT 'before'", "GO", "WAITFOR DELAY '00:00:25'", "GO", "PRINT 'after'"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return driver.log().size() >= 2; }, 60000));
    QTest::qWait(200); // into the WAITFOR
    QElapsedTimer sinceStop;
    sinceStop.start();
    page.Stopped = true;
    ASSERT_TRUE(driver.waitUntilFinished());
    // A second when the machine is idle; the margin is for a loaded one.
    EXPECT_LT(sinceStop.elapsed(), 10000);
    EXPECT_EQ(driver.log(), QList<LogLine>({{connected()}, {"before"}, {"Interrupted."}}));
}

TEST_F(ResultPageServerTest, ReexecuteRunsAgainOnAnEmptyLog) {
    ASSERT_TRUE(driver.run({"PRINT 'one'"}));
    page.aReExecute->trigger();
    ASSERT_TRUE(driver.waitUntilFinished());
    EXPECT_EQ(driver.log(), QList<LogLine>({{connected()}, {"one"}, {"Completed."}}));
    EXPECT_EQ(driver.finishes, 1);
}

TEST_F(ResultPageServerTest, TwentyPagesRunAtOnceEachWithItsOwnLines) {
    constexpr int pages = 20;
    std::vector<std::unique_ptr<PageDriver>> drivers;
    for (int i = 0; i < pages; ++i) {
        const std::string database = "db" + std::to_string(i);
        server.createDatabase(database, "CREATE TABLE t(name nvarchar(10));"
                                        "INSERT INTO t VALUES('" +
                                            database + "');");
        drivers.push_back(std::make_unique<PageDriver>(QString::fromStdString(database)));
        connectTo(*drivers.back(), database.c_str());
        drivers.back()->start({"SELECT name FROM t", "GO", "PRINT db_name()"});
    }
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return std::all_of(drivers.begin(), drivers.end(),
                               [](const auto& d) { return d->page.Finished; });
        },
        120000));
    for (int i = 0; i < pages; ++i) {
        const QString database = "db" + QString::number(i);
        EXPECT_EQ(drivers[i]->log(), QList<LogLine>({{connected()},
                                                     {"name       "},
                                                     {"---------- "},
                                                     {database.leftJustified(11)},
                                                     {database},
                                                     {"Completed."}}));
    }
}

} // namespace
