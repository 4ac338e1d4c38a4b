// Workers send many lines to results pages: how fast the pages take them, how much memory the
// process needs at its peak, and how long a 20 ms timer of the GUI thread is kept waiting while the
// lines stream in.
// Run one benchmark per process (--benchmark_filter), since the peak memory is the process's.
#include "DriverBench.h"
#include "FakeConnection.h"
#include "LogView.h"
#include "WidgetBenchMain.h"
#include "crfLogin.h"
#include "ufSQLLoaderResult.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTabWidget>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

const QString query = QStringLiteral("SELECT line FROM big");

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

void respondWithRows(vx::test::FakeServer& server, qint64 rows) {
    server.respond(query, vx::test::FakeBatch().generatedResult(
                              {{QStringLiteral("line"), vx::adVarChar, 80}}, rows,
                              [](qint64 row, vx::test::FakeBatch::Row& values) {
                                  values[0] =
                                      QStringLiteral("row %1 of the benchmark's result set, "
                                                     "long enough to look like real output")
                                          .arg(row);
                              }));
}

struct Stalls {
    qint64 startMs;   // starting every page's run, one after the other, as Execute does
    qint64 longestMs; // the longest stall once every run has started
};

// Runs the pages in the tabs of a shown window, as the main window holds them, until every one has
// finished.
Stalls runPages(const std::vector<std::unique_ptr<TfSQLLoaderResult>>& pages) {
    QTabWidget tabs;
    tabs.resize(900, 600);
    for (const auto& page : pages)
        tabs.addTab(page.get(), QString::number(tabs.count() + 1));
    tabs.show();
    QCoreApplication::processEvents(); // as the main window shows a page before its run
    QElapsedTimer starting;
    starting.start();
    for (const auto& page : pages) {
        page->AutoConnect = true;
        page->PrintMessages = true;
        page->ZybScriptRunner->Script = QStringList{query};
        page->StartRun();
    }
    const qint64 startMs = starting.elapsed();
    const LongestPause stalls;
    const auto finished = [&] {
        return std::all_of(pages.begin(), pages.end(), [](const auto& p) { return p->Finished; });
    };
    while (!finished())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    for (const auto& page : pages)
        page->setParent(nullptr); // the pages are the caller's
    return {startMs, stalls.milliseconds()};
}

