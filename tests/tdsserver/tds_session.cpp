#include "tds_session.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <sqlite3.h>
#include <sys/socket.h>

namespace tdsserver {

namespace fs = std::filesystem;
using sql::Tok;
using sql::Token;

namespace {

constexpr std::uint8_t kProductVersion[4] = {15, 0, 0x07, 0xD0}; // 15.0.2000
constexpr char kVersionText[] = "Microsoft SQL Server 2019 (RTM) - 15.0.2000.5 (X64) \n"
                                "\tVornalex TDS test server on SQLite " SQLITE_VERSION "\n";

enum : std::uint16_t { kCmdSelect = 0xC1, kCmdInsert = 0xC3, kCmdDelete = 0xC4, kCmdUpdate = 0xC5 };

std::string lowerAscii(std::string s) {
    for (char& c : s)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool iequals(const std::string& a, const std::string& b) {
    return lowerAscii(a) == lowerAscii(b);
}

bool isSymbolTok(const Token& t, const char* s) {
    return t.kind == Tok::Symbol && t.text == s;
}

bool identifierLike(const std::string& s) {
    if (s.empty())
        return false;
    auto start = [](unsigned char c) {
        return std::isalpha(c) || c == '_' || c == '@' || c == '#' || c >= 0x80;
    };
    auto part = [&](unsigned char c) { return start(c) || std::isdigit(c) || c == '$'; };
    if (!start(static_cast<unsigned char>(s[0])))
        return false;
    return std::all_of(s.begin(), s.end(),
                       [&](char c) { return part(static_cast<unsigned char>(c)); });
}

std::size_t utf16Length(const unsigned char* p, int n) {
    std::size_t len = 0;
    for (int i = 0; i < n; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            ++len;
        if ((p[i] & 0xF8) == 0xF0)
            ++len; // surrogate pair
    }
    return len;
}

std::string firstKeyword(const char* sqlText) {
    auto toks = sql::tokenize(sqlText ? sqlText : "");
    for (const Token& t : toks)
        if (sql::isSignificant(t))
            return sql::upper(t.text);
    return {};
}

// --- SQL functions -----------------------------------------------------------

Session* sessionOf(sqlite3_context* ctx) {
    return static_cast<Session*>(sqlite3_user_data(ctx));
}

void resultText(sqlite3_context* ctx, const std::string& s) {
    sqlite3_result_text(ctx, s.c_str(), int(s.size()), SQLITE_TRANSIENT);
}

void fnDbName(sqlite3_context* ctx, int, sqlite3_value**) {
    resultText(ctx, sessionOf(ctx)->databaseName());
}

void fnIsMember(sqlite3_context* ctx, int, sqlite3_value** argv) {
    const unsigned char* role = sqlite3_value_text(argv[0]);
    if (!role) {
        sqlite3_result_null(ctx);
        return;
    }
    sqlite3_result_int(ctx, sessionOf(ctx)->isMember(reinterpret_cast<const char*>(role)) ? 1 : 0);
}

void fnVersion(sqlite3_context* ctx, int, sqlite3_value**) {
    resultText(ctx, kVersionText);
}

void fnSpid(sqlite3_context* ctx, int, sqlite3_value**) {
    sqlite3_result_int(ctx, sessionOf(ctx)->spid());
}

void registerFunctions(sqlite3* db, Session* s) {
    struct Fn {
        const char* name;
        int argc;
        void (*fn)(sqlite3_context*, int, sqlite3_value**);
    };
    const Fn fns[] = {
        {"db_name", 0, fnDbName},     {"db_name", 1, fnDbName}, {"is_member", 1, fnIsMember},
        {"vx_version", 0, fnVersion}, {"vx_spid", 0, fnSpid},
    };
    for (const Fn& f : fns)
        sqlite3_create_function(db, f.name, f.argc, SQLITE_UTF8, s, f.fn, nullptr, nullptr);
}

// printf-like RAISERROR message formatting: %d %i %u %s %x %X %o %%.
std::string formatMessage(const std::string& fmt, sqlite3_stmt* st, int firstArg) {
    std::string out;
    int arg = firstArg;
    const int argc = sqlite3_column_count(st);
    for (std::size_t i = 0; i < fmt.size(); ++i) {
        if (fmt[i] != '%') {
            out += fmt[i];
            continue;
        }
        std::size_t j = i + 1;
        if (j < fmt.size() && fmt[j] == '%') {
            out += '%';
            i = j;
            continue;
        }
        while (j < fmt.size() && std::strchr("-+ #0123456789.*hlI", fmt[j]))
            ++j;
        if (j >= fmt.size()) {
            out += fmt.substr(i);
            break;
        }
        char conv = fmt[j];
        std::string value = "(null)";
        if (arg < argc && sqlite3_column_type(st, arg) != SQLITE_NULL) {
            if (conv == 's') {
                value = reinterpret_cast<const char*>(sqlite3_column_text(st, arg));
            } else {
                long long v = sqlite3_column_int64(st, arg);
                char buf[32];
                const char* f = conv == 'x'   ? "%llx"
                                : conv == 'X' ? "%llX"
                                : conv == 'o' ? "%llo"
                                : conv == 'u' ? "%llu"
                                              : "%lld";
                std::snprintf(buf, sizeof buf, f, v);
                value = buf;
            }
        }
        ++arg;
        out += value;
        i = j;
    }
    return out;
}

// Column type inference for expression columns.
struct Infer {
    bool anyInt = false, anyReal = false, anyText = false, anyBlob = false;
    std::int64_t minInt = 0, maxInt = 0;
    std::size_t maxText = 0, maxBlob = 0;

    void add(sqlite3_stmt* st, int c) {
        switch (sqlite3_column_type(st, c)) {
        case SQLITE_INTEGER: {
            std::int64_t v = sqlite3_column_int64(st, c);
            if (!anyInt)
                minInt = maxInt = v;
            anyInt = true;
            minInt = std::min(minInt, v);
            maxInt = std::max(maxInt, v);
            maxText = std::max<std::size_t>(maxText, std::to_string(v).size());
            break;
        }
        case SQLITE_FLOAT:
            anyReal = true;
            maxText = std::max<std::size_t>(maxText, 24);
            break;
        case SQLITE_TEXT: {
            anyText = true;
            const auto* p = sqlite3_column_text(st, c);
            maxText = std::max(maxText, utf16Length(p, sqlite3_column_bytes(st, c)));
            break;
        }
        case SQLITE_BLOB:
            anyBlob = true;
            maxBlob = std::max<std::size_t>(maxBlob, std::size_t(sqlite3_column_bytes(st, c)));
            break;
        default:
            break;
        }
    }

    ColumnType result(bool complete) const {
        ColumnType t;
        if (anyText) {
            t.kind = complete && maxText <= 4000 ? ColKind::NVarChar : ColKind::NVarCharMax;
            t.length = int(std::max<std::size_t>(1, maxText));
        } else if (anyBlob) {
            t.kind = complete && maxBlob <= 8000 ? ColKind::VarBinary : ColKind::VarBinaryMax;
            t.length = int(std::max<std::size_t>(1, maxBlob));
        } else if (anyReal) {
            t.kind = ColKind::Float;
        } else if (anyInt) {
            t.kind = complete && minInt >= INT32_MIN && maxInt <= INT32_MAX ? ColKind::Int
                                                                            : ColKind::BigInt;
        } else {
            t.kind = ColKind::Int;
        }
        return t;
    }
};

} // namespace

// -----------------------------------------------------------------------------

Session::Session(const ServerOptions& options, const std::atomic<bool>& stopping, int fd,
                 std::uint16_t spid)
    : options_(options), stopping_(stopping), ch_(fd), w_(ch_, spid, 4096), spid_(spid) {
    w_.setAfterPacketHook(&Session::afterPacket, this);
}

Session::~Session() {
    closeDatabase();
}

bool Session::isMember(const std::string& role) const {
    if (iequals(role, "public"))
        return true;
    return std::any_of(roles_.begin(), roles_.end(),
                       [&](const std::string& r) { return iequals(r, role); });
}

void Session::run() {
    try {
        Message m;
        if (!ch_.readMessage(m))
            return;
        if (m.type == kPacketPrelogin) {
            handlePrelogin(m);
            if (!ch_.readMessage(m))
                return;
        }
        if (m.type != kPacketLogin7 || !handleLogin(m))
            return;
        while (!stopping_) {
            if (!ch_.readMessage(m))
                return;
            switch (m.type) {
            case kPacketSqlBatch:
                handleBatch(m);
                break;
            case kPacketAttention:
                w_.done(kDoneAttn, 0, 0);
                w_.endMessage();
                break;
            default:
                replyError(50000, 16, "Unsupported request.");
                break;
            }
        }
    } catch (const ConnectionLost&) {
    }
}

void Session::replyError(int number, int severity, const std::string& text) {
    w_.message(true, number, 1, std::uint8_t(severity), text, options_.serverName, 1);
    w_.done(kDoneError, 0, 0);
    w_.endMessage();
}

// --- Login -------------------------------------------------------------------

void Session::handlePrelogin(const Message&) {
    // VERSION, ENCRYPTION (not supported), INSTOPT, THREADID, MARS (off).
    const int count = 5;
    const int hdr = count * 5 + 1;
    std::vector<std::uint8_t> p;
    auto option = [&](std::uint8_t token, int offset, int len) {
        p.push_back(token);
        p.push_back(std::uint8_t(offset >> 8));
        p.push_back(std::uint8_t(offset));
        p.push_back(std::uint8_t(len >> 8));
        p.push_back(std::uint8_t(len));
    };
    option(0, hdr, 6);
    option(1, hdr + 6, 1);
    option(2, hdr + 7, 1);
    option(3, hdr + 8, 0);
    option(4, hdr + 8, 1);
    p.push_back(0xFF);
    p.insert(p.end(), kProductVersion, kProductVersion + 4);
    p.push_back(0);
    p.push_back(0);
    p.push_back(2); // ENCRYPT_NOT_SUP
    p.push_back(0); // INSTOPT: default instance
    p.push_back(0); // MARS off
    w_.bytes(p.data(), p.size());
    w_.endMessage();
}

bool Session::handleLogin(const Message& m) {
    const auto& d = m.data;
    if (d.size() < 94)
        return false;
    auto u16at = [&](std::size_t o) { return std::size_t(d[o] | (d[o + 1] << 8)); };
    auto u32at = [&](std::size_t o) {
        return std::uint32_t(d[o] | (d[o + 1] << 8) | (d[o + 2] << 16) |
                             (std::uint32_t(d[o + 3]) << 24));
    };
    auto field = [&](int k, bool password = false) {
        std::size_t off = u16at(36 + 4 * std::size_t(k));
        std::size_t len = u16at(38 + 4 * std::size_t(k)) * 2;
        if (off + len > d.size())
            return std::string();
        std::vector<std::uint8_t> raw(d.begin() + std::ptrdiff_t(off),
                                      d.begin() + std::ptrdiff_t(off + len));
        if (password)
            for (auto& b : raw) {
                b ^= 0xA5;
                b = std::uint8_t((b << 4) | (b >> 4));
            }
        return utf16leToUtf8(raw.data(), raw.size());
    };
    std::uint32_t packetSize = u32at(8);
    login_ = field(1);
    const std::string password = field(2, true);
    const std::string language = field(7);
    std::string database = field(8);
    (void)language;

    auto fail = [&](const std::vector<TsqlError>& errors) {
        for (const auto& e : errors)
            w_.message(true, e.number, std::uint8_t(e.state), std::uint8_t(e.severity), e.text,
                       options_.serverName, 1);
        w_.done(kDoneError, 0, 0);
        w_.endMessage();
        return false;
    };
    const TsqlError loginFailed{18456, 14, 1, "Login failed for user '" + login_ + "'."};

    if (options_.users) {
        const User* found = nullptr;
        for (const User& u : *options_.users)
            if (iequals(u.name, login_))
                found = &u;
        if (!found || found->password != password)
            return fail({loginFailed});
        roles_ = found->roles;
    }
    if (database.empty())
        database = "master";
    std::optional<std::string> canon = findDatabase(database);
    if (!canon || !openDatabase(*canon))
        return fail({{4060, 11, 1,
                      "Cannot open database \"" + database +
                          "\" requested by the login. The login failed."},
                     loginFailed});

    const std::u16string db16 = utf8ToUtf16(dbName_);
    w_.envChange(1, db16, u"master");
    sendInfo(5701, 2, 0, "Changed database context to '" + dbName_ + "'.");
    w_.envChangeBytes(7, std::vector<std::uint8_t>(kCollation, kCollation + 5), {});
    w_.envChange(2, u"us_english", u"");
    sendInfo(5703, 1, 0, "Changed language setting to us_english.");
    // LOGINACK
    const std::u16string prog = u"Microsoft SQL Server";
    w_.u8(kTokenLoginAck);
    w_.u16(std::uint16_t(1 + 4 + 1 + 2 * prog.size() + 4));
    w_.u8(1); // SQL_TSQL
    w_.u8(0x74);
    w_.u8(0x00);
    w_.u8(0x00);
    w_.u8(0x04);
    w_.bVarchar(prog);
    w_.bytes(kProductVersion, 4);
    if (packetSize == 0)
        packetSize = 4096;
    packetSize = std::clamp<std::uint32_t>(packetSize, 512, 32767);
    const std::u16string size16 = utf8ToUtf16(std::to_string(packetSize));
    w_.envChange(4, size16, size16);
    w_.done(kDoneFinal, 0, 0);
    w_.endMessage();
    w_.setPacketSize(packetSize);
    return true;
}

// --- Databases ---------------------------------------------------------------

std::vector<std::string> Session::listDatabases() const {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(options_.dataDir, ec)) {
        if (e.path().extension() != ".db")
            continue;
        std::string stem = e.path().stem().string();
        if (!stem.empty() && stem[0] != '.' && !iequals(stem, "master"))
            names.push_back(stem);
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return lowerAscii(a) < lowerAscii(b);
    });
    names.insert(names.begin(), "master");
    return names;
}

