#include "Cp1251.h"
#include "crfLogin.h"

#include <QRandomGenerator>
#include <QStringList>
#include <gtest/gtest.h>

namespace {

struct StoredCase {
    QString password;
    const char* stored;
};

class PasswordVectorTest : public testing::TestWithParam<StoredCase> {};

TEST_P(PasswordVectorTest, EncodesAndDecodes) {
    const QString stored = QString::fromLatin1(GetParam().stored);
    EXPECT_EQ(EncodePassword(GetParam().password), stored);
    EXPECT_EQ(DecodePassword(stored), GetParam().password);
}

INSTANTIATE_TEST_SUITE_P(
    Known, PasswordVectorTest,
    testing::Values(
        StoredCase{"", "2929X44529KVZPTQTWKW4M299KKZ952BZCTV2QZR2X9JTXX1ZCZ429KR2CZPBQXG"},
        StoredCase{"a", "B729KP2929X4452CT2XVZV2997TMTC2445252W4M9PTQ9K9XKRZ729KPBQZCT2ZH"},
        StoredCase{"secret", "Q729T49QTCBQ299T94KR22ZKKJ92ZZXTX9KPBW299MZMT29RZPB2ZZ9PBQTKKXKM"},
        StoredCase{"password", "B1BCBZT72PQRB4ZX299C2XKJZKXV2QZ79J9JT49WKQ95TPTT9429KRZPBX999Z9O"},
        StoredCase{QStringLiteral("пароль"),
                   "V1R47RR7CCRW299MTQ952W452R2ZX9KR2ZK5BW299MZM9P2C2XKBZBZ4KZ9PBQ9M"},
        StoredCase{"1234567890123456789012345678901",
                   "T44RZPTCZTXBX5T9K1ZTXXKTX79VTKK2XM95TXKBXC9PT1ZMZ4KKKTXTXZKPTT2f"}));

TEST(Password, RoundTripsEveryCarriedLengthAndCharacter) {
    QRandomGenerator random(1251);
    for (int length = 0; length <= 31; ++length) {
        for (int attempt = 0; attempt < 20; ++attempt) {
            QByteArray bytes;
            while (bytes.size() < length) {
                const auto byte = static_cast<char>(random.bounded(19, 256));
                if (byte != '\x98')
                    bytes += byte;
            }
            const QString password = vx::fromCp1251(bytes);
            const QString stored = EncodePassword(password);
            ASSERT_EQ(stored.size(), 64) << password.toStdString();
            EXPECT_EQ(stored.back().unicode(), 71 + length);
            EXPECT_EQ(DecodePassword(stored), password) << stored.toStdString();
        }
    }
}

// What the stored form cannot carry is kept plain and reads back through the pass-through.
TEST(Password, StoresPlainWhatTheFormCannotCarry) {
    const QStringList uncarried{QString(32, 'x'),           QString(40, 'y'),
                                QString(63, 'z'),           QString(65, 'w'),
                                QStringLiteral("ab\u4E2D"), QStringLiteral("tab\there"),
                                QString(QChar(0x98))};
    for (const QString& password : uncarried) {
        EXPECT_EQ(EncodePassword(password), password) << password.toStdString();
        EXPECT_EQ(DecodePassword(EncodePassword(password)), password) << password.toStdString();
    }
}

TEST(Password, PassesThroughTextsThatAreNotStoredForms) {
    const QString stored = EncodePassword("secret");
    EXPECT_EQ(EncodePassword(stored), stored);
    for (const QString& plain : {QString(), QString("x"), stored.left(63), stored + "W"})
        EXPECT_EQ(DecodePassword(plain), plain);
}

TEST(Password, DecodesDamagedStoredFormsWithinTheirCharacters) {
    const QString digits = EncodePassword("secret").left(63);
    EXPECT_EQ(DecodePassword(digits + 'G'), QString());
    EXPECT_EQ(DecodePassword(digits + '!'), QString());
    EXPECT_EQ(DecodePassword(digits + QChar(0x4E2D)), QString());
    // A mark of code 200 asks for 129 pairs: only the 31 that are there are read.
    EXPECT_EQ(DecodePassword(digits + QChar(0x0418)).size(), 31);
    EXPECT_EQ(DecodePassword(QString(63, QChar(0x4E2D)) + 'f').size(), 31);
    // Characters outside the alphabet count as its first digit.
    EXPECT_EQ(DecodePassword("ab" + digits.mid(2) + 'H'),
              DecodePassword("WW" + digits.mid(2) + 'H'));
}

} // namespace
