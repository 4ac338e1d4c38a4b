#include "LogView.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QTextLayout>

#include <cmath>

namespace vx {

namespace {

constexpr int margin = 4; // left of the text, as a plain text editor leaves it
constexpr qreal unwrappedWidth = 1e6;
// While lines stream in, the view is repainted at most this often (ms): painting every batch
// would take the time the lines need.
constexpr qint64 repaintInterval = 40;

} // namespace

LogView::LogView(QWidget* parent) : LogView(LogDocument(), parent) {}

LogView::LogView(LogDocument document, QWidget* parent)
    : QAbstractScrollArea(parent), m_document(std::move(document)) {
    setFrameShape(NoFrame);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    viewport()->setCursor(Qt::IBeamCursor);
    updateScrollBars();
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void LogView::addLines(const QList<LogLine>& lines) {
    showArrival([&] { m_document.appendLines(lines); });
}

void LogView::replaceLastLine(const LogLine& line) {
    showArrival([&] { m_document.replaceLastLine(line); });
}

void LogView::showArrival(const std::function<void()>& change) {
    QScrollBar* bar = verticalScrollBar();
    const bool following = bar->value() == bar->maximum();
    change();
    m_arriving = true;
    updateScrollBars();
    if (following)
        bar->setValue(bar->maximum());
    m_arriving = false;
    scheduleRepaint();
}

void LogView::scheduleRepaint() {
    const qint64 sincePaint = m_sincePaint.isValid() ? m_sincePaint.elapsed() : repaintInterval;
    if (sincePaint >= repaintInterval)
        viewport()->update();
    else if (!m_repaint.isActive())
        m_repaint.start(int(repaintInterval - sincePaint), this);
}

void LogView::scrollContentsBy(int, int) {
    if (m_arriving)
        scheduleRepaint();
    else
        viewport()->update();
}

void LogView::clearLog() {
    m_document.clear();
    m_widestPainted = 0;
    updateScrollBars();
    viewport()->update();
}

void LogView::copySelectionOrAll() {
    QGuiApplication::clipboard()->setText(m_document.hasSelection() ? m_document.selectedText()
                                                                    : m_document.text());
}

void LogView::setSelection(LogPosition anchor, LogPosition cursor) {
    m_document.setCursor(anchor);
    m_document.setCursor(cursor, true);
    cursorMoved();
}

qsizetype LogView::firstVisibleLine() const {
    return verticalScrollBar()->value();
}

int LogView::lineHeight() const {
    return std::max(fontMetrics().lineSpacing(), 1);
}

qsizetype LogView::pageLines() const {
    return std::max(viewport()->height() / lineHeight(), 1);
}

void LogView::layOut(QTextLayout& layout, const QString& text) const {
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    option.setTabStopDistance(LogStore::tabColumns *
                              fontMetrics().horizontalAdvance(QLatin1Char(' ')));
    layout.setText(text);
    layout.setFont(font());
    layout.setTextOption(option);
    layout.beginLayout();
    layout.createLine().setLineWidth(unwrappedWidth);
    layout.endLayout();
}

qreal LogView::cursorX(LogPosition position) const {
    QTextLayout layout;
    layOut(layout, m_document.lineCount() == 0 ? QString() : m_document.line(position.line).text);
    return margin + layout.lineAt(0).cursorToX(int(position.column));
}

LogPosition LogView::lineAtX(qsizetype line, qreal x) const {
    if (m_document.lineCount() == 0)
        return {};
    line = std::clamp<qsizetype>(line, 0, m_document.lineCount() - 1);
    QTextLayout layout;
    layOut(layout, m_document.line(line).text);
    return {line, layout.lineAt(0).xToCursor(x - margin)};
}

LogPosition LogView::positionAt(QPointF point) const {
    const qsizetype line = firstVisibleLine() + qsizetype(std::floor(point.y() / lineHeight()));
    return lineAtX(line, point.x() + horizontalScrollBar()->value());
}

void LogView::updateScrollBars() {
    const qsizetype lines = m_document.lineCount();
    QScrollBar* vertical = verticalScrollBar();
    vertical->setRange(0, int(std::max<qsizetype>(lines - pageLines(), 0)));
    vertical->setPageStep(int(pageLines()));
    vertical->setSingleStep(1);

    const int column = std::max(fontMetrics().horizontalAdvance(QLatin1Char(' ')), 1);
    const qreal widest = std::max(qreal(m_document.store().widestLine()) * column, m_widestPainted);
    const int width = viewport()->width();
    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setRange(0, std::max(int(std::ceil(widest)) + 2 * margin - width, 0));
    horizontal->setPageStep(width);
    horizontal->setSingleStep(column);
}

void LogView::paintEvent(QPaintEvent* event) {
    m_sincePaint.start();
    m_repaint.stop();
    QPainter painter(viewport());
    const int height = lineHeight();
    const qreal x = margin - horizontalScrollBar()->value();
    const qsizetype top = firstVisibleLine();
    const qsizetype first = top + event->rect().top() / height;
    const qsizetype last =
        std::min(top + event->rect().bottom() / height, m_document.lineCount() - 1);
    const auto [selectionStart, selectionEnd] = m_document.selection();
    const LogPosition cursor = m_document.cursor();
    const QColor textColour = palette().color(QPalette::Text);
    const qreal widestBefore = m_widestPainted;

    QTextLayout layout;
    for (qsizetype i = first; i <= last; ++i) {
        const LogLine line = m_document.line(i);
        const QPointF origin(x, qreal((i - top) * height));
        layOut(layout, line.text);
        QList<QTextLayout::FormatRange> selections;
        if (m_document.hasSelection() && i >= selectionStart.line && i <= selectionEnd.line) {
            QTextLayout::FormatRange range;
            range.start = int(i == selectionStart.line ? selectionStart.column : 0);
            range.length =
                int(i == selectionEnd.line ? selectionEnd.column : line.text.size()) - range.start;
            range.format.setBackground(palette().highlight());
            range.format.setForeground(palette().highlightedText());
            selections.append(range);
            if (i < selectionEnd.line) // the selected line break, a blank wide
                painter.fillRect(QRectF(origin.x() + layout.lineAt(0).naturalTextWidth(),
                                        origin.y(), fontMetrics().horizontalAdvance(' '), height),
                                 palette().highlight());
        }
        painter.setPen(line.isError ? QColor(Qt::red) : textColour);
        layout.draw(&painter, origin, selections);
        m_widestPainted = std::max(m_widestPainted, layout.lineAt(0).naturalTextWidth());
        if (m_cursorShown && i == cursor.line)
            layout.drawCursor(&painter, origin, int(cursor.column));
    }
    if (m_cursorShown && m_document.lineCount() == 0) {
        layOut(layout, QString());
        layout.drawCursor(&painter, QPointF(x, 0), 0);
    }
    // A line wider than its columns promise (a proportional fallback font) widens the range, once
    // painting is over.
    if (m_widestPainted > widestBefore)
        QMetaObject::invokeMethod(
            this, [this] { updateScrollBars(); }, Qt::QueuedConnection);
}

void LogView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void LogView::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        m_widestPainted = 0;
        updateScrollBars();
    }
}

