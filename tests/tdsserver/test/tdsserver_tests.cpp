// Tests of the TDS test server through unixODBC and the FreeTDS ODBC driver.
#include "odbc_client.h"
#include "tds_sql.h"
#include "tds_test_server.h"
#include "tds_values.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <latch>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace tdsserver;
using namespace tdsserver::test;
using Clock = std::chrono::steady_clock;

namespace {

std::vector<std::string> column0(const ResultSet& rs) {
    std::vector<std::string> v;
    for (const Row& r : rs.rows)
        v.push_back(r.at(0).value_or("NULL"));
    return v;
}

std::vector<ResultSet> withColumns(const BatchResult& r) {
    std::vector<ResultSet> v;
    for (const ResultSet& rs : r.results)
        if (!rs.columns.empty())
            v.push_back(rs);
    return v;
}

// The first value of a batch that must succeed and return a row.
std::string scalar(OdbcClient& c, const std::string& sql) {
    BatchResult r = c.exec(sql);
    EXPECT_FALSE(r.anyError) << sql;
    for (const ResultSet& rs : r.results)
        if (!rs.rows.empty())
            return rs.rows[0].at(0).value_or("NULL");
    ADD_FAILURE() << "no rows: " << sql;
    return {};
}

double secondsSince(Clock::time_point t) {
    return std::chrono::duration<double>(Clock::now() - t).count();
}

class ServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        srv_.createDatabase("db1", "CREATE TABLE t(id int PRIMARY KEY, name nvarchar(20));"
                                   "INSERT INTO t VALUES(1,'one'),(2,'two'),(3,'three');");
        srv_.createDatabase("db2", "CREATE TABLE t(id int, name nvarchar(20));"
                                   "INSERT INTO t VALUES(20,'twenty');");
    }
    void connect(OdbcClient& c, const std::string& db = "db1") {
        ASSERT_TRUE(SQL_SUCCEEDED(c.connect(srv_.odbcConnectionString("sa", "pw", db))))
            << (c.lastDiags().empty() ? "" : c.lastDiags()[0].text);
    }
    TestServer srv_;
};

TestServerOptions usersWithRoles() {
    TestServerOptions o;
    o.users =
        std::vector<User>{{"sa", "secret", {"db_owner", "readers"}}, {"guest", "p;w{d Ж=", {}}};
    return o;
}

} // namespace

// --- Login --------------------------------------------------------------------

TEST(Login, AcceptsUserFromUsersFileAndSelectsDatabase) {
    TestServer srv(usersWithRoles());
    srv.createDatabase("shop");
    OdbcClient c;
    ASSERT_TRUE(SQL_SUCCEEDED(c.connect(srv.odbcConnectionString("SA", "secret", "shop"))));
    EXPECT_EQ(scalar(c, "SELECT db_name() AS db"), "shop");
}

struct FailedLogin {
    const char* user;
    const char* password;
    const char* database;
    int native;
    const char* text;
};

class LoginFails : public ::testing::TestWithParam<FailedLogin> {};

TEST_P(LoginFails, WithTheServersMessage) {
    const FailedLogin& f = GetParam();
    TestServer srv(usersWithRoles());
    OdbcClient c;
    EXPECT_FALSE(
        SQL_SUCCEEDED(c.connect(srv.odbcConnectionString(f.user, f.password, f.database))));
    bool found = false;
    for (const Diag& d : c.lastDiags())
        found |= d.native == f.native && d.text == f.text;
    EXPECT_TRUE(found) << f.text;
    EXPECT_TRUE(c.exec("SELECT 1").anyError);
}

INSTANTIATE_TEST_SUITE_P(
    Login, LoginFails,
    ::testing::Values(
        FailedLogin{"sa", "wrong", "master", 18456, "Login failed for user 'sa'."},
        FailedLogin{"sa", "SECRET", "master", 18456, "Login failed for user 'sa'."},
        FailedLogin{"nobody", "secret", "master", 18456, "Login failed for user 'nobody'."},
        FailedLogin{"sa", "secret", "nope", 4060,
                    "Cannot open database \"nope\" requested by the login. The login failed."},
        FailedLogin{"sa", "secret", "../db1", 4060,
                    "Cannot open database \"../db1\" requested by the login. The login failed."}));

TEST(Login, PasswordWithSemicolonBraceAndCyrillic) {
    TestServer srv(usersWithRoles());
    OdbcClient c;
    EXPECT_TRUE(SQL_SUCCEEDED(c.connect(srv.odbcConnectionString("guest", "p;w{d Ж="))));
}

