#include "ScriptFile.h"

#include "Cp1251.h"
#include "Errors.h"
#include "Format.h"

#include <QFile>
#include <QFileInfo>
#include <QPromise>
#include <QSaveFile>
#include <QThreadPool>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>

namespace vx {

namespace {

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
    return decodeText(
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
