// Parallel runs of the main window as a user starts them, every figure from the press of Execute
// (or Stop). Run one benchmark per process (build/bench/MainWindowRunBench
// --benchmark_filter=NAME), since the memory figures are the process's.
//
// GuiGapFromExecute: the real driver and the TDS test server in a process of its own; the longest
// wait of a 20 ms timer of the GUI thread from Execute until the run's end, beside a bare window
// whose GUI thread runs nothing but that timer while as many threads read the same rows through
// the same driver (bound columns, each row formatted).
// StopEndsEveryPage: pages streaming rows from a fake server in this process, which keeps every
// page's queue full, are stopped at random moments; the longest time from Stop until the run has
// ended, beside the same Stop of as many pages that mostly wait on the server.
// MemoryAfterARun: the real driver; the heap a run leaves in use beside the text of its logs.
#include "ConnectionList.h"
#include "DriverBench.h"
#include "FakeConnection.h"
#include "LogView.h"
#include "ProgramSandbox.h"
#include "RadioGroup.h"
#include "ScriptedPrompter.h"
#include "WidgetBenchMain.h"
#include "ufSQLLoaderResult.h"
#include "ufVornalex.h"

#include <QAction>
#include <QCheckBox>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <malloc.h>
#include <memory>
#include <random>
#include <thread>
#include <vector>

namespace {

double median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// A main window of its own settings file with `pages` ticked connections to the server, set for a
// parallel run that asks nothing.
struct ParallelWindow {
    ParallelWindow(const QString& dataSource, int pages, const QString& script);
    TfVornalex* operator->() const { return window.get(); }

