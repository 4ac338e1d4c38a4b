#include "OdbcConnection.h"

#include "ConnectionString.h"
#include "Format.h"
#include "OdbcMapping.h"

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <optional>
#include <vector>

namespace vx {

using odbc::Diagnostic;
using odbc::FetchAs;

namespace {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "unixODBC's SQLWCHAR must be UTF-16");

SQLWCHAR* wide(const QString& text) {
    return const_cast<SQLWCHAR*>(reinterpret_cast<const SQLWCHAR*>(text.utf16()));
}

QString fromWide(const SQLWCHAR* text, qsizetype length) {
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(text), length);
}

// One environment for the process, in ODBC 3 mode: only then does FreeTDS hand out the server's
// messages as they come.
SQLHENV environment() {
    static const SQLHENV env = [] {
        SQLHENV handle = SQL_NULL_HENV;
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &handle)))
            throw Error("The ODBC driver manager cannot be initialised.");
        SQLSetEnvAttr(handle, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        return handle;
    }();
    return env;
}

QList<Diagnostic> diagnostics(SQLSMALLINT handleType, SQLHANDLE handle) {
    QList<Diagnostic> records;
    std::vector<SQLWCHAR> text(1024);
    for (SQLSMALLINT i = 1;; ++i) {
        SQLWCHAR state[6] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        SQLRETURN rc = SQLGetDiagRecW(handleType, handle, i, state, &native, text.data(),
                                      SQLSMALLINT(text.size()), &length);
        if (rc == SQL_SUCCESS_WITH_INFO && length >= SQLSMALLINT(text.size())) {
            text.resize(length + 1);
            rc = SQLGetDiagRecW(handleType, handle, i, state, &native, text.data(),
                                SQLSMALLINT(text.size()), &length);
        }
        if (!SQL_SUCCEEDED(rc))
            return records;
        length = std::clamp<SQLSMALLINT>(length, 0, SQLSMALLINT(text.size() - 1));
        records.append({fromWide(state, 5), int(native), fromWide(text.data(), length)});
    }
}

// FreeTDS takes a "?" outside strings and comments for a parameter marker and refuses such a batch
// without a diagnostic record; SQL Server would refuse it too. Preparing the batch asks the
// driver whether that was the reason.
bool hasParameterMarkers(SQLHSTMT statement, const QString& batch) {
    SQLSMALLINT count = 0;
    return SQL_SUCCEEDED(SQLPrepareW(statement, wide(batch), SQLINTEGER(batch.size()))) &&
           SQL_SUCCEEDED(SQLNumParams(statement, &count)) && count > 0;
}

} // namespace

struct OdbcConnection::Private {
    SQLHDBC dbc = SQL_NULL_HDBC;
    QStringList messages;
    std::function<void()> releaseLive; // frees the statement of the record set in use
    // The statement in use, for cancel() from another thread.
    std::mutex runningLock;
    SQLHSTMT running = SQL_NULL_HSTMT;

    void setRunning(SQLHSTMT statement) {
        std::lock_guard lock(runningLock);
        running = statement;
    }

    // Collects the messages of a call and raises its error.
    SQLRETURN check(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const char* call) {
        if (rc == SQL_SUCCESS || rc == SQL_NEED_DATA)
            return rc;
        if (rc == SQL_INVALID_HANDLE)
            throw DbError(format("ODBC call %s was given an invalid handle.", {QString(call)}));
        const QList<Diagnostic> records = diagnostics(handleType, handle);
        for (const Diagnostic& record : records)
            if (odbc::isInfoMessage(record))
                messages << odbc::withoutDriverPrefix(record.text);
        const bool lost = connectionLost();
        if (rc == SQL_ERROR || lost) {
            DbError error = odbc::errorFrom(records, QString(call));
            // The first call on a connection that died since the last one fails with the
            // driver's generic "Unknown error"; only the next says what happened.
            if (lost && error.nativeError() == 0 &&
                !error.sqlState().startsWith(QLatin1String("08")))
                throw DbError(QStringLiteral("Communication link failure"),
                              QStringLiteral("08S01"));
            throw error;
        }
        return rc;
    }

