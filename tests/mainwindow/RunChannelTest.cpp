#include "RunChannel.h"
#include "Errors.h"
#include "PageDriver.h"

#include <QEventLoop>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

using vx::LogLine;
using vx::RunChannel;

namespace {

// Records what reaches the GUI, as one list of events.
struct RecordingView : vx::RunView {
    QStringList events;
    int batches = 0;

    void addLines(const QList<LogLine>& lines) override {
        ++batches;
        for (const LogLine& line : lines)
            events << (line.isError ? QStringLiteral("red ") : QString()) + line.text;
    }
    void replaceLastLine(const LogLine& line) override { events << "replace " + line.text; }
    void showProgress(int pos, int max, const QString& comment) override {
        events << QStringLiteral("progress %1/%2 %3").arg(pos).arg(max).arg(comment);
    }
};

bool waitFor(const std::function<bool()>& done) {
    return QTest::qWaitFor(done, 60000);
}

TEST(RunChannelTest, StepsOfAWorkerArriveInOrderAndQuestionsWaitForTheLinesBeforeThem) {
    RecordingView view;
    RunChannel channel(view);
    qsizetype shownBeforeQuestion = -1;
    std::atomic<bool> done = false;
    std::thread worker([&] {
        for (int i = 0; i < 30000; ++i)
            channel.addLine(QString::number(i), i % 7 == 0);
        channel.replaceLastLine(QStringLiteral("last"), false);
        channel.progress(1, 2, QStringLiteral("batch"));
        channel.call([&] { shownBeforeQuestion = view.events.size(); });
        channel.addLine(QStringLiteral("after"), false);
        done = true;
    });
    ASSERT_TRUE(waitFor([&] { return done && view.events.size() == 30003; }));
    worker.join();

    EXPECT_EQ(shownBeforeQuestion, 30002);
    EXPECT_EQ(view.events[0], "red 0");
    EXPECT_EQ(view.events[29999], "29999");
    EXPECT_EQ(view.events.mid(30000), QStringList({"replace last", "progress 1/2 batch", "after"}));
    EXPECT_LT(view.batches, 1000) << "lines are shown in batches";
}

TEST(RunChannelTest, AWorkerAheadOfTheGuiWaitsInsteadOfQueueingWithoutBound) {
    RecordingView view;
    RunChannel channel(view, 100);
    std::atomic<int> sent = 0;
    std::thread worker([&] {
        for (int i = 0; i < 1000; ++i) {
            channel.addLine(QString::number(i), false);
            ++sent;
        }
    });
    // The GUI runs no events here: the worker must stop at the bound.
    for (int i = 0; i < 6000 && sent < 100; ++i)
        QThread::msleep(10);
    QThread::msleep(200);
    EXPECT_EQ(sent, 100);
    ASSERT_TRUE(waitFor([&] { return view.events.size() == 1000; }));
    worker.join();
    EXPECT_EQ(view.events.last(), "999");
}

// Whether the pump still watches a channel or has let it go after a pause, a step is shown and a
// call answered; a call made while the worker's lines still wait comes after them.
TEST(RunChannelTest, StepsAfterPausesOfEveryLengthArrive) {
    RecordingView view;
    RunChannel channel(view);
    std::atomic<bool> done = false;
    QStringList seenByCalls;
    std::thread worker([&] {
        for (const int pause : {0, 1, 3, 6, 12, 40, 0}) {
            QThread::msleep(pause);
            channel.addLine(QString::number(pause), false);
            channel.call([&] { seenByCalls << view.events.join(QLatin1Char(',')); });
        }
        done = true;
    });
    ASSERT_TRUE(waitFor([&] { return bool(done); }));
    worker.join();
    EXPECT_EQ(view.events, QStringList({"0", "1", "3", "6", "12", "40", "0"}));
    EXPECT_EQ(seenByCalls.last(), "0,1,3,6,12,40,0");
}

TEST(RunChannelTest, AFailingStepIsRaisedAgainInTheWorker) {
    RecordingView view;
    RunChannel channel(view);
    QString raised;
    std::atomic<bool> done = false;
    std::thread worker([&] {
        try {
            channel.call([] { throw vx::Error(QStringLiteral("step failed")); });
        } catch (const vx::Error& e) {
            raised = e.message();
        }
        done = true;
    });
    ASSERT_TRUE(waitFor([&] { return bool(done); }));
    worker.join();
    EXPECT_EQ(raised, "step failed");
}

TEST(RunChannelTest, ClosingReleasesWaitingWorkersAndDropsLaterSteps) {
    RecordingView view;
    RunChannel channel(view, 10);
    bool called = true;
    bool stepRan = false;
    std::thread worker([&] {
        for (int i = 0; i < 20; ++i) // blocks at the bound
            channel.addLine(QString::number(i), false);
        called = channel.call([&] { stepRan = true; });
    });
    QThread::msleep(100);
    channel.close();
    worker.join();
    QCoreApplication::processEvents();
    EXPECT_FALSE(called);
    EXPECT_FALSE(stepRan);
    EXPECT_TRUE(view.events.isEmpty());
}

// A step that closes its own channel (the page stopped during a question) still ends as run: its
// worker waits for it and goes on, and what it sends afterwards is dropped.
TEST(RunChannelTest, AStepThatClosesItsChannelEndsAsRun) {
    RecordingView view;
    RunChannel channel(view);
    std::atomic<int> called = -1;
    std::thread worker([&] {
        channel.addLine(QStringLiteral("before"), false);
        called = channel.call([&] {
            channel.close();
            QThread::msleep(50); // the worker must not go on while the step still runs
        });
        channel.addLine(QStringLiteral("after"), false);
    });
    ASSERT_TRUE(waitFor([&] { return called != -1; }));
    worker.join();
    QCoreApplication::processEvents();
    EXPECT_EQ(called, 1);
    EXPECT_EQ(view.events, QStringList{"before"});
}

// Workers far ahead of the GUI, each waiting for room every few lines and for its questions,
// are woken every time and lose nothing, whatever the room.
TEST(RunChannelTest, WorkersWaitingForRoomOrAnswersAreAlwaysWoken) {
    for (const qsizetype capacity : {1, 64}) {
        std::vector<RecordingView> views(4);
        std::vector<std::unique_ptr<RunChannel>> channels;
        for (RecordingView& view : views)
            channels.push_back(std::make_unique<RunChannel>(view, capacity));
        std::atomic<int> done = 0;
        std::vector<std::thread> workers;
        for (const auto& channel : channels)
            workers.emplace_back([&, channel = channel.get()] {
                for (int i = 0; i < 200; ++i) {
                    channel->addLine(QString::number(i), false);
                    if (i % 50 == 49)
                        channel->call([] {});
                }
                ++done;
            });
        ASSERT_TRUE(waitFor([&] { return done == 4; })) << "room " << capacity;
        for (std::thread& worker : workers)
            worker.join();
        for (const auto& channel : channels)
            channel->flush();
        for (const RecordingView& view : views) {
            ASSERT_EQ(view.events.size(), 200) << "room " << capacity;
            EXPECT_EQ(view.events.last(), "199");
        }
    }
}

TEST(RunChannelTest, OnTheGuiThreadACallShowsWhatWaitsFirst) {
    RecordingView view;
    RunChannel channel(view);
    channel.addLine(QStringLiteral("queued"), false);
    QStringList seen;
    EXPECT_TRUE(channel.call([&] { seen = view.events; }));
    EXPECT_EQ(seen, QStringList{"queued"});
}

// A question open on one channel (a step running an event loop of its own, as a message box does)
// holds up no other channel: a worker streaming lines meanwhile has them shown.
TEST(RunChannelTest, AQuestionOpenOnOneChannelHoldsUpNoOther) {
    RecordingView asking;
    RecordingView streaming;
    RunChannel question(asking);
    RunChannel lines(streaming);
    constexpr int count = 300;
    std::atomic<int> sent = 0;
    std::atomic<bool> open = false;
    qsizetype shownWhileOpen = -1;
    std::thread streamer([&] {
        // Steadily, so that the pump keeps the channel listed when the question opens.
        for (int i = 0; i < count; ++i) {
            lines.addLine(QString::number(i), false);
            ++sent;
            QThread::msleep(i < 20 || open ? 1 : 5);
        }
    });
    std::thread asker([&] {
        while (sent < 20)
            QThread::msleep(1);
        question.call([&] {
            open = true;
            QEventLoop loop;
            QTimer poll;
            QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
                if (streaming.events.size() == count)
                    loop.quit();
            });
            poll.start(5);
            QTimer::singleShot(10000, &loop, &QEventLoop::quit);
            loop.exec();
            shownWhileOpen = streaming.events.size();
        });
    });
    ASSERT_TRUE(waitFor([&] { return shownWhileOpen >= 0; }));
    asker.join();
    streamer.join();
    EXPECT_EQ(shownWhileOpen, count);
}