void report(benchmark::State& state, const std::vector<std::unique_ptr<TfSQLLoaderResult>>& pages,
            Stalls stalls) {
    double lines = 0;
    double textBytes = 0;
    for (const auto& page : pages) {
        const vx::LogDocument& log = page->reResult->document();
        lines += double(log.lineCount());
        for (qsizetype i = 0; i < log.lineCount(); ++i)
            textBytes += double(log.line(i).text.toUtf8().size() + 1);
    }
    state.counters["lines"] = lines;
    state.counters["lines/s"] =
        benchmark::Counter(lines, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["text MB"] = textBytes / (1024 * 1024);
    state.counters["peak MB"] = peakMemoryMB();
    state.counters["start ms"] = double(stalls.startMs);
    state.counters["longest 20ms-timer gap ms"] = double(stalls.longestMs);
}

void pagesTakeLines(benchmark::State& state, qint64 pageCount, qint64 rows) {
    vx::test::FakeServer server;
    respondWithRows(server, rows);
    for (auto _ : state) {
        std::vector<std::unique_ptr<TfSQLLoaderResult>> pages;
        for (qint64 i = 0; i < pageCount; ++i)
            pages.push_back(std::make_unique<TfSQLLoaderResult>());
        const Stalls stalls = runPages(pages);
        state.PauseTiming();
        report(state, pages, stalls);
        state.ResumeTiming();
    }
}

// One page, one worker: the result of a large SELECT. With 0 rows it gives the baseline memory.
void PageTakesLinesFromAWorker(benchmark::State& state) {
    pagesTakeLines(state, 1, state.range(0));
}
BENCHMARK(PageTakesLinesFromAWorker)
    ->Arg(1000000)
    ->Arg(0)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// A parallel run: every page's worker sends its lines at the same time.
void ManyPagesTakeLinesAtOnce(benchmark::State& state) {
    pagesTakeLines(state, state.range(0), state.range(1));
}
BENCHMARK(ManyPagesTakeLinesAtOnce)
    ->Args({50, 200000})
    ->Args({50, 0})
    ->Args({1000, 2000})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// What the reference keeps of the rows, as a page keeps its log: their text, in chunks.
class KeptText {
public:
    // The first line without its line end.
    QString firstLine() const {
        if (m_chunks.empty())
            return {};
        const std::string& text = m_chunks.front();
        return QString::fromUtf8(text.data(), qsizetype(text.find('\n')));
    }

    void operator()(const char* line, size_t bytes) {
        if (m_chunks.empty() || m_chunks.back().capacity() - m_chunks.back().size() < bytes) {
            m_chunks.emplace_back();
            m_chunks.back().reserve(std::max(chunkBytes, bytes));
        }
        m_chunks.back().append(line, bytes);
    }

private:
    static constexpr size_t chunkBytes = 1024 * 1024;
    std::vector<std::string> m_chunks;
};

// One page reads 1,000,000 rows of five columns through the real driver from the test server, which
// runs in a process of its own. The reference, measured in the same repetition just before, is the
// bare ODBC loop on natively bound columns through the same driver, keeping the lines it formats;
// both connect within their measured part, and neither frees its text there. CPU is the whole
// benchmark process's: the page's worker, the GUI thread that shows its lines, and Qt's helpers.
// Each repetition prints the page's wall and CPU time beside the reference's with their ratios, and
// the longest wait of a 20 ms timer while the page runs; the median row is the figure to quote.
void PageTakesRowsFromTheDriver(benchmark::State& state) {
    constexpr qint64 rows = 1000000;
    static const ServerProcess server(rows); // one for every repetition
    Spent bare, page;
    qint64 longestGap = 0;
    for (auto _ : state) {
        QString bareFirstRow;
        {
            KeptText kept;
            BareLoopResult read;
            bare = measure([&] { read = bareFetchLoop(server.odbcConnectionString(), kept); });
            bareFirstRow = kept.firstLine();
            if (read.rows != rows) {
                state.SkipWithError("the bare loop did not read every row");
                return;
            }
        }

        TfSQLLoaderResult result;
        result.Login->SetServer(server.dataSource());
        result.Login->SetDatabase(QStringLiteral("bench"));
        result.Login->SetUser(QStringLiteral("sa"));
        result.Login->SetPassword(QStringLiteral("x"));
        result.AutoConnect = true;
        result.PrintMessages = true;
        result.ZybScriptRunner->Script = QStringList{QStringLiteral("SELECT * FROM big")};
        QTabWidget tabs;
        tabs.resize(900, 600);
        tabs.addTab(&result, QStringLiteral("1"));
        tabs.show();
        QCoreApplication::processEvents();
        page = measure([&] {
            const LongestPause pause;
            result.StartRun();
            while (!result.Finished)
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            longestGap = pause.milliseconds();
        });
        result.setParent(nullptr);
        // Connected, header, dashes, the rows, the final line.
        const vx::LogDocument& log = result.reResult->document();
        if (log.lineCount() != rows + 4) {
            state.SkipWithError("the page did not show every row");
            return;
        }
        if (log.line(3).text != bareFirstRow) {
            state.SkipWithError("the bare loop does not format a row as the page does");
            return;
        }
    }
    state.counters["page wall s"] = page.wallSeconds;
    state.counters["bare wall s"] = bare.wallSeconds;
    state.counters["wall ratio"] = page.wallSeconds / bare.wallSeconds;
    state.counters["page CPU s"] = page.cpuSeconds;
    state.counters["bare CPU s"] = bare.cpuSeconds;
    state.counters["CPU ratio"] = page.cpuSeconds / bare.cpuSeconds;
    state.counters["longest 20ms-timer gap ms"] = double(longestGap);
}
BENCHMARK(PageTakesRowsFromTheDriver)
    ->Iterations(1)
    ->Repetitions(5)
    ->DisplayAggregatesOnly()
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    return runWidgetBenchmarks(argc, argv);
}