std::optional<std::string> Session::findDatabase(const std::string& name) const {
    if (name.empty() || name[0] == '.' || name.find_first_of("/\\") != std::string::npos ||
        name.find('\0') != std::string::npos)
        return std::nullopt;
    for (const std::string& db : listDatabases())
        if (iequals(db, name))
            return db;
    return std::nullopt;
}

std::string Session::databasePath(const std::string& canon) const {
    if (iequals(canon, "master")) {
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(options_.dataDir, ec))
            if (e.path().extension() == ".db" && iequals(e.path().stem().string(), "master"))
                return e.path().string();
        return ":memory:";
    }
    return (fs::path(options_.dataDir) / (canon + ".db")).string();
}

bool Session::openDatabase(const std::string& canon) {
    const std::string path = databasePath(canon);
    sqlite3* db = nullptr;
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX;
    if (path == ":memory:")
        flags |= SQLITE_OPEN_CREATE;
    if (sqlite3_open_v2(path.c_str(), &db, flags, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return false;
    }
    closeDatabase();
    db_ = db;
    dbName_ = canon;
    sqlite3_busy_timeout(db_, 10000);
    sqlite3_exec(db_, "PRAGMA foreign_keys=ON", nullptr, nullptr, nullptr);
    registerFunctions(db_, this);
    sqlite3_progress_handler(db_, 20000, &Session::progress, this);
    return true;
}

void Session::closeDatabase() {
    if (db_)
        sqlite3_close_v2(db_);
    db_ = nullptr;
    attached_.clear();
}

std::string Session::schemaFor(const std::string& db) {
    std::optional<std::string> canon = findDatabase(db);
    if (!canon)
        throw TsqlError{911, 16, 1,
                        "Database '" + db +
                            "' does not exist. Make sure that the name is entered correctly."};
    if (iequals(*canon, dbName_))
        return "main";
    if (attached_.count(lowerAscii(*canon)))
        return *canon;
    std::string attach = "ATTACH DATABASE " + sql::quoteString(databasePath(*canon)) + " AS " +
                         sql::quoteName(*canon);
    char* err = nullptr;
    if (sqlite3_exec(db_, attach.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
        std::string msg = err ? err : "attach failed";
        sqlite3_free(err);
        throw TsqlError{50001, 16, 1, msg};
    }
    attached_.insert(lowerAscii(*canon));
    return *canon;
}

void Session::refreshSysDatabases() {
    execSimple("CREATE TEMP TABLE IF NOT EXISTS vx_sysdatabases(name nvarchar(128), "
               "dbid smallint, database_id int)");
    execSimple("DELETE FROM temp.vx_sysdatabases");
    int id = 1;
    for (const std::string& name : listDatabases()) {
        std::string ins = "INSERT INTO temp.vx_sysdatabases VALUES(" + sql::quoteString(name) +
                          "," + std::to_string(id) + "," + std::to_string(id) + ")";
        execSimple(ins.c_str());
        id = id == 1 ? 5 : id + 1;
    }
}

void Session::execSimple(const char* sqlText) {
    char* err = nullptr;
    if (sqlite3_exec(db_, sqlText, nullptr, nullptr, &err) != SQLITE_OK) {
        std::string msg = err ? err : "error";
        sqlite3_free(err);
        throw TsqlError{50001, 16, 1, msg};
    }
}

// --- Messages ----------------------------------------------------------------

TsqlError Session::sqliteError(int rc) const {
    const std::string msg = sqlite3_errmsg(db_);
    const int ext = sqlite3_extended_errcode(db_);
    auto after = [&](const std::string& prefix) { return msg.substr(prefix.size()); };
    auto starts = [&](const std::string& prefix) { return msg.rfind(prefix, 0) == 0; };
    if (starts("no such table: "))
        return {208, 16, 1, "Invalid object name '" + after("no such table: ") + "'."};
    if (starts("no such column: "))
        return {207, 16, 1, "Invalid column name '" + after("no such column: ") + "'."};
    if (starts("near \"")) {
        std::size_t end = msg.find("\": syntax error");
        if (end != std::string::npos)
            return {102, 15, 1, "Incorrect syntax near '" + msg.substr(6, end - 6) + "'."};
    }
    if (starts("table ") && msg.find(" already exists") != std::string::npos) {
        std::string name = msg.substr(6, msg.find(" already exists") - 6);
        if (name.size() >= 2 && name.front() == '"' && name.back() == '"')
            name = name.substr(1, name.size() - 2);
        return {2714, 16, 6, "There is already an object named '" + name + "' in the database."};
    }
    if (ext == SQLITE_CONSTRAINT_PRIMARYKEY || ext == SQLITE_CONSTRAINT_UNIQUE) {
        std::string cols = msg.substr(msg.find(": ") == std::string::npos ? 0 : msg.find(": ") + 2);
        std::string table = cols.substr(0, cols.find('.'));
        bool pk = ext == SQLITE_CONSTRAINT_PRIMARYKEY;
        return {pk ? 2627 : 2627, 14, 1,
                std::string("Violation of ") + (pk ? "PRIMARY KEY" : "UNIQUE KEY") +
                    " constraint. Cannot insert duplicate key in object 'dbo." + table + "'. (" +
                    msg + ")"};
    }
    if (ext == SQLITE_CONSTRAINT_NOTNULL) {
        std::string cols = msg.substr(msg.find(": ") == std::string::npos ? 0 : msg.find(": ") + 2);
        std::size_t dot = cols.find('.');
        std::string table = cols.substr(0, dot);
        std::string col = dot == std::string::npos ? cols : cols.substr(dot + 1);
        return {515, 16, 2,
                "Cannot insert the value NULL into column '" + col + "', table '" + dbName_ +
                    ".dbo." + table + "'; column does not allow nulls."};
    }
    return {50000 + (rc & 0xFF), 16, 1, msg};
}

void Session::sendError(const TsqlError& e) {
    if (e.severity <= 10) {
        sendInfo(e.number, e.state, e.severity, e.text);
        return;
    }
    w_.message(true, e.number, std::uint8_t(e.state), std::uint8_t(e.severity), e.text,
               options_.serverName, line_);
}

void Session::sendInfo(int number, int state, int severity, const std::string& text) {
    w_.message(false, number, std::uint8_t(state), std::uint8_t(severity), text,
               options_.serverName, line_);
}

// --- Attention ---------------------------------------------------------------

void Session::checkAttention(int timeoutMs) {
    if (attention_)
        return;
    switch (ch_.pollAttention(timeoutMs)) {
    case PacketChannel::PollResult::Attention:
        attention_ = true;
        break;
    case PacketChannel::PollResult::Closed:
        lost_ = true;
        throw ConnectionLost();
    case PacketChannel::PollResult::Nothing:
        break;
    }
}

void Session::afterPacket(void* self) {
    auto* s = static_cast<Session*>(self);
    if (s->stopping_)
        throw ConnectionLost();
    s->checkAttention(0);
}

int Session::progress(void* self) {
    auto* s = static_cast<Session*>(self);
    if (s->stopping_ || s->lost_)
        return 1;
    if (s->attention_)
        return 1;
    try {
        s->checkAttention(0);
    } catch (const ConnectionLost&) {
        return 1;
    }
    return s->attention_ ? 1 : 0;
}

// --- Batches -----------------------------------------------------------------

void Session::beginStatement() {
    if (pendingDone_.has) {
        w_.done(std::uint16_t(pendingDone_.status | kDoneMore), pendingDone_.curCmd,
                pendingDone_.count);
        pendingDone_.has = false;
    }
    if (flushAfterDone_) {
        flushAfterDone_ = false;
        w_.flushPartial();
    }
}

void Session::endStatement(std::uint16_t status, std::uint16_t curCmd, std::uint64_t count) {
    pendingDone_ = {true, status, curCmd, count};
}

void Session::handleBatch(const Message& m) {
    const auto& d = m.data;
    std::size_t skip = 0;
    if (d.size() >= 4) {
        std::size_t total = d[0] | (d[1] << 8) | (d[2] << 16) | (std::size_t(d[3]) << 24);
        if (total >= 4 && total <= d.size())
            skip = total;
    }
    const std::string text = utf16leToUtf8(d.data() + skip, d.size() - skip);
    attention_ = false;
    pendingDone_ = {};
    flushAfterDone_ = false;

    for (const sql::Statement& stmt : sql::splitBatch(text)) {
        if (attention_ || stopping_)
            break;
        line_ = stmt.line;
        execStatement(stmt);
    }
    if (lost_ || stopping_)
        throw ConnectionLost();
    const bool acknowledged = attention_;
    if (attention_) {
        if (pendingDone_.has)
            w_.done(std::uint16_t(pendingDone_.status | kDoneMore), pendingDone_.curCmd,
                    pendingDone_.count);
        w_.done(kDoneAttn, 0, 0);
    } else if (pendingDone_.has) {
        w_.done(std::uint16_t(pendingDone_.status & ~kDoneMore), pendingDone_.curCmd,
                pendingDone_.count);
    } else {
        w_.done(kDoneFinal, 0, 0);
    }
    pendingDone_ = {};
    w_.endMessage();
    if (attention_ && !acknowledged) { // came in while the last packets went out
        w_.done(kDoneAttn, 0, 0);
        w_.endMessage();
    }
}

void Session::execStatement(const sql::Statement& stmt) {
    const std::vector<Token> sig = sql::significant(stmt.tokens);
    if (sig.empty())
        return;
    beginStatement();
    const std::string k0 = sql::upper(sig[0].text);
    try {
        if (k0 == "PRINT") {
            doPrint(stmt.tokens);
        } else if (k0 == "RAISERROR") {
            doRaiserror(stmt.tokens);
        } else if (k0 == "WAITFOR") {
            doWaitfor(sig);
        } else if (k0 == "USE") {
            doUse(sig);
        } else if (k0 == "SET") {
            doSet(sig);
        } else if (k0 == "SHUTDOWN") {
            w_.flushPartial();
            lost_ = true;
            throw ConnectionLost();
        } else {
            runSql(stmt.tokens);
        }
    } catch (const TsqlError& e) {
        sendError(e);
        endStatement(e.severity > 10 ? kDoneError : kDoneFinal, 0, 0);
    }
}

void Session::runSql(const std::vector<Token>& tokens) {
    sql::RewriteContext ctx;
    ctx.schemaFor = [this](const std::string& db) { return schemaFor(db); };
    const std::string text = sql::rewrite(tokens, ctx);
    if (ctx.usesSysDatabases)
        refreshSysDatabases();
    const char* p = text.c_str();
    bool first = true;
    while (*p) {
        sqlite3_stmt* st = nullptr;
        const char* tail = nullptr;
        int rc = sqlite3_prepare_v2(db_, p, -1, &st, &tail);
        if (rc != SQLITE_OK) {
            if (!first)
                beginStatement();
            throw sqliteError(rc);
        }
        p = tail;
        if (!st)
            continue;
        if (!first)
            beginStatement();
        first = false;
        try {
            execPrepared(st);
        } catch (...) {
            sqlite3_finalize(st);
            throw;
        }
        sqlite3_finalize(st);
        if (attention_ || lost_)
            return;
    }
}

void Session::execPrepared(sqlite3_stmt* st) {
    if (sqlite3_column_count(st) > 0) {
        sendResultSet(st);
        return;
    }
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
    }
    if (lost_)
        throw ConnectionLost();
    if (rc != SQLITE_DONE) {
        if (rc == SQLITE_INTERRUPT && attention_)
            return;
        throw sqliteError(rc);
    }
    const std::string kw = firstKeyword(sqlite3_sql(st));
    std::uint16_t cmd = kw == "INSERT" || kw == "REPLACE"            ? kCmdInsert
                        : kw == "UPDATE"                             ? kCmdUpdate
                        : kw == "DELETE"                             ? kCmdDelete
                        : kw == "WITH" && !sqlite3_stmt_readonly(st) ? kCmdInsert
                                                                     : 0;
    if (cmd) {
        endStatement(nocount_ ? kDoneFinal : kDoneCount, cmd,
                     std::uint64_t(sqlite3_changes64(db_)));
    } else {
        endStatement(kDoneFinal, 0, 0);
    }
}

void Session::sendResultSet(sqlite3_stmt* st) {
    const int ncol = sqlite3_column_count(st);
    const auto ncols = static_cast<std::size_t>(ncol);
    std::vector<ColumnType> types(ncols);
    std::vector<bool> known(ncols);
    bool needScan = false;
    for (int c = 0; c < ncol; ++c) {
        const char* decl = sqlite3_column_decltype(st, c);
        auto t = decl ? columnTypeFromDecl(decl) : std::nullopt;
        known[std::size_t(c)] = t.has_value();
        if (t)
            types[std::size_t(c)] = *t;
        else
            needScan = true;
    }
    bool rowPending = false; // the current row of st is the first row, not yet sent
    int rc = SQLITE_OK;
    if (needScan) {
        std::vector<Infer> infer(ncols);
        const bool complete = sqlite3_stmt_readonly(st) != 0;
        std::uint64_t n = 0;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            for (int c = 0; c < ncol; ++c)
                if (!known[std::size_t(c)])
                    infer[std::size_t(c)].add(st, c);
            if (!complete) {
                rowPending = true;
                break;
            }
            if ((++n & 4095) == 0) {
                checkAttention(0);
                if (attention_)
                    return;
            }
        }
        if (lost_)
            throw ConnectionLost();
        if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
            if (rc == SQLITE_INTERRUPT && attention_)
                return;
            throw sqliteError(rc);
        }
        for (int c = 0; c < ncol; ++c)
            if (!known[std::size_t(c)])
                types[std::size_t(c)] = infer[std::size_t(c)].result(complete);
        if (complete)
            sqlite3_reset(st);
    }
    // COLMETADATA
    const char* sqlText = sqlite3_sql(st);
    w_.u8(kTokenColMetadata);
    w_.u16(std::uint16_t(ncol));
    for (int c = 0; c < ncol; ++c) {
        w_.u32(0);      // user type
        w_.u16(0x0009); // nullable, updatability unknown
        writeTypeInfo(w_, types[std::size_t(c)]);
        std::string name = sqlite3_column_name(st, c) ? sqlite3_column_name(st, c) : "";
        if (!sqlite3_column_origin_name(st, c) &&
            (!identifierLike(name) || iequals(name, "NULL"))) {
            // An expression without an alias has no name in SQL Server.
            const bool aliased = std::strstr(sqlText, ("[" + name + "]").c_str()) ||
                                 std::strstr(sqlText, ("\"" + name + "\"").c_str());
            if (!aliased)
                name.clear();
        }
        w_.bVarchar(utf8ToUtf16(name));
    }
    std::uint64_t rows = 0;
    ValueError verr;
    for (;;) {
        if (rowPending) {
            rowPending = false;
            rc = SQLITE_ROW;
        } else {
            rc = sqlite3_step(st);
        }
        if (rc != SQLITE_ROW)
            break;
        rowBuf_.clear();
        bool ok = true;
        for (int c = 0; c < ncol && ok; ++c)
            ok = encodeValue(rowBuf_, types[std::size_t(c)], st, c, verr);
        if (!ok) {
            sendError({verr.number, 16, 1, verr.text});
            endStatement(kDoneError, kCmdSelect, rows);
            return;
        }
        w_.u8(kTokenRow);
        w_.bytes(rowBuf_.data(), rowBuf_.size());
        ++rows;
        if (attention_)
            return;
    }
    if (lost_)
        throw ConnectionLost();
    if (rc != SQLITE_DONE) {
        if (rc == SQLITE_INTERRUPT && attention_)
            return;
        TsqlError e = sqliteError(rc);
        sendError(e);
        endStatement(kDoneError, kCmdSelect, rows);
        return;
    }
    endStatement(nocount_ ? kDoneFinal : kDoneCount, kCmdSelect, rows);
}