TEST(Login, WithoutUsersAnyLoginIsAcceptedAndMasterIsDefault) {
    TestServer srv;
    OdbcClient c;
    ASSERT_TRUE(SQL_SUCCEEDED(c.connect(srv.odbcConnectionString("anyone", "anything", ""))));
    EXPECT_EQ(scalar(c, "SELECT db_name()"), "master");
}

TEST(Login, SessionIdsAreNonZeroAndDistinct) {
    TestServer srv;
    OdbcClient a, b;
    ASSERT_TRUE(SQL_SUCCEEDED(a.connect(srv.odbcConnectionString("sa", "x"))));
    ASSERT_TRUE(SQL_SUCCEEDED(b.connect(srv.odbcConnectionString("sa", "x"))));
    const std::string sa = scalar(a, "SELECT @@SPID");
    const std::string sb = scalar(b, "SELECT @@SPID");
    EXPECT_NE(std::stoi(sa), 0);
    EXPECT_NE(sa, sb);
}

TEST(Login, UsersFileFormat) {
    char path[] = "/tmp/tdsusers-XXXXXX";
    int fd = ::mkstemp(path);
    ASSERT_GE(fd, 0);
    ::close(fd);
    {
        std::ofstream f(path);
        f << "# comment\n\nsa\tsecret\tdb_owner, readers\r\nbob\tpw\nnopw\n";
    }
    auto users = loadUsersFile(path);
    std::remove(path);
    ASSERT_EQ(users.size(), 3u);
    EXPECT_EQ(users[0].name, "sa");
    EXPECT_EQ(users[0].password, "secret");
    EXPECT_EQ(users[0].roles, (std::vector<std::string>{"db_owner", "readers"}));
    EXPECT_EQ(users[1].password, "pw");
    EXPECT_TRUE(users[1].roles.empty());
    EXPECT_EQ(users[2].password, "");
    EXPECT_THROW(loadUsersFile("/nonexistent/users"), std::runtime_error);
}

// --- Batches -----------------------------------------------------------------

TEST_F(ServerTest, PrintIsAnInfoMessage) {
    OdbcClient c;
    connect(c);
    auto r = c.exec("PRINT 'hello'; PRINT N'a' + 'б' + CAST(1 + 1 AS varchar(5))");
    EXPECT_EQ(r.execRc, SQL_SUCCESS_WITH_INFO);
    std::vector<std::string> infos;
    for (const Diag& d : r.diags) {
        EXPECT_EQ(d.state, "01000");
        EXPECT_EQ(d.native, 0);
        infos.push_back(d.text);
    }
    EXPECT_EQ(infos, (std::vector<std::string>{"hello", "aб2"}));
}

TEST_F(ServerTest, SeveralResultSetsAndCounts) {
    OdbcClient c;
    connect(c);
    auto r = c.exec("SELECT id FROM t ORDER BY id; SELECT 'x' AS b, 2 AS c;"
                    "INSERT INTO t VALUES(4, 'four'); SELECT name FROM t WHERE id = 4;"
                    "SELECT * FROM t WHERE 1 = 0");
    EXPECT_FALSE(r.anyError);
    EXPECT_EQ(r.events, (std::vector<std::string>{"columns:1", "row:1", "row:2", "row:3",
                                                  "columns:2", "row:x|2", "count:1", "columns:1",
                                                  "row:four", "columns:2"}));
    auto sets = withColumns(r);
    ASSERT_EQ(sets.size(), 4u);
    EXPECT_EQ(sets[1].columns, (std::vector<std::string>{"b", "c"}));
    EXPECT_TRUE(sets[3].rows.empty());
}

TEST_F(ServerTest, StatementsWithoutSemicolons) {
    OdbcClient c;
    connect(c);
    auto r = c.exec("PRINT 'a'\nSELECT 1 AS one\nUPDATE t SET name = 'uno' WHERE id = 1\n"
                    "SELECT name FROM t WHERE id = 1");
    EXPECT_EQ(r.events, (std::vector<std::string>{"info:a", "count:-1", "columns:1", "row:1",
                                                  "count:1", "columns:1", "row:uno"}));
}

