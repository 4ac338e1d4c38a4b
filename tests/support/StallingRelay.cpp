#include "StallingRelay.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <stdexcept>

namespace vx::test {

namespace {

sockaddr_in loopback(std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

// Writes all of it; false when the peer has gone.
bool writeAll(int fd, const char* data, ssize_t size) {
    while (size > 0) {
        const ssize_t written = ::send(fd, data, size_t(size), MSG_NOSIGNAL);
        if (written <= 0)
            return false;
        data += written;
        size -= written;
    }
    return true;
}

} // namespace

StallingRelay::StallingRelay(std::uint16_t targetPort)
    : m_targetPort(targetPort), m_frozen(targetPort == 0) {
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = loopback(0);
    socklen_t length = sizeof(address);
    if (m_listener < 0 ||
        ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        ::listen(m_listener, 16) != 0 ||
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        ::pipe2(m_wake, O_CLOEXEC) != 0)
        throw std::runtime_error("the relay cannot listen");
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { serve(); });
}

StallingRelay::~StallingRelay() {
    m_stopping = true;
    wake();
    m_thread.join();
    for (Link& link : m_links)
        closeLink(link);
    for (int fd : {m_listener, m_wake[0], m_wake[1]})
        ::close(fd);
}

QString StallingRelay::dataSource() const {
    return QStringLiteral("127.0.0.1,") + QString::number(m_port);
}

int StallingRelay::accepted() const {
    return m_accepted;
}

void StallingRelay::freeze() {
    m_frozen = true;
    wake();
}

void StallingRelay::wake() {
    const char byte = 0;
    [[maybe_unused]] const ssize_t written = ::write(m_wake[1], &byte, 1);
}

void StallingRelay::closeLink(Link& link) {
    for (int* fd : {&link.client, &link.server})
        if (*fd >= 0) {
            ::close(*fd);
            *fd = -1;
        }
}

void StallingRelay::serve() {
    std::array<char, 64 * 1024> buffer;
    for (;;) {
        std::vector<pollfd> fds = {{m_wake[0], POLLIN, 0}, {m_listener, POLLIN, 0}};
        std::vector<std::pair<std::size_t, bool>> sources; // link, from the client
        if (m_stopping)
            return;
        for (std::size_t i = 0; i < m_links.size(); ++i) {
            const Link& link = m_links[i];
            if (link.client < 0)
                continue;
            // A frozen relay still notices a peer that hangs up, but reads nothing.
            const short events = m_frozen ? short(POLLRDHUP) : short(POLLIN | POLLRDHUP);
            fds.push_back({link.client, events, 0});
            sources.emplace_back(i, true);
            if (link.server >= 0) {
                fds.push_back({link.server, events, 0});
                sources.emplace_back(i, false);
            }
        }
        if (::poll(fds.data(), fds.size(), -1) < 0)
            continue;
        if (fds[0].revents) {
            char drained[64];
            [[maybe_unused]] const ssize_t got = ::read(m_wake[0], drained, sizeof(drained));
        }
        if (m_stopping)
            return;
        if (fds[1].revents & POLLIN) {
            Link link{::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC), -1};
            if (link.client >= 0) {
                ++m_accepted;
                if (m_targetPort) {
                    link.server = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
                    const sockaddr_in target = loopback(m_targetPort);
                    if (::connect(link.server, reinterpret_cast<const sockaddr*>(&target),
                                  sizeof(target)) != 0)
                        closeLink(link);
                }
                if (link.client >= 0)
                    m_links.push_back(link);
            }
        }
        for (std::size_t i = 2; i < fds.size(); ++i) {
            if (!fds[i].revents)
                continue;
            Link& link = m_links[sources[i - 2].first];
            if (link.client < 0)
                continue;
            const bool fromClient = sources[i - 2].second;
            const int from = fromClient ? link.client : link.server;
            const int to = fromClient ? link.server : link.client;
            const bool hungUp = fds[i].revents & (POLLRDHUP | POLLHUP | POLLERR);
            if (m_frozen && !hungUp)
                continue;
            const ssize_t got = m_frozen ? 0 : ::recv(from, buffer.data(), buffer.size(), 0);
            // The end of either side, or a client talking to no server: close both.
            if (got <= 0 || to < 0 || !writeAll(to, buffer.data(), got))
                closeLink(link);
        }
    }
}

} // namespace vx::test
