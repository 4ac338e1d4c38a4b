#include "tds_values.h"

#include "tds_wire.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sqlite3.h>

namespace tdsserver {

const std::uint8_t kCollation[5] = {0x09, 0x04, 0xD0, 0x00, 0x34};

namespace {

using u128 = unsigned __int128;

std::string lower(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return r;
}

std::string_view trimView(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b])))
        ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1])))
        --e;
    return s.substr(b, e - b);
}

std::string trim(std::string_view s) {
    return std::string(trimView(s));
}

// Days since 0001-01-01 of a proleptic Gregorian date.
std::int64_t daysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = unsigned((153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1);
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + std::int64_t(doe) - 719468; // days since 1970-01-01
}

const std::int64_t kDay1 = daysFromCivil(1, 1, 1);
const std::int64_t kDay1900 = daysFromCivil(1900, 1, 1);

bool validDate(int y, int m, int d) {
    static const int mdays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1)
        return false;
    int md = mdays[m - 1];
    if (m == 2 && ((y % 4 == 0 && y % 100 != 0) || y % 400 == 0))
        md = 29;
    return d <= md;
}

void putLe(std::vector<std::uint8_t>& out, std::uint64_t v, int n) {
    for (int i = 0; i < n; ++i)
        out.push_back(std::uint8_t(v >> (8 * i)));
}

// Text of a column; valid until the next call for this column or the next step.
std::string_view columnText(sqlite3_stmt* st, int col) {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st, col));
    int n = sqlite3_column_bytes(st, col);
    return p ? std::string_view(p, std::size_t(n)) : std::string_view();
}

const char* typeName(const ColumnType& t) {
    switch (t.kind) {
    case ColKind::TinyInt:
        return "tinyint";
    case ColKind::SmallInt:
        return "smallint";
    case ColKind::Int:
        return "int";
    case ColKind::BigInt:
        return "bigint";
    case ColKind::Bit:
        return "bit";
    case ColKind::Real:
        return "real";
    case ColKind::Float:
        return "float";
    case ColKind::Decimal:
        return "numeric";
    case ColKind::Money:
        return "money";
    case ColKind::SmallMoney:
        return "smallmoney";
    default:
        return "nvarchar";
    }
}

ValueError conversionFailed(const ColumnType& t, std::string_view text) {
    return {245, "Conversion failed when converting the nvarchar value '" + std::string(text) +
                     "' to data type " + typeName(t) + "."};
}

ValueError overflow(const ColumnType& t) {
    return {8115, std::string("Arithmetic overflow error converting expression to data type ") +
                      typeName(t) + "."};
}

// Parses a whole decimal text into an integer scaled by 10^scale (rounded
// half away from zero). Accepts an exponent. Returns false on bad text.
bool parseScaled(std::string_view text, int scale, bool& negative, u128& magnitude,
                 bool& overflowed) {
    std::string_view s = trimView(text);
    negative = false;
    overflowed = false;
    magnitude = 0;
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    const std::size_t intStart = i;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])))
        ++i;
    const std::string_view intDigits = s.substr(intStart, i - intStart);
    std::string_view fracDigits;
    if (i < s.size() && s[i] == '.') {
        const std::size_t fracStart = ++i;
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])))
            ++i;
        fracDigits = s.substr(fracStart, i - fracStart);
    }
    if (intDigits.empty() && fracDigits.empty())
        return false;
    int exp10 = 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        bool eneg = false;
        if (i < s.size() && (s[i] == '+' || s[i] == '-'))
            eneg = s[i++] == '-';
        int ndig = 0;
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) {
            if (++ndig > 4)
                return false;
            exp10 = exp10 * 10 + (s[i++] - '0');
        }
        if (ndig == 0)
            return false;
        if (eneg)
            exp10 = -exp10;
    }
    if (i != s.size())
        return false;
    // value = D * 10^shift, D = intDigits followed by fracDigits
    const std::size_t n = intDigits.size() + fracDigits.size();
    auto digit = [&](std::size_t k) {
        return k < intDigits.size() ? intDigits[k] - '0' : fracDigits[k - intDigits.size()] - '0';
    };
    const int shift = exp10 - int(fracDigits.size()) + scale;
    std::size_t keep = n;
    bool roundUp = false;
    if (shift < 0) {
        const std::size_t drop = std::size_t(-shift);
        keep = drop > n ? 0 : n - drop;
        roundUp = drop <= n && digit(keep) >= 5;
    }
    const u128 limit = (~u128(0)) / 10 - 10;
    auto push = [&](int d) {
        if (magnitude > limit) {
            overflowed = true;
            return false;
        }
        magnitude = magnitude * 10 + u128(d);
        return true;
    };
    for (std::size_t k = 0; k < keep; ++k)
        if (!push(digit(k)))
            return true;
    for (int k = 0; k < shift; ++k)
        if (!push(0))
            return true;
    if (roundUp)
        magnitude += 1;
    return true;
}

