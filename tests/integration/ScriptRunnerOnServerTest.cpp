#include "ErrorText.h"
#include "QtPrinting.h"
#include "ServerSession.h"

#include <gtest/gtest.h>

using namespace vx;
using namespace vx::test;

// The script runner through the ODBC layer and the FreeTDS driver against the test server: what
// a user sees in the log for real server replies.

namespace {

class ScriptRunnerOnServer : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        server = std::make_unique<tdsserver::TestServer>();
        server->createDatabase("shop", "CREATE TABLE items(id int PRIMARY KEY, name nvarchar(20));"
                                       "INSERT INTO items VALUES(1, 'tea'), (2, 'milk');");
    }
    static void TearDownTestSuite() { server.reset(); }

    static inline std::unique_ptr<tdsserver::TestServer> server;
    std::unique_ptr<OdbcConnection> connection = openConnection(*server, "shop");
    RecordingRunner session{*connection, continueOnError};
};

TEST_F(ScriptRunnerOnServer, PrintAndSelectGiveTheirLinesInOrder) {
    session.runner.TabDelimiter = false;
    EXPECT_TRUE(session.run({"PRINT 'hello'", "GO", "SELECT 1 AS a", "go"}));
    EXPECT_EQ(session.events,
              QStringList({"P(0,4,)", "P(1,4,PRINT 'hello')", "M(hello)", "P(3,4,SELECT 1 AS a)",
                           "M(a          )", "M(---------- )", "M(1          )", "P(0,4,)"}));
}

TEST_F(ScriptRunnerOnServer, SeveralResultSetsAndResultsWithoutColumns) {
    EXPECT_TRUE(session.run({"UPDATE items SET name = name WHERE id = 1", "GO",
                             "SELECT id, name FROM items ORDER BY id",
                             "UPDATE items SET name = name", "SELECT name FROM items WHERE id = 99",
                             "SET NOCOUNT ON", "SELECT count(*) AS n FROM items"}));
    EXPECT_EQ(session.output(),
              QStringList({"M(id\tname\t)", "M(--\t----\t)", "M(1\ttea\t)", "M(2\tmilk\t)",
                           "M(name\t)", "M(----\t)", "M(n\t)", "M(-\t)", "M(2\t)"}));
}

// Rows read one after another keep each column's values apart: a Null after a value and a value
// after a Null, and cut values (never inside a surrogate pair, nor from a (max) column) beside
// whole ones.
TEST_F(ScriptRunnerOnServer, RowsAfterRowsKeepTheirOwnValues) {
    server->createDatabase("rows", "CREATE TABLE t(a int, b nvarchar(-1), c nvarchar(10), "
                                   "d decimal(12,2));"
                                   "INSERT INTO t VALUES(1, printf('%.20c', 'b'), 'abcdefghijKLM', "
                                   "1.5), (NULL, NULL, NULL, NULL),"
                                   "(3, 'ЖЖЖЖЖ', 'x😀😀😀😀😀', -2.25), (4, NULL, 'short', NULL);");
    const auto rows = openConnection(*server, "rows");
    RecordingRunner reader(*rows, continueOnError);
    reader.runner.MaxFieldLength = 12;
    EXPECT_TRUE(reader.run({"SELECT a, b, c, d FROM t"}));
    EXPECT_EQ(reader.output(), QStringList({"M(a\tb\tc\td\t)", "M(-\t-\t-\t-\t)",
                                            "M(1\tbbbbbbbbbbbb\tabcdefghij\t1.50\t)", "M(\t\t\t\t)",
                                            "M(3\tЖЖЖЖЖ\tx😀😀😀😀\t-2.25\t)", "M(4\t\tshort\t\t)"}));
}

// A reader that keeps the values of a row keeps them as they were while later rows are read, with
// the columns bound (lengths known) or read value by value (no length given).
TEST_F(ScriptRunnerOnServer, ValuesKeptByTheReaderOutliveTheNextRows) {
    server->createDatabase("kept", "CREATE TABLE t(n nvarchar(20), d decimal(12,2), i int);"
                                   "INSERT INTO t VALUES('first', 1.25, 1), ('second row', NULL, "
                                   "NULL), (NULL, -7.5, 3);");
    for (const bool limited : {true, false}) {
        const std::unique_ptr<Connection> kept = openConnection(*server, "kept");
        const auto records = kept->execute("SELECT n, d, i FROM t");
        ASSERT_TRUE(records);
        if (limited)
            records->limitValueLength(0, 20);
        QList<QList<FieldValue>> rows;
        for (; !records->eof(); records->moveNext())
            rows.append(QList<FieldValue>{records->value(0), records->value(1), records->value(2)});
        const QList<QList<FieldValue>> expected = {
            {QString("first"), QString("1.25"), qint64(1)},
            {QString("second row"), FieldValue(), FieldValue()},
            {FieldValue(), QString("-7.50"), qint64(3)}};
        EXPECT_EQ(rows, expected) << (limited ? "bound" : "read value by value");
    }
}

