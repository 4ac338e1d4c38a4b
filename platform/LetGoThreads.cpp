#include "LetGoThreads.h"

#include "GuiThread.h"

#include <QPointer>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace vx {

namespace {

std::vector<QPointer<QThread>>& threadsLetGo() {
    static std::vector<QPointer<QThread>> threads;
    return threads;
}

// Forgets the threads that have ended, which have deleted themselves or soon will.
void forgetEnded() {
    std::erase_if(threadsLetGo(),
                  [](const QPointer<QThread>& thread) { return !thread || thread->isFinished(); });
}

} // namespace

void letGo(QThread* thread) {
    forgetEnded();
    thread->setParent(nullptr);
    // Deleting twice is harmless: deleteLater may already be connected by the owner.
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    threadsLetGo().emplace_back(thread);
}

int threadsLetGoRunning() {
    forgetEnded();
    return int(threadsLetGo().size());
}

bool waitForThreadsLetGo(std::chrono::milliseconds limit) {
    const QDeadlineTimer deadline(limit);
    for (forgetEnded(); !threadsLetGo().empty(); forgetEnded())
        if (!waitServingGuiCalls(*threadsLetGo().front(), deadline))
            return false;
    return true;
}

int finishThreadsLetGo(int exitCode, std::chrono::milliseconds limit) {
    if (waitForThreadsLetGo(limit))
        return exitCode;
    std::fflush(nullptr);
    std::_Exit(exitCode);
}

} // namespace vx
