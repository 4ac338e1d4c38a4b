// A worker sends a million lines to a results page: how fast the page takes them, how much memory
// the process needs at its peak, and how long a 20 ms timer of the GUI thread is kept waiting.
#include "FakeConnection.h"
#include "LogView.h"
#include "WidgetBenchMain.h"
#include "ufSQLLoaderResult.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <algorithm>

namespace {

// The process's peak resident memory in MB.
double peakMemoryMB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024;
    return 0;
}

void PageTakesLinesFromAWorker(benchmark::State& state) {
    const qint64 rows = state.range(0);
    vx::test::FakeServer server;
    const QString query = QStringLiteral("SELECT line FROM big");
    server.respond(query, vx::test::FakeBatch().generatedResult(
                              {{QStringLiteral("line"), vx::adVarChar, 80}}, rows,
                              [](qint64 row, vx::test::FakeBatch::Row& values) {
                                  values[0] =
                                      QStringLiteral("row %1 of the benchmark's result set, "
                                                     "long enough to look like real output")
                                          .arg(row);
                              }));
    qint64 lines = 0;
    qint64 longestGap = 0;
    for (auto _ : state) {
        TfSQLLoaderResult page;
        page.resize(900, 600);
        page.show();
        QCoreApplication::processEvents(); // as the main window shows a page before its run
        page.AutoConnect = true;
        page.PrintMessages = true;
        page.ZybScriptRunner->Script = QStringList{query};

        QElapsedTimer sinceTick;
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout,
                         [&] { longestGap = std::max(longestGap, sinceTick.restart()); });
        timer.start(20);
        sinceTick.start();
        page.StartRun();
        while (!page.Finished)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        timer.stop();
        lines = page.reResult->document()->blockCount();
    }
    state.counters["lines"] = double(lines);
    state.counters["lines/s"] =
        benchmark::Counter(double(lines), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["peak MB"] = peakMemoryMB();
    state.counters["longest 20ms-timer gap ms"] = double(longestGap);
}
BENCHMARK(PageTakesLinesFromAWorker)
    ->Arg(1000000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    return runWidgetBenchmarks(argc, argv);
}
