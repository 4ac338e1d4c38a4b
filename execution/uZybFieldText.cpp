#include "uZybFieldText.h"

#include <QList>
#include <algorithm>
#include <charconv>
#include <cstring>
#include <limits>
#include <vector>

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

// One row's text while it is built: written in place, grown only when a row is longer than any
// before it.
class RowBuffer {
public:
    qsizetype size() const { return m_size; }
    void clear() { m_size = 0; }
    QString toString() const {
        return QString(reinterpret_cast<const QChar*>(m_chars.data()), m_size);
    }

    void append(char16_t c) {
        *reserve(1) = c;
        ++m_size;
    }
    void append(QStringView text) {
        if (text.isEmpty()) // a null text has no characters to copy from
            return;
        std::memcpy(reserve(text.size()), text.utf16(), size_t(text.size()) * sizeof(char16_t));
        m_size += text.size();
    }
    void padTo(qsizetype size) {
        if (size <= m_size)
            return;
        // Four blanks a store: padding is most of a fixed-layout row.
        constexpr quint64 fourBlanks = 0x0020002000200020;
        char16_t* out = reserve(size - m_size);
        qsizetype rest = size - m_size;
        for (; rest >= 4; rest -= 4, out += 4)
            std::memcpy(out, &fourBlanks, sizeof fourBlanks);
        for (; rest > 0; --rest)
            *out++ = u' ';
        m_size = size;
    }
    // Cuts the text from `start` on to `width` characters, never between the halves of a
    // surrogate pair.
    void cutTo(qsizetype start, int width) {
        qsizetype end = start + width;
        if (end >= m_size)
            return;
        if (width > 0 && QChar::isHighSurrogate(m_chars[end - 1]))
            --end;
        m_size = end;
    }

    void appendValue(const FieldInfo& field, const FieldValue& value) {
        struct Append {
            RowBuffer& row;
            const FieldInfo& field;
            void operator()(std::monostate) const {}
            void operator()(qint64 v) const {
                char digits[24];
                const char* end = std::to_chars(digits, digits + sizeof digits, v).ptr;
                char16_t* out = row.reserve(end - digits);
                for (const char* d = digits; d != end; ++d)
                    *out++ = char16_t(*d);
                row.m_size += end - digits;
            }
            void operator()(bool v) const { row.append(v ? u'1' : u'0'); }
            void operator()(const QString& v) const { row.append(v); }
            void operator()(const DateTimeValue& v) const { row.appendDateTime(v); }
            void operator()(double v) const {
                row.append(QString::number(v, 'g', field.type == adSingle ? 7 : 15));
            }
            void operator()(const QUuid& v) const {
                row.append(v.toString(QUuid::WithBraces).toUpper());
            }
            void operator()(const QByteArray& v) const { row.appendHex(v); }
        };
        std::visit(Append{*this, field}, value);
    }

private:
    // Room for `count` more characters; returns where they go.
    char16_t* reserve(qsizetype count) {
        if (m_size + count > qsizetype(m_chars.size()))
            m_chars.resize(std::max<std::size_t>(2 * m_chars.size(), m_size + count));
        return m_chars.data() + m_size;
    }

    // "yyyy-mm-dd hh:nn:ss:zzz": the time separator stands before the milliseconds too.
    void appendDateTime(const DateTimeValue& v) {
        char16_t* out = reserve(23);
        const auto put = [&out](int value, int digits) {
            value = std::max(value, 0);
            for (int i = digits - 1; i >= 0; --i, value /= 10)
                out[i] = char16_t(u'0' + value % 10);
            out += digits;
        };
        put(v.year, 4);
        *out++ = u'-';
        put(v.month, 2);
        *out++ = u'-';
        put(v.day, 2);
        *out++ = u' ';
        put(v.hour, 2);
        *out++ = u':';
        put(v.minute, 2);
        *out++ = u':';
        put(v.second, 2);
        *out++ = u':';
        put(v.nanosecond / 1000000, 3);
        m_size += 23;
    }

    void appendHex(const QByteArray& bytes) {
        static const char16_t digits[] = u"0123456789ABCDEF";
        char16_t* out = reserve(2 + 2 * bytes.size());
        *out++ = u'0';
        *out++ = u'x';
        for (const char byte : bytes) {
            *out++ = digits[(uchar(byte) >> 4) & 0xF];
            *out++ = digits[uchar(byte) & 0xF];
        }
        m_size += 2 + 2 * bytes.size();
    }

    std::vector<char16_t> m_chars = std::vector<char16_t>(256);
    qsizetype m_size = 0;
};

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
    RowBuffer text;
    text.appendValue(field, value);
    return text.toString();
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
    // Each row is built in a buffer of its own and handed out as a new string: the receiver may
    // keep it, and a string it shares would be copied again for the next row.
    RowBuffer row;
    for (; !records.eof(); records.moveNext()) {
        row.clear();
        for (int k = 0; k < count; ++k) {
            const qsizetype start = row.size();
            row.appendValue(records.field(k), records.value(k));
            if (!whole[k])
                row.cutTo(start, widths[k]);
            if (tabDelimiter) {
                row.append(u'\t');
            } else {
                row.padTo(start + widths[k]);
                row.append(u' ');
            }
        }
        if (output)
            output(row.toString());
    }
}