std::optional<std::string> Session::evalScalar(const std::vector<Token>& exprTokens) {
    sql::RewriteContext ctx;
    ctx.schemaFor = [this](const std::string& db) { return schemaFor(db); };
    const std::string text = "SELECT " + sql::rewrite(exprTokens, ctx);
    if (ctx.usesSysDatabases)
        refreshSysDatabases();
    sqlite3_stmt* st = nullptr;
    int rc = sqlite3_prepare_v2(db_, text.c_str(), -1, &st, nullptr);
    if (rc != SQLITE_OK)
        throw sqliteError(rc);
    rc = sqlite3_step(st);
    std::optional<std::string> result;
    if (rc == SQLITE_ROW && sqlite3_column_type(st, 0) != SQLITE_NULL)
        result = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
        TsqlError e = sqliteError(rc);
        sqlite3_finalize(st);
        throw e;
    }
    sqlite3_finalize(st);
    return result;
}

void Session::doPrint(const std::vector<Token>& tokens) {
    std::size_t i = 0;
    while (i < tokens.size() && !sql::isSignificant(tokens[i]))
        ++i;
    std::vector<Token> expr(tokens.begin() + std::ptrdiff_t(i + 1), tokens.end());
    if (sql::significant(expr).empty())
        throw TsqlError{102, 15, 1, "Incorrect syntax near 'PRINT'."};
    std::optional<std::string> v = evalScalar(expr);
    sendInfo(0, 1, 0, v.value_or(""));
    endStatement(kDoneFinal, 0, 0);
}

