#pragma once

#include <QString>

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

namespace vx::test {

// A TCP relay on 127.0.0.1 in front of a server, for tests of a server that stops answering.
// While frozen it still accepts connections but reads nothing, sends nothing and closes nothing,
// as a server stopped with SIGSTOP or a network lost without a reset looks to a client. Without a
// target it is a listener that accepts and never answers. The destructor closes every socket, as
// a server that died, and joins the relay's thread.
class StallingRelay {
public:
    // targetPort 0: no server behind, frozen for good.
    explicit StallingRelay(std::uint16_t targetPort = 0);
    ~StallingRelay();
    StallingRelay(const StallingRelay&) = delete;
    StallingRelay& operator=(const StallingRelay&) = delete;

    // "127.0.0.1,<port>": the Data Source of a connection string.
    QString dataSource() const;
    // Connections accepted so far.
    int accepted() const;

    void freeze();

private:
    struct Link {
        int client;
        int server; // -1 without a target
    };

    void serve();
    void wake();
    void closeLink(Link& link);

    const std::uint16_t m_targetPort;
    int m_listener = -1;
    std::uint16_t m_port = 0;
    int m_wake[2] = {-1, -1};
    std::vector<Link> m_links; // the relay's thread only
    std::atomic<int> m_accepted = 0;
    std::atomic<bool> m_frozen;
    std::atomic<bool> m_stopping = false;
    std::thread m_thread;
};

} // namespace vx::test
