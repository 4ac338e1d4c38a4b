#pragma once

#include "LogDocument.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QElapsedTimer>

#include <functional>

class QTextLayout;

namespace vx {

// The results log on screen: paints only the lines in view, error lines in red and all others in
// the text colour, without wrapping, one scroll-bar step per line. Lines arrive in batches at the
// end without moving the user's cursor; the view follows the end only while it is scrolled to the
// bottom. The text stays editable (typing, Tab, Enter, deleting, cut and paste) anywhere, also
// while lines arrive; the selection is made with the mouse or the keyboard.
class LogView : public QAbstractScrollArea {
public:
    explicit LogView(QWidget* parent = nullptr);
    // Shows a log filled before the view was made, as if its lines had just arrived: from its end.
    explicit LogView(LogDocument document, QWidget* parent = nullptr);

    const LogDocument& document() const { return m_document; }
    QString toPlainText() const { return m_document.text(); }

    void addLines(const QList<LogLine>& lines);
    void replaceLastLine(const LogLine& line);
    void clearLog();
    // Copies the selection; without one the whole log, leaving nothing selected.
    void copySelectionOrAll();
    void setSelection(LogPosition anchor, LogPosition cursor);
    // The line shown at the top.
    qsizetype firstVisibleLine() const;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    int lineHeight() const;
    // Lines that fit in the view whole.
    qsizetype pageLines() const;
    void layOut(QTextLayout& layout, const QString& text) const;
    qreal cursorX(LogPosition position) const;
    LogPosition positionAt(QPointF point) const;
    LogPosition lineAtX(qsizetype line, qreal x) const;
    void updateScrollBars();
    // Shows a change at the end: the view follows it when it was at the bottom.
    void showArrival(const std::function<void()>& change);
    void scheduleRepaint();
    // After the cursor moved or the text changed by the user: shows the cursor, repaints.
    void cursorMoved(bool keepPreferredX = false);
    void ensureCursorVisible();
    void restartBlink();
    bool handleEditKey(QKeyEvent* event);
    bool handleMoveKey(QKeyEvent* event);
    // Makes a change of the user's and shows it.
    void edit(const std::function<void()>& change);
    void copy();
    void cut();
    void paste();

    LogDocument m_document;
    // The x that vertical moves keep to, as editors do across shorter lines.
    qreal m_preferredX = -1;
    // The widest line painted so far, for fonts whose glyphs are wider than the average column.
    qreal m_widestPainted = 0;
    QBasicTimer m_blink;
    QBasicTimer m_repaint;
    QElapsedTimer m_sincePaint;
    bool m_arriving = false;
    bool m_cursorShown = false;
};

} // namespace vx
