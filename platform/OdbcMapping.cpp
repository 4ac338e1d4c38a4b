#include "OdbcMapping.h"

#include "Format.h"

#include <sql.h>
#include <sqlext.h>

namespace vx::odbc {

namespace {
// SQL Server's own ODBC types, which unixODBC's headers do not name.
constexpr int SQL_SS_VARIANT = -150;
constexpr int SQL_SS_XML = -152;
constexpr int SQL_SS_TIME2 = -154;
constexpr int SQL_SS_TIMESTAMPOFFSET = -155;

constexpr int LoginFailed = 18456;

// The sizes the OLE DB provider gave the unlimited types: bytes, and characters of two bytes.
constexpr qint64 UnlimitedBytes = 2147483647;
constexpr qint64 UnlimitedCharacters = 1073741823;
} // namespace

QString withoutDriverPrefix(const QString& text) {
    static const QString prefix = QStringLiteral("[FreeTDS][SQL Server]");
    return text.startsWith(prefix) ? text.mid(prefix.size()) : text;
}

bool isInfoMessage(const Diagnostic& diagnostic) {
    return diagnostic.nativeError == 0 && diagnostic.sqlState == QLatin1String("01000");
}

DbError errorFrom(const QList<Diagnostic>& diagnostics, const QString& call) {
    // The server's own records rank before the driver's. FreeTDS sorts the records of a call by
    // severity, which puts the generic "Login failed" (18456) before the reason that came with it
    // (4060, the database cannot be opened); that reason ranks first. A warning is the error only
    // when nothing else came: the driver manager reports a driver it cannot load as 01000.
    const auto rank = [](const Diagnostic& d) {
        if (d.sqlState.startsWith(QLatin1String("01")))
            return 3;
        return d.nativeError == 0 ? 2 : d.nativeError == LoginFailed ? 1 : 0;
    };
    const Diagnostic* chosen = nullptr;
    for (const Diagnostic& diagnostic : diagnostics)
        if (!withoutDriverPrefix(diagnostic.text).isEmpty() &&
            (!chosen || rank(diagnostic) < rank(*chosen)))
            chosen = &diagnostic;
    if (!chosen)
        return DbError(format("ODBC call %s failed.", {call}),
                       diagnostics.isEmpty() ? QString() : diagnostics.first().sqlState);
    return DbError(withoutDriverPrefix(chosen->text), chosen->sqlState, chosen->nativeError);
}

namespace {

struct TypeMapping {
    DataTypeEnum type;
    FetchAs fetch;
};

TypeMapping typeMapping(int sqlType, const QString& typeName) {
    const QString name = typeName.toLower();
    switch (sqlType) {
    case SQL_BIT:
        return {adBoolean, FetchAs::Bit};
    case SQL_TINYINT:
        return {adUnsignedTinyInt, FetchAs::Integer};
    case SQL_SMALLINT:
        return {adSmallInt, FetchAs::Integer};
    case SQL_INTEGER:
        return {adInteger, FetchAs::Integer};
    case SQL_BIGINT:
        return {adBigInt, FetchAs::Integer};
    case SQL_REAL:
        return {adSingle, FetchAs::Real};
    case SQL_FLOAT:
    case SQL_DOUBLE:
        return {adDouble, FetchAs::Double};
    case SQL_DECIMAL:
    case SQL_NUMERIC:
        if (name == QLatin1String("money") || name == QLatin1String("smallmoney"))
            return {adCurrency, FetchAs::DecimalText};
        return {adNumeric, FetchAs::DecimalText};
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP:
        if (name.isEmpty() || name == QLatin1String("datetime") ||
            name == QLatin1String("smalldatetime"))
            return {adDBTimeStamp, FetchAs::DateTime};
        return {adVarWChar, FetchAs::Text};
    case SQL_TYPE_DATE:
    case SQL_TYPE_TIME:
    case SQL_SS_TIME2:
    case SQL_SS_TIMESTAMPOFFSET:
        return {adVarWChar, FetchAs::Text};
    case SQL_GUID:
        return {adGUID, FetchAs::Guid};
    case SQL_BINARY:
        return {adBinary, FetchAs::Binary};
    case SQL_VARBINARY:
        return {adVarBinary, FetchAs::Binary};
    case SQL_LONGVARBINARY:
        return {adLongVarBinary, FetchAs::Binary};
    case SQL_CHAR:
        return {adChar, FetchAs::Text};
    case SQL_VARCHAR:
        return {adVarChar, FetchAs::Text};
    case SQL_LONGVARCHAR:
        return {adLongVarChar, FetchAs::Text};
    case SQL_WCHAR:
        return {adWChar, FetchAs::Text};
    case SQL_WVARCHAR:
        return {adVarWChar, FetchAs::Text};
    case SQL_WLONGVARCHAR:
    case SQL_SS_XML:
        return {adLongVarWChar, FetchAs::Text};
    case SQL_SS_VARIANT:
        return {adVariant, FetchAs::Text};
    default:
        return {adVarWChar, FetchAs::Text};
    }
}

} // namespace

ColumnMapping mapColumn(int sqlType, const QString& typeName, qint64 columnSize) {
    const TypeMapping mapping = typeMapping(sqlType, typeName);
    if (columnSize == 0) {
        switch (mapping.type) {
        case adVarChar:
        case adLongVarChar:
            return {adLongVarChar, FetchAs::Text, UnlimitedBytes};
        case adVarWChar:
        case adLongVarWChar:
            return {adLongVarWChar, FetchAs::Text, UnlimitedCharacters};
        case adVarBinary:
        case adLongVarBinary:
            return {adLongVarBinary, FetchAs::Binary, UnlimitedBytes};
        default:
            break;
        }
    }
    return {mapping.type, mapping.fetch, columnSize};
}

} // namespace vx::odbc