u128 pow10(int n) {
    u128 r = 1;
    for (int i = 0; i < n; ++i)
        r *= 10;
    return r;
}

// Value scaled by 10^scale from any SQLite storage class.
bool scaledValue(sqlite3_stmt* st, int col, int scale, const ColumnType& t, bool& negative,
                 u128& magnitude, ValueError& err) {
    bool over = false;
    switch (sqlite3_column_type(st, col)) {
    case SQLITE_INTEGER: {
        std::int64_t v = sqlite3_column_int64(st, col);
        negative = v < 0;
        magnitude = negative ? u128(-(v + 1)) + 1 : u128(v);
        magnitude *= pow10(scale);
        return true;
    }
    case SQLITE_FLOAT: {
        double v = sqlite3_column_double(st, col);
        if (!std::isfinite(v)) {
            err = overflow(t);
            return false;
        }
        const double scaled = v * double(pow10(scale));
        if (std::fabs(scaled) < 4e15) { // exact enough: round the scaled value
            negative = scaled < 0;
            magnitude = u128(std::llround(std::fabs(scaled)));
            return true;
        }
        char buf[512];
        std::snprintf(buf, sizeof buf, "%.*f", scale, v);
        if (!parseScaled(buf, scale, negative, magnitude, over) || over) {
            err = overflow(t);
            return false;
        }
        return true;
    }
    default: {
        std::string_view text = columnText(st, col);
        if (!parseScaled(text, scale, negative, magnitude, over)) {
            err = t.kind == ColKind::Decimal
                      ? ValueError{8114, "Error converting data type nvarchar to numeric."}
                      : conversionFailed(t, text);
            return false;
        }
        if (over) {
            err = overflow(t);
            return false;
        }
        return true;
    }
    }
}

bool integerValue(sqlite3_stmt* st, int col, const ColumnType& t, std::int64_t& v,
                  ValueError& err) {
    switch (sqlite3_column_type(st, col)) {
    case SQLITE_INTEGER:
        v = sqlite3_column_int64(st, col);
        return true;
    case SQLITE_FLOAT: {
        double d = std::trunc(sqlite3_column_double(st, col));
        if (!(d >= -9223372036854775808.0 && d < 9223372036854775808.0)) {
            err = overflow(t);
            return false;
        }
        v = std::int64_t(d);
        return true;
    }
    default: {
        std::string_view text = columnText(st, col);
        std::string s = trim(text);
        char* end = nullptr;
        errno = 0;
        long long r = std::strtoll(s.c_str(), &end, 10);
        if (s.empty() || *end != '\0') {
            err = conversionFailed(t, text);
            return false;
        }
        if (errno == ERANGE) {
            err = overflow(t);
            return false;
        }
        v = r;
        return true;
    }
    }
}

bool doubleValue(sqlite3_stmt* st, int col, const ColumnType& t, double& v, ValueError& err) {
    int type = sqlite3_column_type(st, col);
    if (type == SQLITE_INTEGER || type == SQLITE_FLOAT) {
        v = sqlite3_column_double(st, col);
        return true;
    }
    std::string s = trim(columnText(st, col));
    char* end = nullptr;
    v = std::strtod(s.c_str(), &end);
    if (s.empty() || *end != '\0') {
        err = {8114, std::string("Error converting data type nvarchar to ") + typeName(t) + "."};
        return false;
    }
    return true;
}

