#include "Cp1251.h"

#include <gtest/gtest.h>

TEST(Cp1251, RoundTripsEveryAssignedByte) {
    QByteArray all;
    for (int b = 1; b < 256; ++b) {
        if (b != 0x98)
            all += char(b);
    }
    const QString text = vx::fromCp1251(all);
    ASSERT_EQ(text.size(), all.size());
    EXPECT_EQ(vx::toCp1251(text), all);
}

TEST(Cp1251, MapsCyrillicAndRefusesWhatItCannotCarry) {
    EXPECT_EQ(vx::toCp1251(QStringLiteral("пароль")), QByteArray("\xEF\xE0\xF0\xEE\xEB\xFC"));
    EXPECT_EQ(vx::fromCp1251("\xC0\xDF\xA8\xB8\x88"), QStringLiteral("АЯЁё€"));
    EXPECT_EQ(vx::cp1251Byte(QChar(0x2116)), 0xB9); // №
    EXPECT_FALSE(vx::toCp1251(QStringLiteral("ab\u4E2D")).has_value());
    EXPECT_FALSE(vx::cp1251Byte(QChar(0x98)).has_value());
    EXPECT_EQ(vx::fromCp1251("\x98"), QString(QChar::ReplacementCharacter));
}