    const vx::test::ProgramSandbox sandbox;
    const std::unique_ptr<TfVornalex> window = std::make_unique<TfVornalex>();
};

ParallelWindow::ParallelWindow(const QString& dataSource, int pages, const QString& script) {
    window->resize(1000, 700);
    window->show();
    for (int i = 0; i < pages; ++i)
        window->Connections->append(
            {QStringLiteral("c%1").arg(i), true, {dataSource, "bench", "sa", "x", "False"}});
    window->mScript->setPlainText(script);
    window->cbParallel->setChecked(true);
    window->gbOnError->setItemIndex(emContinue);
    QCoreApplication::processEvents();
}

void waitForTheEnd(const TfVornalex& window) {
    while (!window.aExecute->isEnabled())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// Whether every page shows its rows: connected, header, dashes, the rows, the final line.
bool everyPageComplete(const TfVornalex& window, int pages, qint64 rows) {
    if (window.pcResult->count() != pages)
        return false;
    for (int tab = 0; tab < pages; ++tab)
        if (window.ResultPage(tab)->reResult->document().lineCount() != rows + 4)
            return false;
    return true;
}

// The longest gap of a bare shown window while `streams` threads read the bench table.
qint64 bareWindowGap(const ServerProcess& server, int streams) {
    QMainWindow bare;
    bare.resize(1000, 700);
    bare.show();
    QCoreApplication::processEvents();
    const QString connection = server.odbcConnectionString();
    std::atomic<int> running = streams;
    const LongestPause pause;
    // The threads are made away from the GUI thread, which only runs the timer.
    std::thread starter([&] {
        std::vector<std::thread> readers;
        for (int i = 0; i < streams; ++i)
            readers.emplace_back([&] {
                bareFetchLoop(connection, [](const char*, qsizetype) {});
                --running;
            });
        for (std::thread& reader : readers)
            reader.join();
    });
    while (running > 0)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    starter.join();
    return pause.milliseconds();
}

void GuiGapFromExecute(benchmark::State& state) {
    const int pages = int(state.range(0));
    const qint64 rows = state.range(1);
    const ServerProcess server(rows);
    const vx::test::ScriptedPrompter prompter;
    std::vector<double> gaps, bareGaps, runMs;
    for (auto _ : state) {
        bareGaps.push_back(double(bareWindowGap(server, pages)));
        const ParallelWindow window(server.dataSource(), pages,
                                    QStringLiteral("SELECT * FROM big"));
        QElapsedTimer run;
        run.start();
        const LongestPause pause;
        window->aExecute->trigger();
        waitForTheEnd(*window.window);
        gaps.push_back(double(pause.milliseconds()));
        runMs.push_back(double(run.elapsed()));
        if (!everyPageComplete(*window.window, pages, rows))
            state.SkipWithError("a page did not show every row");
    }
    state.counters["gap ms"] = median(gaps);
    state.counters["gap max ms"] = *std::max_element(gaps.begin(), gaps.end());
    state.counters["bare gap ms"] = median(bareGaps);
    state.counters["gap/bare"] = median(gaps) / std::max(median(bareGaps), 1.0);
    state.counters["run ms"] = median(runMs);
}
BENCHMARK(GuiGapFromExecute)
    ->Args({50, 200000})
    ->Args({1000, 2000})
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// From Stop until Execute is enabled again, with Stop pressed `delayMs` after Execute; `running`
// counts the pages still running at Stop.
double stopToEnd(TfVornalex& window, int delayMs, int& running) {
    window.aExecute->trigger();
    QElapsedTimer sinceExecute;
    sinceExecute.start();
    while (sinceExecute.elapsed() < delayMs)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    running = 0;
    for (int tab = 0; tab < window.pcResult->count(); ++tab)
        running += window.ResultPage(tab)->Thread != nullptr;
    QElapsedTimer sinceStop;
    sinceStop.start();
    window.aStop->trigger();
    waitForTheEnd(window);
    return double(sinceStop.elapsed());
}

// The rows come from a fake server in this process, which sends them as fast as the workers take
// them: every page's queue is full when Stop comes, as with a fast server and a loaded window.
void StopEndsEveryPage(benchmark::State& state) {
    const int pages = int(state.range(0));
    const qint64 rows = state.range(1);
    vx::test::FakeServer fake;
    fake.respond(QStringLiteral("SELECT * FROM big"),
                 vx::test::FakeBatch().generatedResult(
                     {{QStringLiteral("line"), vx::adVarChar, 80}}, rows,
                     [](qint64 row, vx::test::FakeBatch::Row& values) {
                         values[0] = QStringLiteral("row %1 of the benchmark's result set, "
                                                    "long enough to look like real output")
                                         .arg(row);
                     }));
    // A row every 10 ms until cancelled: pages that mostly wait on the server.
    fake.respond(QStringLiteral("WAITFOR"), vx::test::FakeBatch().generatedResult(
                                                {{QStringLiteral("n"), vx::adInteger, 10}}, rows,
                                                [](qint64 row, vx::test::FakeBatch::Row& values) {
                                                    QThread::msleep(10);
                                                    values[0] = row;
                                                }));
    const vx::test::ScriptedPrompter prompter;
    std::mt19937 random(31);
    std::uniform_int_distribution<int> delay(500, 3000);
    std::vector<double> stops, waitingStops, runningAtStop, dropped;
    for (auto _ : state) {
        int running = 0;
        auto waiting = std::make_unique<ParallelWindow>(QStringLiteral("fake"), pages,
                                                        QStringLiteral("WAITFOR"));
        waitingStops.push_back(stopToEnd(*waiting->window, 3000, running));
        waiting.reset();
        const ParallelWindow streaming(QStringLiteral("fake"), pages,
                                       QStringLiteral("SELECT * FROM big"));
        stops.push_back(stopToEnd(*streaming.window, delay(random), running));
        runningAtStop.push_back(running);
        int interrupted = 0;
        for (int tab = 0; tab < streaming->pcResult->count(); ++tab) {
            const TfSQLLoaderResult* page = streaming->ResultPage(tab);
            // A page ends as completed only with every row shown.
            if (page->Completed && page->reResult->document().lineCount() != rows + 4)
                state.SkipWithError("a page ended as completed without all its rows");
            interrupted += !page->Completed;
        }
        dropped.push_back(interrupted);
    }
    state.counters["stop-to-end ms"] = median(stops);
    state.counters["stop-to-end max ms"] = *std::max_element(stops.begin(), stops.end());
    state.counters["waiting pages' stop-to-end ms"] = median(waitingStops);
    state.counters["pages running at stop"] = median(runningAtStop);
    state.counters["pages interrupted"] = median(dropped);
}
BENCHMARK(StopEndsEveryPage)
    ->Args({300, 200000})
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The bytes the process's allocator hands out, in MB.
double heapInUseMB() {
    const struct mallinfo2 info = mallinfo2();
    return double(info.uordblks + info.hblkhd) / (1024 * 1024);
}

// The heap a finished run of `script` leaves in use, and the text its logs hold, in MB.
std::pair<double, double> heapAfterARun(const ServerProcess& server, int pages,
                                        const QString& script) {
    const ParallelWindow window(server.dataSource(), pages, script);
    const double before = heapInUseMB();
    window->aExecute->trigger();
    waitForTheEnd(*window.window);
    // The workers that have ended free what they held before their threads finish.
    QThread::msleep(500);
    QCoreApplication::processEvents();
    const double after = heapInUseMB();
    double logBytes = 0;
    for (int tab = 0; tab < window->pcResult->count(); ++tab) {
        const vx::LogDocument& log = window->ResultPage(tab)->reResult->document();
        for (qsizetype line = 0; line < log.lineCount(); ++line)
            logBytes += double(log.line(line).text.toUtf8().size() + 1);
    }
    return {after - before, logBytes / (1024 * 1024)};
}

// The heap left by a run whose pages show their rows, beside the text of the logs; the reference
// is the same run of a query without rows, which leaves the pages alone.
void MemoryAfterARun(benchmark::State& state) {
    const int pages = int(state.range(0));
    const ServerProcess server(state.range(1));
    const vx::test::ScriptedPrompter prompter;
    for (auto _ : state) {
        const auto [emptyHeap, emptyLog] =
            heapAfterARun(server, pages, QStringLiteral("SELECT * FROM big WHERE 0"));
        const auto [heap, log] = heapAfterARun(server, pages, QStringLiteral("SELECT * FROM big"));
        if (log <= emptyLog)
            state.SkipWithError("no page showed its rows");
        state.counters["heap after run MB"] = heap;
        state.counters["heap after run without rows MB"] = emptyHeap;
        state.counters["log text MB"] = log - emptyLog;
        state.counters["(heap - without rows)/log"] = (heap - emptyHeap) / (log - emptyLog);
    }
}
BENCHMARK(MemoryAfterARun)
    ->Args({500, 2000})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    return runWidgetBenchmarks(argc, argv);
}
