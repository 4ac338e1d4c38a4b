// Vornalex TDS test server: a SQL Server stand-in for integration tests.
//
// Speaks TDS 7.4 on 127.0.0.1 well enough for the FreeTDS ODBC driver and
// executes batches on SQLite files: database <name> is <dataDir>/<name>.db.
// See README.md in this folder for the supported T-SQL and the mappings.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace tdsserver {

struct User {
    std::string name;     // compared without regard to case
    std::string password; // compared exactly
    std::vector<std::string> roles;
};

// Reads a users file: one user a line, `user<TAB>password<TAB>role1,role2`
// (roles optional); empty lines and lines starting with '#' are skipped.
// Throws std::runtime_error when the file cannot be read.
std::vector<User> loadUsersFile(const std::string& path);

struct ServerOptions {
    std::string dataDir;                    // folder of the <name>.db files
    std::optional<std::vector<User>> users; // nullopt: every login is accepted
    std::uint16_t port = 0;                 // 0: pick a free port
    std::string serverName = "VORNALEX-TDS";
};

class Server {
public:
    explicit Server(ServerOptions options);
    ~Server(); // stops
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Binds 127.0.0.1:port and starts accepting. Throws std::runtime_error.
    void start();
    // Closes the listening socket, drops every connection and waits for them.
    void stop();

    std::uint16_t port() const { return port_; }
    // Connections currently open.
    int activeConnections() const;

private:
    struct Conn;
    void acceptLoop();
    void reapFinished(bool all);

    ServerOptions options_;
    std::uint16_t port_ = 0;
    int listenFd_ = -1;
    int wakePipe_[2] = {-1, -1};
    std::thread acceptThread_;
    std::atomic<bool> stopping_{false};
    std::atomic<std::uint16_t> nextSpid_{51};
    mutable std::mutex mutex_;
    std::vector<std::unique_ptr<Conn>> conns_;
};

// Creates (or replaces) table `table` in SQLite file `dbPath` with `rows`
// rows, using a recursive CTE: columns id int, name nvarchar(50),
// amount decimal(12,2), created datetime, flag bit. Creates the file if needed.
void createBenchTable(const std::string& dbPath, const std::string& table, std::int64_t rows);

} // namespace tdsserver