bool dateTimeValue(sqlite3_stmt* st, int col, DateTimeParts& p, ValueError& err) {
    if (sqlite3_column_type(st, col) == SQLITE_TEXT && parseDateTime(columnText(st, col), p))
        return true;
    err = {241, "Conversion failed when converting date and/or time from character string."};
    return false;
}

// Time of day in units of 10^-scale seconds, rounded.
std::uint64_t timeUnits(const DateTimeParts& p, int scale) {
    std::uint64_t secs = std::uint64_t(p.hour) * 3600 + std::uint64_t(p.minute) * 60 + p.second;
    std::uint64_t div = 1;
    for (int i = scale; i < 9; ++i)
        div *= 10;
    std::uint64_t frac = (std::uint64_t(p.nanos) + div / 2) / div;
    std::uint64_t units = secs;
    for (int i = 0; i < scale; ++i)
        units *= 10;
    return units + frac;
}

int timeBytes(int scale) {
    return scale <= 2 ? 3 : scale <= 4 ? 4 : 5;
}

int hexVal(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool parseGuid(std::string_view text, std::uint8_t out[16]) {
    std::string s = trim(text);
    if (s.size() == 38 && s.front() == '{' && s.back() == '}')
        s = s.substr(1, 36);
    if (s.size() != 36 || s[8] != '-' || s[13] != '-' || s[18] != '-' || s[23] != '-')
        return false;
    std::uint8_t raw[16];
    int n = 0;
    for (std::size_t i = 0; i < s.size();) {
        if (s[i] == '-') {
            ++i;
            continue;
        }
        int hi = hexVal(s[i]), lo = hexVal(s[i + 1]);
        if (hi < 0 || lo < 0)
            return false;
        raw[n++] = std::uint8_t(hi * 16 + lo);
        i += 2;
    }
    // Data1, Data2 and Data3 are little-endian on the wire.
    const int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    for (int i = 0; i < 16; ++i)
        out[i] = raw[order[i]];
    return true;
}

void putPlp(std::vector<std::uint8_t>& out, const std::uint8_t* p, std::size_t n) {
    putLe(out, n, 8);
    if (n > 0) {
        putLe(out, n, 4);
        out.insert(out.end(), p, p + n);
    }
    putLe(out, 0, 4);
}

void putNull(std::vector<std::uint8_t>& out, ColKind kind) {
    switch (kind) {
    case ColKind::NChar:
    case ColKind::NVarChar:
    case ColKind::Binary:
    case ColKind::VarBinary:
        putLe(out, 0xFFFF, 2);
        break;
    case ColKind::NVarCharMax:
    case ColKind::VarBinaryMax:
        putLe(out, ~std::uint64_t(0), 8); // PLP NULL
        break;
    default: // a zero data length, or no text pointer
        out.push_back(0);
        break;
    }
}

// Appends UTF-8 text as UTF-16LE, at most maxUnits code units (a surrogate pair
// is never split); invalid UTF-8 becomes U+FFFD. Returns the units written.
std::size_t appendUtf16le(std::vector<std::uint8_t>& out, std::string_view s,
                          std::size_t maxUnits) {
    std::size_t units = 0;
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const std::size_t n = s.size();
    std::size_t i = 0;
    out.reserve(out.size() + 2 * std::min(n, maxUnits));
    while (i < n && units < maxUnits) {
        unsigned char b = p[i];
        if (b < 0x80) { // ASCII fast path
            out.push_back(b);
            out.push_back(0);
            ++units;
            ++i;
            continue;
        }
        const std::size_t start = i;
        char32_t c = decodeUtf8(p, n, i);
        if (c >= 0x10000) {
            if (units + 2 > maxUnits) {
                i = start;
                break;
            }
            c -= 0x10000;
            const char16_t hi = char16_t(0xD800 + (c >> 10)), lo = char16_t(0xDC00 + (c & 0x3FF));
            out.push_back(std::uint8_t(hi));
            out.push_back(std::uint8_t(hi >> 8));
            out.push_back(std::uint8_t(lo));
            out.push_back(std::uint8_t(lo >> 8));
            units += 2;
        } else {
            out.push_back(std::uint8_t(c));
            out.push_back(std::uint8_t(c >> 8));
            ++units;
        }
    }
    return units;
}

// TEXT/NTEXT/IMAGE value: text pointer, timestamp, length, data.
void putTextPtrValue(std::vector<std::uint8_t>& out, const std::uint8_t* p, std::size_t n) {
    out.push_back(16);
    for (int i = 0; i < 16; ++i)
        out.push_back(std::uint8_t(i + 1));
    out.insert(out.end(), 8, 0);
    putLe(out, n, 4);
    out.insert(out.end(), p, p + n);
}

} // namespace

