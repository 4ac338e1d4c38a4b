#pragma once

#include <QDialogButtonBox>
#include <QPushButton>
#include <QString>

namespace vx::test {

// The caption Qt gives a standard Cancel button now: "Cancel" in Qt's own English, "Отмена" with
// Qt's Russian translation loaded.
inline QString qtCancelText() {
    const QDialogButtonBox box(QDialogButtonBox::Cancel);
    return box.button(QDialogButtonBox::Cancel)->text();
}

} // namespace vx::test
