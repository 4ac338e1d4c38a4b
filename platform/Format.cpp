#include "Format.h"

#include "Errors.h"

#include <charconv>

namespace vx {

namespace {

[[noreturn]] void invalid(const QString& pattern) {
    throw Error(QStringLiteral("Format '%1' invalid or incompatible with argument").arg(pattern));
}

int readNumber(const QString& pattern, qsizetype& i) {
    int value = 0;
    while (i < pattern.size() && pattern[i].isDigit() && pattern[i].unicode() < 128) {
        value = value * 10 + (pattern[i].unicode() - '0');
        if (value > 100000)
            invalid(pattern);
        ++i;
    }
    return value;
}

// At most `count` UTF-16 units of the text, fewer by one where the last would be half a surrogate
// pair: a precision never cuts a character in two.
qsizetype wholeCharacters(const QString& text, qsizetype count) {
    if (count <= 0 || count >= text.size())
        return count;
    return text[count - 1].isHighSurrogate() && text[count].isLowSurrogate() ? count - 1 : count;
}

QString integerText(qint64 value, int precision, bool hex) {
    const bool negative = value < 0 && !hex;
    quint64 magnitude = negative ? quint64(0) - quint64(value) : quint64(value);
    QString digits = QString::number(magnitude, hex ? 16 : 10).toUpper();
    if (digits.size() < precision)
        digits.prepend(QString(precision - digits.size(), QLatin1Char('0')));
    return negative ? QLatin1Char('-') + digits : digits;
}

} // namespace

QString format(const QString& pattern, std::initializer_list<FormatArg> args) {
    return format(pattern, std::span<const FormatArg>(args.begin(), args.size()));
}

QString format(const QString& pattern, std::span<const FormatArg> list) {
    std::size_t next = 0;
    QString out;
    out.reserve(pattern.size());
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != QLatin1Char('%')) {
            out += pattern[i];
            continue;
        }
        if (++i >= pattern.size())
            invalid(pattern);
        if (pattern[i] == QLatin1Char('%')) {
            out += QLatin1Char('%');
            continue;
        }
        const bool left = pattern[i] == QLatin1Char('-');
        if (left)
            ++i;
        const int width = readNumber(pattern, i);
        int precision = -1;
        if (i < pattern.size() && pattern[i] == QLatin1Char('.')) {
            ++i;
            precision = readNumber(pattern, i);
        }
        if (i >= pattern.size() || next >= list.size())
            invalid(pattern);
        const QChar kind = pattern[i].toLower();
        const FormatArg& arg = list[next++];
        QString piece;
        if (kind == QLatin1Char('s')) {
            const QString* text = std::get_if<QString>(&arg);
            if (!text)
                invalid(pattern);
            piece = precision >= 0 ? text->left(wholeCharacters(*text, precision)) : *text;
        } else if (kind == QLatin1Char('d') || kind == QLatin1Char('x')) {
            const qint64* number = std::get_if<qint64>(&arg);
            if (!number)
                invalid(pattern);
            piece = integerText(*number, precision, kind == QLatin1Char('x'));
        } else {
            invalid(pattern);
        }
        if (piece.size() < width) {
            const QString pad(width - piece.size(), QLatin1Char(' '));
            piece = left ? piece + pad : pad + piece;
        }
        out += piece;
    }
    return out;
}

QString formatNumber(qint64 value) {
    return QString::number(value);
}

QString formatNumber(double value) {
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return QString::fromLatin1(buffer, result.ptr - buffer);
}

} // namespace vx