bool parseDateTime(std::string_view text, DateTimeParts& out) {
    std::string_view s = trimView(text);
    if (!s.empty() && (s.back() == 'Z' || s.back() == 'z'))
        s.remove_suffix(1);
    DateTimeParts p;
    std::size_t i = 0;
    auto num = [&](int digits, int& v) {
        if (i + std::size_t(digits) > s.size())
            return false;
        v = 0;
        for (int k = 0; k < digits; ++k) {
            char c = s[i + std::size_t(k)];
            if (!std::isdigit(static_cast<unsigned char>(c)))
                return false;
            v = v * 10 + (c - '0');
        }
        i += std::size_t(digits);
        return true;
    };
    auto timePart = [&]() {
        if (!num(2, p.hour) || i >= s.size() || s[i] != ':')
            return false;
        ++i;
        if (!num(2, p.minute))
            return false;
        if (i < s.size() && s[i] == ':') {
            ++i;
            if (!num(2, p.second))
                return false;
            if (i < s.size() && (s[i] == '.' || s[i] == ':')) {
                ++i;
                std::int64_t frac = 0;
                int nd = 0;
                while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) {
                    if (nd < 9) {
                        frac = frac * 10 + (s[i] - '0');
                        ++nd;
                    }
                    ++i;
                }
                if (nd == 0)
                    return false;
                for (int k = nd; k < 9; ++k)
                    frac *= 10;
                p.nanos = frac;
            }
        }
        p.hasTime = true;
        return p.hour < 24 && p.minute < 60 && p.second < 60;
    };
    if (s.size() >= 5 && s[2] == ':') {
        if (!timePart())
            return false;
    } else {
        if (!num(4, p.year) || i >= s.size() || s[i] != '-')
            return false;
        ++i;
        if (!num(2, p.month) || i >= s.size() || s[i] != '-')
            return false;
        ++i;
        if (!num(2, p.day))
            return false;
        if (!validDate(p.year, p.month, p.day))
            return false;
        p.hasDate = true;
        if (i < s.size()) {
            if (s[i] != ' ' && s[i] != 'T')
                return false;
            ++i;
            if (!timePart())
                return false;
        }
    }
    if (i != s.size())
        return false;
    out = p;
    return true;
}

