#include "odbc_client.h"

#include "tds_wire.h"

namespace tdsserver::test {

std::basic_string<SQLWCHAR> toWide(const std::string& utf8) {
    std::u16string s = utf8ToUtf16(utf8);
    return std::basic_string<SQLWCHAR>(s.begin(), s.end());
}

std::string fromWide(const SQLWCHAR* p, std::size_t n) {
    std::u16string s(p, p + n);
    return utf16ToUtf8(s);
}

std::vector<Diag> collectDiags(SQLSMALLINT type, SQLHANDLE h) {
    std::vector<Diag> out;
    for (SQLSMALLINT i = 1;; ++i) {
        SQLWCHAR state[6] = {};
        SQLINTEGER native = 0;
        SQLWCHAR text[4096];
        SQLSMALLINT len = 0;
        SQLRETURN rc = SQLGetDiagRecW(type, h, i, state, &native, text, 4096, &len);
        if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO)
            break;
        Diag d;
        d.state = fromWide(state, 5);
        d.native = int(native);
        d.text = fromWide(text, std::size_t(std::min<SQLSMALLINT>(len, 4095)));
        for (const char* prefix : {"[FreeTDS][SQL Server]"}) {
            if (d.text.rfind(prefix, 0) == 0)
                d.text = d.text.substr(std::string(prefix).size());
        }
        out.push_back(d);
    }
    return out;
}

bool BatchResult::hasDiag(int native, const std::string& textPart) const {
    for (const Diag& d : diags)
        if (d.native == native && d.text.find(textPart) != std::string::npos)
            return true;
    return false;
}

bool BatchResult::hasText(const std::string& textPart) const {
    for (const Diag& d : diags)
        if (d.text.find(textPart) != std::string::npos)
            return true;
    return false;
}

OdbcClient::OdbcClient() {
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_);
    SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_);
}

OdbcClient::~OdbcClient() {
    if (connected_)
        SQLDisconnect(dbc_);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
    SQLFreeHandle(SQL_HANDLE_ENV, env_);
}

SQLRETURN OdbcClient::connect(const std::string& connectionString) {
    SQLSetConnectAttr(dbc_, SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(10), 0);
    auto w = toWide(connectionString);
    SQLWCHAR out[1024];
    SQLSMALLINT outLen = 0;
    SQLRETURN rc = SQLDriverConnectW(dbc_, nullptr, w.data(), SQLSMALLINT(w.size()), out, 1024,
                                     &outLen, SQL_DRIVER_NOPROMPT);
    diags_ = collectDiags(SQL_HANDLE_DBC, dbc_);
    connected_ = SQL_SUCCEEDED(rc);
    return rc;
}

