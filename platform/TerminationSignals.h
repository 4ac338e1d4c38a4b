#pragma once

#include <functional>

class QWidget;

namespace vx {

// Closes the window, as the user's close does, when the process receives SIGTERM or SIGINT: a
// desktop session ending or Ctrl+C in a terminal then ends the program normally. The signal is
// passed to the event loop through a pipe; beforeClose runs first (on the GUI thread), then open
// dialogs are closed. Call on the GUI thread; the signals take their default action again once the
// window is destroyed.
void closeOnTerminationSignals(QWidget* window, std::function<void()> beforeClose = {});

} // namespace vx