void Session::doRaiserror(const std::vector<Token>& tokens) {
    // RAISERROR ( msg , severity , state [, arg ...] ) [WITH option [, option]]
    std::size_t open = 0;
    while (open < tokens.size() && !isSymbolTok(tokens[open], "("))
        ++open;
    if (open >= tokens.size())
        throw TsqlError{102, 15, 1, "Incorrect syntax near 'RAISERROR'."};
    std::vector<std::vector<Token>> args(1);
    int depth = 0;
    std::size_t close = tokens.size();
    for (std::size_t i = open + 1; i < tokens.size(); ++i) {
        const Token& t = tokens[i];
        if (isSymbolTok(t, "("))
            ++depth;
        else if (isSymbolTok(t, ")")) {
            if (depth-- == 0) {
                close = i;
                break;
            }
        } else if (depth == 0 && isSymbolTok(t, ",")) {
            args.emplace_back();
            continue;
        }
        args.back().push_back(t);
    }
    if (close == tokens.size() || args.size() < 3)
        throw TsqlError{102, 15, 1, "Incorrect syntax near 'RAISERROR'."};
    bool nowait = false;
    for (std::size_t i = close + 1; i < tokens.size(); ++i)
        if (sql::isWord(tokens[i], "NOWAIT"))
            nowait = true;

    // Evaluate every argument in one SELECT.
    std::vector<Token> select;
    for (std::size_t a = 0; a < args.size(); ++a) {
        if (a) {
            Token comma;
            comma.kind = Tok::Symbol;
            comma.text = ",";
            select.push_back(comma);
        }
        select.insert(select.end(), args[a].begin(), args[a].end());
    }
    sql::RewriteContext ctx;
    ctx.schemaFor = [this](const std::string& db) { return schemaFor(db); };
    const std::string text = "SELECT " + sql::rewrite(select, ctx);
    sqlite3_stmt* st = nullptr;
    int rc = sqlite3_prepare_v2(db_, text.c_str(), -1, &st, nullptr);
    if (rc != SQLITE_OK)
        throw sqliteError(rc);
    rc = sqlite3_step(st);
    if (rc != SQLITE_ROW) {
        TsqlError e = sqliteError(rc);
        sqlite3_finalize(st);
        throw e;
    }
    int number = 50000;
    std::string msg;
    if (sqlite3_column_type(st, 0) == SQLITE_INTEGER) {
        number = sqlite3_column_int(st, 0);
        msg = "Error " + std::to_string(number) + " was raised.";
    } else {
        const auto* m = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
        msg = formatMessage(m ? m : "", st, 3);
    }
    int severity = std::clamp(sqlite3_column_int(st, 1), 0, 25);
    int state = std::clamp(sqlite3_column_int(st, 2), 0, 255);
    sqlite3_finalize(st);

    if (severity <= 10) {
        sendInfo(number, state, severity, msg);
        endStatement(kDoneFinal, 0, 0);
    } else {
        w_.message(true, number, std::uint8_t(state), std::uint8_t(severity), msg,
                   options_.serverName, line_);
        endStatement(kDoneError, 0, 0);
    }
    if (nowait)
        flushAfterDone_ = true;
}

