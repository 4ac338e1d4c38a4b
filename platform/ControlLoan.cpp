#include "ControlLoan.h"

#include <QLayout>

namespace vx {

void ControlLoan::lend(QWidget* control, QWidget* borrower) {
    giveBack();
    m_control = control;
    m_home = control->parentWidget();
    m_housed = m_home != nullptr;
    m_position = control->pos();
    m_hidden = control->isHidden();
    if (m_home && m_home->layout()) {
        auto* placeholder = new QWidget(m_home);
        placeholder->hide();
        if (QLayoutItem* old = m_home->layout()->replaceWidget(control, placeholder)) {
            delete old;
            m_placeholder = placeholder;
        } else {
            delete placeholder;
        }
    }
    control->setParent(borrower);
}

void ControlLoan::giveBack() {
    if (!m_control) {
        delete m_placeholder;
        return;
    }
    QWidget* control = m_control;
    m_control = nullptr;
    if (m_housed && !m_home) {
        // Its home was destroyed meanwhile, which would have taken the control along.
        delete control;
        return;
    }
    control->setParent(m_home);
    if (m_placeholder && m_home->layout()) {
        delete m_home->layout()->replaceWidget(m_placeholder, control);
    } else {
        control->move(m_position);
    }
    delete m_placeholder;
    control->setVisible(!m_hidden);
}

} // namespace vx