TEST_F(ServerTest, ColumnTypesAndNulls) {
    srv_.execSqlite("db1", R"(
        CREATE TABLE ty(i int, bi bigint, si smallint, ti tinyint, b bit, d decimal(10,3),
            n numeric(5,0), m money, f float, r real, dt datetime, da date, tm time,
            vc varchar(10), nv nvarchar(20), c char(5), tx text, g uniqueidentifier,
            vb varbinary(8), d2 datetime2(3), sm smallmoney);
        INSERT INTO ty VALUES(-5, 9000000000, -300, 200, 1, '1234.567', 99999, 12.3456, 1.5,
            2.25, '2024-02-29 13:45:10.123', '2024-02-29', '13:45:10.1234567', 'abc',
            'Привет', 'ab', 'long text', '6F9619FF-8B86-D011-B42D-00C04FC964FF', X'0102FF',
            '2024-01-02 03:04:05.678', -1.25);
        INSERT INTO ty DEFAULT VALUES;)");
    OdbcClient c;
    connect(c);
    auto r = c.exec("SELECT * FROM ty");
    ASSERT_FALSE(r.anyError) << (r.diags.empty() ? "" : r.diags[0].text);
    auto sets = withColumns(r);
    ASSERT_EQ(sets.size(), 1u);
    const ResultSet& rs = sets[0];
    ASSERT_EQ(rs.rows.size(), 2u);
    const Row expected = {"-5",
                          "9000000000",
                          "-300",
                          "200",
                          "1",
                          "1234.567",
                          "99999",
                          "12.3456",
                          "1.5",
                          "2.25",
                          "2024-02-29 13:45:10.123",
                          "2024-02-29",
                          "13:45:10.1234567",
                          "abc",
                          "Привет",
                          "ab   ",
                          "long text",
                          "6F9619FF-8B86-D011-B42D-00C04FC964FF",
                          "0102ff",
                          "2024-01-02 03:04:05.678",
                          "-1.2500"};
    EXPECT_EQ(rs.rows[0], expected);
    for (const auto& v : rs.rows[1])
        EXPECT_FALSE(v.has_value());
    const std::vector<SQLSMALLINT> types = {SQL_INTEGER,
                                            SQL_BIGINT,
                                            SQL_SMALLINT,
                                            SQL_TINYINT,
                                            SQL_BIT,
                                            SQL_NUMERIC,
                                            SQL_NUMERIC,
                                            SQL_DECIMAL,
                                            SQL_DOUBLE,
                                            SQL_REAL,
                                            SQL_TYPE_TIMESTAMP,
                                            SQL_TYPE_DATE,
                                            -154 /* SQL_SS_TIME2 */,
                                            SQL_WVARCHAR,
                                            SQL_WVARCHAR,
                                            SQL_WCHAR,
                                            SQL_WLONGVARCHAR,
                                            SQL_GUID,
                                            SQL_VARBINARY,
                                            SQL_TYPE_TIMESTAMP,
                                            SQL_DECIMAL};
    ASSERT_EQ(rs.sqlTypes.size(), types.size());
    for (std::size_t i = 0; i < types.size(); ++i)
        EXPECT_EQ(rs.sqlTypes[i], types[i]) << "column " << rs.columns[i];
    EXPECT_EQ(rs.sizes[13], 10u); // varchar(10)
    EXPECT_EQ(rs.sizes[14], 20u); // nvarchar(20)
    EXPECT_EQ(rs.sizes[15], 5u);  // char(5)
}

TEST_F(ServerTest, ExpressionColumnsAreTypedFromTheirValues) {
    OdbcClient c;
    connect(c);
    auto r = c.exec("SELECT 1, 3000000000, 2.5, 'abc', X'01', NULL, count(*) AS n FROM t");
    auto sets = withColumns(r);
    ASSERT_EQ(sets.size(), 1u);
    const ResultSet& rs = sets[0];
    EXPECT_EQ(rs.rows.at(0), (Row{"1", "3000000000", "2.5", "abc", "01", std::nullopt, "3"}));
    EXPECT_EQ(rs.sqlTypes,
              (std::vector<SQLSMALLINT>{SQL_INTEGER, SQL_BIGINT, SQL_DOUBLE, SQL_WVARCHAR,
                                        SQL_VARBINARY, SQL_INTEGER, SQL_INTEGER}));
    EXPECT_EQ(rs.sizes[3], 3u);
    // Unaliased expressions have no name, as in SQL Server.
    EXPECT_EQ(rs.columns, (std::vector<std::string>{"", "", "", "", "", "", "n"}));
}

TEST_F(ServerTest, BadStoredValueGivesConversionError) {
    srv_.execSqlite("db1", "CREATE TABLE bad(i int, d datetime);"
                           "INSERT INTO bad VALUES(1, '2020-01-01'), ('x', 'y');");
    OdbcClient c;
    connect(c);
    auto r = c.exec("SELECT i FROM bad ORDER BY rowid");
    EXPECT_TRUE(r.hasDiag(245, "Conversion failed when converting the nvarchar value 'x' to "
                               "data type int."));
    auto r2 = c.exec("SELECT 1; SELECT d FROM bad WHERE i = 'x'");
    EXPECT_TRUE(r2.hasDiag(241));
}

