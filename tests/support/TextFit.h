#pragma once

#include <QStringList>

class QWidget;

namespace vx::test {

// Every label, check box, radio button and push button inside window (embedded forms included)
// that is visible and narrower or lower than its size hint: one line per widget, naming it, its
// text and both sizes. Show the window at its default size and let layouts settle before calling;
// an empty list means every such widget shows its whole text.
QStringList clippedTexts(QWidget* window);

} // namespace vx::test
