#pragma once

#include "RunChannel.h"

#include <QPlainTextEdit>

namespace vx {

// The results log: one block per line, error lines in red, all others in the window-text colour.
// Lines arrive in batches and are inserted at the end without moving the user's cursor; the view
// follows the end only while it is scrolled to the bottom. A line holding line breaks becomes
// several lines.
class LogView : public QPlainTextEdit {
public:
    explicit LogView(QWidget* parent = nullptr);

    void addLines(const QList<LogLine>& lines);
    void replaceLastLine(const LogLine& line);
    void clearLog();
    // Copies the selection; without one the whole log, leaving nothing selected.
    void copySelectionOrAll();

private:
    bool m_hasLines = false; // an empty first line leaves the document empty
};

} // namespace vx
