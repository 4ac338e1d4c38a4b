#pragma once

#include <functional>

class QThread;

namespace vx {

bool isGuiThread();

// Runs a step on the GUI thread and waits for it. On the GUI thread (or without an application)
// the step runs directly. An exception of the step is raised again in the calling thread.
void runOnGuiThread(const std::function<void()>& step);

// Waits on the GUI thread for a thread to end while still running the steps it hands to the GUI
// thread, so that a worker blocked in runOnGuiThread cannot lock the wait. `eachTurn` runs between
// the checks: timers do not fire during the wait.
void waitServingGuiCalls(QThread& thread, const std::function<void()>& eachTurn = {});

} // namespace vx
