// Plain ODBC calls through unixODBC and the FreeTDS driver, for the server tests.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <sql.h>
#include <sqlext.h>

namespace tdsserver::test {

struct Diag {
    std::string state;
    int native = 0;
    std::string text; // without the driver's "[FreeTDS][SQL Server]" prefix
};

using Row = std::vector<std::optional<std::string>>;

struct ResultSet {
    std::vector<std::string> columns;
    std::vector<SQLSMALLINT> sqlTypes;
    std::vector<SQLULEN> sizes;
    std::vector<Row> rows;
    SQLLEN rowCount = -1;  // SQLRowCount for results without columns
    long long fetched = 0; // rows fetched (also when values were not read)
};

struct BatchResult {
    SQLRETURN execRc = SQL_SUCCESS;
    bool anyError = false;
    std::vector<ResultSet> results;
    std::vector<Diag> diags;
    // Everything in arrival order: "info:<text>", "error:<number>:<text>",
    // "columns:<n>", "row:<v1>|<v2>...", "count:<n>".
    std::vector<std::string> events;

    bool hasDiag(int native, const std::string& textPart = {}) const;
    bool hasText(const std::string& textPart) const;
};

class OdbcClient {
public:
    OdbcClient();
    ~OdbcClient();
    OdbcClient(const OdbcClient&) = delete;
    OdbcClient& operator=(const OdbcClient&) = delete;

    // Returns the SQLDriverConnectW result; diagnostics in lastDiags().
    SQLRETURN connect(const std::string& connectionString);
    bool connected() const { return connected_; }
    const std::vector<Diag>& lastDiags() const { return diags_; }

    // Runs a batch and reads every result, message and error.
    BatchResult exec(const std::string& sql, int queryTimeoutSeconds = 0, bool fetchRows = true);
    // Allocates a statement and runs SQLExecDirectW on it; the caller frees `st`.
    SQLRETURN start(const std::string& sql, SQLHSTMT& st);
    // Reads `sql` counting rows without reading values (fast path for big results).
    long long countRows(const std::string& sql);

    SQLHDBC dbc() const { return dbc_; }

private:
    SQLHENV env_ = SQL_NULL_HENV;
    SQLHDBC dbc_ = SQL_NULL_HDBC;
    bool connected_ = false;
    std::vector<Diag> diags_;
};

std::vector<Diag> collectDiags(SQLSMALLINT type, SQLHANDLE h);
std::basic_string<SQLWCHAR> toWide(const std::string& utf8);
std::string fromWide(const SQLWCHAR* p, std::size_t n);

} // namespace tdsserver::test
