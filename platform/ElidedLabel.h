#pragma once

#include <QLabel>

namespace vx {

// A one-line label for texts that a run, a server or a file brings: its size hints never depend on
// its text, so no such text can widen the window it stands in. A text that does not fit is shown
// cut with "…", and the tooltip then shows the whole text instead of the label's own tooltip.
// The text is always plain.
class ElidedLabel : public QLabel {
    Q_OBJECT

public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    // The text as it is painted at the label's width.
    QString shownText() const;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QRect textArea() const;
};

} // namespace vx