// A run's last lines are freed once its worker's last call has been answered, not when the
// channel is next used.
TEST(RunChannelTest, TheLinesShownAreFreedWhenTheWorkersLastCallReturns) {
    RecordingView view;
    RunChannel channel(view);
    const QString text(80, u'x'); // of its own, counting its references
    std::atomic<bool> done = false;
    std::thread worker([&] {
        for (int i = 0; i < 5000; ++i)
            channel.addLine(text, false);
        channel.call([] {});
        done = true;
    });
    ASSERT_TRUE(waitFor([&] { return bool(done); }));
    worker.join();
    EXPECT_EQ(view.events.size(), 5000);
    view.events.clear(); // which may share the text
    EXPECT_TRUE(text.isDetached()) << "the channel still holds the lines it showed";
}

// Many pages receiving lines at once share each turn of the event loop instead of taking a turn's
// time each; a channel freed during a turn (its page closed) drops out of it.
TEST(RunChannelTest, ChannelsWithStepsWaitingShareOneSliceOfEachTurn) {
    struct SlowView : RecordingView {
        std::function<void()> onLines;
        void addLines(const QList<LogLine>& lines) override {
            RecordingView::addLines(lines);
            QThread::msleep(3);
            if (onLines)
                std::exchange(onLines, nullptr)();
        }
    };
    std::vector<SlowView> views(10);
    std::vector<std::unique_ptr<RunChannel>> channels;
    for (SlowView& view : views)
        channels.push_back(std::make_unique<RunChannel>(view));
    for (int i = 0; i < 2000; ++i)
        for (const auto& channel : channels)
            channel->addLine(QString::number(i), false);
    views[0].onLines = [&] { channels[1].reset(); };

    QCoreApplication::sendPostedEvents(); // one turn
    int batches = 0;
    for (const SlowView& view : views)
        batches += view.batches;
    EXPECT_GE(batches, 1);
    EXPECT_LE(batches, 4) << "a turn shows groups for about 8 ms in all";

    ASSERT_TRUE(waitFor([&] { return views[9].events.size() == 2000; }));
    EXPECT_EQ(views[0].events.size(), 2000);
    EXPECT_EQ(views[9].events.last(), "1999");
}

} // namespace
