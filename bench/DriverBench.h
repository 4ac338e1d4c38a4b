#pragma once

// What the benchmarks that read through the real driver share: the TDS test server in a process of
// its own, so that the CPU time of the benchmark's process is the client's alone, and the figure
// every such benchmark is held against: the best bare ODBC loop that reads and formats the same
// rows, through the same driver with the same connection options.

#include "ConnectionString.h"
#include "tds_test_server.h"

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <sys/resource.h>
#include <vector>

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

// Appends `length` UTF-16 units as UTF-8 at `at`; returns the end. A lone surrogate is written as
// any other unit: the same number of bytes as the replacement character a page writes.
inline char* appendUtf8(char* at, const char16_t* text, qsizetype length) {
    for (qsizetype i = 0; i < length; ++i) {
        char32_t c = text[i];
        if (c < 0x80) {
            *at++ = char(c);
            continue;
        }
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < length && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
            *at++ = char(0xF0 | (c >> 18));
            *at++ = char(0x80 | ((c >> 12) & 0x3F));
        } else if (c < 0x800) {
            *at++ = char(0xC0 | (c >> 6));
            *at++ = char(0x80 | (c & 0x3F));
            continue;
        } else {
            *at++ = char(0xE0 | (c >> 12));
        }
        *at++ = char(0x80 | ((c >> 6) & 0x3F));
        *at++ = char(0x80 | (c & 0x3F));
    }
    return at;
}

// The reference for every benchmark that reads the bench table: the best a bare ODBC program does
// for the same rows through the same driver. It binds each column once in its native C type, in
// buffers sized from the columns (the name as UTF-16, which the driver converts faster than to
// UTF-8; the decimal as the driver's exact text), fetches a rowset of 256 rows a call, and formats
// each row in UTF-8 as a results page shows it: fixed-width columns, padded to their width in
// UTF-16 units and each followed by a blank. `sink(text, bytes)` receives each line with its line
// end. The connection and the login are part of it, as they are of a page's run.
template <typename Sink>
BareLoopResult bareFetchLoop(const QString& odbcConnectionString, Sink&& sink) {
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

    // id int, name nvarchar(n), amount decimal(p,s), created datetime, flag bit.
    const auto columnSize = [&](SQLUSMALLINT column) {
        SQLULEN size = 0;
        SQLDescribeCol(stmt, column, nullptr, 0, nullptr, nullptr, &size, nullptr, nullptr);
        return qsizetype(size);
    };
    const qsizetype nameUnits = columnSize(2);
    const qsizetype nameBytes = 2 * (nameUnits + 1);
    const qsizetype amountBytes = columnSize(3) + 3; // the sign, the point, the terminator
    const int nameWidth = int(std::max<qsizetype>(nameUnits, 10));
    constexpr size_t rowset = 256;
    std::vector<SQLINTEGER> ids(rowset);
    std::vector<char16_t> names(rowset * size_t(nameUnits + 1));
    std::vector<char> amounts(rowset * size_t(amountBytes));
    std::vector<SQL_TIMESTAMP_STRUCT> created(rowset);
    std::vector<unsigned char> flags(rowset);
    std::vector<SQLLEN> indicators(5 * rowset);
    SQLULEN fetched = 0;
    SQLSetStmtAttr(stmt, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(rowset), 0);
    SQLSetStmtAttr(stmt, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0);
    SQLBindCol(stmt, 1, SQL_C_SLONG, ids.data(), sizeof(SQLINTEGER), &indicators[0]);
    SQLBindCol(stmt, 2, SQL_C_WCHAR, names.data(), nameBytes, &indicators[rowset]);
    SQLBindCol(stmt, 3, SQL_C_CHAR, amounts.data(), amountBytes, &indicators[2 * rowset]);
    SQLBindCol(stmt, 4, SQL_C_TYPE_TIMESTAMP, created.data(), sizeof(SQL_TIMESTAMP_STRUCT),
               &indicators[3 * rowset]);
    SQLBindCol(stmt, 5, SQL_C_BIT, flags.data(), 1, &indicators[4 * rowset]);

    BareLoopResult result;
    std::vector<char> line(size_t(3 * nameUnits + nameWidth + amountBytes) + 64);
    // Pads a column of `characters` characters that ends at `at` to `width`, and the blank.
    const auto pad = [](char* at, qsizetype characters, int width) {
        if (characters < width) {
            std::memset(at, ' ', size_t(width - characters));
            at += width - characters;
        }
        *at++ = ' ';
        return at;
    };
    while (SQL_SUCCEEDED(SQLFetch(stmt))) {
        for (size_t row = 0; row < fetched; ++row) {
            const auto indicator = [&](int column) { return indicators[column * rowset + row]; };
            char* at = line.data();

            char* start = at;
            if (indicator(0) != SQL_NULL_DATA)
                at = std::to_chars(at, at + 11, ids[row]).ptr;
            at = pad(at, at - start, 10);

            qsizetype units = 0;
            if (indicator(1) != SQL_NULL_DATA) {
                units = std::min<qsizetype>(indicator(1) / 2, nameUnits);
                at = appendUtf8(at, &names[row * size_t(nameUnits + 1)], units);
            }
            at = pad(at, units, nameWidth);

            start = at;
            if (indicator(2) != SQL_NULL_DATA) {
                const qsizetype length = std::min<qsizetype>(indicator(2), amountBytes - 1);
                std::memcpy(at, &amounts[row * size_t(amountBytes)], size_t(length));
                at += length;
            }
            at = pad(at, at - start, 10);

            start = at;
            if (indicator(3) != SQL_NULL_DATA) {
                const SQL_TIMESTAMP_STRUCT& t = created[row];
                // "yyyy-mm-dd hh:nn:ss:zzz"
                const auto put = [&at](int value, int digits, char after) {
                    for (int i = digits - 1; i >= 0; --i, value /= 10)
                        at[i] = char('0' + value % 10);
                    at += digits;
                    if (after)
                        *at++ = after;
                };
                put(t.year, 4, '-');
                put(t.month, 2, '-');
                put(t.day, 2, ' ');
                put(t.hour, 2, ':');
                put(t.minute, 2, ':');
                put(t.second, 2, ':');
                put(int(t.fraction / 1000000), 3, 0);
            }
            at = pad(at, at - start, 23);

            start = at;
            if (indicator(4) != SQL_NULL_DATA)
                *at++ = flags[row] ? '1' : '0';
            at = pad(at, at - start, 10);

            *at++ = '\n';
            result.bytes += at - line.data();
            ++result.rows;
            sink(line.data(), size_t(at - line.data()));
        }
    }
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    return result;
}
