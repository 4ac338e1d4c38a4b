#pragma once

#include "RunChannel.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringEncoder>

#include <vector>

namespace vx {

// The lines of a results log, held compactly: their UTF-8 text in chunks of about `chunkBytes`
// with one 32-bit end offset and error flag per line, so that a million lines cost little more
// than their text. The first chunk starts at a kilobyte and doubles as lines come, so that a short
// log costs little more than its text too. Appending is amortised constant time; an edit rewrites
// only the chunks it touches. Lines hold no line breaks. Not thread-safe: the GUI thread owns it.
class LogStore {
public:
    static constexpr int tabColumns = 8;

    explicit LogStore(qsizetype chunkBytes = 64 * 1024);

    qsizetype lineCount() const;
    QString text(qsizetype line) const;
    bool isError(qsizetype line) const;
    // The widest line held since the last clear, in columns (a tab reaches the next multiple of
    // tabColumns): an edit that narrows it leaves the figure as it was.
    qsizetype widestLine() const { return m_widest; }
    static qsizetype columns(const QString& text);

    void append(const QString& text, bool isError);
    // Replaces `count` lines from `first` on by `lines`: the one operation every edit goes through.
    void replace(qsizetype first, qsizetype count, const QList<LogLine>& lines);
    void clear();

private:
    struct Chunk {
        QByteArray bytes;
        std::vector<quint32> ends; // each line's end offset in bytes, errorBit for a red line

        qsizetype lineCount() const { return qsizetype(ends.size()); }
        qsizetype start(qsizetype line) const;
        qsizetype end(qsizetype line) const;
    };
    static constexpr quint32 errorBit = 0x80000000u;
    static constexpr qsizetype firstChunkBytes = 1024;

    // The chunk holding `line`, and the line's index within it.
    std::pair<qsizetype, qsizetype> locate(qsizetype line) const;
    void startChunk(qsizetype minimumBytes);
    // Removes `count` lines from the front of chunk `index`, dropping it when none remain.
    void removeFront(qsizetype index, qsizetype count);
    // Cuts an oversized chunk into pieces of about chunkBytes.
    void split(qsizetype index);
    void renumberFrom(qsizetype index);
    void widen(const QString& text);
    // The text in UTF-8, valid until the next call.
    QByteArrayView encode(const QString& text);

    const qsizetype m_chunkBytes;
    std::vector<Chunk> m_chunks;
    std::vector<qsizetype> m_firstLines; // the first line of each chunk
    qsizetype m_widest = 0;
    // Stateless: a lone surrogate at a line's end must not reach into the next line.
    QStringEncoder m_encoder{QStringEncoder::Utf8, QStringConverter::Flag::Stateless};
    QByteArray m_scratch;
};

} // namespace vx
