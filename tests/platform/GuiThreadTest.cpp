#include "GuiThread.h"
#include "Errors.h"
#include "Guard.h"
#include "ScriptedPrompter.h"

#include <QAction>
#include <QCoreApplication>
#include <QThread>
#include <gtest/gtest.h>

namespace {

// Runs the body on a worker thread while the GUI thread keeps serving events.
void onWorker(const std::function<void()>& body) {
    QThread* worker = QThread::create(body);
    worker->start();
    while (!worker->isFinished())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    worker->wait();
    delete worker;
}

} // namespace

TEST(GuiThreadCall, RunsTheStepOnTheGuiThreadAndWaits) {
    QThread* ranOn = nullptr;
    bool returnedAfterStep = false;
    onWorker([&] {
        vx::runOnGuiThread([&] { ranOn = QThread::currentThread(); });
        returnedAfterStep = ranOn != nullptr;
    });
    EXPECT_EQ(ranOn, QCoreApplication::instance()->thread());
    EXPECT_TRUE(returnedAfterStep);
}

TEST(GuiThreadCall, RaisesTheStepsFailureInTheWorker) {
    QString caught;
    bool aborted = false;
    onWorker([&] {
        try {
            vx::runOnGuiThread([] { throw vx::Error("step failed"); });
        } catch (const vx::Error& e) {
            caught = e.message();
        }
        try {
            vx::runOnGuiThread([] { vx::abort(); });
        } catch (const vx::EAbort&) {
            aborted = true;
        }
    });
    EXPECT_EQ(caught, "step failed");
    EXPECT_TRUE(aborted);
}

TEST(GuiThreadCall, RunsDirectlyOnTheGuiThread) {
    int calls = 0;
    vx::runOnGuiThread([&] { vx::runOnGuiThread([&] { ++calls; }); });
    EXPECT_EQ(calls, 1);
    EXPECT_THROW(vx::runOnGuiThread([] { throw vx::Error("x"); }), vx::Error);
}

TEST(GuiThreadCall, AWaitOnTheGuiThreadStillServesTheWorkersCalls) {
    bool served = false;
    QThread* worker = QThread::create([&] { vx::runOnGuiThread([&] { served = true; }); });
    worker->start();
    vx::waitServingGuiCalls(*worker);
    EXPECT_TRUE(served);
    delete worker;
}

TEST(Guard, ShowsOneErrorBoxCaptionedWithTheTitleAndKeepsAbortSilent) {
    vx::test::ScriptedPrompter prompter;
    vx::setApplicationTitle("Vornalex");
    QAction action;
    QObject::connect(&action, &QAction::triggered,
                     [] { vx::guarded([] { throw vx::Error("Choose connection."); }); });
    action.trigger();
    EXPECT_FALSE(vx::guarded([] { vx::abort(); }));
    EXPECT_TRUE(vx::guarded([] {}));
    ASSERT_EQ(prompter.prompts().size(), 1);
    EXPECT_EQ(prompter.prompts()[0].text, "Choose connection.");
    EXPECT_EQ(prompter.prompts()[0].caption, "Vornalex");
    EXPECT_EQ(prompter.prompts()[0].icon, vx::PromptIcon::Error);
}

TEST(Guard, ApplicationBackstopCatchesAnEscapingHandler) {
    vx::test::ScriptedPrompter prompter;
    struct Thrower : QObject {
        bool event(QEvent*) override { throw vx::Error("escaped"); }
    } thrower;
    QEvent event(QEvent::User);
    QCoreApplication::sendEvent(&thrower, &event);
    EXPECT_EQ(prompter.texts(), QStringList{"escaped"});
}
