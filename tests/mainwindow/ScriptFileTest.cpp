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

TEST_F(ScriptFileTest, EveryFileThatOpensComesBackByteForByte) {
    const qsizetype piece = 1024 * 1024; // the reader's piece
    struct Case {
        const char* what;
        QByteArray bytes;
        QString text;
        ScriptFormat format;
    };
    const QList<Case> cases = {
        {"a mark where a piece starts",
         QByteArray(piece, 'x') + "\xEF\xBB\xBFy",
         QString(piece, 'x') + QChar(0xFEFF) + "y",
         {ScriptFormat::Utf8, "\n"}},
        {"a mark across two pieces",
         QByteArray(piece - 1, 'x') + "\xEF\xBB\xBFy",
         QString(piece - 1, 'x') + QChar(0xFEFF) + "y",
         {ScriptFormat::Utf8, "\n"}},
        {"two marks",
         "\xEF\xBB\xBF\xEF\xBB\xBFPRINT 1\n",
         QChar(0xFEFF) + QString("PRINT 1\n"),
         {ScriptFormat::Utf8WithBom, "\n"}},
        {"a UTF-8 mark on Windows-1251 text",
         "\xEF\xBB\xBFPRINT '\xCF\xF0\xE8'\r\nGO\r\n",
         "PRINT 'При'\nGO\n",
         {ScriptFormat::Cp1251WithBom, "\r\n"}},
        {"the byte Windows-1251 leaves unassigned",
         "PRINT '\x98\xCF'\r\n",
         "PRINT '" + QString(QChar(0x98)) + "П'\n",
         {ScriptFormat::Cp1251, "\r\n"}},
        {"a four-byte character across two pieces",
         QByteArray(piece - 2, 'x') + "\xF0\x9F\x98\x80\n",
         QString(piece - 2, 'x') + "😀\n",
         {ScriptFormat::Utf8, "\n"}},
        {"CR LF across two pieces",
         QByteArray(piece - 1, 'x') + "\r\ny\r\n",
         QString(piece - 1, 'x') + "\ny\n",
         {ScriptFormat::Utf8, "\r\n"}},
        {"not UTF-8 only in the last piece",
         QByteArray(piece + 10, 'x') + "\xCF\r\n",
         QString(piece + 10, 'x') + "П\n",
         {ScriptFormat::Cp1251, "\r\n"}},
        {"only a mark", "\xEF\xBB\xBF", "", {ScriptFormat::Utf8WithBom, "\n"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        writeBytes("a.sql", c.bytes);
        vx::ScriptText script = vx::loadScript(path());
        EXPECT_TRUE(script.text == c.text);
        EXPECT_EQ(script.format, c.format);
        EXPECT_EQ(script.changes, 0);
        EXPECT_TRUE(vx::decodeText(c.bytes).text == c.text) << "bytes in memory read alike";

        QFile::remove(path());
        vx::saveScript(path(), script.text, script.format);
        EXPECT_TRUE(readBytes() == c.bytes);
    }
}

TEST_F(ScriptFileTest, AFileThatASaveWouldChangeSaysHowWhenItOpens) {
    struct Case {
        QByteArray bytes;
        int changes;
        QByteArray saved;
    };
    const QList<Case> cases = {
        {"a\r\nb\nc\rd", vx::ScriptText::MixedLineEnds, "a\r\nb\r\nc\r\nd"},
        {"a\r\r\nb", vx::ScriptText::MixedLineEnds, "a\r\rb"},
        {"a\xE2\x80\xA9"
         "b\n",
         vx::ScriptText::ParagraphSeparators, "a\nb\n"},
        {"a\xEF\xB7\x90\r\nb\xEF\xB7\x91\nc",
         vx::ScriptText::ParagraphSeparators | vx::ScriptText::MixedLineEnds,
         "a\r\n\r\nb\r\n\r\nc"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes.toStdString());
        writeBytes("a.sql", c.bytes);
        vx::ScriptText script = vx::loadScript(path());
        EXPECT_EQ(script.changes, c.changes);
        EXPECT_FALSE(vx::changesOnSave(path(), script).isEmpty());
        // As the editor holds the text.
        script.text.replace(QChar(0x2029), '\n')
            .replace(QChar(0xFDD0), '\n')
            .replace(QChar(0xFDD1), '\n');
        vx::saveScript(path(), script.text, script.format);
        EXPECT_EQ(readBytes(), c.saved);
    }
    EXPECT_EQ(vx::changesOnSave("/tmp/m.sql", vx::decodeText("a\r\nb\xC2\xA0\xE2\x80\xA8")), "");
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
