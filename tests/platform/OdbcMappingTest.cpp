#include "OdbcMapping.h"
#include "QtPrinting.h"

#include <gtest/gtest.h>
#include <sql.h>
#include <sqlext.h>

using namespace vx;
using namespace vx::odbc;

TEST(OdbcMapping, DriverPrefixIsRemovedOnceAndOnlyAtTheStart) {
    EXPECT_EQ(withoutDriverPrefix("[FreeTDS][SQL Server]hello"), "hello");
    EXPECT_EQ(withoutDriverPrefix("[FreeTDS][SQL Server][FreeTDS][SQL Server]x"),
              "[FreeTDS][SQL Server]x");
    EXPECT_EQ(withoutDriverPrefix("say [FreeTDS][SQL Server]"), "say [FreeTDS][SQL Server]");
    EXPECT_EQ(withoutDriverPrefix("[unixODBC][Driver Manager]Data source name not found"),
              "[unixODBC][Driver Manager]Data source name not found");
}

TEST(OdbcMapping, OnlyTheServersPlainMessagesAreMessages) {
    EXPECT_TRUE(isInfoMessage({"01000", 0, "[FreeTDS][SQL Server]printed"}));
    EXPECT_FALSE(isInfoMessage({"01004", 0, "String data, right truncated"}));
    EXPECT_FALSE(isInfoMessage({"01S02", 0, "Option value changed"}));
    EXPECT_FALSE(isInfoMessage({"01000", 5701, "Changed database context to 'x'."}));
    EXPECT_FALSE(isInfoMessage({"01000", 50000, "low-severity RAISERROR"}));
    EXPECT_FALSE(isInfoMessage({"42S02", 208, "Invalid object name 't'."}));
}

TEST(OdbcMapping, ErrorIsTheServersFirstRecordThatIsNoWarning) {
    const DbError server =
        errorFrom({{"01000", 0, "[FreeTDS][SQL Server]printed first"},
                   {"08001", 0, "[FreeTDS][SQL Server]Unable to connect to data source"},
                   {"42000", 18456, "[FreeTDS][SQL Server]Login failed for user 'sa'."}},
                  "SQLDriverConnectW");
    EXPECT_EQ(server.message(), "Login failed for user 'sa'.");
    EXPECT_EQ(server.nativeError(), 18456);
    EXPECT_EQ(server.sqlState(), "42000");

    const DbError driver =
        errorFrom({{"08001", 0,
                    "[FreeTDS][SQL Server]Unable to connect: Adaptive Server is unavailable or "
                    "does not exist"},
                   {"08001", 0, "[FreeTDS][SQL Server]Unable to connect to data source"}},
                  "SQLDriverConnectW");
    EXPECT_EQ(driver.message(),
              "Unable to connect: Adaptive Server is unavailable or does not exist");

    EXPECT_EQ(
        errorFrom({{"HYT00", 0, "[FreeTDS][SQL Server]Timeout expired"}}, "SQLFetch").message(),
        "Timeout expired");
}

TEST(OdbcMapping, ErrorWithoutAnErrorRecordUsesAWarningOrNamesTheCall) {
    EXPECT_EQ(errorFrom({}, "SQLExecDirectW").message(), "ODBC call SQLExecDirectW failed.");
    EXPECT_EQ(errorFrom({{"HY000", 0, "[FreeTDS][SQL Server]"}}, "SQLFetch").message(),
              "ODBC call SQLFetch failed.");
    EXPECT_EQ(
        errorFrom({{"01000", 0, "[unixODBC][Driver Manager]Can't open lib 'x' : file not found"}},
                  "SQLDriverConnectW")
            .message(),
        "[unixODBC][Driver Manager]Can't open lib 'x' : file not found");
}