std::optional<ColumnType> columnTypeFromDecl(std::string_view declIn) {
    std::string decl = lower(trim(declIn));
    if (decl.empty())
        return std::nullopt;
    // Split "name words(args) trailing" into the name and up to two arguments.
    std::string name;
    std::size_t i = 0;
    while (i < decl.size() && decl[i] != '(') {
        name += decl[i];
        ++i;
    }
    name = trim(name);
    std::vector<std::string> args;
    if (i < decl.size()) {
        std::size_t close = decl.find(')', i);
        std::string inner =
            decl.substr(i + 1, close == std::string::npos ? std::string::npos : close - i - 1);
        std::size_t start = 0;
        for (;;) {
            std::size_t comma = inner.find(',', start);
            args.push_back(trim(inner.substr(start, comma - start)));
            if (comma == std::string::npos)
                break;
            start = comma + 1;
        }
    }
    // Keep only the first word(s) that name the type ("int identity" -> "int").
    std::string first = name.substr(0, name.find(' '));
    if (name.rfind("double precision", 0) == 0 || name.rfind("national character varying", 0) == 0)
        first = name.rfind("double", 0) == 0 ? "float" : "nvarchar";
    else if (name.rfind("character varying", 0) == 0 || name.rfind("char varying", 0) == 0)
        first = "varchar";
    else if (name.rfind("national char", 0) == 0)
        first = "nchar";
    auto arg = [&](std::size_t k, int dflt) {
        if (k >= args.size() || args[k].empty())
            return dflt;
        if (args[k] == "max" || args[k] == "-1")
            return -1;
        return std::atoi(args[k].c_str());
    };
    ColumnType t;
    if (first == "int" || first == "integer") {
        t.kind = ColKind::Int;
    } else if (first == "bigint") {
        t.kind = ColKind::BigInt;
    } else if (first == "smallint") {
        t.kind = ColKind::SmallInt;
    } else if (first == "tinyint") {
        t.kind = ColKind::TinyInt;
    } else if (first == "bit" || first == "boolean" || first == "bool") {
        t.kind = ColKind::Bit;
    } else if (first == "decimal" || first == "numeric" || first == "dec") {
        t.kind = ColKind::Decimal;
        t.precision = arg(0, 18);
        t.scale = arg(1, 0);
        if (t.precision < 1 || t.precision > 38)
            t.precision = 38;
        if (t.scale < 0 || t.scale > t.precision)
            t.scale = 0;
    } else if (first == "money") {
        t.kind = ColKind::Money;
    } else if (first == "smallmoney") {
        t.kind = ColKind::SmallMoney;
    } else if (first == "float" || first == "double") {
        int n = arg(0, 53);
        t.kind = n > 0 && n <= 24 ? ColKind::Real : ColKind::Float;
    } else if (first == "real") {
        t.kind = ColKind::Real;
    } else if (first == "datetime") {
        t.kind = ColKind::DateTime;
    } else if (first == "smalldatetime") {
        t.kind = ColKind::SmallDateTime;
    } else if (first == "date") {
        t.kind = ColKind::Date;
    } else if (first == "time") {
        t.kind = ColKind::Time;
        t.scale = arg(0, 7);
    } else if (first == "datetime2") {
        t.kind = ColKind::DateTime2;
        t.scale = arg(0, 7);
    } else if (first == "char" || first == "nchar" || first == "character") {
        t.kind = ColKind::NChar;
        t.length = arg(0, 1);
        if (t.length < 1 || t.length > 4000)
            t.kind = ColKind::NVarCharMax;
    } else if (first == "varchar" || first == "nvarchar") {
        t.kind = ColKind::NVarChar;
        t.length = arg(0, 1);
        if (t.length < 1 || t.length > 4000)
            t.kind = ColKind::NVarCharMax;
    } else if (first == "sysname") {
        t.kind = ColKind::NVarChar;
        t.length = 128;
    } else if (first == "text" || first == "ntext" || first == "clob") {
        t.kind = ColKind::NText;
    } else if (first == "uniqueidentifier") {
        t.kind = ColKind::Guid;
    } else if (first == "binary") {
        t.kind = ColKind::Binary;
        t.length = arg(0, 1);
        if (t.length < 1 || t.length > 8000)
            t.kind = ColKind::VarBinaryMax;
    } else if (first == "varbinary") {
        t.kind = ColKind::VarBinary;
        t.length = arg(0, 1);
        if (t.length < 1 || t.length > 8000)
            t.kind = ColKind::VarBinaryMax;
    } else if (first == "image" || first == "blob") {
        t.kind = ColKind::Image;
    } else {
        return std::nullopt;
    }
    if ((t.kind == ColKind::Time || t.kind == ColKind::DateTime2) && (t.scale < 0 || t.scale > 7))
        t.scale = 7;
    return t;
}