    // FreeTDS reports a connection that broke between two results as a warning ("Unexpected EOF
    // from the server") and then presents the last result's columns once more.
    bool connectionLost() const {
        SQLUINTEGER dead = SQL_CD_FALSE;
        return SQL_SUCCEEDED(SQLGetConnectAttr(dbc, SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr)) &&
               dead == SQL_CD_TRUE;
    }

    void release() {
        if (releaseLive)
            std::exchange(releaseLive, {})();
    }

    // Whether SQLGetData may read a column before a bound one; asked once.
    bool getDataAnyColumn() {
        if (!anyColumn) {
            SQLUINTEGER extensions = 0;
            anyColumn = SQL_SUCCEEDED(SQLGetInfo(dbc, SQL_GETDATA_EXTENSIONS, &extensions,
                                                 sizeof extensions, nullptr)) &&
                        (extensions & SQL_GD_ANY_COLUMN);
        }
        return *anyColumn;
    }
    std::optional<bool> anyColumn;
};

namespace {

FieldValue dateTimeValue(const SQL_TIMESTAMP_STRUCT& v) {
    return DateTimeValue{v.year, v.month, v.day, v.hour, v.minute, v.second, int(v.fraction)};
}

FieldValue uuidValue(const SQLGUID& v) {
    return QUuid(v.Data1, v.Data2, v.Data3, v.Data4[0], v.Data4[1], v.Data4[2], v.Data4[3],
                 v.Data4[4], v.Data4[5], v.Data4[6], v.Data4[7]);
}

// The results of one batch on one statement handle, read row by row.
class OdbcRecordSet : public RecordSet {
public:
    OdbcRecordSet(OdbcConnection::Private& connection, SQLHSTMT statement)
        : m_connection(connection), m_statement(statement) {
        m_connection.releaseLive = [this] { freeStatement(); };
        m_connection.setRunning(statement);
    }

    ~OdbcRecordSet() override { freeStatement(); }

    // Positions on the first result after the batch was sent; false when the batch has none.
    bool begin(SQLRETURN executeResult) {
        if (executeResult == SQL_NO_DATA)
            return nextRecordset();
        describe();
        return true;
    }

    // Reads every result to the end, collecting messages and raising errors.
    void drain() {
        while (check(SQLMoreResults(m_statement), "SQLMoreResults") != SQL_NO_DATA) {
        }
    }

    SQLRETURN check(SQLRETURN rc, const char* call) {
        return m_connection.check(rc, SQL_HANDLE_STMT, m_statement, call);
    }

    int fieldCount() const override { return int(m_fields.size()); }
    const FieldInfo& field(int index) const override { return m_fields.at(index); }

    bool eof() override {
        if (m_state == Row::Unread)
            fetch();
        return m_state == Row::End;
    }

    const FieldValue& value(int index) override {
        if (eof())
            throw DbError("There is no current row.");
        return m_values.at(index);
    }

    void moveNext() override {
        if (!eof())
            fetch();
    }

    bool nextRecordset() override {
        m_fields.clear();
        m_state = Row::End;
        if (!m_statement)
            return false;
        unbind();
        if (check(SQLMoreResults(m_statement), "SQLMoreResults") == SQL_NO_DATA) {
            freeStatement();
            return false;
        }
        describe();
        return true;
    }

    void limitValueLength(int index, int characters) override {
        m_limits[index] = std::max(characters, 0);
    }

private:
    enum class Row { Unread, Current, End };

    void freeStatement() {
        if (!m_statement)
            return;
        m_connection.setRunning(SQL_NULL_HSTMT);
        // Closing the cursor cancels what the server still sends, so the connection can take the
        // next batch even after a failure.
        SQLFreeStmt(m_statement, SQL_CLOSE);
        SQLFreeHandle(SQL_HANDLE_STMT, m_statement);
        m_statement = SQL_NULL_HSTMT;
        m_bindings.clear();
        m_fields.clear();
        m_state = Row::End;
        m_connection.releaseLive = {};
    }

