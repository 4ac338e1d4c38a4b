// Column types of result sets: declared SQLite types mapped onto TDS types,
// and SQLite values encoded as TDS row data.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3_stmt;

namespace tdsserver {

class ReplyWriter;

enum class ColKind {
    TinyInt,
    SmallInt,
    Int,
    BigInt,
    Bit,
    Real,
    Float,
    Decimal,
    Money,
    SmallMoney,
    DateTime,
    SmallDateTime,
    Date,
    Time,
    DateTime2,
    NChar,
    NVarChar,
    NVarCharMax,
    NText, // text, ntext
    Binary,
    VarBinary,
    VarBinaryMax,
    Image,
    Guid,
};

struct ColumnType {
    ColKind kind = ColKind::Int;
    int length = 0; // characters (NChar, NVarChar) or bytes (Binary, VarBinary)
    int precision = 0;
    int scale = 0; // Decimal scale; fractional digits of Time/DateTime2
};

// Maps a declared column type ("int", "decimal(10,2)", "nvarchar(50)", ...)
// onto a TDS column type; nullopt for unknown or missing declarations.
std::optional<ColumnType> columnTypeFromDecl(std::string_view decl);

// A conversion that SQL Server would refuse (error number and text).
struct ValueError {
    int number = 0;
    std::string text;
};

// SQL_Latin1_General_CP1_CI_AS, sent with the login and with character columns.
extern const std::uint8_t kCollation[5];

// Writes the TYPE_INFO part of a COLMETADATA column.
void writeTypeInfo(ReplyWriter& w, const ColumnType& t);

// Appends the row data of column `col` of the current row of `stmt`.
// Returns false (and fills err) when the stored value does not convert.
bool encodeValue(std::vector<std::uint8_t>& out, const ColumnType& t, sqlite3_stmt* stmt, int col,
                 ValueError& err);

// Date/time text parsing shared with the tests ("yyyy-mm-dd[ hh:mm[:ss[.fffffff]]]").
struct DateTimeParts {
    int year = 1900, month = 1, day = 1;
    int hour = 0, minute = 0, second = 0;
    std::int64_t nanos = 0;
    bool hasDate = false, hasTime = false;
};
bool parseDateTime(std::string_view text, DateTimeParts& out);

} // namespace tdsserver