TEST_F(ServerTest, CyrillicRoundTrip) {
    OdbcClient c;
    connect(c);
    const std::string text = "Съешь же ещё этих мягких французских булок";
    auto ins = c.exec("INSERT INTO t VALUES(10, N'" + text.substr(0, 20) + "')");
    ASSERT_FALSE(ins.anyError);
    auto r = c.exec("SELECT name AS [Имя] FROM t WHERE id = 10; PRINT N'Готово'");
    auto sets = withColumns(r);
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets[0].columns.at(0), "Имя");
    EXPECT_EQ(sets[0].rows.at(0).at(0), text.substr(0, 20));
    EXPECT_TRUE(r.hasDiag(0, "Готово"));
    // Stored as UTF-8 in SQLite.
    EXPECT_EQ(srv_.querySqlite("db1", "SELECT name FROM t WHERE id = 10").at(0).at(0),
              text.substr(0, 20));
    auto e = c.exec("RAISERROR(N'Ошибка %s', 16, 1, N'ж')");
    EXPECT_TRUE(e.hasDiag(50000, "Ошибка ж"));
}

TEST_F(ServerTest, RaiserrorSeverities) {
    OdbcClient c;
    connect(c);
    auto low = c.exec("RAISERROR('low %s %d', 10, 1, 'x', 5)");
    EXPECT_EQ(low.execRc, SQL_SUCCESS_WITH_INFO);
    ASSERT_EQ(low.diags.size(), 1u);
    EXPECT_EQ(low.diags[0].state, "01000");
    EXPECT_EQ(low.diags[0].native, 50000);
    EXPECT_EQ(low.diags[0].text, "low x 5");

    auto high = c.exec("RAISERROR('high', 16, 1) WITH NOWAIT; INSERT INTO t VALUES(5, 'after')");
    EXPECT_EQ(high.execRc, SQL_ERROR);
    EXPECT_TRUE(high.hasDiag(50000, "high"));
    EXPECT_NE(high.diags.at(0).state, "01000");
    // The next statement of the batch still ran.
    EXPECT_EQ(srv_.querySqlite("db1", "SELECT name FROM t WHERE id = 5").size(), 1u);
}

TEST_F(ServerTest, StatementErrorThenNextStatementsRun) {
    OdbcClient c;
    connect(c);
    auto r = c.exec("SELECT 1 AS a; SELECT x FROM missing; SELECT 2 AS b");
    EXPECT_EQ(r.events, (std::vector<std::string>{"columns:1", "row:1",
                                                  "error:208:Invalid object name 'missing'.",
                                                  "columns:1", "row:2"}));
    auto r2 = c.exec("INSERT INTO t VALUES(1, 'dup'); INSERT INTO t VALUES(6, 'six')");
    EXPECT_EQ(r2.execRc, SQL_ERROR);
    EXPECT_TRUE(r2.hasDiag(2627));
    EXPECT_EQ(srv_.querySqlite("db1", "SELECT name FROM t WHERE id = 6").size(), 1u);
    auto syntax = c.exec("SELEC 1");
    EXPECT_TRUE(syntax.hasDiag(102, "Incorrect syntax near 'SELEC'."));
    // The connection stays usable.
    EXPECT_EQ(scalar(c, "SELECT count(*) FROM t"), "4");
}

TEST_F(ServerTest, UseChangesDatabase) {
    OdbcClient c;
    connect(c);
    auto r = c.exec("USE db2");
    EXPECT_TRUE(r.hasDiag(5701, "Changed database context to 'db2'."));
    auto n = c.exec("SELECT db_name(), name FROM t");
    EXPECT_EQ(withColumns(n).at(0).rows.at(0), (Row{"db2", "twenty"}));
    auto bad = c.exec("USE nowhere");
    EXPECT_TRUE(bad.hasDiag(911));
    EXPECT_EQ(scalar(c, "SELECT db_name()"), "db2");
}

TEST_F(ServerTest, ThreePartNamesReachOtherDatabases) {
    OdbcClient c;
    connect(c);
    auto r = c.exec("SELECT a.name, b.name FROM db1.dbo.t a, db2..t b WHERE a.id = 1;"
                    "SELECT name FROM dbo.t WHERE id = 2");
    auto sets = withColumns(r);
    ASSERT_EQ(sets.size(), 2u) << (r.diags.empty() ? "" : r.diags[0].text);
    EXPECT_EQ(sets[0].rows.at(0), (Row{"one", "twenty"}));
    EXPECT_EQ(sets[1].rows.at(0), (Row{"two"}));
}

