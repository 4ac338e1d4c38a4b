#include "LogDocument.h"

#include <QStringList>

#include <algorithm>

namespace vx {

namespace {

QStringList splitLines(const QString& text) {
    if (!text.contains(QLatin1Char('\r')))
        return text.split(QLatin1Char('\n'));
    QString lines = text;
    lines.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    lines.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return lines.split(QLatin1Char('\n'));
}

bool isWordCharacter(QChar c) {
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

} // namespace

LogDocument::LogDocument(qsizetype chunkBytes) : m_store(chunkBytes) {}

LogLine LogDocument::line(qsizetype index) const {
    return {m_store.text(index), m_store.isError(index)};
}

qsizetype LogDocument::lineLength(qsizetype index) const {
    return m_store.text(index).size();
}

void LogDocument::appendLines(const QList<LogLine>& lines) {
    for (const LogLine& line : lines) {
        if (!line.text.contains(QLatin1Char('\n')) && !line.text.contains(QLatin1Char('\r'))) {
            m_store.append(line.text, line.isError);
            continue;
        }
        for (const QString& part : splitLines(line.text))
            m_store.append(part, line.isError);
    }
}

void LogDocument::replaceLastLine(const LogLine& line) {
    if (lineCount() > 0)
        m_store.replace(lineCount() - 1, 1, {});
    appendLines({line});
    m_cursor = clamp(m_cursor);
    m_anchor = clamp(m_anchor);
}

void LogDocument::clear() {
    m_store.clear();
    m_cursor = m_anchor = {};
}

std::pair<LogPosition, LogPosition> LogDocument::selection() const {
    return std::minmax(m_cursor, m_anchor);
}

void LogDocument::setCursor(LogPosition position, bool keepAnchor) {
    m_cursor = clamp(position);
    if (!keepAnchor)
        m_anchor = m_cursor;
}

void LogDocument::selectAll() {
    m_anchor = {};
    m_cursor = end();
}

QString LogDocument::selectedText() const {
    const auto [from, to] = selection();
    return text(from, to);
}

QString LogDocument::text() const {
    return text({}, end());
}

QString LogDocument::text(LogPosition from, LogPosition to) const {
    from = clamp(from);
    to = clamp(to);
    if (lineCount() == 0 || to <= from)
        return {};
    if (from.line == to.line)
        return m_store.text(from.line).mid(from.column, to.column - from.column);
    QString text = m_store.text(from.line).mid(from.column);
    for (qsizetype i = from.line + 1; i < to.line; ++i)
        text += QLatin1Char('\n') + m_store.text(i);
    text += QLatin1Char('\n') + m_store.text(to.line).left(to.column);
    return text;
}

void LogDocument::insert(const QString& text) {
    removeSelection();
    if (text.isEmpty())
        return;
    if (lineCount() == 0)
        m_store.append(QString(), false);
    const QStringList parts = splitLines(text);
    const LogLine current = line(m_cursor.line);
    QList<LogLine> lines;
    for (const QString& part : parts)
        lines.append({part, current.isError});
    lines.first().text.prepend(current.text.left(m_cursor.column));
    const qsizetype column = lines.last().text.size();
    lines.last().text += current.text.mid(m_cursor.column);
    m_store.replace(m_cursor.line, 1, lines);
    m_cursor = m_anchor = {m_cursor.line + parts.size() - 1, column};
}

void LogDocument::removeSelection() {
    if (hasSelection()) {
        const auto [from, to] = selection();
        remove(from, to);
    }
}

void LogDocument::removePrevious() {
    if (hasSelection())
        removeSelection();
    else
        remove(previous(m_cursor), m_cursor);
}

void LogDocument::removeNext() {
    if (hasSelection())
        removeSelection();
    else
        remove(m_cursor, next(m_cursor));
}

void LogDocument::remove(LogPosition from, LogPosition to) {
    if (lineCount() == 0 || to <= from)
        return;
    const LogLine first = line(from.line);
    const QString joined = first.text.left(from.column) + m_store.text(to.line).mid(to.column);
    m_store.replace(from.line, to.line - from.line + 1, {{joined, first.isError}});
    m_cursor = m_anchor = from;
    if (lineCount() == 1 && joined.isEmpty())
        m_store.clear(); // as empty as a log that never had a line
}

LogPosition LogDocument::clamp(LogPosition position) const {
    if (lineCount() == 0)
        return {};
    const qsizetype line = std::clamp<qsizetype>(position.line, 0, lineCount() - 1);
    return {line, std::clamp<qsizetype>(position.column, 0, lineLength(line))};
}

LogPosition LogDocument::end() const {
    return lineCount() == 0 ? LogPosition{}
                            : LogPosition{lineCount() - 1, lineLength(lineCount() - 1)};
}

LogPosition LogDocument::previous(LogPosition position) const {
    position = clamp(position);
    if (position.column == 0)
        return position.line == 0 ? position
                                  : LogPosition{position.line - 1, lineLength(position.line - 1)};
    const QString text = m_store.text(position.line);
    qsizetype column = position.column - 1;
    if (column > 0 && text.at(column).isLowSurrogate() && text.at(column - 1).isHighSurrogate())
        --column;
    return {position.line, column};
}

LogPosition LogDocument::next(LogPosition position) const {
    position = clamp(position);
    const QString text = lineCount() == 0 ? QString() : m_store.text(position.line);
    if (position.column == text.size())
        return position.line + 1 < lineCount() ? LogPosition{position.line + 1, 0} : position;
    qsizetype column = position.column + 1;
    if (column < text.size() && text.at(column).isLowSurrogate() &&
        text.at(column - 1).isHighSurrogate())
        ++column;
    return {position.line, column};
}

LogPosition LogDocument::previousWord(LogPosition position) const {
    position = clamp(position);
    if (position.column == 0)
        return previous(position);
    const QString text = m_store.text(position.line);
    qsizetype column = position.column;
    while (column > 0 && !isWordCharacter(text.at(column - 1)))
        --column;
    while (column > 0 && isWordCharacter(text.at(column - 1)))
        --column;
    return {position.line, column};
}

LogPosition LogDocument::nextWord(LogPosition position) const {
    position = clamp(position);
    const QString text = lineCount() == 0 ? QString() : m_store.text(position.line);
    if (position.column == text.size())
        return next(position);
    qsizetype column = position.column;
    while (column < text.size() && !isWordCharacter(text.at(column)))
        ++column;
    while (column < text.size() && isWordCharacter(text.at(column)))
        ++column;
    return {position.line, column};
}

std::pair<LogPosition, LogPosition> LogDocument::wordAt(LogPosition position) const {
    position = clamp(position);
    const QString text = lineCount() == 0 ? QString() : m_store.text(position.line);
    if (text.isEmpty())
        return {position, position};
    const qsizetype at = std::min(position.column, text.size() - 1);
    const bool word = isWordCharacter(text.at(at));
    qsizetype start = at;
    qsizetype end = at + 1;
    while (start > 0 && isWordCharacter(text.at(start - 1)) == word)
        --start;
    while (end < text.size() && isWordCharacter(text.at(end)) == word)
        ++end;
    return {{position.line, start}, {position.line, end}};
}

} // namespace vx
