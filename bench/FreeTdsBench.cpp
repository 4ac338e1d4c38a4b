// How fast a large SELECT reaches the log through the whole stack: the script runner renders it
// through the ODBC layer and the FreeTDS driver from the TDS test server. FreeTDS's own
// command-line client bsqldb then reads the same table from the same server, as the figure to
// compare with. Prints both rates and their ratio; peak_MB is the peak resident memory of this
// process (which also holds the server) or of bsqldb.
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

tdsserver::TestServer& benchServer() {
    static const std::unique_ptr<tdsserver::TestServer> server = [] {
        auto started = std::make_unique<tdsserver::TestServer>();
        started->createBenchTable("bench", "big", RowCount);
        return started;
    }();
    return *server;
}

// Rows a second of each reader, over all its iterations.
struct Rate {
    qint64 rows = 0;
    qint64 nanoseconds = 0;
    double perSecond() const { return nanoseconds > 0 ? rows * 1e9 / double(nanoseconds) : 0; }
};
Rate runnerRate, bsqldbRate;

double peakMegabytes(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return double(usage.ru_maxrss) / 1024;
}

void ScriptRunnerThroughFreeTds(benchmark::State& state) {
    tdsserver::TestServer& server = benchServer();
    qputenv("VORNALEX_ODBC_DRIVER", QByteArray::fromStdString(tdsserver::freetdsDriverPath()));
    vx::OdbcConnection connection;
    connection.open(QString("Data Source=%1;Initial Catalog=bench;User ID=sa;Password=x")
                        .arg(QString::fromStdString(server.dataSource())));
    TZybScriptRunner runner;
    runner.Connection = &connection;
    qint64 lines = 0;
    runner.OnMessage = [&](QObject*, const QString&) { ++lines; };
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

// bsqldb writes the rows to its output, here the null device, and "<n> rows affected" to its
// error output.
void Bsqldb(benchmark::State& state) {
    tdsserver::TestServer& server = benchServer();
    const QString queryFile = QString::fromStdString(server.dataDir()) + "/query.sql";
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
    return 0;
}
