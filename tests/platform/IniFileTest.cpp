#include "IniFile.h"
#include "DiskFull.h"
#include "ErrorText.h"
#include "Errors.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

class IniFileTest : public testing::Test {
protected:
    QString path(const QString& name = "settings.ini") const { return m_dir.filePath(name); }
    void writeBytes(const QByteArray& bytes) const {
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QByteArray readBytes() const {
        QFile file(path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    vx::IniFile load(const QByteArray& bytes) const {
        writeBytes(bytes);
        return vx::IniFile(path());
    }
    // As std::string, so that a failure shows the lines.
    static std::string text(const vx::IniFile& ini) { return ini.toUtf8().toStdString(); }
    static int mode(const QString& file) {
        struct stat info {};
        return stat(QFile::encodeName(file).constData(), &info) == 0 ? int(info.st_mode & 0777)
                                                                     : -1;
    }

    QTemporaryDir m_dir;
};

class IniValueRoundTrip : public IniFileTest, public testing::WithParamInterface<const char*> {};

TEST_P(IniValueRoundTrip, ComesBackUnchanged) {
    const QString value = QString::fromUtf8(GetParam());
    vx::IniFile written(path());
    written.writeString("Section", "Key", value);
    written.save();
    EXPECT_EQ(vx::IniFile(path()).readString("section", "key", "default"), value);
}

INSTANTIATE_TEST_SUITE_P(Awkward, IniValueRoundTrip,
                         testing::Values("a=b=c", "x;y", "; no comment", "[no section]",
                                         "C:\\Program Files\\", "\"quoted\"", "'single'", "\"",
                                         "say \"hi\"", "  outer blanks\t", "\"  \"",
                                         "Сервер №1 — тест", "", "\xC2\xA0nbsp"));

struct ReadCase {
    const char* line;
    const char* expected;
};

class IniValueRead : public IniFileTest, public testing::WithParamInterface<ReadCase> {};

TEST_P(IniValueRead, TrimsAndTakesOnePairOfQuotes) {
    const vx::IniFile ini = load(QByteArray("[s]\n") + GetParam().line + "\n");
    EXPECT_EQ(ini.readString("s", "k", "missing"), QString::fromUtf8(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(Lines, IniValueRead,
                         testing::Values(ReadCase{"  K  =  v w  ", "v w"},
                                         ReadCase{"k=\"  v \"", "  v "}, ReadCase{"k='v'", "v"},
                                         ReadCase{"k=\"v'", "\"v'"},
                                         ReadCase{"k=\"\"v\"\"", "\"v\""}, ReadCase{"k=a=b", "a=b"},
                                         ReadCase{";k=v", "missing"}, ReadCase{"k", "missing"}));

TEST_F(IniFileTest, NumbersAndBooleans) {
    vx::IniFile ini = load("[s]\nhex=0x10\ndollar=$10\ntext=True\nseven=7\ncomma=1,5\n");
    EXPECT_EQ(ini.readInteger("s", "hex", 0), 16);
    EXPECT_EQ(ini.readInteger("s", "dollar", 0), 16);
    EXPECT_EQ(ini.readInteger("s", "text", 99), 99);
    EXPECT_TRUE(ini.readBool("s", "seven", false));
    EXPECT_TRUE(ini.readBool("s", "text", true));
    EXPECT_EQ(ini.readFloat("s", "comma", 0), 1.5);

    std::setlocale(LC_ALL, "ru_RU.UTF-8");
    ini.writeFloat("s", "f", 0.1);
    std::setlocale(LC_ALL, "C");
    ini.writeBool("s", "b", false);
    ini.writeInteger("s", "i", -42);
    EXPECT_EQ(ini.readSectionValues("s").mid(5),
              QList<vx::IniFile::Entry>({{"f", "0.1"}, {"b", "0"}, {"i", "-42"}}));
}

TEST_F(IniFileTest, NamesMatchWithoutCaseAndTheFirstDuplicateWins) {
    vx::IniFile ini = load("[MAIN]\nScript_Dir=/a\nscript_dir=/b\n[Ёлка]\nk=1\n[main]\n"
                           "only=second\n");
    EXPECT_EQ(ini.readString("main", "SCRIPT_DIR", {}), "/a");
    EXPECT_EQ(ini.readString("ёЛКА", "K", {}), "1");
    EXPECT_FALSE(ini.valueExists("main", "only"));
    EXPECT_EQ(ini.readSections(), QStringList({"MAIN", "Ёлка"}));
    EXPECT_EQ(ini.readSection("Main"), QStringList({"Script_Dir"}));

    ini.writeString("Main", "SCRIPT_DIR", "/z");
    ini.deleteKey("ёлка", "K");
    EXPECT_EQ(text(ini), "[MAIN]\nScript_Dir=/z\nscript_dir=/b\n[Ёлка]\n[main]\nonly=second\n");
    // Every section of the name goes, so no hidden duplicate comes to light.
    ini.eraseSection("main");
    EXPECT_EQ(text(ini), "[Ёлка]\n");
    ini.writeString("ЁЛКИ-2", "k", "v");
    ini.writeString("Ель", "k", "v");
    ini.eraseSectionsByPrefix("ёлк");
    EXPECT_EQ(text(ini), "[Ель]\nk=v\n");
}

TEST_F(IniFileTest, KeepsFileOrderCommentsAndStrayLines) {
    vx::IniFile ini = load("; settings\r\nstray\r\n[connection5]\r\nname=A\r\n; note\r\n\r\n"
                           "[connection0]\r\nname=B\r\nno equals sign\r\n[Connections]\rname=C\n");
    EXPECT_EQ(ini.readSections(), QStringList({"connection5", "connection0", "Connections"}));
    EXPECT_FALSE(ini.modified());

    ini.writeString("connection5", "checked", "1"); // after the comment, before the blank line
    ini.writeString("connection0", "name", "B2");
    ini.writeString("new", "key", "v");
    EXPECT_TRUE(ini.modified());
    EXPECT_EQ(text(ini), "; settings\nstray\n[connection5]\nname=A\n; note\nchecked=1\n\n"
                         "[connection0]\nname=B2\nno equals sign\n[Connections]\nname=C\n"
                         "[new]\nkey=v\n");
}

TEST_F(IniFileTest, RefusesWhatTheFileCannotCarry) {
    vx::IniFile ini(path());
    EXPECT_THROW(ini.writeString("s", "a=b", "v"), vx::Error);
    EXPECT_THROW(ini.writeString("s", ";k", "v"), vx::Error);
    EXPECT_THROW(ini.writeString("s", " k", "v"), vx::Error);
    EXPECT_THROW(ini.writeString("a]b", "k", "v"), vx::Error);
    EXPECT_THROW(ini.writeString("s", "k", "line\nbreak"), vx::Error);
    // A mark at the start of a line is no part of it: a key cannot start with one, a section
    // name, after its bracket, can.
    const QString marked = QChar(QChar::ByteOrderMark) + QString("k");
    EXPECT_EQ(vx::test::errorText([&] { ini.writeString("s", marked, "v"); }),
              "The INI key name \"" + marked + "\" starts with U+FEFF, which reads as a mark");
    EXPECT_FALSE(ini.modified());
    ini.writeString(marked, "k", "v");
    ini.save();
    EXPECT_EQ(vx::IniFile(path()).readSections(), QStringList{marked});
}

TEST_F(IniFileTest, ReadsWindows1251AndUtf8WithBom) {
    // [Соединение] name=Тестовая база, as the Windows program writes it.
    const vx::IniFile ansi = load("[\xD1\xEE\xE5\xE4\xE8\xED\xE5\xED\xE8\xE5]\r\nname=\xD2\xE5\xF1"
                                  "\xF2\xEE\xE2\xE0\xFF \xE1\xE0\xE7\xE0\r\n");
    EXPECT_EQ(ansi.readString("соединение", "name", {}), "Тестовая база");
    // The encoding is the whole file's: a mark in front of Windows-1251 text marks no UTF-8.
    EXPECT_EQ(load("\xEF\xBB\xBF[main]\nk=\xD1\xE5\xF0\n").readString("main", "k", {}), "Сер");
    // The byte the code page leaves unassigned reads as U+0098, as in scripts.
    EXPECT_EQ(load("[main]\nk=\x98\xD1\n").readString("main", "k", {}), QString(QChar(0x98)) + "С");
    const vx::IniFile bom = load("\xEF\xBB\xBF[main]\nk=\xD0\xAF\n");
    EXPECT_EQ(bom.readSections(), QStringList({"main"}));
    EXPECT_EQ(bom.readString("main", "k", {}), "Я");
    const vx::IniFile twoMarks = load("\xEF\xBB\xBF\xEF\xBB\xBF[a]\nk=v\n");
    EXPECT_EQ(twoMarks.readString("a", "k", {}), "v");
    EXPECT_EQ(text(twoMarks), "[a]\nk=v\n");
}

// Files put together, each with its own mark: every mark at the start of a line is skipped, so
// that no section or key hides behind one and a save keeps them all.
TEST_F(IniFileTest, MarksAtTheStartOfALineHideNothing) {
    const QByteArray mark = "\xEF\xBB\xBF";
    const struct {
        QByteArray bytes;
        const char* written;
    } cases[] = {
        {mark + "[connection0]\nname=a\n" + mark + "[connection1]\nname=b\n",
         "[connection0]\nname=c\n[connection1]\nname=b\n"},
        {"[connection0]\r\nname=a\r\n" + mark + mark + "[connection1]\r\nname=b\r\n",
         "[connection0]\nname=c\n[connection1]\nname=b\n"},
        {"[connection0]\nname=a\n[connection1]\n" + mark + "name=b\n",
         "[connection0]\nname=c\n[connection1]\nname=b\n"},
        // A Windows-1251 file with a UTF-8 file appended: the mark is a mark in either encoding.
        {"[connection0]\r\nname=\xD1\r\n" + mark + "[connection1]\nname=b\n",
         "[connection0]\nname=c\n[connection1]\nname=b\n"},
    };
    for (const auto& c : cases) {
        vx::IniFile ini = load(c.bytes);
        EXPECT_EQ(ini.readSections(), QStringList({"connection0", "connection1"}));
        EXPECT_EQ(ini.readString("connection1", "name", {}), "b");
        ini.writeString("connection0", "name", "c");
        ini.save();
        EXPECT_EQ(readBytes().toStdString(), c.written);
    }
}

TEST_F(IniFileTest, RandomBytesReadWithoutLoss) {
    QRandomGenerator random(6);
    const char alphabet[] = "[]=;\"' \t\r\nab\0\xD0\xAF\xFF";
    for (int round = 0; round < 30; ++round) {
        QByteArray bytes;
        for (int i = 0; i < 2000; ++i)
            bytes += random.bounded(2) ? char(random.bounded(256))
                                       : alphabet[random.bounded(int(sizeof alphabet) - 1)];
        const vx::IniFile first = load(bytes);
        // Everything read is written back: reading that again sees the same.
        const vx::IniFile second = load(first.toUtf8());
        EXPECT_EQ(text(second), text(first));
        for (const QString& section : first.readSections())
            EXPECT_EQ(second.readSectionValues(section), first.readSectionValues(section));
    }
}

TEST_F(IniFileTest, MissingFileIsEmptyAndUnreadableFileRaises) {
    EXPECT_TRUE(vx::IniFile(path()).readSections().isEmpty());
    ASSERT_TRUE(QDir(m_dir.path()).mkdir("settings.ini"));
    try {
        vx::IniFile folder(path());
        FAIL() << "a folder read as an INI file";
    } catch (const vx::Error& e) {
        EXPECT_EQ(e.message(), "Unable to read " + path());
    }
}

TEST_F(IniFileTest, SaveWritesUtf8WithMode0600) {
    writeBytes("[old]\nk=v\n");
    QFile::setPermissions(path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
    vx::IniFile ini(path());
    ini.writeString("old", "k", "Значение");
    ini.save();
    EXPECT_FALSE(ini.modified());
    EXPECT_EQ(readBytes(), QString("[old]\nk=Значение\n").toUtf8());
    EXPECT_EQ(mode(path()), 0600);
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList({"settings.ini"}));

    vx::IniFile fresh(path("new.ini"));
    fresh.writeBool("s", "k", false);
    fresh.save();
    EXPECT_EQ(mode(path("new.ini")), 0600);
}

TEST_F(IniFileTest, FailedSaveRaisesAndLeavesTheOldFileWhole) {
    vx::IniFile nowhere(path("missing/settings.ini"));
    nowhere.writeString("s", "k", "v");
    EXPECT_THROW(nowhere.save(), vx::Error);

    const QByteArray old = "[main]\nscript_dir=/old/\n";
    writeBytes(old);
    vx::IniFile ini(path());
    for (int i = 0; i < 1000; ++i)
        ini.writeString("main", "key" + QString::number(i), "a value long enough to fill the disk");
    QString message;
    try {
        const vx::test::DiskFull full;
        ini.save();
    } catch (const vx::Error& e) {
        message = e.message();
    }

    EXPECT_EQ(message, "Unable to write to " + path());
    EXPECT_EQ(readBytes(), old);
    EXPECT_TRUE(ini.modified());
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList({"settings.ini"}));
}

} // namespace
