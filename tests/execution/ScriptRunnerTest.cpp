#include "ErrorText.h"
#include "FakeConnection.h"
#include "QtPrinting.h"
#include "ScriptedPrompter.h"
#include "uTZybScriptRunner.h"

#include <gtest/gtest.h>

using namespace vx;
using vx::test::FakeBatch;
using vx::test::FakeServer;

namespace {

class ScriptRunner : public ::testing::Test {
protected:
    ScriptRunner() {
        connection->open("Data Source=s;User ID=u;Password=p");
        runner.Connection = connection.get();
        runner.OnProgress = [this](QObject* sender, int pos, int max, const QString& comment) {
            EXPECT_EQ(sender, &runner);
            events << QString("P(%1,%2,%3)").arg(pos).arg(max).arg(comment);
        };
        runner.OnMessage = [this](QObject*, const QString& s) { events << "M(" + s + ")"; };
    }

    bool run(const QStringList& lines) {
        runner.Script = lines;
        return runner.Execute();
    }

    // Records OnError and answers with the given flags (or leaves the presets).
    void onError(std::optional<std::pair<bool, bool>> answer = {}) {
        runner.OnError = [this, answer](QObject*, const QString& err, bool& brk, bool& ask) {
            events << QString("E(%1,%2,%3)").arg(err).arg(brk).arg(ask);
            if (answer)
                std::tie(brk, ask) = *answer;
        };
    }

