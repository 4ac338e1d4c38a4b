// How fast a large SELECT reaches the log through the whole stack: the script runner renders it
// through the ODBC layer and the FreeTDS driver from the TDS test server and prints its lines.
// The figures to compare with, from the same server: FreeTDS's own command-line client bsqldb, and
// bare fetch-and-print loops over the plain ODBC calls through the same driver, one reading each
// value with SQLGetData, one on bound columns. Prints the rates and their ratios; peak_MB is the
// peak resident memory of this process or of bsqldb and the server. Every reader prints to the
// null device.
#include "ConnectionString.h"
#include "DriverBench.h"
#include "OdbcConnection.h"
#include "tds_test_server.h"
#include "uTZybScriptRunner.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <memory>
#include <sys/resource.h>

namespace {

constexpr qint64 RowCount = 1000000;
const char* const Query = "SELECT * FROM big";

// In a process of its own, so that a profile of this one shows the client alone.
ServerProcess& benchServer() {
    static ServerProcess server(RowCount);
    return server;
}

// Rows a second of each reader, over all its iterations.
struct Rate {
    qint64 rows = 0;
    qint64 nanoseconds = 0;
    double perSecond() const { return nanoseconds > 0 ? rows * 1e9 / double(nanoseconds) : 0; }
};
Rate runnerRate, bsqldbRate, bareRate, boundRate;

FILE* nullOutput() {
    static FILE* const file = std::fopen("/dev/null", "w");
    return file;
}

double peakMegabytes(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return double(usage.ru_maxrss) / 1024;
}

void ScriptRunnerThroughFreeTds(benchmark::State& state) {
    ServerProcess& server = benchServer();
    vx::OdbcConnection connection;
    connection.open(server.adoConnectionString());
    TZybScriptRunner runner;
    runner.Connection = &connection;
    qint64 lines = 0;
    QByteArray utf8;
    runner.OnMessage = [&](QObject*, const QString& line) {
        ++lines;
        utf8 = line.toUtf8();
        utf8 += '\n';
        std::fwrite(utf8.constData(), 1, size_t(utf8.size()), nullOutput());
    };
    for (auto _ : state) {
        lines = 0;
        QElapsedTimer timer;
        timer.start();
        if (!runner.ExecuteLines({Query}) || lines != RowCount + 2) {
            state.SkipWithError("the runner did not render every row");
            return;
        }
        runnerRate.nanoseconds += timer.nsecsElapsed();
        runnerRate.rows += RowCount;
    }
    state.counters["rows/s"] =
        benchmark::Counter(double(state.iterations() * RowCount), benchmark::Counter::kIsRate);
    state.counters["peak_MB"] = peakMegabytes(RUSAGE_SELF);
}
BENCHMARK(ScriptRunnerThroughFreeTds)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

void BareFetchAndPrint(benchmark::State& state, BareFetch how, Rate& rate) {
    ServerProcess& server = benchServer();
    const QString connection = server.odbcConnectionString();
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        if (bareFetchLoop(connection, nullOutput(), how).rows != RowCount) {
            state.SkipWithError("the bare loop did not read every row");
            return;
        }
        rate.nanoseconds += timer.nsecsElapsed();
        rate.rows += RowCount;
    }
    state.counters["rows/s"] =
        benchmark::Counter(double(state.iterations() * RowCount), benchmark::Counter::kIsRate);
}
BENCHMARK_CAPTURE(BareFetchAndPrint, GetData, BareFetch::GetData, bareRate)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BareFetchAndPrint, Bound, BareFetch::Bound, boundRate)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// bsqldb writes the rows to its output, here the null device, and "<n> rows affected" to its
// error output.
void Bsqldb(benchmark::State& state) {
    ServerProcess& server = benchServer();
    const QTemporaryDir folder;
    const QString queryFile = folder.filePath("query.sql");
    QFile file(queryFile);
    if (!file.open(QIODevice::WriteOnly) || file.write(Query) < 0) {
        state.SkipWithError("cannot write the query file");
        return;
    }
    file.close();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("TDSPORT", QString::number(server.port()));
    environment.insert("TDSVER", "7.4");
    for (auto _ : state) {
        QProcess bsqldb;
        bsqldb.setProcessEnvironment(environment);
        bsqldb.setStandardOutputFile(QProcess::nullDevice());
        QElapsedTimer timer;
        timer.start();
        bsqldb.start("bsqldb",
                     {"-S", "127.0.0.1", "-U", "sa", "-P", "x", "-D", "bench", "-i", queryFile});
        bsqldb.waitForFinished(-1);
        const qint64 elapsed = timer.nsecsElapsed();
        const QString report = QString::fromLocal8Bit(bsqldb.readAllStandardError());
        if (bsqldb.exitStatus() != QProcess::NormalExit || bsqldb.exitCode() != 0 ||
            !report.contains(QRegularExpression(QString("\\b%1 rows affected").arg(RowCount)))) {
            const std::string failure =
                ("bsqldb failed: " + bsqldb.errorString() + " " + report.left(300)).toStdString();
            state.SkipWithError(failure.c_str());
            return;
        }
        bsqldbRate.nanoseconds += elapsed;
        bsqldbRate.rows += RowCount;
    }
    state.counters["rows/s"] =
        benchmark::Counter(double(state.iterations() * RowCount), benchmark::Counter::kIsRate);
    state.counters["peak_MB"] = peakMegabytes(RUSAGE_CHILDREN);
}
BENCHMARK(Bsqldb)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (runnerRate.rows > 0 && bsqldbRate.rows > 0)
        std::printf(
            "%lld rows: script runner %.0f rows/s, bsqldb %.0f rows/s, runner/bsqldb %.2f\n",
            qint64(RowCount), runnerRate.perSecond(), bsqldbRate.perSecond(),
            runnerRate.perSecond() / bsqldbRate.perSecond());
    if (runnerRate.rows > 0 && bareRate.rows > 0)
        std::printf("%lld rows: script runner %.0f rows/s, bare fetch-and-print loop %.0f rows/s, "
                    "runner/bare %.2f\n",
                    qint64(RowCount), runnerRate.perSecond(), bareRate.perSecond(),
                    runnerRate.perSecond() / bareRate.perSecond());
    if (runnerRate.rows > 0 && boundRate.rows > 0)
        std::printf("%lld rows: script runner %.0f rows/s, bare loop on bound columns %.0f rows/s, "
                    "runner/bound %.2f\n",
                    qint64(RowCount), runnerRate.perSecond(), boundRate.perSecond(),
                    runnerRate.perSecond() / boundRate.perSecond());
    return 0;
}