bool LogView::event(QEvent* event) {
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool plain = !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
        // Tab is a character here, not a move to the next control.
        if (event->type() == QEvent::KeyPress && key->key() == Qt::Key_Tab && plain) {
            keyPressEvent(key);
            return true;
        }
        // Editing keys belong to the log before any shortcut of the window.
        if (event->type() == QEvent::ShortcutOverride &&
            (key == QKeySequence::Copy || key == QKeySequence::Cut || key == QKeySequence::Paste ||
             key == QKeySequence::SelectAll || key == QKeySequence::Delete ||
             (plain && !key->text().isEmpty() && key->text().at(0).isPrint()))) {
            event->accept();
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

void LogView::keyPressEvent(QKeyEvent* event) {
    if (handleMoveKey(event) || handleEditKey(event))
        event->accept();
    else
        QAbstractScrollArea::keyPressEvent(event);
}

bool LogView::handleMoveKey(QKeyEvent* event) {
    const LogPosition at = m_document.cursor();
    bool keepAnchor = false;
    const auto is = [&](QKeySequence::StandardKey move, QKeySequence::StandardKey select) {
        keepAnchor = event->matches(select);
        return keepAnchor || event->matches(move);
    };
    const auto vertically = [&](qsizetype lines) {
        if (m_preferredX < 0)
            m_preferredX = cursorX(at);
        return lineAtX(at.line + lines, m_preferredX);
    };
    LogPosition target;
    bool vertical = false;
    if (is(QKeySequence::MoveToNextChar, QKeySequence::SelectNextChar))
        target = m_document.next(at);
    else if (is(QKeySequence::MoveToPreviousChar, QKeySequence::SelectPreviousChar))
        target = m_document.previous(at);
    else if (is(QKeySequence::MoveToNextWord, QKeySequence::SelectNextWord))
        target = m_document.nextWord(at);
    else if (is(QKeySequence::MoveToPreviousWord, QKeySequence::SelectPreviousWord))
        target = m_document.previousWord(at);
    else if (is(QKeySequence::MoveToStartOfLine, QKeySequence::SelectStartOfLine) ||
             is(QKeySequence::MoveToStartOfBlock, QKeySequence::SelectStartOfBlock))
        target = {at.line, 0};
    else if (is(QKeySequence::MoveToEndOfLine, QKeySequence::SelectEndOfLine) ||
             is(QKeySequence::MoveToEndOfBlock, QKeySequence::SelectEndOfBlock))
        target = {at.line, m_document.lineCount() == 0 ? 0 : m_document.lineLength(at.line)};
    else if (is(QKeySequence::MoveToStartOfDocument, QKeySequence::SelectStartOfDocument))
        target = {};
    else if (is(QKeySequence::MoveToEndOfDocument, QKeySequence::SelectEndOfDocument))
        target = m_document.end();
    else if ((vertical = is(QKeySequence::MoveToNextLine, QKeySequence::SelectNextLine)))
        target = vertically(1);
    else if ((vertical = is(QKeySequence::MoveToPreviousLine, QKeySequence::SelectPreviousLine)))
        target = vertically(-1);
    else if ((vertical = is(QKeySequence::MoveToNextPage, QKeySequence::SelectNextPage))) {
        target = vertically(pageLines());
        verticalScrollBar()->setValue(int(firstVisibleLine() + pageLines()));
    } else if ((vertical =
                    is(QKeySequence::MoveToPreviousPage, QKeySequence::SelectPreviousPage))) {
        target = vertically(-pageLines());
        verticalScrollBar()->setValue(int(firstVisibleLine() - pageLines()));
    } else
        return false;
    m_document.setCursor(target, keepAnchor);
    cursorMoved(vertical);
    return true;
}

bool LogView::handleEditKey(QKeyEvent* event) {
    if (event == QKeySequence::Copy)
        copy();
    else if (event == QKeySequence::Cut)
        edit([this] { cut(); });
    else if (event == QKeySequence::Paste)
        edit([this] { paste(); });
    else if (event == QKeySequence::SelectAll)
        edit([this] { m_document.selectAll(); });
    else if (event->key() == Qt::Key_Backspace)
        edit([this] { m_document.removePrevious(); });
    else if (event == QKeySequence::Delete)
        edit([this] { m_document.removeNext(); });
    else if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        edit([this] { m_document.insert(QStringLiteral("\n")); });
    else if (event->key() == Qt::Key_Tab)
        edit([this] { m_document.insert(QStringLiteral("\t")); });
    else {
        const QString text = event->text();
        if (text.isEmpty() || !text.at(0).isPrint() ||
            (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
            return false;
        edit([&] { m_document.insert(text); });
    }
    return true;
}

void LogView::edit(const std::function<void()>& change) {
    change();
    updateScrollBars();
    cursorMoved();
}

void LogView::copy() {
    if (m_document.hasSelection())
        QGuiApplication::clipboard()->setText(m_document.selectedText());
}

void LogView::cut() {
    copy();
    m_document.removeSelection();
}

void LogView::paste() {
    m_document.insert(QGuiApplication::clipboard()->text());
}

void LogView::contextMenuEvent(QContextMenuEvent* event) {
    // A plain text editor's menu, in Qt's own words for it.
    const auto text = [](const char* source) {
        return QCoreApplication::translate("QWidgetTextControl", source);
    };
    QMenu menu(this);
    const auto add = [&](const char* source, QKeySequence::StandardKey key, bool enabled,
                         std::function<void()> action) {
        QAction* item = menu.addAction(text(source));
        item->setShortcut(key);
        item->setEnabled(enabled);
        connect(item, &QAction::triggered, this, std::move(action));
    };
    const bool selected = m_document.hasSelection();
    add("Cu&t", QKeySequence::Cut, selected, [this] { edit([this] { cut(); }); });
    add("&Copy", QKeySequence::Copy, selected, [this] { copy(); });
    add("&Paste", QKeySequence::Paste, !QGuiApplication::clipboard()->text().isEmpty(),
        [this] { edit([this] { paste(); }); });
    add("Delete", QKeySequence::Delete, selected,
        [this] { edit([this] { m_document.removeSelection(); }); });
    menu.addSeparator();
    add("Select All", QKeySequence::SelectAll, m_document.lineCount() > 0,
        [this] { edit([this] { m_document.selectAll(); }); });
    menu.exec(event->globalPos());
}

void LogView::inputMethodEvent(QInputMethodEvent* event) {
    if (!event->commitString().isEmpty())
        edit([&] { m_document.insert(event->commitString()); });
    event->accept();
}

void LogView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return QAbstractScrollArea::mousePressEvent(event);
    m_document.setCursor(positionAt(event->position()), event->modifiers() & Qt::ShiftModifier);
    cursorMoved();
}

void LogView::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton))
        return QAbstractScrollArea::mouseMoveEvent(event);
    m_document.setCursor(positionAt(event->position()), true);
    cursorMoved();
}

