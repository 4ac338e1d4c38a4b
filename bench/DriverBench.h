#pragma once

// What the benchmarks that read through the real driver share: the TDS test server in a process of
// its own, so that the CPU time of the benchmark's process is the client's alone, and the figure
// every such benchmark is held against: a bare fetch-and-format loop over the plain ODBC calls,
// through the same driver with the same connection options.

#include "ConnectionString.h"
#include "tds_test_server.h"

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <sql.h>
#include <sqlext.h>

#include <charconv>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <sys/resource.h>

// The CPU time of this process so far, user and system, in seconds.
inline double processCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Wall and CPU time of a piece of work.
struct Spent {
    double wallSeconds = 0;
    double cpuSeconds = 0;

    Spent& operator+=(const Spent& other) {
        wallSeconds += other.wallSeconds;
        cpuSeconds += other.cpuSeconds;
        return *this;
    }
};

template <typename Work> Spent measure(Work&& work) {
    const double cpu = processCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    work();
    return {double(wall.nsecsElapsed()) / 1e9, processCpuSeconds() - cpu};
}

// The test server program with database `bench` holding table `big` (id int, name nvarchar(50),
// amount decimal(12,2), created datetime, flag bit) of `rows` rows. It ends with this object.
class ServerProcess {
public:
    explicit ServerProcess(qint64 rows) {
        m_process.setProgram(QStringLiteral(TDSSERVER_EXE));
        m_process.setArguments({"--data", m_data.path(), "--exit-on-stdin-eof", "--bench-table",
                                QStringLiteral("bench:big:%1").arg(rows)});
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start();
        if (!m_process.waitForStarted() || !m_process.waitForReadyRead(600000))
            throw std::runtime_error("the test server did not start");
        m_port = m_process.readLine().trimmed().toInt();
        qputenv("VORNALEX_ODBC_DRIVER", QByteArray::fromStdString(tdsserver::freetdsDriverPath()));
    }
    ~ServerProcess() {
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished();
    }

    int port() const { return m_port; }
    QString dataSource() const { return QStringLiteral("127.0.0.1,%1").arg(m_port); }
    QString adoConnectionString() const {
        return QStringLiteral("Data Source=%1;Initial Catalog=bench;User ID=sa;Password=x")
            .arg(dataSource());
    }
    // What the system's own connections send to the driver.
    QString odbcConnectionString() const {
        return vx::odbcConnectionString(vx::parseConnectionString(adoConnectionString()),
                                        vx::odbcDriver());
    }

private:
    QTemporaryDir m_data;
    QProcess m_process;
    int m_port = 0;
};

struct BareLoopResult {
    qint64 rows = 0;
    qint64 bytes = 0;
};

enum class BareFetch {
    GetData, // SQLFetch, then SQLGetData column by column: the plain loop
    Bound,   // the columns bound once, SQLFetch fills a row
};

// Reads the bench table in each column's natural C type (the name in UTF-8, as the driver converts
// it), formats each row as a line of fixed-width columns and writes it to `out` when one is given.
inline BareLoopResult bareFetchLoop(const QString& odbcConnectionString, FILE* out,
                                    BareFetch how = BareFetch::GetData) {
    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
    const QByteArray connect = odbcConnectionString.toUtf8();
    if (!SQL_SUCCEEDED(SQLDriverConnect(dbc, nullptr, (SQLCHAR*)connect.data(), SQL_NTS, nullptr, 0,
                                        nullptr, SQL_DRIVER_NOPROMPT)))
        throw std::runtime_error("the bare loop cannot connect");
    SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt);
    if (!SQL_SUCCEEDED(SQLExecDirect(stmt, (SQLCHAR*)"SELECT * FROM big", SQL_NTS)))
        throw std::runtime_error("the bare loop cannot select");

    SQLBIGINT id = 0;
    char name[3 * 50 + 1];
    char amount[40];
    SQL_TIMESTAMP_STRUCT created{};
    unsigned char flag = 0;
    SQLLEN indicators[5] = {};
    struct Column {
        SQLSMALLINT cType;
        SQLPOINTER buffer;
        SQLLEN bytes;
    };
    const Column columns[5] = {{SQL_C_SBIGINT, &id, sizeof id},
                               {SQL_C_CHAR, name, sizeof name},
                               {SQL_C_CHAR, amount, sizeof amount},
                               {SQL_C_TYPE_TIMESTAMP, &created, sizeof created},
                               {SQL_C_BIT, &flag, sizeof flag}};
    if (how == BareFetch::Bound)
        for (SQLUSMALLINT i = 0; i < 5; ++i)
            SQLBindCol(stmt, i + 1, columns[i].cType, columns[i].buffer, columns[i].bytes,
                       &indicators[i]);

    BareLoopResult result;
    char line[256];
    const auto pad = [&](char* at, char* column, int width) {
        char* end = column + width;
        if (at < end) {
            std::memset(at, ' ', size_t(end - at));
            at = end;
        }
        *at++ = ' ';
        return at;
    };
    const auto two = [](char* at, int value) {
        at[0] = char('0' + value / 10 % 10);
        at[1] = char('0' + value % 10);
    };
    const auto text = [](char* at, const char* value, SQLLEN indicator, SQLLEN bytes) {
        const SQLLEN length = std::min<SQLLEN>(indicator, bytes - 1);
        std::memcpy(at, value, size_t(length));
        return at + length;
    };
    while (SQL_SUCCEEDED(SQLFetch(stmt))) {
        if (how == BareFetch::GetData)
            for (SQLUSMALLINT i = 0; i < 5; ++i)
                SQLGetData(stmt, i + 1, columns[i].cType, columns[i].buffer, columns[i].bytes,
                           &indicators[i]);
        char* at = line;

        char* column = at;
        if (indicators[0] != SQL_NULL_DATA)
            at = std::to_chars(at, at + 20, id).ptr;
        at = pad(at, column, 10);

        column = at;
        if (indicators[1] != SQL_NULL_DATA)
            at = text(at, name, indicators[1], sizeof name);
        at = pad(at, column, 50);

        column = at;
        if (indicators[2] != SQL_NULL_DATA)
            at = text(at, amount, indicators[2], sizeof amount);
        at = pad(at, column, 10);

        column = at;
        if (indicators[3] != SQL_NULL_DATA) {
            two(at, created.year / 100);
            two(at + 2, created.year);
            at[4] = '-';
            two(at + 5, created.month);
            at[7] = '-';
            two(at + 8, created.day);
            at[10] = ' ';
            two(at + 11, created.hour);
            at[13] = ':';
            two(at + 14, created.minute);
            at[16] = ':';
            two(at + 17, created.second);
            at[19] = ':';
            const int milliseconds = int(created.fraction / 1000000);
            at[20] = char('0' + milliseconds / 100);
            two(at + 21, milliseconds);
            at += 23;
        }
        at = pad(at, column, 23);

        column = at;
        if (indicators[4] != SQL_NULL_DATA)
            *at++ = flag ? '1' : '0';
        at = pad(at, column, 10);

        *at++ = '\n';
        result.bytes += at - line;
        ++result.rows;
        if (out)
            std::fwrite(line, 1, size_t(at - line), out);
    }
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    return result;
}
