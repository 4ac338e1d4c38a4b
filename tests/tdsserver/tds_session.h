// One client connection of the TDS test server: login, then batches.
#pragma once

#include "tds_server.h"
#include "tds_sql.h"
#include "tds_values.h"
#include "tds_wire.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace tdsserver {

// An error reported to the client as an ERROR (or INFO) token.
struct TsqlError {
    int number;
    int severity;
    int state;
    std::string text;
};

class Session {
public:
    Session(const ServerOptions& options, const std::atomic<bool>& stopping, int fd,
            std::uint16_t spid);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Serves the connection until the client leaves, SHUTDOWN or the server stops.
    void run();

    // Used by the SQL functions registered on each SQLite connection.
    const std::string& databaseName() const { return dbName_; }
    bool isMember(const std::string& role) const;
    std::uint16_t spid() const { return spid_; }

private:
    void handlePrelogin(const Message& m);
    bool handleLogin(const Message& m);
    void handleBatch(const Message& m);
    void replyError(int number, int severity, const std::string& text);

    // Databases.
    std::optional<std::string> findDatabase(const std::string& name) const;
    std::string databasePath(const std::string& canon) const;
    bool openDatabase(const std::string& canon);
    void closeDatabase();
    std::string schemaFor(const std::string& db);
    void refreshSysDatabases();
    std::vector<std::string> listDatabases() const;

    // Statements.
    void beginStatement();
    void endStatement(std::uint16_t status, std::uint16_t curCmd, std::uint64_t count);
    void execStatement(const sql::Statement& stmt);
    void runSql(const std::vector<sql::Token>& tokens);
    void execPrepared(sqlite3_stmt* st);
    void sendResultSet(sqlite3_stmt* st);
    std::optional<std::string> evalScalar(const std::vector<sql::Token>& exprTokens);
    void doPrint(const std::vector<sql::Token>& tokens);
    void doRaiserror(const std::vector<sql::Token>& tokens);
    void doWaitfor(const std::vector<sql::Token>& sig);
    void doUse(const std::vector<sql::Token>& sig);
    void doSet(const std::vector<sql::Token>& sig);
    void execSimple(const char* sqlText);
    TsqlError sqliteError(int rc) const;
    void sendError(const TsqlError& e);
    void sendInfo(int number, int state, int severity, const std::string& text);

    // Attention.
    static void afterPacket(void* self);
    static int progress(void* self);
    void checkAttention(int timeoutMs);

    const ServerOptions& options_;
    const std::atomic<bool>& stopping_;
    PacketChannel ch_;
    ReplyWriter w_;
    std::uint16_t spid_;

    sqlite3* db_ = nullptr;
    std::string dbName_;
    std::set<std::string> attached_;
    std::string login_;
    std::vector<std::string> roles_;

    bool nocount_ = false;
    bool attention_ = false;
    bool lost_ = false;
    int line_ = 1;

    struct PendingDone {
        bool has = false;
        std::uint16_t status = 0;
        std::uint16_t curCmd = 0;
        std::uint64_t count = 0;
    } pendingDone_;
    bool flushAfterDone_ = false;
    std::vector<std::uint8_t> rowBuf_;
};

} // namespace tdsserver