TEST_F(ServerTest, DatabaseListAndVersion) {
    OdbcClient c;
    connect(c);
    auto r = c.exec("SELECT name FROM master.dbo.sysdatabases ORDER BY name;"
                    "SELECT name FROM sys.databases WHERE database_id = 1;"
                    "SELECT @@VERSION");
    auto sets = withColumns(r);
    ASSERT_EQ(sets.size(), 3u);
    EXPECT_EQ(column0(sets[0]), (std::vector<std::string>{"db1", "db2", "master"}));
    EXPECT_EQ(column0(sets[1]), (std::vector<std::string>{"master"}));
    EXPECT_EQ(sets[2].rows.at(0).at(0)->rfind("Microsoft SQL Server", 0), 0u);
}

TEST(Roles, IsMemberComesFromTheUsersFile) {
    TestServer srv(usersWithRoles());
    OdbcClient sa, guest;
    ASSERT_TRUE(SQL_SUCCEEDED(sa.connect(srv.odbcConnectionString("sa", "secret"))));
    ASSERT_TRUE(SQL_SUCCEEDED(guest.connect(srv.odbcConnectionString("guest", "p;w{d Ж="))));
    const std::string q = "SELECT is_member('db_owner'), is_member('READERS'), is_member('other'), "
                          "is_member('public')";
    EXPECT_EQ(withColumns(sa.exec(q)).at(0).rows.at(0), (Row{"1", "1", "0", "1"}));
    EXPECT_EQ(withColumns(guest.exec(q)).at(0).rows.at(0), (Row{"0", "0", "0", "1"}));
}

TEST_F(ServerTest, SetNocountDropsCounts) {
    OdbcClient c;
    connect(c);
    auto r = c.exec("SET NOCOUNT ON; INSERT INTO t VALUES(7, 'seven'); SELECT 1 AS x");
    EXPECT_EQ(r.events, (std::vector<std::string>{"columns:1", "row:1"}));
    auto off = c.exec("SET NOCOUNT OFF; INSERT INTO t VALUES(8, 'eight')");
    EXPECT_EQ(off.events, (std::vector<std::string>{"count:1"}));
}

// --- Time-outs, cancel, lost connections --------------------------------------

// Waits and results that would outlast the test's time limit: only the server's handling of the
// cancel lets these tests end, so no clock decides them.

TEST_F(ServerTest, WaitforLongerThanTheQueryTimeoutTimesOut) {
    OdbcClient c;
    connect(c);
    auto r = c.exec("WAITFOR DELAY '01:00:00'", 1);
    EXPECT_EQ(r.execRc, SQL_ERROR);
    bool timeout = false;
    for (const Diag& d : r.diags)
        timeout |= d.state == "HYT00";
    EXPECT_TRUE(timeout);
    EXPECT_EQ(scalar(c, "SELECT 42"), "42");
}

TEST_F(ServerTest, ShortWaitforCompletes) {
    OdbcClient c;
    connect(c);
    auto start = Clock::now();
    auto r = c.exec("WAITFOR DELAY '00:00:00.300'; SELECT 1", 5);
    EXPECT_GE(secondsSince(start), 0.29);
    EXPECT_FALSE(r.anyError);
}

TEST_F(ServerTest, RaiserrorWithNowaitArrivesBeforeTheBatchEnds) {
    OdbcClient c;
    connect(c);
    SQLHSTMT st;
    SQLRETURN rc =
        c.start("RAISERROR('step 1', 0, 1) WITH NOWAIT; WAITFOR DELAY '01:00:00'; SELECT 1", st);
    EXPECT_EQ(rc, SQL_SUCCESS_WITH_INFO);
    auto diags = collectDiags(SQL_HANDLE_STMT, st);
    ASSERT_FALSE(diags.empty());
    EXPECT_EQ(diags[0].text, "step 1");
    EXPECT_TRUE(SQL_SUCCEEDED(SQLCancel(st)));
    SQLFreeHandle(SQL_HANDLE_STMT, st);
    EXPECT_EQ(scalar(c, "SELECT 42"), "42");
}

TEST_F(ServerTest, CancelWhileStreamingALargeResult) {
    srv_.createBenchTable("db1", "big", 1000);
    OdbcClient c;
    connect(c);
    SQLHSTMT st;
    // A billion rows.
    ASSERT_TRUE(SQL_SUCCEEDED(c.start("SELECT a.* FROM big a, big b, big c", st)));
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(SQL_SUCCEEDED(SQLFetch(st)));
    EXPECT_TRUE(SQL_SUCCEEDED(SQLCancel(st)));
    SQLFreeHandle(SQL_HANDLE_STMT, st);
    EXPECT_EQ(scalar(c, "SELECT count(*) FROM big"), "1000");
}

