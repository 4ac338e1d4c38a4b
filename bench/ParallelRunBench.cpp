// A run of WAITFOR DELAY '00:00:01' on many connections of the TDS test server, from Execute to
// the run's end, with the longest wait of a 20 ms timer of the GUI thread meanwhile: in parallel
// mode the pages must start without freezing the window; the sequential figure shows what each
// connection costs on top of its script.
#include "ConnectionList.h"
#include "ProgramSandbox.h"
#include "WidgetBenchMain.h"
#include "tds_test_server.h"
#include "ufVornalex.h"

#include <QAction>
#include <QCheckBox>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <benchmark/benchmark.h>

#include <algorithm>

namespace {

void RunOnConnections(benchmark::State& state, bool parallel) {
    tdsserver::TestServer server;
    server.createDatabase("bench");
    vx::test::ProgramSandbox sandbox;
    TfVornalex window;
    window.show();
    const QString dataSource = QString::fromStdString(server.dataSource());
    for (int i = 0; i < state.range(0); ++i)
        window.Connections->append(
            {QStringLiteral("c%1").arg(i), true, {dataSource, "bench", "sa", "secret", "False"}});
    window.mScript->setPlainText(QStringLiteral("WAITFOR DELAY '00:00:01'"));
    window.cbParallel->setChecked(parallel);

    qint64 longestGap = 0;
    for (auto _ : state) {
        const LongestPause pause;
        window.aExecute->trigger();
        while (!window.aExecute->isEnabled())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        longestGap = std::max(longestGap, pause.milliseconds());
        if (window.pcResult->count() != (parallel ? state.range(0) : 1))
            state.SkipWithError("a page is missing");
    }
    state.counters["longest 20ms-timer gap ms"] = double(longestGap);
}

void ParallelRun(benchmark::State& state) {
    RunOnConnections(state, true);
}
BENCHMARK(ParallelRun)->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void SequentialRun(benchmark::State& state) {
    RunOnConnections(state, false);
}
BENCHMARK(SequentialRun)->Arg(10)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    return runWidgetBenchmarks(argc, argv);
}
