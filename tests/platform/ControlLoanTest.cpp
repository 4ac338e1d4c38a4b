#include "ControlLoan.h"

#include <QPointer>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {

// A control whose home went while it was lent has nowhere to go back to: it goes the way its home
// went instead of turning into a stray window of its own.
TEST(ControlLoan, AControlWhoseHomeWentGoesWithIt) {
    auto* home = new QWidget;
    QPointer<QWidget> control = new QWidget(home);
    (new QVBoxLayout(home))->addWidget(control);
    QWidget borrower;
    vx::ControlLoan loan;
    loan.lend(control, &borrower);
    delete home;
    loan.giveBack();
    EXPECT_TRUE(control.isNull());
}

} // namespace