TEST_F(ServerTest, ShutdownWithNowaitDropsTheConnection) {
    OdbcClient c;
    connect(c);
    auto r = c.exec("SELECT 1; SHUTDOWN WITH NOWAIT");
    EXPECT_TRUE(r.anyError);
    auto after = c.exec("SELECT 1");
    EXPECT_TRUE(after.anyError);
    bool linkFailure = false;
    for (const Diag& d : after.diags)
        linkFailure |= d.state == "08S01";
    EXPECT_TRUE(linkFailure);
    // The server goes on serving others.
    OdbcClient other;
    connect(other);
    EXPECT_FALSE(other.exec("SELECT 1").anyError);
}

TEST_F(ServerTest, ClientThatLeavesMidResultDoesNotHurtTheServer) {
    srv_.createBenchTable("db1", "big", 100000);
    {
        OdbcClient c;
        connect(c);
        SQLHSTMT st;
        ASSERT_TRUE(SQL_SUCCEEDED(c.start("SELECT * FROM big", st)));
        ASSERT_TRUE(SQL_SUCCEEDED(SQLFetch(st)));
        // Close the socket under the driver's feet, then let it go.
        SQLINTEGER fd = -1;
        for (int s = 3; s < 1024; ++s) {
            sockaddr_storage peer{};
            socklen_t len = sizeof peer;
            if (::getpeername(s, reinterpret_cast<sockaddr*>(&peer), &len) == 0 &&
                peer.ss_family == AF_INET &&
                ntohs(reinterpret_cast<sockaddr_in*>(&peer)->sin_port) == srv_.port())
                fd = s;
        }
        ASSERT_GE(fd, 0);
        ::shutdown(fd, SHUT_RDWR);
        SQLFetch(st);
        SQLFreeHandle(SQL_HANDLE_STMT, st);
    }
    // The server notices on its own; the test's time limit catches a session that never ends.
    while (srv_.server().activeConnections() > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    OdbcClient other;
    connect(other);
    EXPECT_FALSE(other.exec("SELECT 1").anyError);
}

TEST_F(ServerTest, StoppingTheServerDropsConnections) {
    OdbcClient c;
    connect(c);
    srv_.stop();
    EXPECT_TRUE(c.exec("SELECT 1").anyError);
}

TEST_F(ServerTest, ManyConnectionsAtOnce) {
    constexpr int kClients = 8;
    std::atomic<int> ok{0};
    std::vector<std::thread> threads;
    // Every client is logged in before any runs its batch: a server that served one connection
    // at a time would never let them all in.
    std::latch allIn(kClients);
    for (int i = 0; i < kClients; ++i) {
        threads.emplace_back([&, i] {
            OdbcClient c;
            const bool connected =
                SQL_SUCCEEDED(c.connect(srv_.odbcConnectionString("sa", "pw", "db1")));
            allIn.arrive_and_wait();
            if (!connected)
                return;
            auto r = c.exec("WAITFOR DELAY '00:00:00.500'; INSERT INTO t VALUES(" +
                            std::to_string(100 + i) + ", 'c'); SELECT count(*) FROM t");
            if (!r.anyError)
                ++ok;
        });
    }
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(ok, kClients);
    EXPECT_EQ(srv_.querySqlite("db1", "SELECT count(*) FROM t WHERE id >= 100").at(0).at(0), "8");
}

// --- The program ---------------------------------------------------------------

namespace {

long statusKb(pid_t pid, const char* key) {
    std::ifstream f("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(f, line))
        if (line.rfind(key, 0) == 0)
            return std::atol(line.c_str() + std::strlen(key));
    return -1;
}

} // namespace

TEST(Program, StreamsAMillionRowsWithFlatMemory) {
    char dir[] = "/tmp/tdsprog-XXXXXX";
    ASSERT_TRUE(::mkdtemp(dir));
    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], 1);
        ::close(out[0]);
        ::execl(TDSSERVER_EXE, TDSSERVER_EXE, "--port", "0", "--data", dir, "--bench-table",
                "bench:big:1000000", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(out[1]);
    FILE* f = ::fdopen(out[0], "r");
    char line[64] = {};
    ASSERT_TRUE(std::fgets(line, sizeof line, f));
    const int port = std::atoi(line);
    ASSERT_GT(port, 0);
    const long rssBefore = statusKb(pid, "VmRSS:");

    OdbcClient c;
    ASSERT_TRUE(SQL_SUCCEEDED(c.connect(
        "DRIVER={" + freetdsDriverPath() + "};SERVER=127.0.0.1;PORT=" + std::to_string(port) +
        ";TDS_Version=7.4;ClientCharset=UTF-8;UID=sa;PWD=x;DATABASE=bench;")));
    auto start = Clock::now();
    EXPECT_EQ(c.countRows("SELECT * FROM big"), 1000000);
    const double seconds = secondsSince(start);
    const long peak = statusKb(pid, "VmHWM:");
    std::printf("1000000 rows in %.2f s; server RSS %ld kB before, peak %ld kB\n", seconds,
                rssBefore, peak);
    EXPECT_LT(peak - rssBefore, 16 * 1024) << "server memory grew with the row count";

    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
    std::fclose(f);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    std::filesystem::remove_all(dir);
}

TEST(Program, UsersFileAndEndOfStandardInput) {
    char dir[] = "/tmp/tdsprog-XXXXXX";
    ASSERT_TRUE(::mkdtemp(dir));
    const std::string users = std::string(dir) + "/users.txt";
    {
        std::ofstream f(users);
        f << "sa\tsecret\tdb_owner\n";
    }
    int out[2], in[2];
    ASSERT_EQ(::pipe(out), 0);
    ASSERT_EQ(::pipe(in), 0);
    pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], 1);
        ::dup2(in[0], 0);
        ::close(out[0]);
        ::close(in[1]);
        ::execl(TDSSERVER_EXE, TDSSERVER_EXE, "--data", dir, "--users", users.c_str(),
                "--exit-on-stdin-eof", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(in[0]);
    FILE* f = ::fdopen(out[0], "r");
    char line[64] = {};
    ASSERT_TRUE(std::fgets(line, sizeof line, f));
    const std::string base = "DRIVER={" + freetdsDriverPath() +
                             "};SERVER=127.0.0.1;PORT=" + std::to_string(std::atoi(line)) +
                             ";TDS_Version=7.4;ClientCharset=UTF-8;UID=sa;";
    {
        OdbcClient bad, good;
        EXPECT_FALSE(SQL_SUCCEEDED(bad.connect(base + "PWD=wrong")));
        ASSERT_TRUE(SQL_SUCCEEDED(good.connect(base + "PWD=secret")));
        EXPECT_EQ(scalar(good, "SELECT is_member('db_owner')"), "1");
    }
    ::close(in[1]); // end of standard input stops the server
    int status = 0;
    ::waitpid(pid, &status, 0);
    std::fclose(f);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    std::filesystem::remove_all(dir);
}