const QStringList printsResultsAndAnError = {"PRINT 'first'",
                                             "SELECT 1 AS a",
                                             "PRINT 'second'",
                                             "SELECT 2 AS b",
                                             "RAISERROR('broken', 16, 1)",
                                             "GO",
                                             "PRINT 'next'"};

TEST_F(ScriptRunnerOnServer, LinesThenMessagesThenTheError) {
    EXPECT_TRUE(session.run(printsResultsAndAnError));
    EXPECT_EQ(session.output(),
              QStringList({"M(a\t)", "M(-\t)", "M(1\t)", "M(b\t)", "M(-\t)", "M(2\t)", "M(first)",
                           "M(second)", "E(broken,0,1)", "M(next)"}));
}

TEST_F(ScriptRunnerOnServer, WithoutRecordsMessagesAndErrorsStillCome) {
    session.runner.NoRecords = true;
    EXPECT_TRUE(session.run(printsResultsAndAnError));
    EXPECT_EQ(session.output(), QStringList({"M(first)", "M(second)", "E(broken,0,1)", "M(next)"}));
}

TEST_F(ScriptRunnerOnServer, ServerErrorReadingAbortStopsTheRun) {
    RecordingRunner presets(*connection);
    EXPECT_FALSE(
        presets.run({"RAISERROR('abort', 16, 1)", "GO", "INSERT INTO items VALUES(10, 'never')"}));
    EXPECT_EQ(presets.output(), QStringList({"E(abort,1,0)"}));
    EXPECT_EQ(server->querySqlite("shop", "SELECT count(*) FROM items WHERE id = 10")[0][0], "0");
}

TEST_F(ScriptRunnerOnServer, CyrillicSurvivesTheScriptTheDatabaseAndTheResults) {
    EXPECT_TRUE(session.run({"CREATE TABLE cities(title nvarchar(30))",
                             "INSERT INTO cities VALUES(N'Москва'), (N'Санкт-Петербург')",
                             "PRINT N'Готово: ' + 'ёЁ'", "GO",
                             "SELECT title AS Город FROM cities ORDER BY title DESC"}));
    EXPECT_EQ(session.output(), QStringList({"M(Готово: ёЁ)", "M(Город\t)", "M(-----\t)",
                                             "M(Санкт-Петербург\t)", "M(Москва\t)"}));
    const tdsserver::SqliteRows stored =
        server->querySqlite("shop", "SELECT title FROM cities ORDER BY title");
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(stored[0][0], "Москва");
    EXPECT_EQ(stored[1][0], "Санкт-Петербург");
}

struct FailingBatch {
    const char* name;
    QStringList batch;
    QStringList output; // lines and the error, before the next batch's lines
};

void PrintTo(const FailingBatch& c, std::ostream* out) {
    *out << c.name;
}

class AfterAFailedBatch : public ScriptRunnerOnServer,
                          public ::testing::WithParamInterface<FailingBatch> {
protected:
    static void SetUpTestSuite() {
        ScriptRunnerOnServer::SetUpTestSuite();
        // The third value cannot be an int: the server fails the statement after two rows.
        server->execSqlite("shop", "CREATE TABLE counts(n int);"
                                   "INSERT INTO counts VALUES(1), (2), ('three'), (4);");
    }
};

TEST_P(AfterAFailedBatch, TheConnectionRunsTheNextOne) {
    QStringList script = GetParam().batch;
    script << "GO"
           << "SELECT name FROM items WHERE id = 2";
    EXPECT_TRUE(session.run(script));
    EXPECT_EQ(session.output(),
              GetParam().output + QStringList({"M(name\t)", "M(----\t)", "M(milk\t)"}));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AfterAFailedBatch,
    ::testing::Values(
        FailingBatch{"SyntaxError", {"SELEC 1"}, {"E(Incorrect syntax near 'SELEC'.,0,1)"}},
        FailingBatch{"QuestionMarkOutsideStrings",
                     {"SELECT 1 AS a ?"},
                     {"E(The batch holds a \"?\" outside strings and comments, which the ODBC "
                      "driver reads as a parameter marker; the batch was not sent.,0,1)"}},
        FailingBatch{"MissingTableBetweenResults",
                     {"SELECT 1 AS a", "SELECT * FROM missing", "SELECT 3 AS c"},
                     {"M(a\t)", "M(-\t)", "M(1\t)", "E(Invalid object name 'missing'.,0,1)"}},
        FailingBatch{"ValueFailsMidResult",
                     {"SELECT n FROM counts"},
                     {"M(n\t)", "M(-\t)", "M(1\t)", "M(2\t)",
                      "E(Conversion failed when converting the nvarchar value 'three' to data "
                      "type int.,0,1)"}}));

TEST_F(ScriptRunnerOnServer, BatchLeftInTheMiddleOfALargeResultLeavesTheConnectionReady) {
    server->createBenchTable("shop", "rows50k", 50000);
    int lines = 0;
    session.runner.OnMessage = [&](QObject*, const QString& line) {
        if (++lines == 5)
            throw Error("enough");
        session.events << "M(" + line + ")";
    };
    EXPECT_TRUE(session.run({"SELECT id FROM rows50k ORDER BY id", "GO", "SELECT 7 AS seven"}));
    EXPECT_EQ(session.output(),
              QStringList({"M(id\t)", "M(--\t)", "M(1\t)", "M(2\t)", "E(enough,0,1)", "M(seven\t)",
                           "M(-----\t)", "M(7\t)"}));
}