void LogView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return QAbstractScrollArea::mouseDoubleClickEvent(event);
    const auto [start, end] = m_document.wordAt(positionAt(event->position()));
    setSelection(start, end);
}

void LogView::cursorMoved(bool keepPreferredX) {
    if (!keepPreferredX)
        m_preferredX = -1;
    restartBlink();
    ensureCursorVisible();
    viewport()->update();
}

void LogView::restartBlink() {
    if (!hasFocus())
        return;
    m_cursorShown = true;
    if (QApplication::cursorFlashTime() > 0)
        m_blink.start(QApplication::cursorFlashTime() / 2, this);
}

void LogView::ensureCursorVisible() {
    const LogPosition cursor = m_document.cursor();
    QScrollBar* vertical = verticalScrollBar();
    if (cursor.line < vertical->value())
        vertical->setValue(int(cursor.line));
    else if (cursor.line >= vertical->value() + pageLines())
        vertical->setValue(int(cursor.line - pageLines() + 1));

    const int x = int(cursorX(cursor));
    const int width = viewport()->width();
    QScrollBar* horizontal = horizontalScrollBar();
    if (x - horizontal->value() < margin)
        horizontal->setValue(x - margin);
    else if (x - horizontal->value() > width - margin)
        horizontal->setValue(x - width + margin);
}

void LogView::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    restartBlink();
    viewport()->update();
}

void LogView::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    m_blink.stop();
    m_cursorShown = false;
    viewport()->update();
}

void LogView::timerEvent(QTimerEvent* event) {
    if (event->timerId() == m_repaint.timerId()) {
        m_repaint.stop();
        viewport()->update();
        return;
    }
    if (event->timerId() != m_blink.timerId())
        return QAbstractScrollArea::timerEvent(event);
    m_cursorShown = !m_cursorShown;
    viewport()->update();
}

} // namespace vx