void writeTypeInfo(ReplyWriter& w, const ColumnType& t) {
    switch (t.kind) {
    case ColKind::TinyInt:
        w.u8(0x26);
        w.u8(1);
        break;
    case ColKind::SmallInt:
        w.u8(0x26);
        w.u8(2);
        break;
    case ColKind::Int:
        w.u8(0x26);
        w.u8(4);
        break;
    case ColKind::BigInt:
        w.u8(0x26);
        w.u8(8);
        break;
    case ColKind::Bit:
        w.u8(0x68);
        w.u8(1);
        break;
    case ColKind::Real:
        w.u8(0x6D);
        w.u8(4);
        break;
    case ColKind::Float:
        w.u8(0x6D);
        w.u8(8);
        break;
    case ColKind::Decimal: {
        int len = t.precision <= 9 ? 5 : t.precision <= 19 ? 9 : t.precision <= 28 ? 13 : 17;
        w.u8(0x6A);
        w.u8(std::uint8_t(len));
        w.u8(std::uint8_t(t.precision));
        w.u8(std::uint8_t(t.scale));
        break;
    }
    case ColKind::Money:
        w.u8(0x6E);
        w.u8(8);
        break;
    case ColKind::SmallMoney:
        w.u8(0x6E);
        w.u8(4);
        break;
    case ColKind::DateTime:
        w.u8(0x6F);
        w.u8(8);
        break;
    case ColKind::SmallDateTime:
        w.u8(0x6F);
        w.u8(4);
        break;
    case ColKind::Date:
        w.u8(0x28);
        break;
    case ColKind::Time:
        w.u8(0x29);
        w.u8(std::uint8_t(t.scale));
        break;
    case ColKind::DateTime2:
        w.u8(0x2A);
        w.u8(std::uint8_t(t.scale));
        break;
    case ColKind::NChar:
        w.u8(0xEF);
        w.u16(std::uint16_t(2 * t.length));
        w.bytes(kCollation, 5);
        break;
    case ColKind::NVarChar:
        w.u8(0xE7);
        w.u16(std::uint16_t(2 * t.length));
        w.bytes(kCollation, 5);
        break;
    case ColKind::NVarCharMax:
        w.u8(0xE7);
        w.u16(0xFFFF);
        w.bytes(kCollation, 5);
        break;
    case ColKind::NText:
        w.u8(0x63);
        w.u32(0x7FFFFFFE);
        w.bytes(kCollation, 5);
        w.u8(0); // no table name parts
        break;
    case ColKind::Image:
        w.u8(0x22);
        w.u32(0x7FFFFFFF);
        w.u8(0);
        break;
    case ColKind::Binary:
        w.u8(0xAD);
        w.u16(std::uint16_t(t.length));
        break;
    case ColKind::VarBinary:
        w.u8(0xA5);
        w.u16(std::uint16_t(t.length));
        break;
    case ColKind::VarBinaryMax:
        w.u8(0xA5);
        w.u16(0xFFFF);
        break;
    case ColKind::Guid:
        w.u8(0x24);
        w.u8(16);
        break;
    }
}

