#pragma once

#include <QApplication>
#include <functional>

namespace vx {

// Runs one user-interface entry point (action, button, dialog OK). A failure is shown in the error
// box captioned with the application title; EAbort stays silent. Returns false when it failed.
bool guarded(const std::function<void()>& entry);

// Shows the failure that is being handled (call inside a catch block) the way guarded() does.
void showCurrentException();

// Last line of defence: no exception may leave an event handler into Qt's event loop.
class GuardedApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace vx
