#include "ScriptFile.h"

#include "Cp1251.h"
#include "Errors.h"
#include "Format.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

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

// CR LF and lone CR as "\n", in one pass.
void unifyLineEnds(QString& text) {
    if (!text.contains(QLatin1Char('\r')))
        return;
    QChar* out = text.data();
    const QChar* end = out + text.size();
    QChar* kept = out;
    for (const QChar* in = out; in != end; ++in) {
        if (*in != QLatin1Char('\r')) {
            *kept++ = *in;
        } else {
            *kept++ = QLatin1Char('\n');
            if (in + 1 != end && in[1] == QLatin1Char('\n'))
                ++in;
        }
    }
    text.truncate(kept - out);
}

// The text with every "\n" written as the line end.
QString withLineEnds(const QString& text, const QByteArray& lineEnd) {
    if (lineEnd == "\n")
        return text;
    const QString end = QString::fromLatin1(lineEnd);
    QString out;
    out.reserve(text.size() + text.count(QLatin1Char('\n')) * (end.size() - 1));
    qsizetype from = 0;
    for (qsizetype at; (at = text.indexOf(QLatin1Char('\n'), from)) >= 0; from = at + 1) {
        out.append(QStringView(text).sliced(from, at - from));
        out.append(end);
    }
    out.append(QStringView(text).sliced(from));
    return out;
}

} // namespace

ScriptText decodeScript(const QByteArray& bytes) {
    ScriptText script;
    script.format.lineEnd = firstLineEnd(bytes);
    if (bytes.startsWith(utf8Bom)) {
        script.format.encoding = ScriptFormat::Utf8WithBom;
        script.text = QString::fromUtf8(bytes.sliced(utf8Bom.size()));
    } else {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        script.text = utf8.decode(bytes);
        if (utf8.hasError()) {
            script.format.encoding = ScriptFormat::Cp1251;
            script.text = fromCp1251(bytes);
        }
    }
    unifyLineEnds(script.text);
    return script;
}

QByteArray encodeScript(const QString& text, ScriptFormat& format) {
    const QString lines = withLineEnds(text, format.lineEnd);
    if (format.encoding == ScriptFormat::Cp1251) {
        if (std::optional<QByteArray> bytes = toCp1251(lines))
            return *bytes;
        format.encoding = ScriptFormat::Utf8;
    }
    QByteArray bytes = lines.toUtf8();
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