TEST(OdbcMapping, ColumnTypesAsTheOleDbProviderPresentedThem) {
    struct Case {
        int sqlType;
        const char* typeName;
        DataTypeEnum type;
        FetchAs fetch;
    };
    const Case cases[] = {
        {SQL_BIT, "bit", adBoolean, FetchAs::Bit},
        {SQL_TINYINT, "tinyint", adUnsignedTinyInt, FetchAs::Integer},
        {SQL_SMALLINT, "smallint", adSmallInt, FetchAs::Integer},
        {SQL_INTEGER, "int", adInteger, FetchAs::Integer},
        {SQL_BIGINT, "bigint", adBigInt, FetchAs::Integer},
        {SQL_REAL, "real", adSingle, FetchAs::Real},
        {SQL_FLOAT, "float", adDouble, FetchAs::Double},
        {SQL_DOUBLE, "float", adDouble, FetchAs::Double},
        {SQL_DECIMAL, "money", adCurrency, FetchAs::DecimalText},
        {SQL_DECIMAL, "smallmoney", adCurrency, FetchAs::DecimalText},
        {SQL_DECIMAL, "decimal", adNumeric, FetchAs::DecimalText},
        {SQL_NUMERIC, "numeric", adNumeric, FetchAs::DecimalText},
        {SQL_TYPE_TIMESTAMP, "datetime", adDBTimeStamp, FetchAs::DateTime},
        {SQL_TYPE_TIMESTAMP, "smalldatetime", adDBTimeStamp, FetchAs::DateTime},
        {SQL_TYPE_TIMESTAMP, "datetime2", adVarWChar, FetchAs::Text},
        {SQL_TYPE_DATE, "date", adVarWChar, FetchAs::Text},
        {-154, "time", adVarWChar, FetchAs::Text},
        {-155, "datetimeoffset", adVarWChar, FetchAs::Text},
        {SQL_GUID, "uniqueidentifier", adGUID, FetchAs::Guid},
        {SQL_BINARY, "binary", adBinary, FetchAs::Binary},
        {SQL_BINARY, "timestamp", adBinary, FetchAs::Binary},
        {SQL_VARBINARY, "varbinary", adVarBinary, FetchAs::Binary},
        {SQL_LONGVARBINARY, "image", adLongVarBinary, FetchAs::Binary},
        {SQL_CHAR, "char", adChar, FetchAs::Text},
        {SQL_VARCHAR, "varchar", adVarChar, FetchAs::Text},
        {SQL_LONGVARCHAR, "text", adLongVarChar, FetchAs::Text},
        {SQL_WCHAR, "nchar", adWChar, FetchAs::Text},
        {SQL_WVARCHAR, "nvarchar", adVarWChar, FetchAs::Text},
        {SQL_WLONGVARCHAR, "ntext", adLongVarWChar, FetchAs::Text},
        {-152, "xml", adLongVarWChar, FetchAs::Text},
        {-150, "sql_variant", adVariant, FetchAs::Text},
        {12345, "unknown", adVarWChar, FetchAs::Text},
    };
    for (const Case& c : cases) {
        const ColumnMapping mapping = mapColumn(c.sqlType, c.typeName, 20);
        EXPECT_EQ(mapping.type, c.type) << c.typeName;
        EXPECT_EQ(mapping.fetch, c.fetch) << c.typeName;
        EXPECT_EQ(mapping.definedSize, 20) << c.typeName;
    }
}

TEST(OdbcMapping, UnlimitedColumnsAreLongTypesOfTheProvidersSizes) {
    struct Case {
        int sqlType;
        const char* typeName;
        DataTypeEnum type;
        FetchAs fetch;
        qint64 definedSize;
    };
    const Case cases[] = {
        {SQL_VARCHAR, "varchar", adLongVarChar, FetchAs::Text, 2147483647},
        {SQL_WVARCHAR, "nvarchar", adLongVarWChar, FetchAs::Text, 1073741823},
        {-152, "xml", adLongVarWChar, FetchAs::Text, 1073741823},
        {SQL_VARBINARY, "varbinary", adLongVarBinary, FetchAs::Binary, 2147483647},
        {SQL_INTEGER, "int", adInteger, FetchAs::Integer, 0},
    };
    for (const Case& c : cases) {
        const ColumnMapping mapping = mapColumn(c.sqlType, c.typeName, 0);
        EXPECT_EQ(mapping.type, c.type) << c.typeName;
        EXPECT_EQ(mapping.fetch, c.fetch) << c.typeName;
        EXPECT_EQ(mapping.definedSize, c.definedSize) << c.typeName;
    }
}