// A value of each type as the runner shows it in the fixed layout: the column's width (its dash
// line) and the value's text.
struct TypedValue {
    const char* type;  // declared SQL Server type
    const char* value; // SQLite literal stored in the column
    int width;
    QString text;
};

void PrintTo(const TypedValue& c, std::ostream* out) {
    *out << c.type << " " << c.value;
}

class TypedValues : public ::testing::TestWithParam<TypedValue> {
protected:
    static void SetUpTestSuite() { server = std::make_unique<tdsserver::TestServer>(); }
    static void TearDownTestSuite() { server.reset(); }
    static inline std::unique_ptr<tdsserver::TestServer> server;
};

TEST_P(TypedValues, RenderWithTheirWidthAndText) {
    const TypedValue& c = GetParam();
    server->createDatabase("types", std::string("DROP TABLE IF EXISTS t; CREATE TABLE t(v ") +
                                        c.type + "); INSERT INTO t VALUES(" + c.value + ");");
    auto connection = openConnection(*server, "types");
    RecordingRunner session(*connection, continueOnError);
    session.runner.TabDelimiter = false;
    EXPECT_TRUE(session.run({"SELECT v FROM t"}));
    const QStringList lines = session.output();
    ASSERT_EQ(lines.size(), 3) << lines.join('\n').toStdString();
    EXPECT_EQ(lines[1], "M(" + QString(c.width, '-') + " )");
    EXPECT_EQ(lines[2].mid(2).chopped(1).trimmed(), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Types, TypedValues,
    ::testing::Values(
        TypedValue{"int", "-42", 10, "-42"},
        TypedValue{"bigint", "9007199254740993", 19, "9007199254740993"},
        TypedValue{"smallint", "-32768", 10, "-32768"}, TypedValue{"tinyint", "255", 10, "255"},
        TypedValue{"bit", "1", 10, "1"}, TypedValue{"decimal(12,2)", "'1234.5'", 10, "1234.50"},
        TypedValue{"money", "'-12.3456'", 10, "-12.3456"}, TypedValue{"float", "0.1", 10, "0.1"},
        TypedValue{"real", "1.5", 10, "1.5"},
        TypedValue{"datetime", "'2024-02-29 13:45:07.123'", 23, "2024-02-29 13:45:07:123"},
        TypedValue{"date", "'2024-02-29'", 10, "2024-02-29"},
        TypedValue{"uniqueidentifier", "'6F9619FF-8B86-D011-B42D-00C04FC964FF'", 38,
                   "{6F9619FF-8B86-D011-B42D-00C04FC964FF}"},
        TypedValue{"varbinary(4)", "X'DEADBEEF'", 10, "0xDEADBEEF"},
        TypedValue{"nvarchar(20)", "'Чай с лимоном'", 20, "Чай с лимоном"},
        TypedValue{"nvarchar(300)", "printf('%.300c', 'x')", 255, QString(255, 'x')},
        TypedValue{"nvarchar(-1)", "printf('%.100000c', 'Ж')", 255, QString(255, u'Ж')},
        TypedValue{"varbinary(-1)", "zeroblob(1000)", 255, "0x" + QString(253, '0')},
        TypedValue{"text", "'plain text'", 255, "plain text"}, TypedValue{"int", "NULL", 10, ""}));

class ServerLogin : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        server = std::make_unique<tdsserver::TestServer>(tdsserver::TestServerOptions{
            .users = std::vector<tdsserver::User>{{"sa", "pw", {}}, {"mixed", "a;b=c{d Ж", {}}}});
    }
    static void TearDownTestSuite() { server.reset(); }
    static inline std::unique_ptr<tdsserver::TestServer> server;
};

TEST_F(ServerLogin, PasswordWithSemicolonBraceAndCyrillicLogsIn) {
    auto connection = odbcConnection();
    connection->open(adoConnectionString(*server, "master", "mixed", "a;b=c{d Ж"));
    EXPECT_TRUE(connection->isOpen());
}

TEST_F(ServerLogin, FailuresGiveTheServersMessage) {
    struct Case {
        QString database, user, password, message;
    };
    const Case cases[] = {
        {"master", "sa", "wrong", "Login failed for user 'sa'."},
        {"master", "nobody", "pw", "Login failed for user 'nobody'."},
        {"nope", "sa", "pw",
         "Cannot open database \"nope\" requested by the login. The login failed."},
    };
    for (const Case& c : cases) {
        auto connection = odbcConnection();
        EXPECT_EQ(errorText([&] {
                      connection->open(
                          adoConnectionString(*server, c.database, c.user, c.password));
                  }),
                  c.message);
        EXPECT_FALSE(connection->isOpen());
    }
}

} // namespace