namespace {

void addDiags(BatchResult& r, const std::vector<Diag>& ds) {
    for (const Diag& d : ds) {
        r.diags.push_back(d);
        if (d.state == "01000")
            r.events.push_back("info:" + d.text);
        else
            r.events.push_back("error:" + std::to_string(d.native) + ":" + d.text);
    }
}

void readResult(BatchResult& r, SQLHSTMT st, bool fetchRows) {
    ResultSet rs;
    SQLSMALLINT ncols = 0;
    SQLNumResultCols(st, &ncols);
    if (ncols == 0) {
        SQLRowCount(st, &rs.rowCount);
        r.events.push_back("count:" + std::to_string(rs.rowCount));
        r.results.push_back(std::move(rs));
        return;
    }
    r.events.push_back("columns:" + std::to_string(ncols));
    for (SQLUSMALLINT c = 1; c <= SQLUSMALLINT(ncols); ++c) {
        SQLWCHAR name[256];
        SQLSMALLINT nameLen = 0, type = 0, digits = 0, nullable = 0;
        SQLULEN size = 0;
        SQLDescribeColW(st, c, name, 256, &nameLen, &type, &size, &digits, &nullable);
        rs.columns.push_back(fromWide(name, std::size_t(std::min<SQLSMALLINT>(nameLen, 255))));
        rs.sqlTypes.push_back(type);
        rs.sizes.push_back(size);
    }
    for (;;) {
        SQLRETURN rc = SQLFetch(st);
        if (rc == SQL_NO_DATA)
            break;
        if (!SQL_SUCCEEDED(rc)) {
            r.anyError = true;
            addDiags(r, collectDiags(SQL_HANDLE_STMT, st));
            break;
        }
        if (rc == SQL_SUCCESS_WITH_INFO)
            addDiags(r, collectDiags(SQL_HANDLE_STMT, st));
        ++rs.fetched;
        if (!fetchRows)
            continue;
        Row row;
        std::string line = "row:";
        for (SQLUSMALLINT c = 1; c <= SQLUSMALLINT(ncols); ++c) {
            std::basic_string<SQLWCHAR> value;
            bool isNull = false;
            for (;;) {
                SQLWCHAR buf[1024];
                SQLLEN ind = 0;
                SQLRETURN g = SQLGetData(st, c, SQL_C_WCHAR, buf, sizeof buf, &ind);
                if (g == SQL_NO_DATA)
                    break;
                if (!SQL_SUCCEEDED(g)) {
                    r.anyError = true;
                    addDiags(r, collectDiags(SQL_HANDLE_STMT, st));
                    break;
                }
                if (ind == SQL_NULL_DATA) {
                    isNull = true;
                    break;
                }
                std::size_t chars = (ind == SQL_NO_TOTAL || ind >= SQLLEN(sizeof buf))
                                        ? sizeof buf / sizeof(SQLWCHAR) - 1
                                        : std::size_t(ind) / sizeof(SQLWCHAR);
                value.append(buf, chars);
                if (g == SQL_SUCCESS)
                    break;
            }
            if (isNull) {
                row.emplace_back();
                line += "NULL";
            } else {
                row.emplace_back(fromWide(value.data(), value.size()));
                line += *row.back();
            }
            if (c < ncols)
                line += "|";
        }
        r.events.push_back(line);
        rs.rows.push_back(std::move(row));
    }
    r.results.push_back(std::move(rs));
}

} // namespace

BatchResult OdbcClient::exec(const std::string& sql, int queryTimeoutSeconds, bool fetchRows) {
    BatchResult r;
    SQLHSTMT st = SQL_NULL_HSTMT;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &st))) {
        r.execRc = SQL_ERROR;
        r.anyError = true;
        addDiags(r, collectDiags(SQL_HANDLE_DBC, dbc_));
        return r;
    }
    if (queryTimeoutSeconds > 0)
        SQLSetStmtAttr(st, SQL_ATTR_QUERY_TIMEOUT,
                       reinterpret_cast<SQLPOINTER>(SQLULEN(queryTimeoutSeconds)), 0);
    auto w = toWide(sql);
    SQLRETURN rc = SQLExecDirectW(st, w.data(), SQLINTEGER(w.size()));
    r.execRc = rc;
    addDiags(r, collectDiags(SQL_HANDLE_STMT, st));
    int errorsInRow = 0;
    for (int guard = 0; guard < 10000 && rc != SQL_NO_DATA; ++guard) {
        if (rc == SQL_ERROR || rc == SQL_INVALID_HANDLE) {
            r.anyError = true;
            bool linkFailure = false;
            for (const Diag& d : r.diags)
                if (d.state.rfind("08", 0) == 0 || d.state == "HYT00")
                    linkFailure = true;
            if (linkFailure || ++errorsInRow > 3)
                break;
        } else {
            errorsInRow = 0;
            readResult(r, st, fetchRows);
        }
        rc = SQLMoreResults(st);
        addDiags(r, collectDiags(SQL_HANDLE_STMT, st));
    }
    SQLFreeHandle(SQL_HANDLE_STMT, st);
    return r;
}

SQLRETURN OdbcClient::start(const std::string& sql, SQLHSTMT& st) {
    st = SQL_NULL_HSTMT;
    SQLRETURN rc = SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &st);
    if (!SQL_SUCCEEDED(rc))
        return rc;
    auto w = toWide(sql);
    return SQLExecDirectW(st, w.data(), SQLINTEGER(w.size()));
}

long long OdbcClient::countRows(const std::string& sql) {
    BatchResult r = exec(sql, 0, false);
    long long n = 0;
    for (const auto& rs : r.results)
        n += rs.fetched;
    return r.anyError ? -1 : n;
}

} // namespace tdsserver::test
