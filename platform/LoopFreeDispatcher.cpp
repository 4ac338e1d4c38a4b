#include "LoopFreeDispatcher.h"

#include <QCoreApplication>

namespace vx {

bool LoopFreeDispatcher::processEvents(QEventLoop::ProcessEventsFlags) {
    emit awake();
    QCoreApplication::sendPostedEvents();
    return false;
}

} // namespace vx
