#include "TerminationSignals.h"
#include "ModalDriver.h"

#include <QApplication>
#include <QDialog>
#include <gtest/gtest.h>

#include <csignal>
#include <memory>

namespace {

class TerminationSignals : public testing::TestWithParam<int> {
protected:
    TerminationSignals() { QApplication::setQuitOnLastWindowClosed(false); }
    ~TerminationSignals() override { QApplication::setQuitOnLastWindowClosed(true); }
};

TEST_P(TerminationSignals, CloseTheOpenDialogAndThenTheWindow) {
    auto window = std::make_unique<QWidget>();
    vx::closeOnTerminationSignals(window.get());
    window->show();
    QDialog dialog;
    vx::test::onNextModal([](QWidget*) { std::raise(GetParam()); });
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    EXPECT_FALSE(window->isVisible());

    // Once the window is gone the signal has its default action again.
    window.reset();
    struct sigaction action {};
    sigaction(GetParam(), nullptr, &action);
    EXPECT_EQ(action.sa_handler, SIG_DFL);
}

INSTANTIATE_TEST_SUITE_P(Signals, TerminationSignals, testing::Values(SIGTERM, SIGINT),
                         [](const testing::TestParamInfo<int>& info) {
                             return std::string(info.param == SIGTERM ? "SIGTERM" : "SIGINT");
                         });

} // namespace
