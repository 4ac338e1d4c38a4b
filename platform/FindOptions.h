#pragma once

#include <QFlags>
#include <QObject>

namespace vx {
Q_NAMESPACE

// The options of the find dialog, named as stored in settings files ("frDown,frMatchCase").
enum TFindOption {
    frDown = 0x1,
    frFindNext = 0x2,
    frHideMatchCase = 0x4,
    frHideWholeWord = 0x8,
    frHideUpDown = 0x10,
    frMatchCase = 0x20,
    frDisableMatchCase = 0x40,
    frDisableUpDown = 0x80,
    frDisableWholeWord = 0x100,
    frReplace = 0x200,
    frReplaceAll = 0x400,
    frWholeWord = 0x800,
    frShowHelp = 0x1000,
};
Q_DECLARE_FLAGS(TFindOptions, TFindOption)
Q_FLAG_NS(TFindOptions)

} // namespace vx

Q_DECLARE_OPERATORS_FOR_FLAGS(vx::TFindOptions)
