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
#include <cstring>
#include <memory>
#include <optional>

namespace vx {

namespace {

const QByteArray utf8Bom("\xEF\xBB\xBF");

QByteArray firstLineEnd(const QByteArray& bytes) {
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n')
            return "\n";
        if (bytes[i] == '\r')
            return i + 1 < bytes.size() && bytes[i + 1] == '\n' ? "\r\n" : "\r";
    }
    return "\n";
}

// CR LF and lone CR as LF. Works on the bytes: in both encodings these bytes are only line ends.
QByteArray unifyLineEnds(const QByteArray& bytes) {
    const char* in = bytes.constData();
    const char* const end = in + bytes.size();
    const char* cr = static_cast<const char*>(std::memchr(in, '\r', bytes.size()));
    if (!cr)
        return bytes;
    QByteArray out(bytes.size(), Qt::Uninitialized);
    char* kept = out.data();
    while (cr) {
        kept = std::copy(in, cr, kept);
        *kept++ = '\n';
        in = cr + 1 != end && cr[1] == '\n' ? cr + 2 : cr + 1;
        cr = static_cast<const char*>(std::memchr(in, '\r', end - in));
    }
    kept = std::copy(in, end, kept);
    out.truncate(kept - out.constData());
    return out;
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

// The bytes as UTF-8, or nothing as soon as they turn out not to be UTF-8 (a Windows-1251 file
// usually shows that in its first piece).
std::optional<QString> fromUtf8(QByteArrayView bytes) {
    constexpr qsizetype piece = 1024 * 1024;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (qsizetype at = 0; at < bytes.size();) {
        qsizetype to = std::min(at + piece, bytes.size());
        // Pieces end before a character's continuation bytes, so that each one decodes whole.
        while (to < bytes.size() && to - at > 4 && (uchar(bytes[to]) & 0xC0) == 0x80)
            --to;
        out = utf8.appendToBuffer(out, bytes.sliced(at, to - at));
        if (utf8.hasError())
            return std::nullopt;
        at = to;
    }
    text.truncate(out - text.constData());
    return text;
}

} // namespace

ScriptText decodeScript(const QByteArray& bytes) {
    ScriptText script;
    script.format.lineEnd = firstLineEnd(bytes);
    const QByteArray lines = unifyLineEnds(bytes);
    if (lines.startsWith(utf8Bom)) {
        script.format.encoding = ScriptFormat::Utf8WithBom;
        script.text = QString::fromUtf8(lines.sliced(utf8Bom.size()));
    } else if (std::optional<QString> text = fromUtf8(lines)) {
        script.text = std::move(*text);
    } else {
        script.format.encoding = ScriptFormat::Cp1251;
        script.text = fromCp1251(lines);
    }
    return script;
}

QByteArray encodeScript(const QString& text, ScriptFormat& format) {
    if (format.encoding == ScriptFormat::Cp1251) {
        if (std::optional<QByteArray> bytes = toCp1251(text))
            return withLineEnds(*bytes, format.lineEnd);
        format.encoding = ScriptFormat::Utf8;
    }
    QByteArray bytes = withLineEnds(text.toUtf8(), format.lineEnd);
    if (format.encoding == ScriptFormat::Utf8WithBom)
        bytes.prepend(utf8Bom);
    return bytes;
}

ScriptText loadScript(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(format(QStringLiteral("Cannot open file \"%s\". %s"),
                           {QFileInfo(fileName).absoluteFilePath(), file.errorString()}));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw Error(format(QStringLiteral("Cannot open file \"%s\". %s"),
                           {QFileInfo(fileName).absoluteFilePath(), file.errorString()}));
    return decodeScript(bytes);
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