    void describe() {
        SQLSMALLINT columns = 0;
        check(SQLNumResultCols(m_statement, &columns), "SQLNumResultCols");
        m_fields.resize(columns);
        m_fetch.resize(columns);
        m_limits.fill(-1, columns);
        m_values.resize(columns);
        for (SQLUSMALLINT i = 0; i < SQLUSMALLINT(columns); ++i) {
            SQLWCHAR name[512];
            SQLSMALLINT nameLength = 0, sqlType = 0, digits = 0, nullable = 0;
            SQLULEN size = 0;
            check(SQLDescribeColW(m_statement, i + 1, name, SQLSMALLINT(std::size(name)),
                                  &nameLength, &sqlType, &size, &digits, &nullable),
                  "SQLDescribeColW");
            SQLWCHAR typeName[128];
            SQLSMALLINT typeNameBytes = 0;
            check(SQLColAttributeW(m_statement, i + 1, SQL_DESC_TYPE_NAME, typeName,
                                   SQLSMALLINT(sizeof(typeName)), &typeNameBytes, nullptr),
                  "SQLColAttributeW");
            const auto mapping = odbc::mapColumn(
                sqlType, fromWide(typeName, std::clamp<qsizetype>(typeNameBytes / 2, 0, 127)),
                qint64(size));
            m_fields[i] = {fromWide(name, std::clamp<qsizetype>(nameLength, 0, 511)), mapping.type,
                           mapping.definedSize};
            m_fetch[i] = mapping.fetch;
        }
        m_state = columns > 0 ? Row::Unread : Row::End;
    }

    // A column that SQLFetch fills: a buffer for its value.
    struct Binding {
        std::vector<char> buffer; // empty: the column is read with SQLGetData
        SQLLEN indicator = 0;
    };

    // The C type and buffer size a column can be bound with: fixed-size values, and text and
    // binary values of a known most length. 0 bytes: it cannot.
    static std::pair<SQLSMALLINT, qsizetype> bindingOf(FetchAs fetch, int limit) {
        switch (fetch) {
        case FetchAs::Integer:
            return {SQL_C_SBIGINT, sizeof(SQLBIGINT)};
        case FetchAs::Real:
            return {SQL_C_FLOAT, sizeof(SQLREAL)};
        case FetchAs::Double:
            return {SQL_C_DOUBLE, sizeof(SQLDOUBLE)};
        case FetchAs::Bit:
            return {SQL_C_BIT, 1};
        case FetchAs::DateTime:
            return {SQL_C_TYPE_TIMESTAMP, sizeof(SQL_TIMESTAMP_STRUCT)};
        case FetchAs::Guid:
            return {SQL_C_GUID, sizeof(SQLGUID)};
        case FetchAs::DecimalText:
            return {SQL_C_CHAR, decimalBytes};
        case FetchAs::Text:
            // One character more than needed, as readLimitedText reads, and the terminator.
            return {SQL_C_WCHAR,
                    limit < 0 ? 0 : (qsizetype(limit) + 2) * qsizetype(sizeof(SQLWCHAR))};
        case FetchAs::Binary:
            return {SQL_C_BINARY, limit < 0 ? 0 : limit / 2 + 1};
        }
        return {0, 0};
    }

    // Binds what can be bound before the first row, once the limits are known, so that SQLFetch
    // fills a row in one call instead of one SQLGetData a column. Without SQLGetData for any
    // column, only the columns before the first that cannot be bound are.
    void bind() {
        m_bindings.assign(m_fields.size(), {});
        const bool anyColumn = m_connection.getDataAnyColumn();
        for (int i = 0; i < m_fields.size(); ++i) {
            const auto [cType, bytes] = bindingOf(m_fetch.at(i), m_limits.at(i));
            if (bytes == 0) {
                if (!anyColumn)
                    break;
                continue;
            }
            Binding& binding = m_bindings[i];
            binding.buffer.resize(bytes);
            check(SQLBindCol(m_statement, SQLUSMALLINT(i + 1), cType, binding.buffer.data(),
                             SQLLEN(bytes), &binding.indicator),
                  "SQLBindCol");
        }
    }

    void unbind() {
        if (!m_bindings.empty() && m_statement)
            SQLFreeStmt(m_statement, SQL_UNBIND);
        m_bindings.clear();
    }

