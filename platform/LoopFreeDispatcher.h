#pragma once

#include <QAbstractEventDispatcher>

namespace vx {

// The event dispatcher of a thread that runs no event loop and waits only in blocking calls (a
// worker in a database driver, a process waited for with waitForFinished). It takes no file
// descriptor, unlike the platform's own, which aborts the process when none is left: given to a
// QThread before start(), it lets a thread start whatever the descriptor count, so that running
// out of them fails the work that needs one with the system's reason. Timers and socket notifiers
// of the thread never fire; posted events are delivered when the thread ends.
class LoopFreeDispatcher : public QAbstractEventDispatcher {
public:
    bool processEvents(QEventLoop::ProcessEventsFlags flags) override;
    void registerSocketNotifier(QSocketNotifier*) override {}
    void unregisterSocketNotifier(QSocketNotifier*) override {}
    void registerTimer(int, qint64, Qt::TimerType, QObject*) override {}
    bool unregisterTimer(int) override { return true; }
    bool unregisterTimers(QObject*) override { return true; }
    QList<TimerInfo> registeredTimers(QObject*) const override { return {}; }
    int remainingTime(int) override { return -1; }
    void wakeUp() override {}
    void interrupt() override {}
};

} // namespace vx
