#pragma once

#include <QWidget>
#include <functional>
#include <gtest/gtest.h>

namespace vx::test {

// Drives a modal dialog from inside its own event loop: the step runs with the next modal widget
// that opens above the one active now (so a step can drive a dialog that it opens in turn), after
// the events posted while the dialog was shown. Call it just before the code that opens the
// dialog. A dialog that does not open within five seconds, or that a step leaves open for ten,
// fails the test; the open one is then rejected so that the test ends.
void onNextModal(std::function<void(QWidget* dialog)> step);

// The same for a step that expects a dialog of a given class.
template <class Dialog> void onNextModalOf(std::function<void(Dialog* dialog)> step) {
    onNextModal([step = std::move(step)](QWidget* widget) {
        auto* dialog = qobject_cast<Dialog*>(widget);
        if (!dialog) {
            ADD_FAILURE() << "unexpected modal window " << widget->metaObject()->className();
            widget->close();
            return;
        }
        step(dialog);
    });
}

} // namespace vx::test
