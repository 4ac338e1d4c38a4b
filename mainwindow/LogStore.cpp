#include "LogStore.h"

#include <QStringDecoder>

#include <algorithm>

namespace vx {

qsizetype LogStore::Chunk::start(qsizetype line) const {
    return line == 0 ? 0 : end(line - 1);
}

qsizetype LogStore::Chunk::end(qsizetype line) const {
    return ends[line] & ~errorBit;
}

LogStore::LogStore(qsizetype chunkBytes) : m_chunkBytes(chunkBytes) {}

qsizetype LogStore::lineCount() const {
    return m_chunks.empty() ? 0 : m_firstLines.back() + m_chunks.back().lineCount();
}

std::pair<qsizetype, qsizetype> LogStore::locate(qsizetype line) const {
    const auto after = std::upper_bound(m_firstLines.begin(), m_firstLines.end(), line);
    const qsizetype index = after - m_firstLines.begin() - 1;
    return {index, line - m_firstLines[index]};
}

QString LogStore::text(qsizetype line) const {
    const auto [index, local] = locate(line);
    const Chunk& chunk = m_chunks[index];
    const qsizetype start = chunk.start(local);
    // QString::fromUtf8 would drop a byte order mark that opens the line.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringConverter::Flag::Stateless |
                                                     QStringConverter::Flag::ConvertInitialBom);
    return decoder.decode(QByteArrayView(chunk.bytes).sliced(start, chunk.end(local) - start));
}

bool LogStore::isError(qsizetype line) const {
    const auto [index, local] = locate(line);
    return m_chunks[index].ends[local] & errorBit;
}

qsizetype LogStore::columns(const QString& text) {
    if (!text.contains(QLatin1Char('\t')))
        return text.size();
    qsizetype column = 0;
    for (QChar c : text)
        column = c == QLatin1Char('\t') ? (column / tabColumns + 1) * tabColumns : column + 1;
    return column;
}

void LogStore::widen(const QString& text) {
    m_widest = std::max(m_widest, columns(text));
}

void LogStore::startChunk(qsizetype minimumBytes) {
    const qsizetype first = lineCount();
    if (!m_chunks.empty())
        m_chunks.back().ends.shrink_to_fit();
    Chunk& chunk = m_chunks.emplace_back();
    // A log's first chunk starts small and grows: hundreds of pages that show a few lines each
    // would otherwise hold a whole chunk each.
    const qsizetype bytes =
        m_chunks.size() == 1 ? std::min(firstChunkBytes, m_chunkBytes) : m_chunkBytes;
    chunk.bytes.reserve(std::max(bytes, minimumBytes));
    m_firstLines.push_back(first);
}

QByteArrayView LogStore::encode(const QString& text) {
    const qsizetype most = m_encoder.requiredSpace(text.size());
    if (m_scratch.size() < most)
        m_scratch.resize(most);
    return {m_scratch.constData(), m_encoder.appendToBuffer(m_scratch.data(), text)};
}

void LogStore::append(const QString& text, bool isError) {
    const QByteArrayView utf8 = encode(text);
    if (m_chunks.empty() || m_chunks.back().bytes.size() + utf8.size() > m_chunkBytes)
        startChunk(utf8.size());
    Chunk& chunk = m_chunks.back();
    const qsizetype needed = chunk.bytes.size() + utf8.size();
    if (needed > chunk.bytes.capacity())
        chunk.bytes.reserve(std::max(needed, std::min(2 * chunk.bytes.capacity(), m_chunkBytes)));
    chunk.bytes.append(utf8);
    chunk.ends.push_back(quint32(chunk.bytes.size()) | (isError ? errorBit : 0));
    widen(text);
}

void LogStore::replace(qsizetype first, qsizetype count, const QList<LogLine>& lines) {
    Q_ASSERT(first >= 0 && count >= 0 && first + count <= lineCount());
    if (first == lineCount()) {
        for (const LogLine& line : lines)
            append(line.text, line.isError);
        return;
    }
    const auto [index, local] = locate(first);
    const qsizetype inChunk = std::min(count, m_chunks[index].lineCount() - local);
    for (qsizetype rest = count - inChunk; rest > 0;) {
        const qsizetype here = std::min(rest, m_chunks[index + 1].lineCount());
        removeFront(index + 1, here);
        rest -= here;
    }

    Chunk& chunk = m_chunks[index];
    const qsizetype from = chunk.start(local);
    const qsizetype to = inChunk > 0 ? chunk.end(local + inChunk - 1) : from;
    QByteArray bytes;
    bytes.reserve(chunk.bytes.size() - (to - from));
    bytes.append(chunk.bytes.constData(), from);
    std::vector<quint32> ends(chunk.ends.begin(), chunk.ends.begin() + local);
    for (const LogLine& line : lines) {
        bytes.append(encode(line.text));
        ends.push_back(quint32(bytes.size()) | (line.isError ? errorBit : 0));
        widen(line.text);
    }
    const qint64 shift = bytes.size() - to;
    bytes.append(chunk.bytes.constData() + to, chunk.bytes.size() - to);
    for (qsizetype i = local + inChunk; i < chunk.lineCount(); ++i)
        ends.push_back(quint32(chunk.end(i) + shift) | (chunk.ends[i] & errorBit));
    chunk.bytes = std::move(bytes);
    chunk.ends = std::move(ends);

    if (chunk.ends.empty())
        m_chunks.erase(m_chunks.begin() + index);
    else if (chunk.bytes.size() > 2 * m_chunkBytes)
        split(index);
    renumberFrom(index);
}

void LogStore::removeFront(qsizetype index, qsizetype count) {
    Chunk& chunk = m_chunks[index];
    if (count == chunk.lineCount()) {
        m_chunks.erase(m_chunks.begin() + index);
        m_firstLines.erase(m_firstLines.begin() + index);
        return;
    }
    const qsizetype cut = chunk.end(count - 1);
    chunk.bytes.remove(0, cut);
    chunk.ends.erase(chunk.ends.begin(), chunk.ends.begin() + count);
    for (quint32& end : chunk.ends)
        end -= quint32(cut);
}

void LogStore::split(qsizetype index) {
    const Chunk whole = std::move(m_chunks[index]);
    std::vector<Chunk> pieces;
    for (qsizetype line = 0; line < whole.lineCount();) {
        Chunk& piece = pieces.emplace_back();
        const qsizetype start = whole.start(line);
        do {
            piece.ends.push_back(quint32(whole.end(line) - start) | (whole.ends[line] & errorBit));
            ++line;
        } while (line < whole.lineCount() && whole.end(line) - start <= m_chunkBytes);
        piece.bytes = whole.bytes.mid(start, whole.end(line - 1) - start);
    }
    m_chunks.erase(m_chunks.begin() + index);
    m_chunks.insert(m_chunks.begin() + index, std::make_move_iterator(pieces.begin()),
                    std::make_move_iterator(pieces.end()));
}

void LogStore::renumberFrom(qsizetype index) {
    m_firstLines.resize(m_chunks.size());
    for (qsizetype i = index; i < qsizetype(m_chunks.size()); ++i)
        m_firstLines[i] = i == 0 ? 0 : m_firstLines[i - 1] + m_chunks[i - 1].lineCount();
}

void LogStore::clear() {
    m_chunks.clear();
    m_firstLines.clear();
    m_widest = 0;
}

} // namespace vx
