// A run of WAITFOR DELAY '00:00:01' on many connections of the TDS test server, from Execute to
// the run's end, with the longest wait of a 20 ms timer of the GUI thread meanwhile: in parallel
// mode the pages must start without freezing the window; the sequential figure shows what each
// connection costs on top of its script.
// ParallelStart: the time from Execute until every page of a parallel run has started, beside
// the time that adding as many bare tabs, one widget each, to a tab widget of the same window
// takes; the start should take at most twice the reference. Beside it, the GUI thread's CPU time
// during the start.
#include "ConnectionList.h"
#include "ProgramSandbox.h"
#include "RadioGroup.h"
#include "ScriptedPrompter.h"
#include "WidgetBenchMain.h"
#include "tds_test_server.h"
#include "ufVornalex.h"

#include "ufSQLLoaderResult.h"

#include <QAction>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <memory>

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

// Adds `count` tabs holding an empty widget each to a tab widget set up and placed like the
// window's results tabs, and lets the window paint them: the reference for a parallel start.
qint64 addBareTabs(TfVornalex& window, int count) {
    QTabWidget tabs(window.tsResults);
    tabs.setUsesScrollButtons(true);
    tabs.setElideMode(Qt::ElideRight);
    tabs.setGeometry(window.pcResult->geometry());
    tabs.show();
    QCoreApplication::processEvents();
    QElapsedTimer adding;
    adding.start();
    for (int i = 0; i < count; ++i)
        tabs.addTab(new QWidget, window.ilResult[0], QStringLiteral("c%1").arg(i));
    QCoreApplication::processEvents();
    return adding.elapsed();
}

// The CPU time the calling thread has used, in milliseconds.
double threadCpuMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// From Execute until the last page's worker thread has started (pages and their threads start in
// list order); `guiCpuMs` grows by the GUI thread's CPU time meanwhile.
qint64 startParallelRun(TfVornalex& window, int count, double& guiCpuMs) {
    const double cpuBefore = threadCpuMilliseconds();
    QElapsedTimer starting;
    starting.start();
    window.aExecute->trigger();
    const auto started = [&] {
        const int tabs = window.pcResult->count();
        const TfSQLLoaderResult* last = tabs == count ? window.ResultPage(tabs - 1) : nullptr;
        return last &&
               ((last->Thread && (last->Thread->isRunning() || last->Thread->isFinished())) ||
                last->Finished);
    };
    while (!started())
        QCoreApplication::processEvents();
    guiCpuMs += threadCpuMilliseconds() - cpuBefore;
    return starting.elapsed();
}

void ParallelStart(benchmark::State& state) {
    const int count = int(state.range(0));
    tdsserver::TestServer server;
    server.createDatabase("bench");
    // A page that fails asks nobody; the count of such pages is printed.
    vx::test::ScriptedPrompter prompter;
    const QString dataSource = QString::fromStdString(server.dataSource());
    qint64 startMs = 0;
    qint64 bareMs = 0;
    double guiCpuMs = 0;
    for (auto _ : state) {
        // A new window each time: the pages of an earlier run would be freed during the start.
        const vx::test::ProgramSandbox sandbox;
        auto window = std::make_unique<TfVornalex>();
        window->show();
        for (int i = 0; i < count; ++i)
            window->Connections->append({QStringLiteral("c%1").arg(i),
                                         true,
                                         {dataSource, "bench", "sa", "secret", "False"}});
        window->mScript->setPlainText(QStringLiteral("WAITFOR DELAY '01:00:00'"));
        window->cbParallel->setChecked(true);
        window->gbOnError->setItemIndex(emContinue);
        window->pc->setCurrentWidget(window->tsResults);
        QCoreApplication::processEvents();

        bareMs += addBareTabs(*window, count);
        startMs += startParallelRun(*window, count, guiCpuMs);
        if (window->pcResult->count() != count)
            state.SkipWithError("a page is missing");
        window->aStop->trigger();
        while (!window->aExecute->isEnabled())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    const double runs = double(state.iterations());
    state.counters["start ms"] = double(startMs) / runs;
    state.counters["bare tabs ms"] = double(bareMs) / runs;
    state.counters["start/bare"] = bareMs > 0 ? double(startMs) / double(bareMs) : 0;
    state.counters["start ms/page"] = double(startMs) / runs / count;
    // What of the start the GUI thread spent working; the rest it waited for a processor, which
    // the run's workers and the test server's sessions share with it.
    state.counters["start GUI cpu ms"] = guiCpuMs / runs;
    state.counters["questions"] = double(prompter.prompts().size());
    for (const auto& prompt : prompter.prompts().mid(0, 3))
        qWarning("%s", qPrintable(prompt.text));
}
BENCHMARK(ParallelStart)
    ->Arg(100)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    return runWidgetBenchmarks(argc, argv);
}
