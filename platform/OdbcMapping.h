#pragma once

#include "DataAccess.h"

#include <QList>
#include <QString>

// The pieces of the ODBC layer that need no driver: how diagnostic records become messages and
// errors, and how the driver's column types become the column types of DataAccess.h.

namespace vx::odbc {

struct Diagnostic {
    QString sqlState;
    int nativeError = 0;
    QString text; // as the driver gives it
};

// The text without the driver's "[FreeTDS][SQL Server]" prefix.
QString withoutDriverPrefix(const QString& text);

// A server's informational message (PRINT, RAISERROR below severity 11 with a message of its own):
// native error 0 and SQLSTATE 01000. Driver warnings (01004 truncation, 01S02 option changed) and
// the server's numbered notices (5701 changed database context) are not.
bool isInfoMessage(const Diagnostic& diagnostic);

// The error of a failed call: the first record with a text, the server's own records (native
// error other than 0) before the driver's, a failed login's reason before the generic "Login
// failed", warnings (SQLSTATE class 01) last; its text without prefix. Without any record the
// text says which call failed.
DbError errorFrom(const QList<Diagnostic>& diagnostics, const QString& call);

// How a column's values are read from the driver.
enum class FetchAs { Text, Integer, Real, Double, Bit, DecimalText, DateTime, Guid, Binary };

struct ColumnMapping {
    DataTypeEnum type;
    FetchAs fetch;
    qint64 definedSize;
};

// The column type and size that the server's column takes (sqlType and columnSize as
// SQLDescribeCol gives them, typeName as SQL_DESC_TYPE_NAME gives it), the way SQL Server's OLE DB
// provider presented them: money is currency, datetime and smalldatetime are time stamps, the
// newer date and time types (date, time, datetime2, datetimeoffset) are text, tinyint is unsigned.
// The (max) types and xml, which the driver gives the size 0, are long types of the provider's
// huge sizes, so that their values are not cut to the narrowest column.
ColumnMapping mapColumn(int sqlType, const QString& typeName, qint64 columnSize);

} // namespace vx::odbc
