#pragma once

#include <csignal>
#include <sys/resource.h>

namespace vx::test {

// A full disk while it lives: the process cannot make a file larger than `bytes`, and the
// write fails instead of raising SIGXFSZ. It stops root as well as anyone else.
class DiskFull {
public:
    explicit DiskFull(rlim_t bytes = 4096) : m_oldHandler(std::signal(SIGXFSZ, SIG_IGN)) {
        getrlimit(RLIMIT_FSIZE, &m_limit);
        rlimit small = m_limit;
        small.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ~DiskFull() {
        setrlimit(RLIMIT_FSIZE, &m_limit);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    DiskFull(const DiskFull&) = delete;
    DiskFull& operator=(const DiskFull&) = delete;

private:
    rlimit m_limit{};
    void (*m_oldHandler)(int);
};

} // namespace vx::test
