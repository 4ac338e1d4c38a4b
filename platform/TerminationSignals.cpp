#include "TerminationSignals.h"

#include <QApplication>
#include <QPointer>
#include <QSocketNotifier>
#include <QWidget>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace vx {

namespace {

const int terminationSignals[] = {SIGTERM, SIGINT};
int signalPipe[2] = {-1, -1};

void onTerminationSignal(int) {
    const char byte = 1;
    // Only async-signal-safe calls here; a full pipe already holds a pending close.
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[0], &byte, 1);
}

void handleSignals(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : terminationSignals)
        sigaction(signal, &action, nullptr);
}

} // namespace

void closeOnTerminationSignals(QWidget* window, std::function<void()> beforeClose) {
    if (signalPipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, window);
    auto onSignal = [window, beforeClose = std::move(beforeClose)] {
        char bytes[16];
        [[maybe_unused]] const ssize_t read = ::read(signalPipe[1], bytes, sizeof bytes);
        if (beforeClose)
            beforeClose();
        // Open dialogs go first: with one left open, closing the window would not end the
        // program.
        for (QWidget* other : QApplication::topLevelWidgets()) {
            if (other != window && other->isVisible() && other->isModal())
                other->close();
        }
        window->close();
    };
    QObject::connect(notifier, &QSocketNotifier::activated, window, std::move(onSignal));
    // Once the window is gone the signals end the process again.
    QObject::connect(notifier, &QObject::destroyed, [] { handleSignals(SIG_DFL); });
    handleSignals(onTerminationSignal);
}

} // namespace vx
