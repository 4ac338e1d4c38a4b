#include "IniFile.h"
#include "Errors.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int mode(const QString& file) {
    struct stat info {};
    return stat(QFile::encodeName(file).constData(), &info) == 0 ? int(info.st_mode & 0777) : -1;
}

class IniFileTest : public testing::Test {
protected:
    QString path(const QString& name = "settings.ini") const { return m_dir.filePath(name); }

    void writeBytes(const QByteArray& bytes, const QString& name = "settings.ini") const {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QByteArray readBytes(const QString& name = "settings.ini") const {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    vx::IniFile load(const QByteArray& bytes) const {
        writeBytes(bytes);
        return vx::IniFile(path());
    }

    QTemporaryDir m_dir;
};

// --- values -------------------------------------------------------------------------------------

class IniValueRoundTrip : public IniFileTest, public testing::WithParamInterface<const char*> {};

TEST_P(IniValueRoundTrip, ComesBackUnchanged) {
    const QString value = QString::fromUtf8(GetParam());
    {
        vx::IniFile ini(path());
        ini.writeString("Section", "Key", value);
        ini.writeString("Section", "Next", "after");
        ini.save();
    }
    const vx::IniFile ini(path());
    EXPECT_EQ(ini.readString("Section", "Key", "default"), value);
    EXPECT_EQ(ini.readString("Section", "Next", {}), "after");
}

INSTANTIATE_TEST_SUITE_P(Awkward, IniValueRoundTrip,
                         testing::Values("a=b=c", "x;y", "; not a comment", "[not a section]",
                                         "C:\\Program Files\\", "\"quoted\"", "'single'", "\"both'",
                                         "\"", "say \"hi\"", "  outer blanks  ", "\ttab", "\"  \"",
                                         "Сервер №1 — тест", "", "frDown,frMatchCase", "%s %d",
                                         "\xC2\xA0nbsp\xC2\xA0"));

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
                         testing::Values(ReadCase{"k=v", "v"}, ReadCase{"  k  =  v w  ", "v w"},
                                         ReadCase{"k=\"  v \"", "  v "}, ReadCase{"k='v'", "v"},
                                         ReadCase{"k=\"v'", "\"v'"}, ReadCase{"k=\"\"", ""},
                                         ReadCase{"k=\"\"v\"\"", "\"v\""}, ReadCase{"k=a=b", "a=b"},
                                         ReadCase{"k=", ""}, ReadCase{"K=upper", "upper"},
                                         ReadCase{"k\t=\tx", "x"},
                                         ReadCase{";k=comment", "missing"},
                                         ReadCase{"k", "missing"}, ReadCase{"=v", "missing"}));

struct IntegerCase {
    const char* value;
    int expected; // 99 is the default
};

class IniIntegerRead : public IniFileTest, public testing::WithParamInterface<IntegerCase> {};

TEST_P(IniIntegerRead, TakesDecimalAndHexOnly) {
    const vx::IniFile ini = load(QByteArray("[s]\nk=") + GetParam().value + "\n");
    EXPECT_EQ(ini.readInteger("s", "k", 99), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Values, IniIntegerRead,
    testing::Values(IntegerCase{"16", 16}, IntegerCase{"0x10", 16}, IntegerCase{"$10", 16},
                    IntegerCase{"0X1f", 31}, IntegerCase{"-5", -5}, IntegerCase{"+7", 7},
                    IntegerCase{"-$10", -16}, IntegerCase{"True", 99}, IntegerCase{"", 99},
                    IntegerCase{"1 2", 99}, IntegerCase{"1.5", 99}, IntegerCase{"$", 99},
                    IntegerCase{"0x", 99}, IntegerCase{"--1", 99}, IntegerCase{"\"7\"", 7},
                    IntegerCase{"2147483647", 2147483647}, IntegerCase{"2147483648", 99},
                    IntegerCase{"99999999999999999999", 99}, IntegerCase{"١٢", 99}));

TEST_F(IniFileTest, BooleansAndFloats) {
    vx::IniFile ini = load("[s]\nseven=7\nzero=0\ntext=True\ncomma=1,5\nbad=1.5x\n");
    EXPECT_TRUE(ini.readBool("s", "seven", false));
    EXPECT_FALSE(ini.readBool("s", "zero", true));
    EXPECT_TRUE(ini.readBool("s", "text", true));
    EXPECT_FALSE(ini.readBool("s", "text", false));
    EXPECT_EQ(ini.readFloat("s", "comma", 0), 1.5);
    EXPECT_EQ(ini.readFloat("s", "bad", 2.5), 2.5);

    std::setlocale(LC_ALL, "ru_RU.UTF-8");
    ini.writeFloat("s", "f", 0.1);
    ini.writeBool("s", "b", true);
    ini.writeInteger("s", "i", -42);
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(ini.readString("s", "f", {}), "0.1");
    EXPECT_EQ(ini.readFloat("s", "f", 0), 0.1);
    EXPECT_EQ(ini.readString("s", "b", {}), "1");
    EXPECT_EQ(ini.readInteger("s", "i", 0), -42);
}

// --- structure ----------------------------------------------------------------------------------

TEST_F(IniFileTest, NamesMatchWithoutCaseAndTheFirstDuplicateWins) {
    vx::IniFile ini = load("[MAIN]\nScript_Dir=/a\nscript_dir=/b\n[Ёлка]\nk=1\n[main]\n"
                           "script_dir=/c\nonly=second\n");
    EXPECT_EQ(ini.readString("main", "SCRIPT_DIR", {}), "/a");
    EXPECT_EQ(ini.readString("ёЛКА", "K", {}), "1");
    EXPECT_FALSE(ini.valueExists("main", "only"));
    EXPECT_EQ(ini.readSections(), QStringList({"MAIN", "Ёлка"}));
    EXPECT_EQ(ini.readSection("Main"), QStringList({"Script_Dir"}));

    ini.writeString("Main", "SCRIPT_DIR", "/z");
    EXPECT_EQ(ini.toUtf8(), "[MAIN]\nScript_Dir=/z\nscript_dir=/b\n[Ёлка]\nk=1\n[main]\n"
                            "script_dir=/c\nonly=second\n");

    // Erasing takes every section of the name, so no hidden duplicate comes to light.
    ini.eraseSection("main");
    EXPECT_EQ(ini.toUtf8(), "[Ёлка]\nk=1\n");
    EXPECT_FALSE(ini.sectionExists("MAIN"));
}

TEST_F(IniFileTest, KeepsFileOrderCommentsAndStrayLines) {
    const QByteArray original = "; settings\r\nstray before any section\r\n[connection5]\r\n"
                                "name=A\r\n; a comment\r\n\r\n[connection0]\r\nname=B\r\n"
                                "no equals sign\r\n[Connections]\r\nname = C \r\n";
    vx::IniFile ini = load(original);
    EXPECT_EQ(ini.readSections(), QStringList({"connection5", "connection0", "Connections"}));
    EXPECT_EQ(ini.readString("Connections", "name", {}), "C");
    EXPECT_FALSE(ini.modified());

    ini.writeString("connection5", "checked", "1"); // after the comment, before the blank line
    ini.writeString("connection0", "name", "B2");
    ini.writeString("new", "key", "v");
    EXPECT_EQ(ini.toUtf8(), "; settings\nstray before any section\n[connection5]\nname=A\n"
                            "; a comment\nchecked=1\n\n[connection0]\nname=B2\nno equals sign\n"
                            "[Connections]\nname = C \n[new]\nkey=v\n");
    EXPECT_EQ(ini.readSection("connection5"), QStringList({"name", "checked"}));
}

TEST_F(IniFileTest, SectionValuesKeysAndDeletion) {
    vx::IniFile ini = load("[Tools]\nname0=Query\napp0=q\nName1=x\nname0=dup\n[other]\nk=v\n");
    const QList<vx::IniFile::Entry> expected = {{"name0", "Query"}, {"app0", "q"}, {"Name1", "x"}};
    EXPECT_EQ(ini.readSectionValues("tools"), expected);
    EXPECT_TRUE(ini.readSectionValues("none").isEmpty());

    ini.deleteKey("TOOLS", "NAME0");
    EXPECT_FALSE(ini.valueExists("Tools", "name0"));
    EXPECT_EQ(ini.readSection("Tools"), QStringList({"app0", "Name1"}));
    ini.deleteKey("Tools", "absent");
    ini.eraseSection("absent");
    EXPECT_EQ(ini.toUtf8(), "[Tools]\napp0=q\nName1=x\n[other]\nk=v\n");
}

TEST_F(IniFileTest, RefusesNamesAndValuesTheFileCannotCarry) {
    vx::IniFile ini(path());
    for (const auto& [section, key, value] :
         std::initializer_list<std::tuple<QString, QString, QString>>{{"s", "a=b", "v"},
                                                                      {"s", "", "v"},
                                                                      {"s", " k", "v"},
                                                                      {"s", ";k", "v"},
                                                                      {"s", "[k", "v"},
                                                                      {"s", "k\nl", "v"},
                                                                      {"a]b", "k", "v"},
                                                                      {"a\rb", "k", "v"},
                                                                      {" s", "k", "v"},
                                                                      {"s", "k", "line\nbreak"}})
        EXPECT_THROW(ini.writeString(section, key, value), vx::Error)
            << (section + "/" + key + "=" + value).toStdString();
    EXPECT_FALSE(ini.modified());
    EXPECT_EQ(ini.toUtf8(), "");
}

// --- encodings and damaged files ----------------------------------------------------------------

TEST_F(IniFileTest, ReadsWindows1251AndUtf8WithBom) {
    // Windows-1251: [Соединение] name=Тестовая база, CR LF line ends.
    const vx::IniFile ansi = load("[\xD1\xEE\xE5\xE4\xE8\xED\xE5\xED\xE8\xE5]\r\nname=\xD2\xE5\xF1"
                                  "\xF2\xEE\xE2\xE0\xFF \xE1\xE0\xE7\xE0\r\n");
    EXPECT_EQ(ansi.readSections(), QStringList({"Соединение"}));
    EXPECT_EQ(ansi.readString("соединение", "name", {}), "Тестовая база");

    const vx::IniFile bom = load("\xEF\xBB\xBF[main]\nk=\xD0\xAF\n");
    EXPECT_EQ(bom.readSections(), QStringList({"main"}));
    EXPECT_EQ(bom.readString("main", "k", {}), "Я");
}

TEST_F(IniFileTest, SavesCyrillicAsUtf8) {
    vx::IniFile ini(path());
    ini.writeString("Раздел", "Ключ", "Значение");
    ini.save();
    EXPECT_EQ(readBytes(), QString("[Раздел]\nКлюч=Значение\n").toUtf8());
}

TEST_F(IniFileTest, RandomBytesReadWithoutLoss) {
    QRandomGenerator random(6);
    const char alphabet[] = "[]=;\"' \t\r\nab\0\xD0\xAF\xFF";
    for (int round = 0; round < 50; ++round) {
        QByteArray bytes;
        for (int i = 0; i < 2000; ++i)
            bytes += random.bounded(2) ? char(random.bounded(256))
                                       : alphabet[random.bounded(int(sizeof alphabet) - 1)];
        vx::IniFile first = load(bytes);
        const QByteArray text = first.toUtf8();
        writeBytes(text);
        const vx::IniFile second(path());
        // What was read is written back whole: the second reading sees the same thing.
        EXPECT_EQ(second.toUtf8(), text);
        EXPECT_EQ(second.readSections(), first.readSections());
        for (const QString& section : first.readSections())
            EXPECT_EQ(second.readSectionValues(section), first.readSectionValues(section));
    }
}

TEST_F(IniFileTest, MissingFileIsEmptyAndUnreadableFileRaises) {
    const vx::IniFile missing(path("absent.ini"));
    EXPECT_TRUE(missing.readSections().isEmpty());
    EXPECT_FALSE(QFile::exists(path("absent.ini")));

    ASSERT_TRUE(QDir(m_dir.path()).mkdir("folder.ini"));
    try {
        vx::IniFile folder(path("folder.ini"));
        FAIL() << "a folder read as an INI file";
    } catch (const vx::Error& e) {
        EXPECT_EQ(e.message(), "Unable to read " + path("folder.ini"));
    }
}

// --- saving -------------------------------------------------------------------------------------

TEST_F(IniFileTest, SaveReplacesTheFileWithMode0600) {
    writeBytes("[old]\nk=v\n");
    QFile::setPermissions(path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
    vx::IniFile ini(path());
    ini.writeString("old", "k", "w");
    ini.save();
    EXPECT_FALSE(ini.modified());
    EXPECT_EQ(readBytes(), "[old]\nk=w\n");
    EXPECT_EQ(mode(path()), 0600);
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList({"settings.ini"}));

    vx::IniFile fresh(path("new.ini"));
    fresh.writeBool("s", "k", false);
    fresh.save();
    EXPECT_EQ(mode(path("new.ini")), 0600);
}

TEST_F(IniFileTest, FailedSaveRaisesAndLeavesTheOldFileWhole) {
    const QByteArray old = "[main]\nscript_dir=/old/\n";
    writeBytes(old);
    vx::IniFile ini(path());
    for (int i = 0; i < 1000; ++i)
        ini.writeString("main", "key" + QString::number(i), "a long enough value to fill the disk");

    // A full disk, which stops root as well as anyone else.
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    rlimit small = limit;
    small.rlim_cur = 4096;
    setrlimit(RLIMIT_FSIZE, &small);
    QString message;
    try {
        ini.save();
    } catch (const vx::Error& e) {
        message = e.message();
    }
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(message, "Unable to write to " + path());
    EXPECT_EQ(readBytes(), old);
    EXPECT_TRUE(ini.modified());
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList({"settings.ini"}));
}

TEST_F(IniFileTest, SaveIntoAFolderThatCannotBeWritten) {
    vx::IniFile nowhere(path("missing/settings.ini"));
    nowhere.writeString("s", "k", "v");
    try {
        nowhere.save();
        FAIL() << "saved into a missing folder";
    } catch (const vx::Error& e) {
        EXPECT_EQ(e.message(), "Unable to write to " + path("missing/settings.ini"));
    }

    if (geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    const QByteArray old = "[s]\nk=old\n";
    writeBytes(old);
    vx::IniFile ini(path());
    ini.writeString("s", "k", "new");
    QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    EXPECT_THROW(ini.save(), vx::Error);
    QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(readBytes(), old);
}

} // namespace
