#pragma once

#include "Errors.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QUuid>
#include <functional>
#include <memory>
#include <variant>

// The data access that the script runner, the login and the worker threads need of a SQL Server
// connection: open with an ADO-style connection string, run text batches, walk their record sets
// row by row, collect the server's informational messages, close. The real implementation goes
// through unixODBC and the FreeTDS driver (OdbcConnection.h); tests use an in-memory fake
// (tests/support/FakeConnection.h) installed through the connection factory below.
//
// A connection is used by one thread at a time; different connections may be used on different
// threads at once.

namespace vx {

// Column types, numbered as ADO numbers them; what the text rendering of result sets keys on.
enum DataTypeEnum : int {
    adEmpty = 0,
    adSmallInt = 2,
    adInteger = 3,
    adSingle = 4,
    adDouble = 5,
    adCurrency = 6,
    adDate = 7,
    adBSTR = 8,
    adBoolean = 11,
    adVariant = 12,
    adDecimal = 14,
    adTinyInt = 16,
    adUnsignedTinyInt = 17,
    adUnsignedSmallInt = 18,
    adUnsignedInt = 19,
    adBigInt = 20,
    adUnsignedBigInt = 21,
    adGUID = 72,
    adBinary = 128,
    adChar = 129,
    adWChar = 130,
    adNumeric = 131,
    adDBDate = 133,
    adDBTime = 134,
    adDBTimeStamp = 135,
    adVarNumeric = 139,
    adVarChar = 200,
    adLongVarChar = 201,
    adVarWChar = 202,
    adLongVarWChar = 203,
    adVarBinary = 204,
    adLongVarBinary = 205,
};

struct FieldInfo {
    QString name;
    DataTypeEnum type = adEmpty;
    // Characters for text, bytes for binary, digits for numbers; huge for the (max) types.
    qint64 definedSize = 0;
};

// A date, a time of day or both, as the server holds it.
struct DateTimeValue {
    int year = 0; // 0 for a time without date
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int nanosecond = 0;

    bool operator==(const DateTimeValue&) const = default;
};

// One value of a row. Null is std::monostate. Integer types come as qint64, real and float as
// double, bit as bool, date and time types as DateTimeValue, uniqueidentifier as QUuid, binary as
// QByteArray; text types and the exact decimal types (decimal, numeric, money) as QString, the
// latter with a point as decimal separator.
using FieldValue =
    std::variant<std::monostate, qint64, double, bool, QString, DateTimeValue, QUuid, QByteArray>;

inline bool isNull(const FieldValue& value) {
    return std::holds_alternative<std::monostate>(value);
}

// A failure reported by the driver or the server. message() is the server's own text.
class DbError : public Error {
public:
    DbError(QString message, QString sqlState = {}, int nativeError = 0)
        : Error(std::move(message)), m_sqlState(std::move(sqlState)), m_nativeError(nativeError) {}
    const QString& sqlState() const { return m_sqlState; }
    int nativeError() const { return m_nativeError; }

private:
    QString m_sqlState;
    int m_nativeError;
};

// The results of one executed batch, one after another, read forward only and row by row; no
// more than the current row is held. Positioned on the first row of the first result. A result
// may have no columns (a row count, the end of a statement): it has no rows either.
// Any call may raise DbError (a later statement of the batch failed, the connection broke).
// Destroying a record set before its end discards the rest of the batch and leaves the connection
// ready for the next one.
class RecordSet {
public:
    virtual ~RecordSet() = default;

    virtual int fieldCount() const = 0;
    virtual const FieldInfo& field(int index) const = 0;

    // True when there is no current row.
    virtual bool eof() = 0;
    // The value of a field of the current row; valid until moveNext.
    virtual const FieldValue& value(int index) = 0;
    virtual void moveNext() = 0;

    // Moves to the batch's next result, positioned on its first row; false when there is none
    // (then there are no fields and no row).
    virtual bool nextRecordset() = 0;

    // Only the first `characters` characters of this field's text are needed: text values may
    // arrive cut to that length (or a little longer), binary values cut to the bytes that many hex
    // digits show. Set before the first value is read; saves fetching huge values.
    virtual void limitValueLength(int index, int characters) = 0;
};

enum class ExecuteMode {
    Records,   // results are returned as a record set
    NoRecords, // results are read and dropped; messages and errors still arrive
};

class Connection {
public:
    virtual ~Connection() = default;

    // Seconds; 0 means wait without limit. The connection timeout applies to the next open().
    int connectionTimeout() const { return m_connectionTimeout; }
    void setConnectionTimeout(int seconds) { m_connectionTimeout = seconds; }
    int commandTimeout() const { return m_commandTimeout; }
    void setCommandTimeout(int seconds) { m_commandTimeout = seconds; }

    // Opens with an ADO-style connection string (ConnectionString.h). A connection that is open
    // is closed first. Raises DbError with the server's or driver's text, vx::Error for a
    // connection string that cannot be used.
    virtual void open(const QString& connectionString) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    // Executes one batch of statements. Returns the record set of its results, or nullptr when
    // the batch produced none (and always with ExecuteMode::NoRecords). Errors raise DbError, here
    // or from the record set as the reader reaches them. Starts a new list of messages. A new
    // execute() ends the record set of the previous one; close() ends it too.
    virtual std::unique_ptr<RecordSet> execute(const QString& batch,
                                               ExecuteMode mode = ExecuteMode::Records) = 0;

    // The server's informational messages (PRINT and the like) that arrived since the last
    // execute() or takeMessages(), in arrival order, and forgets them. Errors are not among them.
    virtual QStringList takeMessages() = 0;

    // Asks the server to stop the batch that runs now; the batch then fails. Any thread may call
    // it while another uses the connection; without a running batch it does nothing.
    virtual void cancel() = 0;

private:
    int m_connectionTimeout = 15;
    int m_commandTimeout = 30;
};

// The names of the server's databases in name order. The connection must be open.
QStringList listDatabases(Connection& connection);
inline const QString databaseListQuery =
    QStringLiteral("SELECT name FROM master.dbo.sysdatabases ORDER BY name");

// The seam through which every connection of the system is made.
using ConnectionFactory = std::function<std::unique_ptr<Connection>()>;
// A new, closed connection: the ODBC one unless another factory is installed.
std::unique_ptr<Connection> createConnection();
// Installs a factory for the whole process; an empty one restores the ODBC one.
void setConnectionFactory(ConnectionFactory factory);

} // namespace vx
