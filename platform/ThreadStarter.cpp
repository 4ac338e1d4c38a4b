#include "ThreadStarter.h"

#include <QThread>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>

namespace vx {

namespace {

class Starter {
public:
    void add(QThread* thread, std::function<void()> failed) {
        {
            const std::lock_guard guard(m_lock);
            m_waiting.emplace_back(thread, std::move(failed));
        }
        m_wake.notify_one();
    }

    void run() {
        std::unique_lock guard(m_lock);
        for (;;) {
            m_wake.wait(guard, [this] { return !m_waiting.empty(); });
            auto [thread, failed] = std::move(m_waiting.front());
            m_waiting.pop_front();
            guard.unlock();
            thread->start();
            if (!thread->isRunning() && !thread->isFinished())
                QMetaObject::invokeMethod(thread, std::move(failed), Qt::QueuedConnection);
            guard.lock();
        }
    }

private:
    std::mutex m_lock;
    std::condition_variable m_wake;
    std::deque<std::pair<QThread*, std::function<void()>>> m_waiting;
};

// Never destroyed: the starter waits for threads to start until the process ends, and no static
// destructor may pull its state away under it.
Starter& starter() {
    static Starter* const instance = [] {
        auto* made = new Starter;
        std::thread([made] { made->run(); }).detach();
        return made;
    }();
    return *instance;
}

} // namespace

void startThread(QThread* thread, std::function<void()> failed) {
    starter().add(thread, std::move(failed));
}

} // namespace vx
