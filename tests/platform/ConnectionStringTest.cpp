#include "ConnectionString.h"
#include "ErrorText.h"
#include "Errors.h"
#include "QtPrinting.h"

#include <gtest/gtest.h>

using namespace vx;

namespace {

const QString prefix = "Provider=SQLOLEDB.1;Persist Security Info=False;";

struct MappingCase {
    const char* name;
    QString ado;
    QString odbc;
};

void PrintTo(const MappingCase& c, std::ostream* out) {
    *out << c.name;
}

class ConnectionStringMapping : public ::testing::TestWithParam<MappingCase> {};

TEST_P(ConnectionStringMapping, GivesTheDriversKeywords) {
    EXPECT_EQ(odbcConnectionString(parseConnectionString(GetParam().ado), "FreeTDS"),
              GetParam().odbc);
}

const QString tail = "TDS_Version=7.4;ClientCharset=UTF-8;";

INSTANTIATE_TEST_SUITE_P(
    Cases, ConnectionStringMapping,
    ::testing::Values(
        MappingCase{"SqlLogin",
                    prefix + "Data Source=srv1;Initial Catalog=sales;User ID=sa;Password=pw",
                    "DRIVER={FreeTDS};SERVER=srv1;DATABASE=sales;UID=sa;PWD=pw;" + tail},
        MappingCase{"HostAndPort",
                    prefix +
                        "Data Source=db.example.com,1433;Initial Catalog=x;User ID=u;Password=p",
                    "DRIVER={FreeTDS};SERVER=db.example.com,1433;DATABASE=x;UID=u;PWD=p;" + tail},
        MappingCase{"NamedInstance",
                    prefix + "Data Source=host\\SQLEXPRESS;Initial Catalog=x;User ID=u;Password=p",
                    "DRIVER={FreeTDS};SERVER=host\\SQLEXPRESS;DATABASE=x;UID=u;PWD=p;" + tail},
        MappingCase{"WindowsAuthentication",
                    prefix + "Data Source=srv;Initial Catalog=db;Integrated Security=SSPI;",
                    "DRIVER={FreeTDS};SERVER=srv;DATABASE=db;Trusted_Connection=Yes;" + tail},
        MappingCase{"WithoutCatalog", prefix + "Data Source=srv;User ID=u;Password=p",
                    "DRIVER={FreeTDS};SERVER=srv;UID=u;PWD=p;" + tail},
        MappingCase{"EmptyPassword",
                    prefix + "Data Source=srv;Initial Catalog=db;User ID=u;Password=",
                    "DRIVER={FreeTDS};SERVER=srv;DATABASE=db;UID=u;PWD=;" + tail},
        MappingCase{"PasswordWithSemicolon",
                    prefix + "Data Source=srv;Initial Catalog=db;User ID=u;Password=a;b",
                    "DRIVER={FreeTDS};SERVER=srv;DATABASE=db;UID=u;PWD={a;b};" + tail},
        MappingCase{"PasswordLooksLikeKeywords",
                    prefix + "Data Source=srv;User ID=u;Password=x;Initial Catalog=evil",
                    "DRIVER={FreeTDS};SERVER=srv;UID=u;PWD={x;Initial Catalog=evil};" + tail},
        MappingCase{"PasswordWithBrace", prefix + "Data Source=srv;User ID=u;Password={x",
                    "DRIVER={FreeTDS};SERVER=srv;UID=u;PWD={{x};" + tail},
        MappingCase{"PasswordWithOuterBlanks", prefix + "Data Source=srv;User ID=u;Password= p ",
                    "DRIVER={FreeTDS};SERVER=srv;UID=u;PWD={ p };" + tail},
        MappingCase{"ClosingBraceAlone", prefix + "Data Source=srv;User ID=u;Password=a}b",
                    "DRIVER={FreeTDS};SERVER=srv;UID=u;PWD=a}b;" + tail},
        MappingCase{"DatabaseWithSemicolon",
                    prefix + "Data Source=srv;Initial Catalog=a;b;User ID=u;Password=p",
                    "DRIVER={FreeTDS};SERVER=srv;DATABASE={a;b};UID=u;PWD=p;" + tail},
        MappingCase{"QuotedValuesHoldKeywords",
                    prefix + "Data Source=\"s;Initial Catalog=x\";Initial Catalog=\"a\"\";"
                             "Integrated Security=SSPI\";User ID=u;Password=p",
                    "DRIVER={FreeTDS};SERVER={s;Initial Catalog=x};"
                    "DATABASE={a\";Integrated Security=SSPI};UID=u;PWD=p;" +
                        tail},
        MappingCase{"QuoteNotClosedBeforeAKeyword",
                    prefix + "Data Source=srv;Initial Catalog=\"a\"b;User ID=u;Password=p",
                    "DRIVER={FreeTDS};SERVER=srv;DATABASE=\"a\"b;UID=u;PWD=p;" + tail},
        MappingCase{"KeywordsInAnyCase",
                    "data source = srv ;INITIAL CATALOG=db;user id=u;PASSWORD=p",
                    "DRIVER={FreeTDS};SERVER=srv;DATABASE=db;UID=u;PWD=p;" + tail},
        MappingCase{"CyrillicValues",
                    prefix + "Data Source=srv;Initial Catalog=База;User ID=Пётр;Password=пароль",
                    "DRIVER={FreeTDS};SERVER=srv;DATABASE=База;UID=Пётр;PWD=пароль;" + tail}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ConnectionString, UserAndPasswordAreIgnoredWithWindowsAuthentication) {
    const ConnectionParameters p = parseConnectionString(
        prefix + "Data Source=s;Integrated Security=SSPI;User ID=u;Password=p");
    EXPECT_TRUE(p.integratedSecurity);
    EXPECT_EQ(odbcConnectionString(p, "FreeTDS"),
              "DRIVER={FreeTDS};SERVER=s;Trusted_Connection=Yes;" + tail);
}

TEST(ConnectionString, DriverPathIsBraced) {
    ConnectionParameters p;
    p.server = "s";
    EXPECT_TRUE(odbcConnectionString(p, "/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so")
                    .startsWith("DRIVER={/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so};SERVER=s;"));
}

TEST(ConnectionString, ValueThatCannotBePassedIsRefusedWithoutShowingIt) {
    ConnectionParameters p =
        parseConnectionString(prefix + "Data Source=s;User ID=u;Password=a};b");
    EXPECT_EQ(p.password, "a};b");
    const QString error = test::errorText([&] { odbcConnectionString(p, "FreeTDS"); });
    EXPECT_TRUE(error.contains("password")) << error.toStdString();
    EXPECT_FALSE(error.contains("a};b"));
    p.password = "ok";
    p.server = " srv}";
    EXPECT_THROW(odbcConnectionString(p, "FreeTDS"), Error);
}

TEST(ConnectionString, MalformedTextIsRefused) {
    EXPECT_THROW(parseConnectionString("Data Source=s;Connect Timeout=5"), Error);
    EXPECT_THROW(parseConnectionString("garbage;Data Source=s"), Error);
    EXPECT_THROW(parseConnectionString("Data Source=s;Integrated Security=maybe"), Error);
    EXPECT_NO_THROW(parseConnectionString(""));
}

TEST(ConnectionString, DriverComesFromTheEnvironment) {
    qunsetenv("VORNALEX_ODBC_DRIVER");
    EXPECT_EQ(odbcDriver(), "FreeTDS");
    qputenv("VORNALEX_ODBC_DRIVER", "/opt/driver.so");
    EXPECT_EQ(odbcDriver(), "/opt/driver.so");
    qunsetenv("VORNALEX_ODBC_DRIVER");
}

} // namespace
