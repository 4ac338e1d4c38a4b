#include "ExternalTool.h"
#include "FakeConnection.h"
#include "FakeSqlTool.h"
#include "PageDriver.h"
#include "ScriptedPrompter.h"
#include "uZybUtils.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <optional>

using vx::LogLine;
using vx::test::red;

namespace {

// Pages running the stand-in tool, with their temporary files in a folder of the test's own.
class ExternalToolTest : public ::testing::Test {
protected:
    ExternalToolTest() {
        SetTempRoot(m_tempRoot.path());
        page.ExecutorApp = QStringLiteral("sqlcmd");
        page.Login->SetTrusted(true);
    }
    ~ExternalToolTest() override {
        EXPECT_EQ(QDir(GetTempDir()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                  QStringList())
            << "temporary files are removed in every outcome";
        SetTempRoot(QString());
    }

    QTemporaryDir m_tempRoot;
    vx::test::FakeServer server; // no connection may be opened on this route
    vx::test::FakeSqlTool tool;
    vx::test::ScriptedPrompter prompter;
    vx::test::PageDriver driver;
    TfSQLLoaderResult& page = driver.page;
};

TEST_F(ExternalToolTest, TheToolGetsTheScriptFileAndTheConnectionWithWindowsAuthentication) {
    ASSERT_TRUE(driver.run({"PRINT 1", "GO"}));

    const QStringList arguments = tool.arguments();
    ASSERT_EQ(arguments.size(), 9);
    EXPECT_EQ(arguments.mid(0, 5), QStringList({"-S", "srv1", "-d", "sales", "-E"}));
    EXPECT_EQ(arguments[5], "-i");
    EXPECT_EQ(arguments[7], "-o");
    const QString script = arguments[6];
    EXPECT_EQ(QFileInfo(script).absolutePath() + "/", GetTempDir());
    EXPECT_TRUE(QFileInfo(script).fileName().startsWith("vx_"));
    EXPECT_EQ(arguments[8], script.chopped(4) + ".log");
    EXPECT_EQ(tool.script(), "PRINT 1\r\nGO\r\n");
    EXPECT_EQ(tool.password(), std::nullopt);
    EXPECT_TRUE(server.openedConnectionStrings().isEmpty());
}

TEST_F(ExternalToolTest, ThePasswordTravelsInTheEnvironmentNeverAmongTheArguments) {
    const QString password = QStringLiteral("p\"w d;x -o /tmp/evil");
    page.Login->SetTrusted(false);
    page.Login->SetServer("srv 1");
    page.Login->SetPassword(password);
    page.OnErrorMode = emStop;
    ASSERT_TRUE(driver.run({"PRINT 1"}));

    const QStringList arguments = tool.arguments();
    EXPECT_EQ(arguments.mid(0, 7), QStringList({"-S", "srv 1", "-d", "sales", "-U", "sa", "-b"}));
    EXPECT_EQ(arguments.size(), 11);
    EXPECT_EQ(tool.password(), password);
    for (const QString& argument : arguments)
        EXPECT_FALSE(argument.contains("p\"w")) << argument.toStdString();
}

TEST(SqlToolCommandTest, OnlySqlcmdStopsAtTheFirstErrorAndOnlyInStopMode) {
    ConnectionDefinition connection{"srv", "db", "u", "pw", false};
    EXPECT_TRUE(vx::sqlToolCommand("sqlcmd", connection, true, "s", "o").arguments.contains("-b"));
    EXPECT_TRUE(vx::sqlToolCommand("/opt/x/SQLCMD.exe", connection, true, "s", "o")
                    .arguments.contains("-b"));
    EXPECT_FALSE(
        vx::sqlToolCommand("sqlcmd", connection, false, "s", "o").arguments.contains("-b"));
    EXPECT_FALSE(vx::sqlToolCommand("isqlw", connection, true, "s", "o").arguments.contains("-b"));
}

struct ToolOutcome {
    const char* name;
    std::optional<QByteArray> output;
    int exitCode;
    int signal;
    QList<LogLine> log;
};

void PrintTo(const ToolOutcome& outcome, std::ostream* out) {
    *out << outcome.name;
}

class ToolOutcomeTest : public ExternalToolTest,
                        public ::testing::WithParamInterface<ToolOutcome> {};

TEST_P(ToolOutcomeTest, TheExitCodeLineAndTheOutputFileGoIntoTheLog) {
    const ToolOutcome& outcome = GetParam();
    if (outcome.output)
        tool.setOutput(*outcome.output);
    tool.setExitCode(outcome.exitCode);
    if (outcome.signal)
        tool.killItselfWith(outcome.signal);
    ASSERT_TRUE(driver.run({"PRINT 1"}));

    EXPECT_EQ(driver.log(), outcome.log);
    const bool success = !outcome.log.first().isError;
    EXPECT_EQ(page.Success, success);
    EXPECT_EQ(page.Completed, success);
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, ToolOutcomeTest,
    ::testing::Values(
        ToolOutcome{
            "Success",
            QByteArray("a\r\nb\nc\rd\n\xd0\xaf\r\n"),
            0,
            0,
            {{"Exit code: 0 (Success)"}, {"a"}, {"b"}, {"c"}, {"d"}, {"Я"}, {"Completed."}}},
        ToolOutcome{"Failure",
                    QByteArray("Msg 208\n"),
                    3,
                    0,
                    {red("Exit code: 3 (No such process)"), {"Msg 208"}, {"Interrupted."}}},
        ToolOutcome{
            "NoOutputFile", std::nullopt, 0, 0, {{"Exit code: 0 (Success)"}, {"Completed."}}},
        ToolOutcome{
            "EmptyOutputFile", QByteArray(), 0, 0, {{"Exit code: 0 (Success)"}, {"Completed."}}},
        ToolOutcome{"WindowsCodePage",
                    QByteArray("\xcf\xf0\xe8\xe2\xe5\xf2"),
                    0,
                    0,
                    {{"Exit code: 0 (Success)"}, {"Привет"}, {"Completed."}}},
        ToolOutcome{"KilledBySignal",
                    std::nullopt,
                    0,
                    SIGTERM,
                    {red("Exit code: 143 (Terminated)"), {"Interrupted."}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ExternalToolTest, AStopEndsTheRunningToolAtItsNextPoll) {
    tool.sleepFor(60000);
    driver.start({"PRINT 1"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return tool.ran(); }, 60000));
    page.Stopped = true;
    ASSERT_TRUE(driver.waitUntilFinished());

    EXPECT_EQ(driver.log(),
              QList<LogLine>({red("Exit code: 1 (Operation not permitted)"), {"Interrupted."}}));
    EXPECT_FALSE(page.Success);
    EXPECT_NE(::kill(pid_t(tool.pid()), 0), 0) << "the tool is gone";
}

TEST_F(ExternalToolTest, APageStoppedBeforeItsStartNeverStartsTheTool) {
    page.Stopped = true;
    ASSERT_TRUE(driver.run({"PRINT 1"}));
    EXPECT_EQ(driver.log(), QList<LogLine>({{"Interrupted."}}));
    EXPECT_FALSE(tool.ran());
    EXPECT_FALSE(page.Success);
}

TEST_F(ExternalToolTest, AToolThatCannotStartIsAFailureHandledByTheErrorMode) {
    page.ExecutorApp = QStringLiteral("vx-no-such-tool");
    page.OnErrorMode = emContinue;
    ASSERT_TRUE(driver.run({"PRINT 1"}));
    EXPECT_EQ(driver.log(), QList<LogLine>({red("No such file or directory"), {"Interrupted."}}));
    EXPECT_TRUE(page.Success) << "Continue lets the sequential chain go on";
    EXPECT_FALSE(page.Completed);
}

TEST_F(ExternalToolTest, AnOutputFileThatCannotBeReadGivesOneRedLine) {
    const QString missing = QDir(m_tempRoot.path()).filePath("missing.log");
    QList<LogLine> log;
    const auto addLine = [&](const QString& text, bool isError) { log.append({text, isError}); };
    vx::LoadOutputFile(missing, addLine);
    vx::LoadOutputFile(m_tempRoot.path(), addLine);
    ASSERT_EQ(log.size(), 1);
    EXPECT_TRUE(log[0].isError);
    EXPECT_TRUE(log[0].text.endsWith(": " + m_tempRoot.path())) << log[0].text.toStdString();
}

} // namespace
