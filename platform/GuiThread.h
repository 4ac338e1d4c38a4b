#pragma once

#include <functional>

namespace vx {

bool isGuiThread();

// Runs a step on the GUI thread and waits for it. On the GUI thread (or without an application)
// the step runs directly. An exception of the step is raised again in the calling thread.
void runOnGuiThread(const std::function<void()>& step);

} // namespace vx
