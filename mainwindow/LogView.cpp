#include "LogView.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

namespace vx {

namespace {

QString withLineFeeds(const QString& text) {
    if (!text.contains(QLatin1Char('\r')))
        return text;
    QString lines = text;
    lines.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    lines.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return lines;
}

} // namespace

LogView::LogView(QWidget* parent) : QPlainTextEdit(parent) {
    setLineWrapMode(NoWrap);
    setUndoRedoEnabled(false); // an undo stack of a million inserted lines would double the memory
    setTabChangesFocus(false);
    setFrameShape(NoFrame);
}

void LogView::addLines(const QList<LogLine>& lines) {
    QScrollBar* bar = verticalScrollBar();
    const bool following = bar->value() == bar->maximum();
    QTextCharFormat plain;
    QTextCharFormat error;
    error.setForeground(QColor(Qt::red));

    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    end.beginEditBlock();
    // Neighbouring lines of one colour go in with one insertion.
    QString chunk;
    bool chunkIsError = false;
    const auto insertChunk = [&] {
        end.insertText(chunk, chunkIsError ? error : plain);
        chunk.clear();
    };
    for (const LogLine& line : lines) {
        if (line.isError != chunkIsError) {
            insertChunk();
            chunkIsError = line.isError;
        }
        if (m_hasLines)
            chunk += QLatin1Char('\n');
        chunk += withLineFeeds(line.text);
        m_hasLines = true;
    }
    insertChunk();
    end.endEditBlock();
    if (following)
        bar->setValue(bar->maximum());
}

void LogView::replaceLastLine(const LogLine& line) {
    QTextCursor last(document());
    last.movePosition(QTextCursor::End);
    last.movePosition(QTextCursor::StartOfBlock, QTextCursor::KeepAnchor);
    last.removeSelectedText();
    if (last.atStart())
        m_hasLines = false;
    else
        last.deletePreviousChar();
    addLines({line});
}

void LogView::clearLog() {
    clear();
    m_hasLines = false;
}

void LogView::copySelectionOrAll() {
    if (textCursor().hasSelection()) {
        copy();
        return;
    }
    const QTextCursor cursor = textCursor();
    selectAll();
    copy();
    setTextCursor(cursor);
}

} // namespace vx
