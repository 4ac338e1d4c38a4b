// A run of WAITFOR DELAY '00:00:01' on many connections of the TDS test server, from Execute to
// the run's end, with the longest wait of a 20 ms timer of the GUI thread meanwhile: in parallel
// mode the pages must start without freezing the window; the sequential figure shows what each
// connection costs on top of its script.
// ParallelStart: the time from Execute until every page of a parallel run has started and the
// window has painted their tabs, beside the time a fresh window takes to add as many bare tabs, one
// widget each, and paint them; the start should take at most twice the reference. Beside them, the
// GUI thread's CPU time for each.
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
#include <QTimer>
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

// The CPU time the calling thread has used, in milliseconds.
double threadCpuMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// A new main window holding `count` ticked connections to the test server, set for a parallel run
// that goes on after failures, shown on its results page and painted: where both sides of the start
// benchmark begin. Its settings file is in a sandbox of its own.
struct FreshWindow {
    FreshWindow(int count, const QString& dataSource);
    TfVornalex* operator->() const { return window.get(); }

    const vx::test::ProgramSandbox sandbox;
    const std::unique_ptr<TfVornalex> window = std::make_unique<TfVornalex>();
};

FreshWindow::FreshWindow(int count, const QString& dataSource) {
    window->show();
    for (int i = 0; i < count; ++i)
        window->Connections->append(
            {QStringLiteral("c%1").arg(i), true, {dataSource, "bench", "sa", "secret", "False"}});
    window->mScript->setPlainText(QStringLiteral("WAITFOR DELAY '01:00:00'"));
    window->cbParallel->setChecked(true);
    window->gbOnError->setItemIndex(emContinue);
    window->pc->setCurrentWidget(window->tsResults);
    QCoreApplication::processEvents();
}

struct StartTime {
    double wallMs = 0;
    double guiCpuMs = 0; // the GUI thread's CPU time
};

// From `begin` until `done` holds, turning the event loop meanwhile, and then one more turn, in
// which the window paints what the last one added.
template <typename Begin, typename Done> StartTime measureStart(Begin&& begin, Done&& done) {
    const double cpuBefore = threadCpuMilliseconds();
    QElapsedTimer wall;
    wall.start();
    begin();
    // Between events the loop sleeps instead of spinning, so that the GUI thread's CPU time is its
    // work alone; the timer wakes it to look again.
    QTimer look;
    look.setTimerType(Qt::PreciseTimer);
    look.start(1);
    while (!done())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QCoreApplication::processEvents();
    return {double(wall.nsecsElapsed()) / 1e6, threadCpuMilliseconds() - cpuBefore};
}

// The reference: a fresh window adds `count` tabs with an empty widget each, their image and
// caption as a page's tab has them, to its results tabs at once.
StartTime addBareTabs(int count, const QString& dataSource) {
    const FreshWindow window(count, dataSource);
    return measureStart(
        [&] {
            for (int i = 0; i < count; ++i)
                window->pcResult->addTab(new QWidget, window->ilResult[0],
                                         QStringLiteral("c%1").arg(i));
        },
        [] { return true; });
}

// A fresh window's parallel run from Execute until the last page's worker thread has started
// (pages and their threads start in list order).
StartTime startParallelRun(int count, const QString& dataSource) {
    const FreshWindow window(count, dataSource);
    const auto started = [&] {
        const int tabs = window->pcResult->count();
        const TfSQLLoaderResult* last = tabs == count ? window->ResultPage(tabs - 1) : nullptr;
        return last &&
               ((last->Thread && (last->Thread->isRunning() || last->Thread->isFinished())) ||
                last->Finished);
    };
    const StartTime start = measureStart([&] { window->aExecute->trigger(); }, started);
    window->aStop->trigger();
    while (!window->aExecute->isEnabled())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return start;
}

// Each repetition measures the reference, then the start, each in a window of its own; the median
// row is the figure to quote.
void ParallelStart(benchmark::State& state) {
    const int count = int(state.range(0));
    tdsserver::TestServer server;
    server.createDatabase("bench");
    // A page that fails asks nobody; the count of such pages is printed.
    vx::test::ScriptedPrompter prompter;
    const QString dataSource = QString::fromStdString(server.dataSource());
    StartTime bare, start;
    for (auto _ : state) {
        bare = addBareTabs(count, dataSource);
        start = startParallelRun(count, dataSource);
    }
    state.counters["start ms"] = start.wallMs;
    state.counters["bare tabs ms"] = bare.wallMs;
    state.counters["start/bare"] = start.wallMs / bare.wallMs;
    state.counters["start ms/page"] = start.wallMs / count;
    // What of each the GUI thread spent working; the rest of the start it waited for a processor,
    // which the run's workers and the test server's sessions share with it.
    state.counters["start GUI cpu ms"] = start.guiCpuMs;
    state.counters["bare tabs GUI cpu ms"] = bare.guiCpuMs;
    state.counters["GUI cpu start/bare"] = start.guiCpuMs / bare.guiCpuMs;
    state.counters["questions"] = double(prompter.prompts().size());
    for (const auto& prompt : prompter.prompts().mid(0, 3))
        qWarning("%s", qPrintable(prompt.text));
}
BENCHMARK(ParallelStart)
    ->Arg(100)
    ->Arg(1000)
    ->Iterations(1)
    ->Repetitions(5)
    ->DisplayAggregatesOnly()
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    return runWidgetBenchmarks(argc, argv);
}