    void fetch() {
        if (!m_fields.isEmpty() && m_bindings.empty())
            bind();
        if (m_fields.isEmpty() || check(SQLFetch(m_statement), "SQLFetch") == SQL_NO_DATA) {
            m_state = Row::End;
            return;
        }
        for (int i = 0; i < m_fields.size(); ++i) {
            const Binding& binding = m_bindings[i];
            if (binding.buffer.empty())
                read(SQLUSMALLINT(i + 1), m_fetch.at(i), m_limits.at(i), m_values[i]);
            else
                readBound(binding, m_fetch.at(i), m_limits.at(i), m_values[i]);
        }
        m_state = Row::Current;
    }

    // The value that SQLFetch put into a bound column's buffer.
    static void readBound(const Binding& binding, FetchAs fetch, int limit, FieldValue& target) {
        if (binding.indicator == SQL_NULL_DATA) {
            target = FieldValue();
            return;
        }
        const char* data = binding.buffer.data();
        const qsizetype room = binding.buffer.size();
        const auto length = [&](qsizetype terminator) {
            return binding.indicator == SQL_NO_TOTAL
                       ? room - terminator
                       : std::clamp<qsizetype>(binding.indicator, 0, room - terminator);
        };
        const auto fixed = [data]<typename T>(T value) {
            std::memcpy(&value, data, sizeof value);
            return value;
        };
        switch (fetch) {
        case FetchAs::Integer:
            target = qint64(fixed(SQLBIGINT()));
            return;
        case FetchAs::Real:
            target = double(fixed(SQLREAL()));
            return;
        case FetchAs::Double:
            target = double(fixed(SQLDOUBLE()));
            return;
        case FetchAs::Bit:
            target = data[0] != 0;
            return;
        case FetchAs::DateTime:
            target = dateTimeValue(fixed(SQL_TIMESTAMP_STRUCT()));
            return;
        case FetchAs::Guid:
            target = uuidValue(fixed(SQLGUID()));
            return;
        case FetchAs::DecimalText:
            setLatin1Text(target, data, length(1));
            return;
        case FetchAs::Text: {
            QString& text = reusedText(target);
            const qsizetype count = std::min<qsizetype>(length(sizeof(SQLWCHAR)) / 2, limit + 1);
            text.resize(count);
            std::memcpy(text.data(), data, size_t(count) * sizeof(SQLWCHAR));
            return;
        }
        case FetchAs::Binary:
            target = QByteArray(data, length(0));
            return;
        }
        target = FieldValue();
    }

    template <typename T> bool readFixed(SQLUSMALLINT column, SQLSMALLINT cType, T& target) {
        SQLLEN indicator = 0;
        check(SQLGetData(m_statement, column, cType, &target, sizeof(T), &indicator), "SQLGetData");
        return indicator != SQL_NULL_DATA;
    }

    // A text or binary value in pieces, up to `limitBytes` when that is not negative. Null gives
    // nothing.
    std::optional<QByteArray> readLong(SQLUSMALLINT column, SQLSMALLINT cType, qsizetype terminator,
                                       qsizetype limitBytes) {
        QByteArray data;
        qsizetype piece = 64 * 1024;
        if (limitBytes >= 0)
            piece = std::min<qsizetype>(piece, limitBytes + terminator);
        piece = std::max<qsizetype>(piece, 2 * terminator + 2);
        m_buffer.resize(piece);
        for (;;) {
            SQLLEN indicator = 0;
            const SQLRETURN rc = check(SQLGetData(m_statement, column, cType, m_buffer.data(),
                                                  SQLLEN(m_buffer.size()), &indicator),
                                       "SQLGetData");
            if (rc == SQL_NO_DATA)
                return data;
            if (indicator == SQL_NULL_DATA)
                return std::nullopt;
            const qsizetype available = m_buffer.size() - terminator;
            qsizetype got = available;
            bool whole = rc == SQL_SUCCESS;
            if (indicator != SQL_NO_TOTAL) {
                got = std::min<qsizetype>(indicator, available);
                whole = whole || indicator <= available;
            }
            data.append(m_buffer.constData(), got);
            if (whole || (limitBytes >= 0 && data.size() >= limitBytes))
                return data;
        }
    }

    // The text value held in `target`, made so when it holds another: a column keeps its string
    // from row to row, so that a row's values are read without allocating.
    static QString& reusedText(FieldValue& target) {
        if (!std::holds_alternative<QString>(target))
            target = QString();
        return std::get<QString>(target);
    }

