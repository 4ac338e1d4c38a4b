#include "LetGoThreads.h"
#include "GuiThread.h"

#include <QThread>
#include <gtest/gtest.h>

#include <atomic>
#include <semaphore>

using namespace std::chrono_literals;

namespace {

// A thread let go that stays blocked, as in a driver, until released; then it asks the GUI thread
// for one step before it ends.
class BlockedThread {
public:
    BlockedThread() {
        thread = QThread::create([this] {
            release.acquire();
            vx::runOnGuiThread([this] { served = true; });
        });
        thread->start();
        vx::letGo(thread);
    }

    std::binary_semaphore release{0};
    std::atomic<bool> served = false;
    QThread* thread;
};

TEST(LetGoThreads, AreWaitedForOnlyUpToTheLimitAndServedMeanwhile) {
    BlockedThread blocked;
    EXPECT_EQ(vx::threadsLetGoRunning(), 1);
    EXPECT_FALSE(vx::waitForThreadsLetGo(50ms));

    blocked.release.release();
    EXPECT_TRUE(vx::waitForThreadsLetGo(1min));
    EXPECT_TRUE(blocked.served);
    EXPECT_EQ(vx::threadsLetGoRunning(), 0);
    EXPECT_EQ(vx::finishThreadsLetGo(5, 1min), 5);
}

// The process ends with its code instead of aborting on a thread destroyed while running, and
// without the destruction of static objects that the thread might still use.
TEST(LetGoThreadsDeathTest, AThreadStillBlockedAtTheEndLetsTheProcessEndWithItsCode) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            BlockedThread blocked;
            std::exit(vx::finishThreadsLetGo(3, 50ms));
        },
        ::testing::ExitedWithCode(3), "");
}

} // namespace
