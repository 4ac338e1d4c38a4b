#pragma once

#include <QDeadlineTimer>

#include <functional>

class QThread;

namespace vx {

bool isGuiThread();

// Runs a step on the GUI thread and waits for it. On the GUI thread (or without an application)
// the step runs directly. An exception of the step is raised again in the calling thread.
void runOnGuiThread(const std::function<void()>& step);

// Waits on the GUI thread for a thread to end while still running the steps it hands to the GUI
// thread, so that a worker blocked in runOnGuiThread cannot lock the wait. False when the deadline
// passed first.
bool waitServingGuiCalls(QThread& thread, QDeadlineTimer deadline = QDeadlineTimer::Forever);

} // namespace vx