// --- T-SQL layer units ---------------------------------------------------------

namespace {

std::vector<std::string> split(const std::string& batch) {
    std::vector<std::string> v;
    for (const auto& s : sql::splitBatch(batch)) {
        std::string t = sql::joinTokens(s.tokens);
        t.erase(0, t.find_first_not_of(" \n"));
        t.erase(t.find_last_not_of(" \n") + 1);
        v.push_back(t);
    }
    return v;
}

std::string rewrite(const std::string& s) {
    sql::RewriteContext ctx;
    ctx.schemaFor = [](const std::string& db) { return db == "cur" ? "main" : db; };
    return sql::rewrite(sql::tokenize(s), ctx);
}

} // namespace

TEST(TsqlLayer, SplitsBatchesLikeSqlServer) {
    using V = std::vector<std::string>;
    const std::pair<const char*, V> cases[] = {
        {"SELECT 1; SELECT 2", V{"SELECT 1", "SELECT 2"}},
        {"PRINT 'a'\nSELECT 1\nSELECT 2", V{"PRINT 'a'", "SELECT 1", "SELECT 2"}},
        {"INSERT INTO t (a) SELECT 1 UNION ALL SELECT 2 SELECT 3",
         V{"INSERT INTO t (a) SELECT 1 UNION ALL SELECT 2", "SELECT 3"}},
        {"INSERT INTO t VALUES (1) SELECT 2", V{"INSERT INTO t VALUES (1)", "SELECT 2"}},
        {"UPDATE t SET a = 1 SET NOCOUNT ON", V{"UPDATE t SET a = 1", "SET NOCOUNT ON"}},
        {"WITH c(x) AS (SELECT 1) SELECT x FROM c DELETE FROM t",
         V{"WITH c(x) AS (SELECT 1) SELECT x FROM c", "DELETE FROM t"}},
        {"CREATE TABLE c(p int REFERENCES t ON DELETE SET NULL ON UPDATE CASCADE) DROP TABLE c",
         V{"CREATE TABLE c(p int REFERENCES t ON DELETE SET NULL ON UPDATE CASCADE)",
           "DROP TABLE c"}},
        {"CREATE TRIGGER tr AFTER INSERT ON t BEGIN UPDATE u SET n = CASE WHEN 1 THEN 2 END; "
         "DELETE FROM v; END; SELECT 1",
         V{"CREATE TRIGGER tr AFTER INSERT ON t BEGIN UPDATE u SET n = CASE WHEN 1 THEN 2 END; "
           "DELETE FROM v; END",
           "SELECT 1"}},
        {"RAISERROR('x', 1, 1) WITH NOWAIT WAITFOR DELAY '00:00:01'",
         V{"RAISERROR('x', 1, 1) WITH NOWAIT", "WAITFOR DELAY '00:00:01'"}},
        {"SELECT ';' -- ; comment\n/* ; /* nested ; */ */ ; ;",
         V{"SELECT ';' -- ; comment\n/* ; /* nested ; */ */"}},
    };
    for (const auto& [batch, statements] : cases)
        EXPECT_EQ(split(batch), statements) << batch;
    EXPECT_EQ(sql::splitBatch("SELECT 1\n\n  SELECT 2")[1].line, 3);
}

