#include "VersionSource.h"

#include <QImageReader>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

TEST(VersionSourceTest, BuiltInTableHoldsTheConfiguredStringsUnderTheUsEnglishTable) {
    const auto strings = vx::versionSource().strings();
    ASSERT_TRUE(strings.has_value());
    EXPECT_EQ(strings->value(QStringLiteral("StringFileInfo\\040904E4\\ProductName")),
              QStringLiteral("Vornalex"));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d+\\.\\d+\\.\\d+$"))
                    .match(strings->value(QStringLiteral("StringFileInfo\\040904E4\\FileVersion")))
                    .hasMatch());
    for (auto it = strings->cbegin(); it != strings->cend(); ++it) {
        EXPECT_TRUE(it.key().startsWith(QStringLiteral("StringFileInfo\\040904E4\\")));
        EXPECT_FALSE(it.value().isEmpty() || it.value().contains(u'@')) << it.key().toStdString();
    }
}

TEST(AboutPictureTest, GifDecodesFromTheResources) {
    QImageReader reader(QStringLiteral(":/pictures/about.gif"));
    EXPECT_EQ(reader.format(), QByteArray("gif"));
    const QImage image = reader.read();
    ASSERT_FALSE(image.isNull()) << reader.errorString().toStdString();
    EXPECT_EQ(image.size(), QSize(105, 105));
}

} // namespace
