#pragma once

#include <QPoint>
#include <QPointer>
#include <QWidget>

namespace vx {

// A control lent to another parent for a while. It goes back to the parent it came from, into
// its old place in that parent's layout (or its old position), with its old visibility; so a
// control never ends up without a parent, nor is destroyed with the window that borrowed it. A
// control whose home was destroyed during the loan is destroyed when it would go back.
class ControlLoan {
public:
    ControlLoan() = default;
    ControlLoan(const ControlLoan&) = delete;
    ControlLoan& operator=(const ControlLoan&) = delete;
    ~ControlLoan() { giveBack(); }

    // Takes the control out of its place and makes it a child of the borrower; placing it there
    // is the borrower's affair.
    void lend(QWidget* control, QWidget* borrower);
    // Puts a lent control back; nothing when none is lent.
    void giveBack();

    QWidget* control() const { return m_control; }

private:
    QPointer<QWidget> m_control;
    QPointer<QWidget> m_home;
    QPointer<QWidget> m_placeholder; // holds the control's place in its home's layout
    bool m_housed = false;           // the control had a home when it was lent
    QPoint m_position;
    bool m_hidden = false;
};

} // namespace vx
