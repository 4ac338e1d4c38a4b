#pragma once

#include "LogStore.h"

#include <compare>
#include <utility>

namespace vx {

// A place in the log: a line and a column in it (UTF-16 units, as QString counts them).
struct LogPosition {
    qsizetype line = 0;
    qsizetype column = 0;

    auto operator<=>(const LogPosition&) const = default;
};

// The results log as an editable text: its lines with their error flags, a cursor and the anchor
// of the selection. Lines arrive at the end without moving the cursor, so the user may edit
// anywhere while a run goes on. Lines that an edit makes keep the flag of the line the edit began
// in. An empty log has no lines: the next line to arrive becomes the first, also after the user
// deleted everything. Every position handed in is clamped to the text.
class LogDocument {
public:
    explicit LogDocument(qsizetype chunkBytes = 64 * 1024);

    const LogStore& store() const { return m_store; }
    qsizetype lineCount() const { return m_store.lineCount(); }
    LogLine line(qsizetype index) const;
    qsizetype lineLength(qsizetype index) const;

    // A text holding line breaks (CR, LF or CR LF) becomes several lines with its flag.
    void appendLines(const QList<LogLine>& lines);
    // Removes the last line, then appends `line`.
    void replaceLastLine(const LogLine& line);
    void clear();

    LogPosition cursor() const { return m_cursor; }
    LogPosition anchor() const { return m_anchor; }
    bool hasSelection() const { return m_cursor != m_anchor; }
    // The selection's start and end, in order.
    std::pair<LogPosition, LogPosition> selection() const;
    void setCursor(LogPosition position, bool keepAnchor = false);
    void selectAll();
    QString selectedText() const;
    // The lines joined by LF.
    QString text() const;
    QString text(LogPosition from, LogPosition to) const;

    // Replaces the selection by `text` (line breaks split the line) and leaves the cursor after it.
    void insert(const QString& text);
    // Removes the selection, or else the character before (Backspace) or after (Delete) the
    // cursor; at a line's end or start that joins two lines.
    void removePrevious();
    void removeNext();
    void removeSelection();

    LogPosition clamp(LogPosition position) const;
    LogPosition end() const;
    LogPosition previous(LogPosition position) const;
    LogPosition next(LogPosition position) const;
    // The start of the word before, the end of the word after; line ends count as a word end.
    LogPosition previousWord(LogPosition position) const;
    LogPosition nextWord(LogPosition position) const;
    // The word (or run of blanks) around a position, as selected by a double click.
    std::pair<LogPosition, LogPosition> wordAt(LogPosition position) const;

private:
    void remove(LogPosition from, LogPosition to);

    LogStore m_store;
    LogPosition m_cursor;
    LogPosition m_anchor;
};

} // namespace vx