TEST(TsqlLayer, RewritesTsqlSpellings) {
    const std::pair<const char*, const char*> cases[] = {
        {"SELECT N'x', 0x0aB, @@VERSION, @@spid", "SELECT 'x', X'00aB', vx_version(), vx_spid()"},
        {"SELECT * FROM dbo.t JOIN [cur].dbo.[u] ON 1 JOIN other..v ON 1",
         "SELECT * FROM t JOIN \"main\".[u] ON 1 JOIN \"other\".v ON 1"},
        {"SELECT name FROM master.dbo.sysdatabases", "SELECT name FROM temp.vx_sysdatabases"},
        {"SELECT name FROM sys.databases", "SELECT name FROM temp.vx_sysdatabases"},
        {"SELECT a.b FROM t a", "SELECT a.b FROM t a"},
        {"SELECT 'a' + b + 'c', 1 + 2, ('x' + (y + 1)) FROM t",
         "SELECT 'a' || b || 'c', 1 + 2, ('x' || (y + 1)) FROM t"},
        {"CREATE TABLE t(s nvarchar(max), b varbinary(MAX), m int)",
         "CREATE TABLE t(s nvarchar(-1), b varbinary(-1), m int)"},
        {"SELECT max(x) FROM t -- dbo.t\n", "SELECT max(x) FROM t  \n"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(rewrite(in), out) << in;
}

TEST(TsqlLayer, DeclaredTypes) {
    struct Case {
        const char* decl;
        ColKind kind;
        int length, precision, scale;
    };
    const Case cases[] = {
        {"INTEGER", ColKind::Int, 0, 0, 0},
        {"int identity", ColKind::Int, 0, 0, 0},
        {"DECIMAL(10, 2)", ColKind::Decimal, 0, 10, 2},
        {"numeric", ColKind::Decimal, 0, 18, 0},
        {"double precision", ColKind::Float, 0, 0, 0},
        {"float(24)", ColKind::Real, 0, 0, 0},
        {"varchar(50)", ColKind::NVarChar, 50, 0, 0},
        {"nvarchar(max)", ColKind::NVarCharMax, 0, 0, 0},
        {"nvarchar(-1)", ColKind::NVarCharMax, 0, 0, 0},
        {"char(5)", ColKind::NChar, 5, 0, 0},
        {"text", ColKind::NText, 0, 0, 0},
        {"varbinary(8)", ColKind::VarBinary, 8, 0, 0},
        {"time(3)", ColKind::Time, 0, 0, 3},
        {"datetime2", ColKind::DateTime2, 0, 0, 7},
        {"uniqueidentifier", ColKind::Guid, 0, 0, 0},
    };
    for (const Case& c : cases) {
        auto t = columnTypeFromDecl(c.decl);
        ASSERT_TRUE(t) << c.decl;
        EXPECT_EQ(t->kind, c.kind) << c.decl;
        if (c.kind == ColKind::NVarChar || c.kind == ColKind::NChar ||
            c.kind == ColKind::VarBinary) {
            EXPECT_EQ(t->length, c.length) << c.decl;
        }
        EXPECT_EQ(t->precision, c.precision) << c.decl;
        EXPECT_EQ(t->scale, c.scale) << c.decl;
    }
    EXPECT_FALSE(columnTypeFromDecl("NUM"));
    EXPECT_FALSE(columnTypeFromDecl(""));
}

TEST(TsqlLayer, DateTimeTexts) {
    const std::pair<const char*, bool> cases[] = {
        {"2024-02-29 23:59:59.997", true},
        {"2024-02-29T23:59:59Z", true},
        {"2024-02-29", true},
        {"12:30", true},
        {"2023-02-29", false},
        {"2024-13-01", false},
        {"24:00:00", false},
        {"2024-01-01 12", false},
        {"", false},
        {"x", false},
    };
    for (const auto& [text, ok] : cases) {
        DateTimeParts p;
        EXPECT_EQ(parseDateTime(text, p), ok) << text;
    }
    DateTimeParts p;
    ASSERT_TRUE(parseDateTime(" 2024-02-29 23:59:59.9971234 ", p));
    EXPECT_EQ(p.nanos, 997123400);
    EXPECT_EQ(p.second, 59);
}
