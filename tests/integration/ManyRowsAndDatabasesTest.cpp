#include "QtPrinting.h"
#include "ServerSession.h"

#include <gtest/gtest.h>

#include <QFile>
#include <thread>

using namespace vx;
using namespace vx::test;

// gcc marks AddressSanitizer with a macro, clang with a feature.
#ifndef __has_feature
#define __has_feature(feature) 0
#endif

namespace {

TEST(ManyDatabases, OneScriptChangesEveryDatabaseItRunsOnAtOnce) {
    tdsserver::TestServer server;
    const QStringList databases = {"north", "south", "east"};
    for (const QString& database : databases)
        server.createDatabase(database.toStdString(),
                              "CREATE TABLE stock(item nvarchar(20), qty int);"
                              "INSERT INTO stock VALUES('tea', 1), ('milk', 2);");
    const QStringList script = {"CREATE TABLE audit(note nvarchar(40))",
                                "GO",
                                "UPDATE stock SET qty = qty * 10",
                                "INSERT INTO stock VALUES(N'сахар', 3)",
                                "GO",
                                "INSERT INTO audit SELECT 'done in ' + db_name()",
                                "PRINT db_name()"};

    // One connection and runner a database, each on its own thread, as parallel pages run.
    std::vector<std::unique_ptr<OdbcConnection>> connections;
    for (const QString& database : databases)
        connections.push_back(openConnection(server, database));
    struct Outcome {
        bool result = false;
        QStringList output;
    };
    std::vector<Outcome> outcomes(databases.size());
    std::vector<std::thread> threads;
    for (size_t i = 0; i < connections.size(); ++i)
        threads.emplace_back([&, i] {
            RecordingRunner session(*connections[i]);
            outcomes[i].result = session.run(script);
            outcomes[i].output = session.output();
        });
    for (std::thread& thread : threads)
        thread.join();

    for (qsizetype i = 0; i < databases.size(); ++i) {
        const std::string database = databases[i].toStdString();
        EXPECT_TRUE(outcomes[i].result) << database;
        EXPECT_EQ(outcomes[i].output, QStringList({"M(" + databases[i] + ")"}));
        EXPECT_EQ(server.querySqlite(database, "SELECT group_concat(item || '=' || qty, ' ') "
                                               "FROM (SELECT * FROM stock ORDER BY qty)"),
                  tdsserver::SqliteRows({{"сахар=3 tea=10 milk=20"}}))
            << database;
        EXPECT_EQ(server.querySqlite(database, "SELECT note FROM audit"),
                  tdsserver::SqliteRows({{"done in " + database}}));
    }
}

// The process's resident memory in kB: now (VmRSS) or at its peak (VmHWM).
qint64 residentKb(const QByteArray& key) {
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(key + ':'))
            return line.mid(key.size() + 1).trimmed().split(' ').first().toLongLong();
    return -1;
}

TEST(ManyRows, AMillionRowsStreamWithoutGrowingMemory) {
#if defined(__SANITIZE_ADDRESS__) || __has_feature(address_sanitizer)
    GTEST_SKIP() << "AddressSanitizer holds freed memory in quarantine: the peak says nothing here";
#endif
    tdsserver::TestServer server;
    server.createBenchTable("bench", "big", 1000000);
    auto connection = openConnection(server, "bench");
    TZybScriptRunner runner;
    runner.Connection = connection.get();
    qint64 lines = 0;
    QString last;
    runner.OnMessage = [&](QObject*, const QString& line) {
        ++lines;
        last = line;
    };

    // The first tenth sets the peak that buffers and caches need; the whole result must not
    // raise it by more than a small part of what keeping its rows would take (over 100 MB).
    ASSERT_TRUE(runner.ExecuteLines({"SELECT * FROM big WHERE id <= 100000"}));
    EXPECT_EQ(lines, 100002);
    const qint64 peakAfterTenth = residentKb("VmHWM");
    lines = 0;
    ASSERT_TRUE(runner.ExecuteLines({"SELECT * FROM big"}));
    EXPECT_EQ(lines, 1000002);
    EXPECT_TRUE(last.startsWith("1000000 ")) << last.toStdString();
    const qint64 growth = residentKb("VmHWM") - peakAfterTenth;
    RecordProperty("peak_growth_kB", QString::number(growth).toStdString());
    EXPECT_LT(growth, 24 * 1024) << "memory grew with the row count";
}

} // namespace
