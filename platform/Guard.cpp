#include "Guard.h"

#include "Errors.h"
#include "GuiThread.h"
#include "Prompter.h"

namespace vx {

void showCurrentException() {
    QString message;
    try {
        throw;
    } catch (const EAbort&) {
        return;
    } catch (const std::exception& e) {
        message = exceptionMessage(e);
    } catch (...) {
        message = QStringLiteral("Unknown error");
    }
    runOnGuiThread([&] { prompter().show(PromptIcon::Error, applicationTitle(), message); });
}

bool guarded(const std::function<void()>& entry) {
    try {
        entry();
        return true;
    } catch (...) {
        showCurrentException();
        return false;
    }
}

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
    bool result = false;
    guarded([&] { result = QApplication::notify(receiver, event); });
    return result;
}

} // namespace vx
