#include "ScriptFile.h"

#include "Cp1251.h"
#include "Errors.h"
#include "Format.h"

#include <QFile>
#include <QFileInfo>
#include <QPromise>
#include <QSaveFile>
#include <QStringDecoder>
#include <QThreadPool>

#include <algorithm>
#include <bit>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>

namespace vx {

namespace {

const QByteArray utf8Bom("\xEF\xBB\xBF");
constexpr qsizetype pieceSize = 1024 * 1024;

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

// Fills `into` with up to `size` bytes from `offset`; fewer only at the end. Raises on a failed
// read.
using ReadAt = std::function<qsizetype(qint64 offset, char* into, qsizetype size)>;

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
std::optional<ScriptText> decodePieces(const ReadAt& read, qint64 sizeHint, bool utf8) {
    ScriptText script;
    QString& text = script.text;
    // Neither encoding gives more characters than bytes.
    text.resize(std::max<qint64>(sizeHint, 0) + 1);
    qsizetype used = 0;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                     QStringDecoder::Flag::ConvertInitialBom);
    LineEnds lineEnds;
    bool bom = false;
    bool separators = false;
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
        script.format.encoding = bom ? ScriptFormat::Utf8WithBom : ScriptFormat::Utf8;
    else
        script.format.encoding = bom ? ScriptFormat::Cp1251WithBom : ScriptFormat::Cp1251;
    script.format.lineEnd = lineEnds.first();
    if (lineEnds.mixed())
        script.changes |= ScriptText::MixedLineEnds;
    if (separators)
        script.changes |= ScriptText::ParagraphSeparators;
    return script;
}

// UTF-8 when the whole file is, else Windows-1251, which reads the bytes again.
ScriptText decodeWhole(const ReadAt& read, qint64 sizeHint) {
    if (std::optional<ScriptText> script = decodePieces(read, sizeHint, true))
        return std::move(*script);
    return std::move(*decodePieces(read, sizeHint, false));
}

// Every LF written as the line end.
QByteArray withLineEnds(const QByteArray& bytes, const QByteArray& lineEnd) {
    if (lineEnd == "\n")
        return bytes;
    QByteArray out(bytes.size() + bytes.count('\n') * (lineEnd.size() - 1), Qt::Uninitialized);
    char* kept = out.data();
    const char* in = bytes.constData();
    const char* const end = in + bytes.size();
    while (const char* lf = static_cast<const char*>(std::memchr(in, '\n', end - in))) {
        kept = std::copy(in, lf, kept);
        kept = std::copy(lineEnd.cbegin(), lineEnd.cend(), kept);
        in = lf + 1;
    }
    std::copy(in, end, kept);
    return out;
}

QString cannotOpen(const QString& fileName, const QFile& file) {
    return format(QStringLiteral("Cannot open file \"%s\". %s"),
                  {QFileInfo(fileName).absoluteFilePath(), file.errorString()});
}

} // namespace

ScriptText decodeScript(const QByteArray& bytes) {
    return decodeWhole(
        [&bytes](qint64 offset, char* into, qsizetype size) {
            const qsizetype got = std::clamp<qint64>(bytes.size() - offset, 0, size);
            std::memcpy(into, bytes.constData() + offset, got);
            return got;
        },
        bytes.size());
}

QByteArray encodeScript(const QString& text, ScriptFormat& format) {
    const bool bom = format.encoding == ScriptFormat::Utf8WithBom ||
                     format.encoding == ScriptFormat::Cp1251WithBom;
    std::optional<QByteArray> bytes;
    if (format.encoding == ScriptFormat::Cp1251 || format.encoding == ScriptFormat::Cp1251WithBom) {
        bytes = toCp1251(text, Cp1251Unassigned::Kept);
        if (!bytes)
            format.encoding = bom ? ScriptFormat::Utf8WithBom : ScriptFormat::Utf8;
    }
    if (!bytes)
        bytes = text.toUtf8();
    QByteArray written = withLineEnds(*bytes, format.lineEnd);
    if (bom)
        written.prepend(utf8Bom);
    return written;
}

ScriptText loadScript(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(cannotOpen(fileName, file));
    return decodeWhole(
        [&](qint64 offset, char* into, qsizetype size) {
            if (file.pos() != offset && !file.seek(offset))
                throw Error(cannotOpen(fileName, file));
            qsizetype got = 0;
            while (got < size) {
                const qint64 read = file.read(into + got, size - got);
                if (read < 0)
                    throw Error(cannotOpen(fileName, file));
                if (read == 0)
                    break;
                got += read;
            }
            return got;
        },
        file.size());
}

QString changesOnSave(const QString& fileName, const ScriptText& script) {
    QStringList changes;
    if (script.changes & ScriptText::MixedLineEnds) {
        const QString style = script.format.lineEnd == "\r\n" ? QStringLiteral("CR LF")
                              : script.format.lineEnd == "\r" ? QStringLiteral("CR")
                                                              : QStringLiteral("LF");
        changes << format(LoadResString(&WP_MIXED_LINE_ENDS), {style});
    }
    if (script.changes & ScriptText::ParagraphSeparators)
        changes << LoadResString(&WP_PARAGRAPH_SEPARATORS);
    if (changes.isEmpty())
        return {};
    return format(LoadResString(&WP_SCRIPT_CHANGES_ON_SAVE),
                  {QFileInfo(fileName).absoluteFilePath(), changes.join(QStringLiteral("; "))});
}

QFuture<ScriptText> loadScriptInBackground(const QString& fileName) {
    auto promise = std::make_shared<QPromise<ScriptText>>();
    QFuture<ScriptText> future = promise->future();
    QThreadPool::globalInstance()->start([promise, fileName] {
        promise->start();
        try {
            promise->addResult(loadScript(fileName));
        } catch (...) {
            promise->setException(std::current_exception());
        }
        promise->finish();
    });
    return future;
}

void saveScript(const QString& fileName, const QString& text, ScriptFormat& scriptFormat) {
    ScriptFormat written = scriptFormat;
    const QByteArray bytes = encodeScript(text, written);
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw Error(format(QStringLiteral("Cannot create file \"%s\". %s"),
                           {QFileInfo(fileName).absoluteFilePath(), file.errorString()}));
    scriptFormat = written;
}

QString withScriptExtension(const QString& fileName) {
    if (fileName.isEmpty() || !QFileInfo(fileName).suffix().isEmpty())
        return fileName;
    return fileName + QStringLiteral(".sql");
}

} // namespace vx
