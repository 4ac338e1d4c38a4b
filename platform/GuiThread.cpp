#include "GuiThread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <algorithm>
#include <exception>

namespace vx {

bool isGuiThread() {
    auto* app = QCoreApplication::instance();
    return !app || QThread::currentThread() == app->thread();
}

void runOnGuiThread(const std::function<void()>& step) {
    if (isGuiThread()) {
        step();
        return;
    }
    std::exception_ptr failure;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [&] {
            try {
                step();
            } catch (...) {
                failure = std::current_exception();
            }
        },
        Qt::BlockingQueuedConnection);
    if (failure)
        std::rethrow_exception(failure);
}

bool waitServingGuiCalls(QThread& thread, QDeadlineTimer deadline) {
    constexpr qint64 turnMilliseconds = 10;
    while (!thread.wait(QDeadlineTimer(
        deadline.isForever() ? turnMilliseconds
                             : std::min(deadline.remainingTime(), turnMilliseconds)))) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::sendPostedEvents(QCoreApplication::instance(), QEvent::MetaCall);
    }
    return true;
}

} // namespace vx
