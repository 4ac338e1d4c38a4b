// How fast the script runner renders a large result set of mixed types, in both layouts. The rows
// come one at a time from the in-memory fake connection, so the figure is the runner's own cost;
// the peak resident memory shows that no row is kept.
#include "FakeConnection.h"
#include "uTZybScriptRunner.h"

#include <benchmark/benchmark.h>
#include <sys/resource.h>

using namespace vx;
using vx::test::FakeBatch;

namespace {

constexpr qint64 RowCount = 1000000;

const QList<FieldInfo> fields = {
    {"id", adInteger, 10},     {"name", adVarWChar, 50},
    {"amount", adNumeric, 12}, {"created", adDBTimeStamp, 23},
    {"active", adBoolean, 1},  {"ratio", adDouble, 53},
    {"uid", adGUID, 16},       {"note", adVarChar, 1000},
    {"hash", adVarBinary, 8},
};

void fillRow(qint64 row, FakeBatch::Row& values) {
    static const QUuid uid = QUuid::createUuid();
    static const QString note = QString(300, u'n');
    values[0] = row;
    values[1] = QStringLiteral("customer number %1").arg(row);
    values[2] = QStringLiteral("1234.56");
    values[3] = DateTimeValue{2024, 1 + int(row % 12), 1 + int(row % 28), 12, 30, 45, 123000000};
    values[4] = row % 2 == 0;
    values[5] = double(row) / 7.0;
    values[6] = uid;
    values[7] = row % 5 == 0 ? FieldValue() : FieldValue(note);
    values[8] = QByteArray("\x01\x02\x03\x04\x05\x06\x07\x08", 8);
}

long peakResidentMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

void RenderMillionRows(benchmark::State& state) {
    test::FakeServer server;
    server.respond("SELECT * FROM big", FakeBatch().generatedResult(fields, RowCount, fillRow));
    auto connection = server.connect();
    connection->open({});
    TZybScriptRunner runner;
    runner.Connection = connection.get();
    runner.TabDelimiter = state.range(0) != 0;
    qint64 lines = 0, characters = 0;
    runner.OnMessage = [&](QObject*, const QString& line) {
        ++lines;
        characters += line.size();
    };
    for (auto _ : state)
        benchmark::DoNotOptimize(runner.ExecuteLines({"SELECT * FROM big"}));
    state.SetLabel(runner.TabDelimiter ? "tab layout" : "fixed layout");
    state.counters["rows/s"] =
        benchmark::Counter(double(state.iterations() * RowCount), benchmark::Counter::kIsRate);
    state.counters["chars/line"] = double(characters) / double(lines);
    state.counters["peak_MB"] = double(peakResidentMegabytes());
}
BENCHMARK(RenderMillionRows)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
