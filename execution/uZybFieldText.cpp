#include "uZybFieldText.h"

#include <QList>
#include <algorithm>
#include <limits>

using namespace vx;

namespace {

constexpr int MinimumWidth = 10;

// Types whose values are never cut: a cut number, date or GUID would show a wrong value.
bool IsShownWhole(DataTypeEnum type) {
    switch (type) {
    case adSmallInt:
    case adInteger:
    case adSingle:
    case adDouble:
    case adCurrency:
    case adDate:
    case adBoolean:
    case adDecimal:
    case adTinyInt:
    case adUnsignedTinyInt:
    case adUnsignedSmallInt:
    case adUnsignedInt:
    case adBigInt:
    case adUnsignedBigInt:
    case adGUID:
    case adNumeric:
    case adDBDate:
    case adDBTime:
    case adDBTimeStamp:
    case adVarNumeric:
        return true;
    default:
        return false;
    }
}

void AppendDigits(QString& text, int value, int digits) {
    QChar buffer[10];
    for (int i = digits - 1, rest = std::max(value, 0); i >= 0; --i, rest /= 10)
        buffer[i] = QChar(u'0' + rest % 10);
    text.append(buffer, digits);
}

// "yyyy-mm-dd hh:nn:ss:zzz": the time separator stands before the milliseconds too.
void AppendDateTime(QString& text, const DateTimeValue& v) {
    const int parts[] = {
        v.year, v.month, v.day, v.hour, v.minute, v.second, v.nanosecond / 1000000};
    const int digits[] = {4, 2, 2, 2, 2, 2, 3};
    const char16_t separators[] = u"-- :::";
    for (int i = 0; i < 7; ++i) {
        if (i > 0)
            text += QChar(separators[i - 1]);
        AppendDigits(text, parts[i], digits[i]);
    }
}

void AppendHex(QString& text, const QByteArray& bytes) {
    static const char16_t digits[] = u"0123456789ABCDEF";
    text += u"0x";
    const qsizetype start = text.size();
    text.resize(start + 2 * bytes.size());
    QChar* out = text.data() + start;
    for (const char byte : bytes) {
        *out++ = QChar(digits[(uchar(byte) >> 4) & 0xF]);
        *out++ = QChar(digits[uchar(byte) & 0xF]);
    }
}

void AppendFieldText(QString& text, const FieldInfo& field, const FieldValue& value) {
    struct Append {
        QString& text;
        const FieldInfo& field;
        void operator()(std::monostate) const {}
        void operator()(qint64 v) const { text += QString::number(v); }
        void operator()(double v) const {
            text += QString::number(v, 'g', field.type == adSingle ? 7 : 15);
        }
        void operator()(bool v) const { text += v ? u'1' : u'0'; }
        void operator()(const QString& v) const { text += v; }
        void operator()(const DateTimeValue& v) const { AppendDateTime(text, v); }
        void operator()(const QUuid& v) const { text += v.toString(QUuid::WithBraces).toUpper(); }
        void operator()(const QByteArray& v) const { AppendHex(text, v); }
    };
    std::visit(Append{text, field}, value);
}

// Cuts the text to `width` characters, never between the halves of a surrogate pair.
void CutTo(QString& text, qsizetype start, int width) {
    qsizetype end = start + width;
    if (end >= text.size())
        return;
    if (width > 0 && text.at(end - 1).isHighSurrogate())
        --end;
    text.truncate(end);
}

} // namespace

int GetFieldDisplayWidth(const FieldInfo& field) {
    switch (field.type) {
    case adSmallInt:
        return 4;
    case adInteger:
    case adSingle:
    case adDouble:
    case adCurrency:
    case adDecimal:
    case adNumeric:
    case adDBDate:
    case adDBTime:
        return 10;
    case adDate:
    case adVarNumeric:
        return 16;
    case adDBTimeStamp:
        return 23; // the length of "yyyy-mm-dd hh:nn:ss:zzz"
    case adBoolean:
        return 1;
    case adTinyInt:
        return 4;
    case adUnsignedTinyInt:
    case adUnsignedSmallInt:
        return 3;
    case adUnsignedInt:
        return 9;
    case adBigInt:
        return 19;
    case adUnsignedBigInt:
        return 18;
    case adGUID:
        return 38;
    default:
        return int(std::clamp<qint64>(field.definedSize, 0, std::numeric_limits<int>::max()));
    }
}

QString GetFieldText(const FieldInfo& field, const FieldValue& value) {
    QString text;
    AppendFieldText(text, field, value);
    return text;
}

int GetColumnWidth(const FieldInfo& field, int maxFieldLength) {
    int width = std::max<qsizetype>(GetFieldDisplayWidth(field), field.name.size());
    width = std::max(width, MinimumWidth);
    return std::max(std::min(width, maxFieldLength), 0);
}

void RenderRecordSet(RecordSet& records, bool tabDelimiter, int maxFieldLength,
                     const std::function<void(const QString& line)>& output) {
    const int count = records.fieldCount();
    QList<int> widths(count);
    QList<bool> whole(count);
    QString header, dashes;
    for (int k = 0; k < count; ++k) {
        const FieldInfo& field = records.field(k);
        widths[k] = GetColumnWidth(field, maxFieldLength);
        whole[k] = IsShownWhole(field.type);
        if (!whole[k])
            records.limitValueLength(k, widths[k]);
        header += field.name;
        if (tabDelimiter) {
            header += u'\t';
            dashes += QString(field.name.size(), u'-') + u'\t';
        } else {
            header += QString(std::max<qsizetype>(widths[k] - field.name.size(), 0), u' ') + u' ';
            dashes += QString(widths[k], u'-') + u' ';
        }
    }
    if (output) {
        output(header);
        output(dashes);
    }
    QString line;
    for (; !records.eof(); records.moveNext()) {
        line.truncate(0); // keeps the buffer for the next row
        for (int k = 0; k < count; ++k) {
            const qsizetype start = line.size();
            AppendFieldText(line, records.field(k), records.value(k));
            if (!whole[k])
                CutTo(line, start, widths[k]);
            if (tabDelimiter) {
                line += u'\t';
            } else {
                line.resize(std::max(line.size(), start + widths[k]), u' ');
                line += u' ';
            }
        }
        if (output)
            output(line);
    }
}
