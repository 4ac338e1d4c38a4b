// How fast a large SELECT reaches the log through the whole stack: the script runner renders it
// through the ODBC layer and the FreeTDS driver from the TDS test server and prints its lines.
// The figures to compare with, from the same server: FreeTDS's own command-line client bsqldb, and
// the bare ODBC loop on natively bound columns through the same driver. Every reader connects and
// logs in within its timed part, since bsqldb cannot be timed without its login, and prints to the
// null device. Prints the median rates and their ratios; peak_MB is the peak resident memory of
// this process, or of bsqldb alone, as GNU time reads it from bsqldb's own resource usage.
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
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <sys/resource.h>
#include <vector>

namespace {

constexpr qint64 RowCount = 1000000;
const char* const Query = "SELECT * FROM big";

// In a process of its own, so that a profile of this one shows the client alone.
ServerProcess& benchServer() {
    static ServerProcess server(RowCount);
    return server;
}

// Seconds each iteration of a reader took.
std::vector<double> runnerSeconds, bsqldbSeconds, bareSeconds;

double rowsPerSecond(std::vector<double> seconds) {
    std::sort(seconds.begin(), seconds.end());
    return RowCount / seconds[seconds.size() / 2];
}

FILE* nullOutput() {
    static FILE* const file = std::fopen("/dev/null", "w");
    return file;
}

double peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024;
}

void ScriptRunnerThroughFreeTds(benchmark::State& state) {
    ServerProcess& server = benchServer();
    vx::OdbcConnection connection;
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
        connection.open(server.adoConnectionString());
        const bool ran = runner.ExecuteLines({Query});
        connection.close();
        runnerSeconds.push_back(double(timer.nsecsElapsed()) / 1e9);
        if (!ran || lines != RowCount + 2) {
            state.SkipWithError("the runner did not render every row");
            return;
        }
    }
    state.counters["rows/s"] =
        benchmark::Counter(double(state.iterations() * RowCount), benchmark::Counter::kIsRate);
    state.counters["peak_MB"] = peakMegabytes();
}
BENCHMARK(ScriptRunnerThroughFreeTds)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

void BareFetchAndPrint(benchmark::State& state) {
    ServerProcess& server = benchServer();
    const QString connection = server.odbcConnectionString();
    const auto print = [](const char* line, size_t bytes) {
        std::fwrite(line, 1, bytes, nullOutput());
    };
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        const qint64 rows = bareFetchLoop(connection, print).rows;
        bareSeconds.push_back(double(timer.nsecsElapsed()) / 1e9);
        if (rows != RowCount) {
            state.SkipWithError("the bare loop did not read every row");
            return;
        }
    }
    state.counters["rows/s"] =
        benchmark::Counter(double(state.iterations() * RowCount), benchmark::Counter::kIsRate);
}
BENCHMARK(BareFetchAndPrint)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

// bsqldb writes the rows to its output, here the null device, and "<n> rows affected" to its
// error output. It runs under GNU time, which reads bsqldb's peak memory from its own resource
// usage: a child of this process would count the copy of this process it was forked from.
void Bsqldb(benchmark::State& state) {
    ServerProcess& server = benchServer();
    const QTemporaryDir folder;
    const QString queryFile = folder.filePath("query.sql");
    const QString peakFile = folder.filePath("peak");
    QFile file(queryFile);
    if (!file.open(QIODevice::WriteOnly) || file.write(Query) < 0) {
        state.SkipWithError("cannot write the query file");
        return;
    }
    file.close();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("TDSPORT", QString::number(server.port()));
    environment.insert("TDSVER", "7.4");
    double peakKilobytes = 0;
    for (auto _ : state) {
        QProcess bsqldb;
        bsqldb.setProcessEnvironment(environment);
        bsqldb.setStandardOutputFile(QProcess::nullDevice());
        QElapsedTimer timer;
        timer.start();
        bsqldb.start("/usr/bin/time", {"-f", "%M", "-o", peakFile, "bsqldb", "-S", "127.0.0.1",
                                       "-U", "sa", "-P", "x", "-D", "bench", "-i", queryFile});
        bsqldb.waitForFinished(-1);
        bsqldbSeconds.push_back(double(timer.nsecsElapsed()) / 1e9);
        const QString report = QString::fromLocal8Bit(bsqldb.readAllStandardError());
        if (bsqldb.exitStatus() != QProcess::NormalExit || bsqldb.exitCode() != 0 ||
            !report.contains(QRegularExpression(QString("\\b%1 rows affected").arg(RowCount)))) {
            const std::string failure =
                ("bsqldb failed: " + bsqldb.errorString() + " " + report.left(300)).toStdString();
            state.SkipWithError(failure.c_str());
            return;
        }
        QFile peak(peakFile);
        peak.open(QIODevice::ReadOnly);
        peakKilobytes = std::max(peakKilobytes, peak.readAll().trimmed().toDouble());
    }
    state.counters["rows/s"] =
        benchmark::Counter(double(state.iterations() * RowCount), benchmark::Counter::kIsRate);
    state.counters["peak_MB"] = peakKilobytes / 1024;
}
BENCHMARK(Bsqldb)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (runnerSeconds.empty())
        return 0;
    const double runner = rowsPerSecond(runnerSeconds);
    if (!bsqldbSeconds.empty())
        std::printf("%lld rows, medians: script runner %.0f rows/s, bsqldb %.0f rows/s, "
                    "runner/bsqldb %.2f\n",
                    qint64(RowCount), runner, rowsPerSecond(bsqldbSeconds),
                    runner / rowsPerSecond(bsqldbSeconds));
    if (!bareSeconds.empty())
        std::printf("%lld rows, medians: script runner %.0f rows/s, bare loop on natively bound "
                    "columns %.0f rows/s, runner/bare %.2f\n",
                    qint64(RowCount), runner, rowsPerSecond(bareSeconds),
                    runner / rowsPerSecond(bareSeconds));
    return 0;
}
