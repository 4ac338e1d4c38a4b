#include "SettingsContents.h"
#include "Errors.h"
#include "crfLogin.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <filesystem>

namespace {

class SettingsContentsTest : public ::testing::Test {
protected:
    QString path(const QString& name) const { return m_dir.filePath(name); }

    QString write(const QString& name, const QByteArray& bytes) const {
        QFile file(path(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path(name);
    }

    static QByteArray read(const QString& fileName) {
        QFile file(fileName);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    QTemporaryDir m_dir;
};

TEST_F(SettingsContentsTest, WritingReplacesEveryConnectionSectionWithTheRowsInOrder) {
    vx::IniFile ini(write("vx.ini", "[Connection7]\nname=old\n[CONNECTIONS]\n[other]\nk=v\n"
                                    "[connection_old]\nname=old\n[main]\nscript_dir=/tmp/\n"));
    WriteConnectionSections(ini, "main", "/opt/vx/",
                            {{"P", true, {"srv1", "master", "sa", "sa", "False"}},
                             {"Q", false, {"srv2", "dev", "", "", "True"}},
                             {"Тест", false, {"", "", "", "пароль", "False"}}});
    EXPECT_EQ(QString::fromUtf8(ini.toUtf8()),
              "[other]\nk=v\n"
              "[main]\nscript_dir=/opt/vx/\n"
              "[connection0]\nname=P\nchecked=1\nserver=srv1\ndb=master\nuser=sa\n"
              "pwd=B72P299ZKPTMZM299K9Z92ZZ9JZ7TMZXKRZ729KPBQZCT2ZQTKX7TTXQTKXB9K9I\n"
              "TrustConnect=False\n"
              "[connection1]\nname=Q\nchecked=0\nserver=srv2\ndb=dev\nuser=\n"
              "pwd=2929X44529KVZPTQTWKW4M299KKZ952BZCTV2QZR2X9JTXX1ZCZ429KR2CZPBQXG\n"
              "TrustConnect=True\n"
              "[connection2]\nname=Тест\nchecked=0\nserver=\ndb=\nuser=\n"
              "pwd=V1R47RR7CCRW299MTQ952W452R2ZX9KR2ZK5BW299MZM9P2C2XKBZBZ4KZ9PBQ9M\n"
              "TrustConnect=False\n");

    WriteConnectionSections(ini, "main", "/opt/vx/", {});
    EXPECT_EQ(QString::fromUtf8(ini.toUtf8()), "[other]\nk=v\n[main]\nscript_dir=/opt/vx/\n");
}

TEST_F(SettingsContentsTest, ReadingTakesSectionsInFileOrderWithTheirTextsAsFound) {
    const vx::IniFile ini(write("vx.ini", "[connection5]\nname=A\nchecked=7\nserver=s1\n"
                                          "[other]\nname=not a row\n"
                                          "[connection0]\nname=B\nchecked=abc\npwd=hello\n"
                                          "TrustConnect=yes\n"
                                          "[Connections]\nname=C\nchecked=$10\nuser=u\n"
                                          "[main]\n"));
    const ConnectionSections read = ReadConnectionSections(ini, "main", "/usr/bin/");
    EXPECT_EQ(read.scriptDir, "/usr/bin/");
    const std::vector<ConnectionEntry> expected = {
        {"A", true, {"s1", "", "", "", ""}},
        {"B", false, {"", "", "", "hello", "yes"}},
        {"C", true, {"", "", "u", "", ""}},
    };
    EXPECT_EQ(read.rows, expected);
}

TEST_F(SettingsContentsTest, FilesOfTheWindowsProgramReadInWindows1251WithCrLf) {
    QByteArray bytes = "[main]\r\nscript_dir=C:\\Scripts\\\r\n[connection0]\r\nname=";
    bytes += "\xD2\xE5\xF1\xF2"; // "Тест" in Windows-1251
    bytes += "\r\nchecked=1\r\nserver=srv\r\ndb=\xE1\xE0\xE7\xE0\r\nuser=sa\r\npwd=";
    bytes += EncodePassword("пароль").toLatin1();
    bytes += "\r\nTrustConnect=False\r\n";
    const ConnectionSections read =
        ReadConnectionSections(vx::IniFile(write("win.ini", bytes)), "main", {});
    EXPECT_EQ(read.scriptDir, "C:\\Scripts\\");
    ASSERT_EQ(read.rows.size(), 1u);
    EXPECT_EQ(read.rows[0],
              (ConnectionEntry{"Тест", true, {"srv", "база", "sa", "пароль", "False"}}));
}

TEST_F(SettingsContentsTest, TenThousandConnectionsComeBackIdentically) {
    std::vector<ConnectionEntry> rows;
    for (int i = 0; i < 10000; ++i) {
        const QString n = QString::number(i);
        rows.push_back(
            {i % 3 ? "srv " + n : "Сервер " + n,
             i % 2 == 0,
             {"host" + n + ",1433", i % 5 ? "db" + n : "", "user" + n,
              i % 7 ? QString(31, QChar(u'a' + i % 26)) : "", i % 4 ? "False" : "True"}});
    }
    vx::IniFile first(path("first.ini"));
    WriteConnectionSections(first, "main", "/scripts/", rows);
    first.save();

    const vx::IniFile reread(path("first.ini"));
    const ConnectionSections back = ReadConnectionSections(reread, "main", {});
    EXPECT_TRUE(back.rows == rows);

    vx::IniFile second(path("first.ini"));
    WriteConnectionSections(second, "main", back.scriptDir, back.rows);
    EXPECT_EQ(second.toUtf8(), read(path("first.ini")));
}

TEST_F(SettingsContentsTest, ListCopiesReplaceTheTargetWholeOrReportWhyNot) {
    const QString settings = write("vx.ini", "[connection0]\nname=A\n");
    const QString list = write("list.ini", "old list");

    CopyListFile(settings, list);
    EXPECT_EQ(read(list), "[connection0]\nname=A\n");
    EXPECT_EQ(std::filesystem::status(list.toStdString()).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

    // Onto itself under another spelling: nothing happens, nothing is truncated.
    CopyListFile(settings, m_dir.path() + "/./vx.ini");
    EXPECT_EQ(read(settings), "[connection0]\nname=A\n");

    const QString missing = path("missing.ini");
    EXPECT_THROW(CopyListFile(missing, settings), vx::Error);
    EXPECT_EQ(read(settings), "[connection0]\nname=A\n");

    const QString nowhere = path("no folder/list.ini");
    try {
        CopyListFile(settings, nowhere);
        ADD_FAILURE() << "a copy into a missing folder must fail";
    } catch (const vx::Error& e) {
        EXPECT_TRUE(e.message().startsWith("Unable to copy " + settings + " to " + nowhere + ": "))
            << e.message().toStdString();
    }
}

} // namespace
