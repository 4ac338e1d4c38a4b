// tdsserver: the Vornalex TDS test server as a program.
#include "tds_server.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <poll.h>
#include <string>
#include <unistd.h>

namespace {

const char kUsage[] =
    "Usage: tdsserver --data DIR [--port N] [--users FILE] [--exit-on-stdin-eof]\n"
    "                 [--bench-table DB:TABLE:ROWS]\n"
    "\n"
    "A SQL Server stand-in for tests: speaks TDS 7.4 on 127.0.0.1 and runs batches\n"
    "on SQLite files. Database <name> is DIR/<name>.db; master is DIR/master.db or\n"
    "an empty in-memory database.\n"
    "\n"
    "  --data DIR            folder of the database files (required)\n"
    "  --port N              TCP port on 127.0.0.1; 0 (default) picks a free port\n"
    "  --users FILE          users file: one line per user, tab-separated\n"
    "                        user<TAB>password<TAB>role1,role2 ('#' starts a comment);\n"
    "                        without it every login is accepted\n"
    "  --exit-on-stdin-eof   also stop when standard input reaches end of file\n"
    "  --bench-table DB:TABLE:ROWS\n"
    "                        before serving, (re)create TABLE in DIR/DB.db with ROWS\n"
    "                        rows (id int, name nvarchar(50), amount decimal(12,2),\n"
    "                        created datetime, flag bit); may be repeated\n"
    "\n"
    "The first line printed is the port number. The server runs until SIGINT or\n"
    "SIGTERM (or the end of standard input with --exit-on-stdin-eof).\n";

volatile std::sig_atomic_t gStop = 0;
void onSignal(int) {
    gStop = 1;
}

} // namespace

int main(int argc, char** argv) {
    tdsserver::ServerOptions opts;
    bool stdinEof = false;
    std::vector<std::string> benchTables;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                std::cerr << "tdsserver: " << a << " needs a value\n" << kUsage;
                std::exit(2);
            }
            return argv[++i];
        };
        if (a == "--help" || a == "-h") {
            std::cout << kUsage;
            return 0;
        } else if (a == "--data") {
            opts.dataDir = value();
        } else if (a == "--port") {
            opts.port = static_cast<std::uint16_t>(std::atoi(value().c_str()));
        } else if (a == "--users") {
            try {
                opts.users = tdsserver::loadUsersFile(value());
            } catch (const std::exception& e) {
                std::cerr << "tdsserver: " << e.what() << "\n";
                return 1;
            }
        } else if (a == "--exit-on-stdin-eof") {
            stdinEof = true;
        } else if (a == "--bench-table") {
            benchTables.push_back(value());
        } else {
            std::cerr << "tdsserver: unknown argument " << a << "\n" << kUsage;
            return 2;
        }
    }
    if (opts.dataDir.empty()) {
        std::cerr << "tdsserver: --data is required\n" << kUsage;
        return 2;
    }
    for (const std::string& table : benchTables) {
        std::size_t c1 = table.find(':');
        std::size_t c2 = c1 == std::string::npos ? c1 : table.find(':', c1 + 1);
        if (c2 == std::string::npos) {
            std::cerr << "tdsserver: --bench-table needs DB:TABLE:ROWS\n";
            return 2;
        }
        try {
            tdsserver::createBenchTable(opts.dataDir + "/" + table.substr(0, c1) + ".db",
                                        table.substr(c1 + 1, c2 - c1 - 1),
                                        std::atoll(table.c_str() + c2 + 1));
        } catch (const std::exception& e) {
            std::cerr << "tdsserver: " << e.what() << "\n";
            return 1;
        }
    }

    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    tdsserver::Server server(opts);
    try {
        server.start();
    } catch (const std::exception& e) {
        std::cerr << "tdsserver: " << e.what() << "\n";
        return 1;
    }
    std::printf("%u\n", unsigned(server.port()));
    std::fflush(stdout);

    while (!gStop) {
        pollfd pfd{0, POLLIN, 0};
        int r = ::poll(stdinEof ? &pfd : nullptr, stdinEof ? 1 : 0, 200);
        if (stdinEof && r > 0) {
            char buf[256];
            ssize_t n = ::read(0, buf, sizeof buf);
            if (n <= 0)
                break;
        }
    }
    server.stop();
    return 0;
}
