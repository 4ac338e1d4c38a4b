#include "ThreadStarter.h"

#include <QTest>
#include <QThread>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <vector>

namespace {

// Many threads handed over at once all run, none reported as failed.
TEST(ThreadStarter, StartsEveryThreadHandedOver) {
    std::atomic<int> ran = 0;
    bool failed = false;
    std::vector<std::unique_ptr<QThread>> threads;
    for (int i = 0; i < 50; ++i) {
        threads.emplace_back(QThread::create([&] { ++ran; }));
        vx::startThread(threads.back().get(), [&] { failed = true; });
    }
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return std::all_of(threads.begin(), threads.end(),
                               [](const auto& thread) { return thread->isFinished(); });
        },
        60000));
    EXPECT_EQ(ran, 50);
    QCoreApplication::processEvents();
    EXPECT_FALSE(failed);
}

// A thread the system cannot make is reported on the thread that owns it, neither running nor
// finished, and left to the report to delete.
TEST(ThreadStarter, ReportsAThreadThatCannotStartOnItsOwnersThread) {
    QPointer<QThread> thread = QThread::create([] {});
    thread->setStackSize(1); // below any stack the system makes
    bool reported = false;
    vx::startThread(thread, [&] {
        reported = QThread::currentThread() == thread->thread() && !thread->isRunning() &&
                   !thread->isFinished();
        delete thread.data();
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return thread.isNull(); }, 60000));
    EXPECT_TRUE(reported);
}

} // namespace
