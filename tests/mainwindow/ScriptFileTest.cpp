#include "ScriptFile.h"
#include "DiskFull.h"
#include "Errors.h"
#include "FileBytes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using vx::ScriptFormat;

namespace {

class ScriptFileTest : public testing::Test {
protected:
    QString path(const QString& name = "a.sql") const { return m_dir.filePath(name); }
    void writeBytes(const QString& name, const QByteArray& bytes) const {
        vx::test::writeFileBytes(path(name), bytes);
    }
    QByteArray readBytes(const QString& name = "a.sql") const {
        return vx::test::fileBytes(path(name));
    }

    QTemporaryDir m_dir;
};

TEST_F(ScriptFileTest, FilesComeBackByteForByteInTheEncodingAndLineEndsTheyHad) {
    struct Case {
        QByteArray bytes;
        QString text;
        ScriptFormat format;
    };
    const QList<Case> cases = {
        {"SELECT '\xD0\x9F\xD1\x80\xD0\xB8'\nGO\n",
         "SELECT 'При'\nGO\n",
         {ScriptFormat::Utf8, "\n"}},
        {"\xEF\xBB\xBFPRINT '\xD1\x91'\r\nGO\r\n",
         "PRINT 'ё'\nGO\n",
         {ScriptFormat::Utf8WithBom, "\r\n"}},
        {"PRINT '\xCF\xF0\xE8\xE2\xE5\xF2 \x88'\r\nGO",
         "PRINT 'Привет €'\nGO",
         {ScriptFormat::Cp1251, "\r\n"}},
        {"a\rb\r", "a\nb\n", {ScriptFormat::Utf8, "\r"}},
        {"no line end", "no line end", {ScriptFormat::Utf8, "\n"}},
        {"cut UTF-8 \xD0", "cut UTF-8 Р", {ScriptFormat::Cp1251, "\n"}},
        // A character across the decoder's 1 MB pieces.
        {QByteArray(1024 * 1024 - 1, 'x') + "\xD0\x96",
         QString(1024 * 1024 - 1, 'x') + "Ж",
         {ScriptFormat::Utf8, "\n"}},
        {"", "", {ScriptFormat::Utf8, "\n"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes.left(40).toStdString());
        writeBytes("a.sql", c.bytes);
        vx::ScriptText script = vx::loadScript(path());
        EXPECT_EQ(script.text, c.text);
        EXPECT_EQ(script.format, c.format);

        QFile::remove(path());
        vx::saveScript(path(), script.text, script.format);
        EXPECT_EQ(readBytes(), c.bytes);
    }
}

TEST_F(ScriptFileTest, TextThatWindows1251CannotHoldIsSavedAsUtf8) {
    writeBytes("a.sql", "PRINT '\xCF\xF0\xE8'\r\n");
    vx::ScriptText script = vx::loadScript(path());
    ASSERT_EQ(script.format.encoding, ScriptFormat::Cp1251);

    vx::saveScript(path(), script.text + "-- 中文 😀\n", script.format);
    EXPECT_EQ(readBytes(), "PRINT '\xD0\x9F\xD1\x80\xD0\xB8'\r\n-- \xE4\xB8\xAD\xE6\x96\x87 "
                           "\xF0\x9F\x98\x80\r\n");
    EXPECT_EQ(script.format, (ScriptFormat{ScriptFormat::Utf8, "\r\n"}));
    EXPECT_EQ(vx::loadScript(path()).text, "PRINT 'При'\n-- 中文 😀\n");
}

TEST_F(ScriptFileTest, AFailedSaveRaisesAndLeavesTheOldFileWhole) {
    const QByteArray old = "PRINT 'old'\n";
    writeBytes("a.sql", old);
    ScriptFormat format;
    try {
        const vx::test::DiskFull full;
        vx::saveScript(path(), QString(100000, 'x'), format);
        FAIL() << "a full disk must fail the save";
    } catch (const vx::Error& e) {
        EXPECT_TRUE(e.message().startsWith("Cannot create file \"" + path() + "\". "))
            << e.message().toStdString();
    }
    EXPECT_EQ(readBytes(), old);
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList({"a.sql"}));

    writeBytes("file", "");
    EXPECT_THROW(vx::saveScript(path("file/b.sql"), "x", format), vx::Error);
}

TEST_F(ScriptFileTest, AFileThatCannotBeReadNamesItself) {
    try {
        vx::loadScript(path("missing.sql"));
        FAIL() << "a missing file must raise";
    } catch (const vx::Error& e) {
        EXPECT_EQ(e.message(),
                  "Cannot open file \"" + path("missing.sql") + "\". No such file or directory");
    }
}

TEST(ScriptExtension, IsAppendedOnlyToANameWithoutOne) {
    EXPECT_EQ(vx::withScriptExtension("/tmp/c"), "/tmp/c.sql");
    EXPECT_EQ(vx::withScriptExtension("/tmp/dir.d/c"), "/tmp/dir.d/c.sql");
    EXPECT_EQ(vx::withScriptExtension("/tmp/c.txt"), "/tmp/c.txt");
    EXPECT_EQ(vx::withScriptExtension(""), "");
}

} // namespace
