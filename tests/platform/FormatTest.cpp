#include "Format.h"
#include "Errors.h"

#include <gtest/gtest.h>

namespace {

struct FormatCase {
    const char* pattern;
    std::vector<vx::FormatArg> args;
    const char* expected;
};

class FormatTest : public testing::TestWithParam<FormatCase> {};

QString apply(const FormatCase& c) {
    switch (c.args.size()) {
    case 0:
        return vx::format(QString::fromUtf8(c.pattern), {});
    case 1:
        return vx::format(QString::fromUtf8(c.pattern), {c.args[0]});
    default:
        return vx::format(QString::fromUtf8(c.pattern), {c.args[0], c.args[1]});
    }
}

TEST_P(FormatTest, Expands) {
    EXPECT_EQ(apply(GetParam()), QString::fromUtf8(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Directives, FormatTest,
    testing::Values(
        FormatCase{"Ошибка запуска файла: %s (%s)",
                   {QString("a.exe"), QString("x")},
                   "Ошибка запуска файла: a.exe (x)"},
        // A text holding % signs and directives stays data when it is an argument.
        FormatCase{"[%s]", {QString("100% %s %d")}, "[100% %s %d]"},
        FormatCase{"%d%%", {qint64(50)}, "50%"}, FormatCase{".%.3d", {qint64(7)}, ".007"},
        FormatCase{":%.2d", {qint64(-5)}, ":-05"},
        FormatCase{"%5s|%-5s|", {QString("ab"), QString("cd")}, "   ab|cd   |"},
        FormatCase{"%.2s", {QString("abc")}, "ab"}, FormatCase{"%x", {qint64(255)}, "FF"},
        // A precision stops before a character it would cut in two.
        FormatCase{"%4.2s|%.3s", {QString("b😀"), QString("b😀")}, "   b|b😀"},
        FormatCase{"%d", {qint64(-9223372036854775807LL - 1)}, "-9223372036854775808"}));

TEST(FormatErrors, RaiseInsteadOfReadingPastTheArguments) {
    EXPECT_THROW(vx::format("%s %s", {QString("one")}), vx::Error);
    EXPECT_THROW(vx::format("%d", {QString("text")}), vx::Error);
    EXPECT_THROW(vx::format("%s", {qint64(1)}), vx::Error);
    EXPECT_THROW(vx::format("%q", {qint64(1)}), vx::Error);
    EXPECT_THROW(vx::format("50%", {}), vx::Error);
}

TEST(FormatNumber, IgnoresTheProcessLocale) {
    std::setlocale(LC_ALL, "ru_RU.UTF-8");
    EXPECT_EQ(vx::formatNumber(1.5), "1.5");
    EXPECT_EQ(vx::formatNumber(qint64(1234567)), "1234567");
    std::setlocale(LC_ALL, "C");
}

} // namespace