bool encodeValue(std::vector<std::uint8_t>& out, const ColumnType& t, sqlite3_stmt* st, int col,
                 ValueError& err) {
    if (sqlite3_column_type(st, col) == SQLITE_NULL) {
        putNull(out, t.kind);
        return true;
    }
    switch (t.kind) {
    case ColKind::TinyInt:
    case ColKind::SmallInt:
    case ColKind::Int:
    case ColKind::BigInt: {
        std::int64_t v = 0;
        if (!integerValue(st, col, t, v, err))
            return false;
        int n = t.kind == ColKind::TinyInt    ? 1
                : t.kind == ColKind::SmallInt ? 2
                : t.kind == ColKind::Int      ? 4
                                              : 8;
        bool fits = n == 8 || (n == 4 && v >= INT32_MIN && v <= INT32_MAX) ||
                    (n == 2 && v >= INT16_MIN && v <= INT16_MAX) || (n == 1 && v >= 0 && v <= 255);
        if (!fits) {
            err = overflow(t);
            return false;
        }
        out.push_back(std::uint8_t(n));
        putLe(out, std::uint64_t(v), n);
        return true;
    }
    case ColKind::Bit: {
        int type = sqlite3_column_type(st, col);
        int bit;
        if (type == SQLITE_INTEGER || type == SQLITE_FLOAT) {
            bit = sqlite3_column_double(st, col) != 0.0;
        } else {
            std::string text(columnText(st, col));
            std::string s = lower(trim(text));
            if (s == "true" || s == "1")
                bit = 1;
            else if (s == "false" || s == "0")
                bit = 0;
            else {
                err = {245, "Conversion failed when converting the nvarchar value '" + text +
                                "' to data type bit."};
                return false;
            }
        }
        out.push_back(1);
        out.push_back(std::uint8_t(bit));
        return true;
    }
    case ColKind::Real:
    case ColKind::Float: {
        double v = 0;
        if (!doubleValue(st, col, t, v, err))
            return false;
        if (t.kind == ColKind::Real) {
            float f = float(v);
            std::uint32_t bits;
            std::memcpy(&bits, &f, 4);
            out.push_back(4);
            putLe(out, bits, 4);
        } else {
            std::uint64_t bits;
            std::memcpy(&bits, &v, 8);
            out.push_back(8);
            putLe(out, bits, 8);
        }
        return true;
    }
    case ColKind::Decimal: {
        bool neg = false;
        u128 mag = 0;
        if (!scaledValue(st, col, t.scale, t, neg, mag, err))
            return false;
        if (mag >= pow10(t.precision)) {
            err = {8115, "Arithmetic overflow error converting nvarchar to data type numeric."};
            return false;
        }
        int len = t.precision <= 9 ? 5 : t.precision <= 19 ? 9 : t.precision <= 28 ? 13 : 17;
        out.push_back(std::uint8_t(len));
        out.push_back(neg && mag != 0 ? 0 : 1);
        for (int i = 0; i < len - 1; ++i)
            out.push_back(std::uint8_t(mag >> (8 * i)));
        return true;
    }
    case ColKind::Money:
    case ColKind::SmallMoney: {
        bool neg = false;
        u128 mag = 0;
        if (!scaledValue(st, col, 4, t, neg, mag, err))
            return false;
        const u128 limit = t.kind == ColKind::Money ? u128(INT64_MAX) : u128(INT32_MAX);
        if (mag > limit) {
            err = overflow(t);
            return false;
        }
        std::int64_t v = neg ? -std::int64_t(mag) : std::int64_t(mag);
        if (t.kind == ColKind::Money) {
            out.push_back(8);
            putLe(out, std::uint64_t(v) >> 32, 4);
            putLe(out, std::uint64_t(v) & 0xFFFFFFFFu, 4);
        } else {
            out.push_back(4);
            putLe(out, std::uint64_t(v), 4);
        }
        return true;
    }
    case ColKind::DateTime:
    case ColKind::SmallDateTime: {
        DateTimeParts p;
        if (!dateTimeValue(st, col, p, err))
            return false;
        std::int64_t days = daysFromCivil(p.year, p.month, p.day) - kDay1900;
        if (t.kind == ColKind::DateTime) {
            // 1/300 second ticks, rounded.
            std::int64_t ticks = (std::int64_t(p.hour) * 3600 + p.minute * 60 + p.second) * 300 +
                                 (p.nanos * 3 + 5000000) / 10000000;
            if (ticks >= 300LL * 86400) {
                ticks -= 300LL * 86400;
                ++days;
            }
            if (p.year < 1753) {
                err = {242, "The conversion of a nvarchar data type to a datetime data type "
                            "resulted in an out-of-range value."};
                return false;
            }
            out.push_back(8);
            putLe(out, std::uint64_t(std::int64_t(days)), 4);
            putLe(out, std::uint64_t(ticks), 4);
        } else {
            std::int64_t mins = p.hour * 60 + p.minute + (p.second >= 30 ? 1 : 0);
            if (mins >= 1440) {
                mins -= 1440;
                ++days;
            }
            if (days < 0 || days > 65535) {
                err = {242, "The conversion of a nvarchar data type to a smalldatetime data "
                            "type resulted in an out-of-range value."};
                return false;
            }
            out.push_back(4);
            putLe(out, std::uint64_t(days), 2);
            putLe(out, std::uint64_t(mins), 2);
        }
        return true;
    }
    case ColKind::Date:
    case ColKind::Time:
    case ColKind::DateTime2: {
        DateTimeParts p;
        if (!dateTimeValue(st, col, p, err))
            return false;
        std::int64_t days = daysFromCivil(p.year, p.month, p.day) - kDay1;
        if (t.kind == ColKind::Date) {
            out.push_back(3);
            putLe(out, std::uint64_t(days), 3);
            return true;
        }
        int tb = timeBytes(t.scale);
        std::uint64_t units = timeUnits(p, t.scale);
        std::uint64_t perDay = 86400;
        for (int i = 0; i < t.scale; ++i)
            perDay *= 10;
        if (units >= perDay) { // rounded up to midnight
            units -= perDay;
            ++days;
        }
        if (t.kind == ColKind::Time) {
            out.push_back(std::uint8_t(tb));
            putLe(out, units, tb);
        } else {
            out.push_back(std::uint8_t(tb + 3));
            putLe(out, units, tb);
            putLe(out, std::uint64_t(days), 3);
        }
        return true;
    }
    case ColKind::Guid: {
        std::uint8_t g[16];
        if (sqlite3_column_type(st, col) == SQLITE_BLOB && sqlite3_column_bytes(st, col) == 16) {
            std::memcpy(g, sqlite3_column_blob(st, col), 16);
        } else if (!parseGuid(columnText(st, col), g)) {
            err = {8169, "Conversion failed when converting from a character string to "
                         "uniqueidentifier."};
            return false;
        }
        out.push_back(16);
        out.insert(out.end(), g, g + 16);
        return true;
    }
    case ColKind::NChar:
    case ColKind::NVarChar:
    case ColKind::NVarCharMax:
    case ColKind::NText: {
        std::string_view text;
        std::string hexText;
        if (sqlite3_column_type(st, col) == SQLITE_BLOB) {
            // Binary stored in a character column: show it as hex.
            const auto* b = static_cast<const std::uint8_t*>(sqlite3_column_blob(st, col));
            int n = sqlite3_column_bytes(st, col);
            static const char hex[] = "0123456789ABCDEF";
            hexText = "0x";
            for (int i = 0; i < n; ++i) {
                hexText += hex[b[i] >> 4];
                hexText += hex[b[i] & 15];
            }
            text = hexText;
        } else {
            text = columnText(st, col);
        }
        if (t.kind == ColKind::NVarCharMax || t.kind == ColKind::NText) {
            // Length prefix patched once the UTF-16 size is known.
            const std::size_t lenAt = out.size();
            if (t.kind == ColKind::NText) {
                out.push_back(16);
                for (int i = 0; i < 16; ++i)
                    out.push_back(std::uint8_t(i + 1));
                out.insert(out.end(), 8, 0);
                putLe(out, 0, 4);
            } else {
                putLe(out, 0, 8);
                putLe(out, 0, 4);
            }
            const std::size_t dataAt = out.size();
            appendUtf16le(out, text, SIZE_MAX);
            const std::size_t bytes = out.size() - dataAt;
            auto patch = [&](std::size_t at, std::uint64_t v, int n) {
                for (int i = 0; i < n; ++i)
                    out[at + std::size_t(i)] = std::uint8_t(v >> (8 * i));
            };
            if (t.kind == ColKind::NText) {
                patch(lenAt + 25, bytes, 4);
            } else {
                patch(lenAt, bytes, 8);
                patch(lenAt + 8, bytes, 4);
                if (bytes == 0)
                    out.resize(dataAt - 4); // no chunk for an empty value
                putLe(out, 0, 4);           // PLP terminator
            }
            return true;
        }
        // Values longer than the declared length are cut, as SQL Server never stores them.
        const std::size_t maxChars = std::size_t(t.length);
        const std::size_t lenAt = out.size();
        putLe(out, 0, 2);
        std::size_t units = appendUtf16le(out, text, maxChars);
        if (t.kind == ColKind::NChar)
            for (; units < maxChars; ++units) {
                out.push_back(' ');
                out.push_back(0);
            }
        out[lenAt] = std::uint8_t(units * 2);
        out[lenAt + 1] = std::uint8_t((units * 2) >> 8);
        return true;
    }
    case ColKind::Binary:
    case ColKind::VarBinary:
    case ColKind::VarBinaryMax:
    case ColKind::Image: {
        const auto* b = static_cast<const std::uint8_t*>(sqlite3_column_blob(st, col));
        std::size_t n = std::size_t(sqlite3_column_bytes(st, col));
        if (t.kind == ColKind::VarBinaryMax) {
            putPlp(out, b, n);
            return true;
        }
        if (t.kind == ColKind::Image) {
            putTextPtrValue(out, b, n);
            return true;
        }
        std::size_t maxLen = std::size_t(t.length);
        std::size_t sendLen = std::min(n, maxLen);
        std::size_t total = t.kind == ColKind::Binary ? maxLen : sendLen;
        putLe(out, total, 2);
        if (sendLen)
            out.insert(out.end(), b, b + sendLen);
        out.insert(out.end(), total - sendLen, 0);
        return true;
    }
    }
    return true;
}

} // namespace tdsserver