    static void setLatin1Text(FieldValue& target, const char* data, qsizetype count) {
        QString& text = reusedText(target);
        text.resize(count);
        QChar* out = text.data();
        for (qsizetype i = 0; i < count; ++i)
            out[i] = QLatin1Char(data[i]);
    }

    // A text value cut to `limit` characters and one more, so that a cut never ends inside a
    // surrogate pair; read straight into the column's string.
    void readLimitedText(SQLUSMALLINT column, int limit, FieldValue& target) {
        QString& text = reusedText(target);
        const qsizetype room = qsizetype(limit) + 1;
        text.resize(room + 1); // and the driver's terminator
        SQLLEN indicator = 0;
        const SQLRETURN rc = check(SQLGetData(m_statement, column, SQL_C_WCHAR, text.data(),
                                              SQLLEN((room + 1) * sizeof(SQLWCHAR)), &indicator),
                                   "SQLGetData");
        if (rc == SQL_NO_DATA) {
            text.resize(0);
        } else if (indicator == SQL_NULL_DATA) {
            target = FieldValue();
        } else {
            const qsizetype got =
                indicator == SQL_NO_TOTAL
                    ? room
                    : std::min<qsizetype>(indicator / qsizetype(sizeof(SQLWCHAR)), room);
            text.resize(got);
        }
    }

    // A decimal's text: 38 digits, a sign and a point at most.
    static constexpr qsizetype decimalBytes = 64;

    void readDecimalText(SQLUSMALLINT column, FieldValue& target) {
        char digits[decimalBytes];
        SQLLEN indicator = 0;
        const SQLRETURN rc =
            check(SQLGetData(m_statement, column, SQL_C_CHAR, digits, sizeof digits, &indicator),
                  "SQLGetData");
        if (indicator == SQL_NULL_DATA) {
            target = FieldValue();
            return;
        }
        if (rc == SQL_NO_DATA || indicator == SQL_NO_TOTAL || indicator >= SQLLEN(sizeof digits)) {
            // Longer than the buffer: the rest comes in pieces.
            QByteArray text(digits, rc == SQL_NO_DATA ? 0 : qsizetype(sizeof digits) - 1);
            if (rc != SQL_NO_DATA)
                text += readLong(column, SQL_C_CHAR, 1, -1).value_or(QByteArray());
            target = QString::fromLatin1(text);
            return;
        }
        setLatin1Text(target, digits, qsizetype(indicator));
    }

    void read(SQLUSMALLINT column, FetchAs fetch, int limit, FieldValue& target) {
        switch (fetch) {
        case FetchAs::Integer: {
            SQLBIGINT v = 0;
            target = readFixed(column, SQL_C_SBIGINT, v) ? FieldValue(qint64(v)) : FieldValue();
            return;
        }
        case FetchAs::Real: {
            SQLREAL v = 0;
            target = readFixed(column, SQL_C_FLOAT, v) ? FieldValue(double(v)) : FieldValue();
            return;
        }
        case FetchAs::Double: {
            SQLDOUBLE v = 0;
            target = readFixed(column, SQL_C_DOUBLE, v) ? FieldValue(double(v)) : FieldValue();
            return;
        }
        case FetchAs::Bit: {
            unsigned char v = 0;
            target = readFixed(column, SQL_C_BIT, v) ? FieldValue(v != 0) : FieldValue();
            return;
        }
        case FetchAs::DateTime: {
            SQL_TIMESTAMP_STRUCT v{};
            target = readFixed(column, SQL_C_TYPE_TIMESTAMP, v) ? dateTimeValue(v) : FieldValue();
            return;
        }
        case FetchAs::Guid: {
            SQLGUID v{};
            target = readFixed(column, SQL_C_GUID, v) ? uuidValue(v) : FieldValue();
            return;
        }
        case FetchAs::DecimalText:
            readDecimalText(column, target);
            return;
        case FetchAs::Binary: {
            // Two hex digits a byte after "0x"; one byte more shows that the value goes on.
            const auto bytes = readLong(column, SQL_C_BINARY, 0, limit < 0 ? -1 : limit / 2 + 1);
            target = bytes ? FieldValue(*bytes) : FieldValue();
            return;
        }
        case FetchAs::Text: {
            if (limit >= 0) {
                readLimitedText(column, limit, target);
                return;
            }
            const auto text = readLong(column, SQL_C_WCHAR, 2, -1);
            if (!text)
                target = FieldValue();
            else
                target = fromWide(reinterpret_cast<const SQLWCHAR*>(text->constData()),
                                  text->size() / 2);
            return;
        }
        }
        target = FieldValue();
    }