    FakeServer server;
    std::unique_ptr<Connection> connection = server.connect();
    TZybScriptRunner runner;
    QStringList events;
};

TEST_F(ScriptRunner, FourLineExampleGivesItsEventsInOrder) {
    server.respond("PRINT 'x'", FakeBatch().message("x"));
    server.respond("SELECT 1 AS a", FakeBatch().result({{"a", adInteger, 10}}, {{qint64(1)}}));
    EXPECT_TRUE(run({"PRINT 'x'", "GO", "SELECT 1 AS a", "go"}));
    EXPECT_EQ(events,
              QStringList({"P(0,4,)", "P(1,4,PRINT 'x')", "M(x)", "P(3,4,SELECT 1 AS a)",
                           "M(a          )", "M(---------- )", "M(1          )", "P(0,4,)"}));
    EXPECT_EQ(server.batches(), QStringList({"PRINT 'x'\r\n", "SELECT 1 AS a\r\n"}));
}

struct BatchingCase {
    const char* name;
    QStringList lines;
    QStringList progress; // every progress report, in order
    QStringList batches;  // every executed batch
};

void PrintTo(const BatchingCase& c, std::ostream* out) {
    *out << c.name;
}

class Batching : public ScriptRunner, public ::testing::WithParamInterface<BatchingCase> {};

TEST_P(Batching, CutsAtSeparatorLinesAndReportsEveryBatch) {
    runner.OnMessage = nullptr;
    EXPECT_TRUE(run(GetParam().lines));
    EXPECT_EQ(events, GetParam().progress);
    EXPECT_EQ(server.batches(), GetParam().batches);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Batching,
    ::testing::Values(
        BatchingCase{"EmptyScript", {}, {"P(0,0,)", "P(0,0,)"}, {}},
        BatchingCase{"NoSeparatorIsOneBatchAtTheLastLine",
                     {"a", "  b", "c  "},
                     {"P(0,3,)", "P(2,3,a)", "P(0,3,)"},
                     {"a\r\n  b\r\nc  \r\n"}},
        BatchingCase{"SeparatorAsLastLineAddsNoBatch",
                     {"a", "GO"},
                     {"P(0,2,)", "P(1,2,a)", "P(0,2,)"},
                     {"a\r\n"}},
        BatchingCase{"SeparatorsInAnyCaseBetweenBlanksAndControls",
                     {"a", "go", "b", "  Go\t", "c", "\x01gO\x1f", "d"},
                     {"P(0,7,)", "P(1,7,a)", "P(3,7,b)", "P(5,7,c)", "P(6,7,d)", "P(0,7,)"},
                     {"a\r\n", "b\r\n", "c\r\n", "d\r\n"}},
        BatchingCase{"LinesThatOnlyLookLikeSeparators",
                     {"a", "GO 5", "GO;", "GOTO x", "-- GO", "G O", "GO\x7f", "\u00A0GO"},
                     {"P(0,8,)", "P(7,8,a)", "P(0,8,)"},
                     {"a\r\nGO 5\r\nGO;\r\nGOTO x\r\n-- GO\r\nG O\r\nGO\x7f\r\n\u00A0GO\r\n"}},
        BatchingCase{"EmptyBatchesReportThePreviousFirstLine",
                     {"GO", "a", "GO", "GO", "b"},
                     {"P(0,5,)", "P(0,5,)", "P(2,5,a)", "P(3,5,a)", "P(4,5,b)", "P(0,5,)"},
                     {"a\r\n", "b\r\n"}},
        BatchingCase{"BlankLinesAreNotExecutedButOpenTheBatch",
                     {"", "\t", "GO", "", "x", "GO"},
                     {"P(0,6,)", "P(2,6,)", "P(5,6,)", "P(0,6,)"},
                     {"\r\nx\r\n"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ScriptRunner, ResultSetsWithoutColumnsGiveNoLinesAndEmptyOnesGiveTheirHeader) {
    server.respond("q", FakeBatch()
                            .noColumns()
                            .result({{"id", adInteger, 4}})
                            .message("after first")
                            .noColumns()
                            .result({{"v", adVarChar, 3}}, {{QString("abc")}, {QString()}}));
    EXPECT_TRUE(run({"q"}));
    EXPECT_EQ(events, QStringList({"P(0,1,)", "P(0,1,q)", "M(id         )", "M(---------- )",
                                   "M(v          )", "M(---------- )", "M(abc        )",
                                   "M(           )", "M(after first)", "P(0,1,)"}));
}

TEST_F(ScriptRunner, NoRecordsDropsResultLinesButKeepsMessages) {
    runner.NoRecords = true;
    server.respond("q", FakeBatch().result({{"a", adInteger, 4}}, {{qint64(1)}}).message("m"));
    EXPECT_TRUE(run({"q"}));
    EXPECT_EQ(events, QStringList({"P(0,1,)", "P(0,1,q)", "M(m)", "P(0,1,)"}));
    EXPECT_EQ(server.executions().at(0).mode, ExecuteMode::NoRecords);
}

TEST_F(ScriptRunner, LinesAndMessagesBeforeAnErrorComeBeforeIt) {
    server.respond("bad", FakeBatch()
                              .message("one")
                              .result({{"a", adInteger, 4}}, {{qint64(1)}, {qint64(2)}})
                              .failAfterRows(1, "Divide by zero error encountered.")
                              .message("never"));
    onError({{false, false}});
    EXPECT_TRUE(run({"bad", "GO", "next"}));
    EXPECT_EQ(events,
              QStringList({"P(0,3,)", "P(1,3,bad)", "M(a          )", "M(---------- )",
                           "M(1          )", "M(one)", "E(Divide by zero error encountered.,0,1)",
                           "P(2,3,next)", "P(0,3,)"}));
    EXPECT_EQ(server.batches().size(), 2);
}

// What the error protocol does with each answer a handler or the user may give.
struct ErrorCase {
    const char* name;
    QString error;
    std::optional<std::pair<bool, bool>> handler; // OnError's answer (ABreak, AAsk)
    std::optional<bool> onAsk;                    // OnAsk's answer; none: the prompter asks
    bool promptAnswer;
    bool result;
    bool asked;
};

void PrintTo(const ErrorCase& c, std::ostream* out) {
    *out << c.name;
}

class ErrorProtocol : public ScriptRunner, public ::testing::WithParamInterface<ErrorCase> {};

TEST_P(ErrorProtocol, DecidesWhetherTheRunGoesOn) {
    const ErrorCase& c = GetParam();
    server.respond("bad", FakeBatch().error(c.error));
    test::ScriptedPrompter prompter;
    prompter.answerOkCancel(c.promptAnswer);
    if (c.handler)
        onError(c.handler);
    int asks = 0;
    if (c.onAsk)
        runner.OnAsk = [&](QObject*, const QString& question, TZybAskType type, bool& answer) {
            EXPECT_EQ(question, "Возникла ошибка: \"" + c.error + "\"\r\nПродолжить выполнение?");
            EXPECT_EQ(type, qtError);
            ++asks;
            answer = *c.onAsk;
        };
    EXPECT_EQ(run({"bad", "GO", "next"}), c.result);
    asks += int(prompter.prompts().size());
    EXPECT_EQ(asks, c.asked ? 1 : 0);
    EXPECT_EQ(server.batches().size(), c.result ? 2 : 1);
    EXPECT_EQ(events.last(), "P(0,3,)");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ErrorProtocol,
    ::testing::Values(
        ErrorCase{
            "UnhandledAskedAndContinued", "Invalid object name 't'.", {}, {}, true, true, true},
        ErrorCase{
            "UnhandledAskedAndCancelled", "Invalid object name 't'.", {}, {}, false, false, true},
        ErrorCase{"HandlerContinues", "x", std::pair{false, false}, {}, false, true, false},
        ErrorCase{"HandlerStops", "x", std::pair{true, false}, {}, true, false, false},
        ErrorCase{"HandlerAsksStopWins", "x", std::pair{true, true}, {}, true, false, false},
        ErrorCase{"OnAskContinues", "x", {}, true, false, true, true},
        ErrorCase{"OnAskStops", "x", {}, false, true, false, true},
        ErrorCase{"AbortStopsWithoutAsking", "abort", {}, {}, true, false, false},
        ErrorCase{"AbortInAnyCase", "ABORT", {}, {}, true, false, false},
        ErrorCase{
            "HandlerMayOverrideAbort", "abort", std::pair{false, false}, {}, false, true, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ScriptRunner, ErrorQuestionWithoutOnAskIsAnOkCancelErrorBox) {
    setApplicationTitle("Vornalex");
    server.respond("bad", FakeBatch().error("50% off"));
    test::ScriptedPrompter prompter;
    EXPECT_FALSE(run({"bad"}));
    ASSERT_EQ(prompter.prompts().size(), 1);
    EXPECT_EQ(prompter.prompts().at(0).icon, PromptIcon::Error);
    EXPECT_EQ(prompter.prompts().at(0).caption, "Vornalex");
    EXPECT_EQ(prompter.prompts().at(0).text,
              "Возникла ошибка: \"50% off\"\r\nПродолжить выполнение?");
    setApplicationTitle({});
}

TEST_F(ScriptRunner, SilentStopRaisedInsideABatchReadsAbortAndStops) {
    server.respond("q", FakeBatch().result({{"a", adInteger, 4}}, {{qint64(1)}}));
    runner.OnMessage = [](QObject*, const QString&) { vx::abort(); };
    onError();
    EXPECT_FALSE(run({"q", "GO", "next"}));
    EXPECT_TRUE(events.contains("E(abort,1,0)"));
    EXPECT_EQ(server.batches().size(), 1);
}

TEST_F(ScriptRunner, StopFromProgressRunsTheEndStepAndReachesTheCaller) {
    const auto report = runner.OnProgress;
    runner.OnProgress = [&](QObject* sender, int pos, int max, const QString& comment) {
        report(sender, pos, max, comment);
        if (pos == 3)
            vx::abort();
    };
    runner.Script = {"a", "GO", "b", "GO", "c"};
    EXPECT_THROW(runner.Execute(), EAbort);
    EXPECT_EQ(events, QStringList({"P(0,5,)", "P(1,5,a)", "P(3,5,b)", "P(0,5,)"}));
    EXPECT_EQ(server.batches(), QStringList{"a\r\n"});
}

TEST_F(ScriptRunner, StopFoundAtTheEndStepReachesTheCaller) {
    int reports = 0;
    runner.OnProgress = [&](QObject*, int, int, const QString&) {
        if (++reports == 3)
            throw Error("stop at the end");
    };
    runner.Script = {"a"};
    EXPECT_EQ(test::errorText([&] { runner.Execute(); }), "stop at the end");
    EXPECT_EQ(server.batches(), QStringList{"a\r\n"});
}

TEST_F(ScriptRunner, ExceptionFromTheErrorHandlerReachesTheCallerAfterTheEndStep) {
    server.respond("bad", FakeBatch().error("x"));
    runner.OnError = [](QObject*, const QString&, bool&, bool&) { throw Error("handler failed"); };
    runner.Script = {"bad", "GO", "next"};
    EXPECT_THROW(runner.Execute(), Error);
    EXPECT_EQ(events.last(), "P(0,3,)");
    EXPECT_EQ(server.batches().size(), 1);
}

TEST_F(ScriptRunner, ClosedConnectionFailsTheBatchThroughTheErrorProtocol) {
    connection->close();
    onError({{false, false}});
    EXPECT_TRUE(run({"a"}));
    EXPECT_TRUE(events.contains("E(The connection is not open.,0,1)"));
}

TEST_F(ScriptRunner, TabLayoutAndMaxFieldLengthReachTheRendering) {
    runner.TabDelimiter = true;
    runner.MaxFieldLength = 3;
    server.respond("q", FakeBatch().result({{"name", adVarChar, 50}}, {{QString("abcdef")}}));
    EXPECT_TRUE(run({"q"}));
    EXPECT_EQ(events.mid(2, 3), QStringList({"M(name\t)", "M(----\t)", "M(abc\t)"}));
}

} // namespace
