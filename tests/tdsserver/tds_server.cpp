#include "tds_server.h"

#include "tds_session.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sqlite3.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace tdsserver {

struct Server::Conn {
    int fd = -1;
    std::thread thread;
    std::atomic<bool> done{false};
};

std::vector<User> loadUsersFile(const std::string& path) {
    std::ifstream in(path);
    if (!in)
        throw std::runtime_error("cannot read users file " + path);
    std::vector<User> users;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        std::vector<std::string> fields;
        std::size_t start = 0;
        for (;;) {
            std::size_t tab = line.find('\t', start);
            fields.push_back(line.substr(start, tab - start));
            if (tab == std::string::npos)
                break;
            start = tab + 1;
        }
        User u;
        u.name = fields[0];
        if (fields.size() > 1)
            u.password = fields[1];
        if (fields.size() > 2) {
            std::size_t s = 0;
            const std::string& roles = fields[2];
            while (s <= roles.size()) {
                std::size_t comma = roles.find(',', s);
                std::string r = roles.substr(s, comma - s);
                while (!r.empty() && r.front() == ' ')
                    r.erase(0, 1);
                while (!r.empty() && r.back() == ' ')
                    r.pop_back();
                if (!r.empty())
                    u.roles.push_back(r);
                if (comma == std::string::npos)
                    break;
                s = comma + 1;
            }
        }
        if (!u.name.empty())
            users.push_back(std::move(u));
    }
    return users;
}

Server::Server(ServerOptions options) : options_(std::move(options)) {}

Server::~Server() {
    stop();
}

void Server::start() {
    if (listenFd_ >= 0)
        return;
    stopping_ = false;
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        throw std::runtime_error(std::string("socket: ") + std::strerror(errno));
    int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(options_.port);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(fd, 128) != 0) {
        std::string err = std::strerror(errno);
        ::close(fd);
        throw std::runtime_error("cannot listen on 127.0.0.1:" + std::to_string(options_.port) +
                                 ": " + err);
    }
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    if (::pipe2(wakePipe_, O_CLOEXEC) != 0) {
        ::close(fd);
        throw std::runtime_error("pipe failed");
    }
    listenFd_ = fd;
    acceptThread_ = std::thread([this] { acceptLoop(); });
}

void Server::acceptLoop() {
    for (;;) {
        pollfd pfds[2] = {{listenFd_, POLLIN, 0}, {wakePipe_[0], POLLIN, 0}};
        int r = ::poll(pfds, 2, 1000);
        if (stopping_)
            return;
        reapFinished(false);
        if (r <= 0 || !(pfds[0].revents & POLLIN))
            continue;
        int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        auto conn = std::make_unique<Conn>();
        conn->fd = fd;
        Conn* c = conn.get();
        std::uint16_t spid = nextSpid_++;
        if (spid == 0 || spid > 32000) {
            nextSpid_ = 52;
            spid = 51;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        conns_.push_back(std::move(conn));
        c->thread = std::thread([this, c, spid] {
            {
                Session s(options_, stopping_, c->fd, spid);
                s.run();
            }
            ::shutdown(c->fd, SHUT_RDWR);
            c->done = true;
        });
    }
}

void Server::reapFinished(bool all) {
    std::vector<std::unique_ptr<Conn>> finished;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto it = conns_.begin(); it != conns_.end();) {
            if (all || (*it)->done) {
                if (all)
                    ::shutdown((*it)->fd, SHUT_RDWR);
                finished.push_back(std::move(*it));
                it = conns_.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (auto& c : finished) {
        if (c->thread.joinable())
            c->thread.join();
        ::close(c->fd);
    }
}

void Server::stop() {
    if (listenFd_ < 0)
        return;
    stopping_ = true;
    char b = 1;
    [[maybe_unused]] auto n = ::write(wakePipe_[1], &b, 1);
    if (acceptThread_.joinable())
        acceptThread_.join();
    reapFinished(true);
    ::close(listenFd_);
    ::close(wakePipe_[0]);
    ::close(wakePipe_[1]);
    listenFd_ = -1;
    wakePipe_[0] = wakePipe_[1] = -1;
}

int Server::activeConnections() const {
    std::lock_guard<std::mutex> lock(mutex_);
    int n = 0;
    for (const auto& c : conns_)
        if (!c->done)
            ++n;
    return n;
}

void createBenchTable(const std::string& dbPath, const std::string& table, std::int64_t rows) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(dbPath.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
        std::string err = sqlite3_errmsg(db);
        sqlite3_close(db);
        throw std::runtime_error("cannot open " + dbPath + ": " + err);
    }
    std::string q;
    for (char c : table) {
        q += c;
        if (c == '"')
            q += '"';
    }
    q = "\"" + q + "\"";
    const std::string sqlText =
        "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; BEGIN;"
        "DROP TABLE IF EXISTS " +
        q +
        ";"
        "CREATE TABLE " +
        q +
        "(id int PRIMARY KEY, name nvarchar(50), amount decimal(12,2), "
        "created datetime, flag bit);"
        "INSERT INTO " +
        q +
        " WITH RECURSIVE seq(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM seq "
        "WHERE i < " +
        std::to_string(rows) +
        ") "
        "SELECT i, 'Row number ' || i, (i % 100000) / 100.0, "
        "strftime('%Y-%m-%d %H:%M:%S', 1600000000 + i, 'unixepoch') || '.000', i % 2 FROM seq "
        "WHERE i <= " +
        std::to_string(rows) +
        ";"
        "COMMIT;";
    char* err = nullptr;
    int rc = sqlite3_exec(db, sqlText.c_str(), nullptr, nullptr, &err);
    std::string msg = err ? err : "";
    sqlite3_free(err);
    sqlite3_close(db);
    if (rc != SQLITE_OK)
        throw std::runtime_error("cannot create bench table: " + msg);
}

} // namespace tdsserver