    OdbcConnection::Private& m_connection;
    SQLHSTMT m_statement;
    QList<FieldInfo> m_fields;
    QList<FetchAs> m_fetch;
    QList<int> m_limits;
    QList<FieldValue> m_values;
    QByteArray m_buffer;
    std::vector<Binding> m_bindings; // empty until the current result's first fetch binds it
    Row m_state = Row::End;
};

} // namespace

OdbcConnection::OdbcConnection() : d(std::make_unique<Private>()) {}

OdbcConnection::~OdbcConnection() {
    close();
}

void OdbcConnection::open(const QString& connectionString) {
    close();
    const QString text =
        odbcConnectionString(parseConnectionString(connectionString), odbcDriver());
    SQLHDBC dbc = SQL_NULL_HDBC;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, environment(), &dbc)))
        throw DbError("The ODBC driver manager cannot make a connection.");
    SQLSetConnectAttr(dbc, SQL_ATTR_LOGIN_TIMEOUT,
                      reinterpret_cast<SQLPOINTER>(SQLULEN(std::max(connectionTimeout(), 0))), 0);
    const SQLRETURN rc = SQLDriverConnectW(dbc, nullptr, wide(text), SQLSMALLINT(text.size()),
                                           nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(rc)) {
        const QList<Diagnostic> records = diagnostics(SQL_HANDLE_DBC, dbc);
        SQLFreeHandle(SQL_HANDLE_DBC, dbc);
        throw odbc::errorFrom(records, "SQLDriverConnectW");
    }
    d->dbc = dbc;
    d->messages.clear();
}

void OdbcConnection::close() {
    d->release();
    if (d->dbc == SQL_NULL_HDBC)
        return;
    SQLDisconnect(d->dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, d->dbc);
    d->dbc = SQL_NULL_HDBC;
}

bool OdbcConnection::isOpen() const {
    return d->dbc != SQL_NULL_HDBC;
}

std::unique_ptr<RecordSet> OdbcConnection::execute(const QString& batch, ExecuteMode mode) {
    if (!isOpen())
        throw DbError("The connection is not open.", "08003");
    d->release();
    d->messages.clear();
    SQLHSTMT statement = SQL_NULL_HSTMT;
    d->check(SQLAllocHandle(SQL_HANDLE_STMT, d->dbc, &statement), SQL_HANDLE_DBC, d->dbc,
             "SQLAllocHandle");
    auto records = std::make_unique<OdbcRecordSet>(*d, statement);
    records->check(
        SQLSetStmtAttr(statement, SQL_ATTR_QUERY_TIMEOUT,
                       reinterpret_cast<SQLPOINTER>(SQLULEN(std::max(commandTimeout(), 0))), 0),
        "SQLSetStmtAttr");
    const SQLRETURN executed = SQLExecDirectW(statement, wide(batch), SQLINTEGER(batch.size()));
    if (executed == SQL_ERROR && diagnostics(SQL_HANDLE_STMT, statement).isEmpty() &&
        hasParameterMarkers(statement, batch))
        throw DbError("The batch holds a \"?\" outside strings and comments, which the ODBC driver "
                      "reads as a parameter marker; the batch was not sent.",
                      "07002");
    const SQLRETURN rc = records->check(executed, "SQLExecDirectW");
    if (mode == ExecuteMode::NoRecords) {
        records->drain();
        return nullptr;
    }
    if (!records->begin(rc))
        return nullptr;
    return records;
}

QStringList OdbcConnection::takeMessages() {
    return std::exchange(d->messages, {});
}

void OdbcConnection::cancel() {
    std::lock_guard lock(d->runningLock);
    if (d->running != SQL_NULL_HSTMT)
        SQLCancel(d->running);
}

} // namespace vx