void Session::doWaitfor(const std::vector<Token>& sig) {
    if (sig.size() < 3 || !sql::isWord(sig[1], "DELAY"))
        throw TsqlError{102, 15, 1, "Incorrect syntax near 'WAITFOR'."};
    std::vector<Token> expr(sig.begin() + 2, sig.end());
    std::optional<std::string> v = evalScalar(expr);
    DateTimeParts p;
    if (!v || !parseDateTime(*v, p) || !p.hasTime)
        throw TsqlError{148, 15, 1,
                        "Incorrect time syntax in time string '" + v.value_or("") +
                            "' used with WAITFOR."};
    std::int64_t ms =
        (std::int64_t(p.hour) * 3600 + p.minute * 60 + p.second) * 1000 + p.nanos / 1000000;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        if (stopping_)
            throw ConnectionLost();
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now())
                        .count();
        if (left <= 0)
            break;
        checkAttention(int(std::min<std::int64_t>(left, 100)));
        if (attention_)
            return;
    }
    endStatement(kDoneFinal, 0, 0);
}

void Session::doUse(const std::vector<Token>& sig) {
    if (sig.size() < 2)
        throw TsqlError{102, 15, 1, "Incorrect syntax near 'USE'."};
    const std::string name = sql::identName(sig[1]);
    std::optional<std::string> canon = findDatabase(name);
    if (!canon)
        throw TsqlError{911, 16, 1,
                        "Database '" + name +
                            "' does not exist. Make sure that the name is entered correctly."};
    if (!sqlite3_get_autocommit(db_))
        throw TsqlError{3902, 16, 1, "USE is not allowed inside a transaction by this server."};
    const std::string old = dbName_;
    if (!openDatabase(*canon))
        throw TsqlError{4060, 11, 1, "Cannot open database \"" + name + "\"."};
    w_.envChange(1, utf8ToUtf16(dbName_), utf8ToUtf16(old));
    sendInfo(5701, 1, 0, "Changed database context to '" + dbName_ + "'.");
    endStatement(kDoneFinal, 0, 0);
}

void Session::doSet(const std::vector<Token>& sig) {
    if (sig.size() >= 2 && sig[1].kind == Tok::Word && sig[1].text[0] == '@')
        throw TsqlError{137, 15, 2, "Must declare the scalar variable \"" + sig[1].text + "\"."};
    if (sig.size() >= 3 && sql::isWord(sig[1], "NOCOUNT")) {
        if (sql::isWord(sig[2], "ON"))
            nocount_ = true;
        else if (sql::isWord(sig[2], "OFF"))
            nocount_ = false;
        else
            throw TsqlError{102, 15, 1, "Incorrect syntax near '" + sig[2].text + "'."};
    }
    // Other SET options are accepted and ignored.
    endStatement(kDoneFinal, 0, 0);
}

} // namespace tdsserver
