#include "TextDecoding.h"

#include "Cp1251.h"

#include <QStringDecoder>

#include <algorithm>
#include <bit>
#include <cstring>
#include <optional>

namespace vx {

namespace {

constexpr qsizetype largestPiece = 1024 * 1024;

// Turns CR LF and lone CR into LF a piece at a time and notes the styles the bytes used. Works
// on the bytes: in both encodings these bytes are only line ends.
class LineEnds {
public:
    // Unifies the piece in place and returns its new size. A CR that ends a piece is written at
    // once; an LF that starts the next piece then belongs to it.
    qsizetype unify(char* data, qsizetype size) {
        const char* in = data;
        const char* const end = data + size;
        if (m_pendingCr && in != end) {
            m_pendingCr = false;
            if (*in == '\n') {
                note(CrLf);
                ++in;
            } else {
                note(Cr);
            }
        }
        char* out = data;
        for (;;) {
            const auto* cr = static_cast<const char*>(std::memchr(in, '\r', end - in));
            const char* const stop = cr ? cr : end;
            if (!(m_seen & Lf) && std::memchr(in, '\n', stop - in))
                note(Lf);
            if (out != in)
                std::memmove(out, in, stop - in);
            out += stop - in;
            if (!cr)
                break;
            *out++ = '\n';
            in = cr + 1;
            if (in == end) {
                m_pendingCr = true;
            } else if (*in == '\n') {
                note(CrLf);
                ++in;
            } else {
                note(Cr);
            }
        }
        return out - data;
    }

    // After the last piece.
    void finish() {
        if (std::exchange(m_pendingCr, false))
            note(Cr);
    }

    // The style of the first line end; LF for a text without one.
    QByteArray first() const { return m_first == CrLf ? "\r\n" : m_first == Cr ? "\r" : "\n"; }
    bool mixed() const { return std::popcount(unsigned(m_seen)) > 1; }

private:
    enum Style { Lf = 1, CrLf = 2, Cr = 4 };
    void note(Style style) {
        if (m_seen == 0)
            m_first = style;
        m_seen |= style;
    }

    int m_seen = 0;
    Style m_first = Lf;
    bool m_pendingCr = false;
};

// How much of a UTF-8 piece decodes whole: up to a character that the piece may cut, which goes
// into the next piece.
qsizetype wholeCharacters(const char* piece, qsizetype size) {
    for (qsizetype i = size - 1; i >= 0 && i >= size - 4; --i) {
        const auto byte = static_cast<uchar>(piece[i]);
        if (byte < 0x80)
            break;
        if (byte >= 0xC0)
            return i;
    }
    return size;
}

bool holdsParagraphSeparators(const QChar* from, const QChar* to) {
    return std::any_of(from, to, [](QChar ch) {
        const char16_t c = ch.unicode();
        return c >= QChar::ParagraphSeparator &&
               (c == QChar::ParagraphSeparator || c == 0xFDD0 || c == 0xFDD1);
    });
}

// The bytes as text in one encoding, straight from the pieces into the text; nothing when they
// turn out not to be UTF-8. `sizeHint` is the number of bytes to expect.
std::optional<DecodedText> decodePieces(const ReadAt& read, qint64 sizeHint, bool utf8) {
    DecodedText decoded;
    QString& text = decoded.text;
    // Neither encoding gives more characters than bytes.
    text.resize(std::max<qint64>(sizeHint, 0) + 1);
    qsizetype used = 0;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                     QStringDecoder::Flag::ConvertInitialBom);
    LineEnds lineEnds;
    bool bom = false;
    bool separators = false;
    // A file below the largest piece is read as one piece, into a buffer of about its size: the
    // settings and tools files are read often and are small.
    const auto pieceSize = qsizetype(std::clamp<qint64>(sizeHint + 1, 64, largestPiece));
    // A piece after the up to four bytes of a character that the previous piece cut.
    QByteArray buffer(pieceSize + 4, Qt::Uninitialized);
    char* const data = buffer.data();
    qsizetype carried = 0;
    for (qint64 offset = 0;;) {
        qsizetype got = read(offset, data + carried, pieceSize);
        const bool last = got < pieceSize;
        char* fresh = data + carried;
        if (offset == 0 && got >= utf8Bom.size() &&
            QByteArrayView(fresh, utf8Bom.size()) == utf8Bom) {
            bom = true;
            fresh += utf8Bom.size();
            got -= utf8Bom.size();
            offset += utf8Bom.size();
        }
        offset += got;
        char* const piece = fresh - carried;
        const qsizetype size = carried + lineEnds.unify(fresh, got);
        const qsizetype whole = utf8 && !last ? wholeCharacters(piece, size) : size;
        const qsizetype room = utf8 ? decoder.requiredSpace(whole) : whole;
        if (used + room > text.size())
            text.resize(std::max(used + room, text.size() * 2));
        QChar* const begin = text.data() + used;
        QChar* end = nullptr;
        if (utf8) {
            end = decoder.appendToBuffer(begin, QByteArrayView(piece, whole));
            if (decoder.hasError())
                return std::nullopt;
            separators = separators || holdsParagraphSeparators(begin, end);
        } else {
            end = fromCp1251(QByteArrayView(piece, whole), begin, Cp1251Unassigned::Kept);
        }
        used = end - text.constData();
        carried = size - whole;
        std::memmove(data, piece + whole, carried);
        if (last)
            break;
    }
    lineEnds.finish();
    text.truncate(used);
    if (utf8)
        decoded.format.encoding = bom ? TextFormat::Utf8WithBom : TextFormat::Utf8;
    else
        decoded.format.encoding = bom ? TextFormat::Cp1251WithBom : TextFormat::Cp1251;
    decoded.format.lineEnd = lineEnds.first();
    if (lineEnds.mixed())
        decoded.changes |= DecodedText::MixedLineEnds;
    if (separators)
        decoded.changes |= DecodedText::ParagraphSeparators;
    return decoded;
}

} // namespace

// UTF-8 when the whole file is, else Windows-1251, which reads the bytes again.
DecodedText decodeText(const ReadAt& read, qint64 sizeHint) {
    if (std::optional<DecodedText> decoded = decodePieces(read, sizeHint, true))
        return std::move(*decoded);
    return std::move(*decodePieces(read, sizeHint, false));
}

DecodedText decodeText(const QByteArray& bytes) {
    return decodeText(
        [&bytes](qint64 offset, char* into, qsizetype size) {
            const qsizetype got = std::clamp<qint64>(bytes.size() - offset, 0, size);
            std::memcpy(into, bytes.constData() + offset, got);
            return got;
        },
        bytes.size());
}

} // namespace vx
