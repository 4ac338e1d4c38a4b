#include "FakeConnection.h"
#include "QtPrinting.h"
#include "uZybFieldText.h"

#include <gtest/gtest.h>

using namespace vx;
using vx::test::FakeBatch;
using vx::test::FakeServer;

namespace {

QStringList render(const QList<FieldInfo>& fields, const QList<FakeBatch::Row>& rows,
                   bool tab = false, int maxFieldLength = 255) {
    FakeServer server;
    server.respond("q", FakeBatch().result(fields, rows));
    auto connection = server.connect();
    connection->open({});
    auto records = connection->execute("q");
    QStringList lines;
    RenderRecordSet(*records, tab, maxFieldLength, [&](const QString& line) { lines << line; });
    return lines;
}

QString blanks(int n) {
    return QString(n, u' ');
}

QString dashes(int n) {
    return QString(n, u'-');
}

TEST(FieldText, NaturalWidthsByType) {
    const QList<std::pair<DataTypeEnum, int>> widths = {
        {adSmallInt, 4},        {adInteger, 10},         {adSingle, 10},
        {adDouble, 10},         {adCurrency, 10},        {adDate, 16},
        {adBoolean, 1},         {adDecimal, 10},         {adTinyInt, 4},
        {adUnsignedTinyInt, 3}, {adUnsignedSmallInt, 3}, {adUnsignedInt, 9},
        {adBigInt, 19},         {adUnsignedBigInt, 18},  {adGUID, 38},
        {adNumeric, 10},        {adDBDate, 10},          {adDBTime, 10},
        {adDBTimeStamp, 23},    {adVarNumeric, 16},      {adVarChar, 77},
        {adVarBinary, 77},      {adLongVarWChar, 77}};
    for (const auto& [type, width] : widths)
        EXPECT_EQ(GetFieldDisplayWidth({"c", type, 77}), width) << "type " << type;
}

TEST(FieldText, ColumnWidthIsBoundedByNameMinimumAndMaximum) {
    EXPECT_EQ(GetColumnWidth({"id", adInteger, 4}, 255), 10);
    EXPECT_EQ(GetColumnWidth({"flag", adBoolean, 1}, 255), 10);
    EXPECT_EQ(GetColumnWidth({"a_rather_long_column_name", adInteger, 4}, 255), 25);
    EXPECT_EQ(GetColumnWidth({"t", adLongVarWChar, 1073741823}, 255), 255);
    EXPECT_EQ(GetColumnWidth({"id", adInteger, 4}, 5), 5);
    EXPECT_EQ(GetColumnWidth({"id", adInteger, 4}, -3), 0);
}

TEST(FieldText, FixedLayoutOfTheWidthExample) {
    const QStringList lines =
        render({{"id", adInteger, 10}, {"name", adVarChar, 50}}, {{qint64(7), QString("Ann")}});
    EXPECT_EQ(lines, QStringList({"id" + blanks(8) + " " + "name" + blanks(46) + " ",
                                  dashes(10) + " " + dashes(50) + " ",
                                  "7" + blanks(9) + " " + "Ann" + blanks(47) + " "}));
}

TEST(FieldText, TabLayoutOfTheWidthExample) {
    const QStringList lines =
        render({{"id", adInteger, 10}, {"name", adVarChar, 50}, {"b", adBoolean, 1}},
               {{qint64(7), QString("Ann"), true}}, true);
    EXPECT_EQ(lines, QStringList({"id\tname\tb\t", "--\t----\t-\t", "7\tAnn\t1\t"}));
}

TEST(FieldText, NamesAreNeverCutButValuesAre) {
    const QString name = "a_column_name_of_twenty_";
    const QStringList lines = render({{name, adVarChar, 100}, {"x", adVarChar, 3}},
                                     {{QString(40, u'v'), QString("y")}}, false, 20);
    EXPECT_EQ(lines.at(0), name + " " + "x" + blanks(9) + " ");
    EXPECT_EQ(lines.at(1), dashes(20) + " " + dashes(10) + " ");
    EXPECT_EQ(lines.at(2), QString(20, u'v') + " " + "y" + blanks(9) + " ");
}

TEST(FieldText, SmallMaximumMakesEveryColumnThatWideInBothLayouts) {
    const QList<FieldInfo> fields = {{"name", adVarChar, 50}};
    EXPECT_EQ(render(fields, {{QString("abcdef")}}, false, 3),
              QStringList({"name ", "--- ", "abc "}));
    EXPECT_EQ(render(fields, {{QString("abcdef")}}, true, 3),
              QStringList({"name\t", "----\t", "abc\t"}));
}

TEST(FieldText, NullAndEmptyTextLookAlikeAndControlsStayInValues) {
    const QStringList lines =
        render({{"v", adVarWChar, 20}}, {{FieldValue()}, {QString()}, {QString("a\tb\r\nc")}});
    EXPECT_EQ(lines.at(2), blanks(20) + " ");
    EXPECT_EQ(lines.at(3), blanks(20) + " ");
    EXPECT_EQ(lines.at(4), "a\tb\r\nc" + blanks(14) + " ");
}

TEST(FieldText, NoRowsGiveHeaderAndDashesOnly) {
    EXPECT_EQ(render({{"v", adInteger, 4}}, {}).size(), 2);
}

struct ValueCase {
    const char* name;
    FieldInfo field;
    FieldValue value;
    QString text;
};

void PrintTo(const ValueCase& c, std::ostream* out) {
    *out << c.name;
}

class ValueText : public ::testing::TestWithParam<ValueCase> {};

TEST_P(ValueText, IsTheValuesTextShownWholeInItsColumn) {
    const ValueCase& c = GetParam();
    EXPECT_EQ(GetFieldText(c.field, c.value), c.text);
    // A column as wide as its minimum shows the whole text: numbers, dates and GUIDs overflow it.
    const QString row = render({c.field}, {{c.value}}, true, 10).at(2);
    EXPECT_EQ(row, c.text + "\t");
}

const DateTimeValue stamp{2024, 1, 5, 7, 8, 9, 123456789};

INSTANTIATE_TEST_SUITE_P(
    Cases, ValueText,
    ::testing::Values(
        ValueCase{"Null", {"c", adInteger, 4}, FieldValue(), ""},
        ValueCase{"SmallestInt", {"c", adInteger, 4}, qint64(-2147483648LL), "-2147483648"},
        ValueCase{"SmallestBigInt",
                  {"c", adBigInt, 8},
                  std::numeric_limits<qint64>::min(),
                  "-9223372036854775808"},
        ValueCase{"Decimal", {"c", adNumeric, 12}, QString("12345678.90"), "12345678.90"},
        ValueCase{"Money",
                  {"c", adCurrency, 19},
                  QString("-922337203685477.5808"),
                  "-922337203685477.5808"},
        ValueCase{"FloatWithPoint", {"c", adDouble, 53}, 0.5, "0.5"},
        ValueCase{
            "FloatExponentKept", {"c", adDouble, 53}, 1.23456789012345e20, "1.23456789012345e+20"},
        ValueCase{"RealSevenDigits", {"c", adSingle, 24}, double(1.1f), "1.1"},
        ValueCase{"BitTrue", {"c", adBoolean, 1}, true, "1"},
        ValueCase{"BitFalse", {"c", adBoolean, 1}, false, "0"},
        ValueCase{"TimeStampWithColonBeforeMilliseconds",
                  {"c", adDBTimeStamp, 23},
                  stamp,
                  "2024-01-05 07:08:09:123"},
        ValueCase{
            "Date", {"c", adDBDate, 10}, DateTimeValue{1999, 12, 31}, "1999-12-31 00:00:00:000"},
        ValueCase{"Guid",
                  {"c", adGUID, 16},
                  QUuid("{6f9619ff-8b86-d011-b42d-00c04fc964ff}"),
                  "{6F9619FF-8B86-D011-B42D-00C04FC964FF}"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FieldText, BinaryShowsAsHexAndIsCutLikeText) {
    const FieldInfo field{"b", adVarBinary, 4};
    EXPECT_EQ(GetFieldText(field, QByteArray("\x00\x1f\xab\xff", 4)), "0x001FABFF");
    EXPECT_EQ(GetFieldText(field, QByteArray()), "0x");
    EXPECT_EQ(render({field}, {{QByteArray(8, '\xee')}}).at(2), "0xEEEEEEEE ");
}

TEST(FieldText, CutNeverSplitsASurrogatePair) {
    const QString value = QString(9, u'a') + QString::fromUtf8("\xF0\x9F\x98\x80") + "b";
    EXPECT_EQ(render({{"v", adVarWChar, 20}}, {{value}}, true, 10).at(2), QString(9, u'a') + "\t");
}

TEST(FieldText, DateTimeColumnFitsItsValues) {
    const QStringList lines = render({{"at", adDBTimeStamp, 23}}, {{stamp}});
    EXPECT_EQ(lines.at(1).size(), lines.at(2).size());
}

} // namespace
