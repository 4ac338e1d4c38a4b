#include "Errors.h"
#include "ProgramSandbox.h"
#include "RecordingLauncher.h"
#include "ScriptedPrompter.h"
#include "uZybUtils.h"

#include <QBuffer>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

struct DurationCase {
    qint32 ms;
    const char* text;
};

class FormatMillisecondsTest : public testing::TestWithParam<DurationCase> {};

TEST_P(FormatMillisecondsTest, Formats) {
    EXPECT_EQ(FormatMilliseconds(GetParam().ms), QString::fromLatin1(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(
    Durations, FormatMillisecondsTest,
    testing::Values(DurationCase{0, "0:00.000"}, DurationCase{59999, "0:59.999"},
                    DurationCase{61000, "1:01.000"}, DurationCase{3600000, "1:0:00.000"},
                    DurationCase{3723004, "1:2:03.004"}, DurationCase{90000000, "25:0:00.000"},
                    DurationCase{-61000, "-1:01.000"}, DurationCase{INT32_MIN, "-596:31:23.648"}));

struct ReadCase {
    QByteArray bytes;
    QList<QByteArray> lines;
};

class LineReaderTest : public testing::TestWithParam<ReadCase> {};

TEST_P(LineReaderTest, SplitsAtEveryLineEnd) {
    QByteArray bytes = GetParam().bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QList<QByteArray> lines;
    while (!FileEof(buffer))
        lines << FileReadLine(buffer);
    EXPECT_EQ(lines, GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(Files, LineReaderTest,
                         testing::Values(ReadCase{QByteArray("x\r\ny\r\n"), {"x", "y"}},
                                         ReadCase{QByteArray("x\r\ny"), {"x", "y"}},
                                         ReadCase{QByteArray("x\ny\n"), {"x", "y"}},
                                         ReadCase{QByteArray("x\0y", 3), {"x", "y"}},
                                         ReadCase{QByteArray("x\r\ry"), {"x", "", "y"}},
                                         ReadCase{QByteArray("x\n\ny"), {"x", "", "y"}},
                                         ReadCase{QByteArray("a\r\nb\nc\rd\0\xEF\xF0", 12),
                                                  {"a", "b", "c", "d", "\xEF\xF0"}},
                                         ReadCase{QByteArray(), {}}));

TEST(LineReader, TreatsAnUnreadableDeviceAsTheEnd) {
    QFile missing("/nonexistent/file");
    EXPECT_TRUE(FileEof(missing));
    EXPECT_EQ(FileReadLine(missing), QByteArray());
}

struct SplitCase {
    const char* delimiter;
    const char* text;
    QStringList pieces;
};

class SplitTextTest : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitTextTest, AppendsThePieces) {
    QStringList list{"kept"};
    SplitText(GetParam().delimiter, GetParam().text, list);
    EXPECT_EQ(list, QStringList{"kept"} + GetParam().pieces);
}

INSTANTIATE_TEST_SUITE_P(Texts, SplitTextTest,
                         testing::Values(SplitCase{".", "A.B.C", {"A", "B", "C"}},
                                         SplitCase{".", "A..B", {"A", "", "B"}},
                                         SplitCase{".", "A.B.", {"A", "B"}},
                                         SplitCase{".", ".B", {"", "B"}}, SplitCase{".", "", {}},
                                         SplitCase{".", "AB", {"AB"}},
                                         SplitCase{"", "A.B", {"A.B"}},
                                         SplitCase{"::", "a::b::c", {"a", "b", "c"}}));

struct FindCase {
    const char* text;
    const char* find;
    vx::TFindOptions options;
    bool hit;
};

class TextMatchesFindTest : public testing::TestWithParam<FindCase> {};

TEST_P(TextMatchesFindTest, Answers) {
    const FindCase& c = GetParam();
    EXPECT_EQ(TextMatchesFind(QString::fromUtf8(c.text), QString::fromUtf8(c.find), c.options),
              c.hit)
        << c.text << " / " << c.find;
}

INSTANTIATE_TEST_SUITE_P(
    Finds, TextMatchesFindTest,
    testing::Values(FindCase{"myserver1", "server1", vx::frWholeWord, false},
                    FindCase{"my server1", "server1", vx::frWholeWord, true},
                    FindCase{"server1.db", "server1", vx::frWholeWord, true},
                    FindCase{"srv01", "SRV", {}, true},
                    FindCase{"srv01", "SRV", vx::frMatchCase, false}, FindCase{"", "a", {}, false},
                    FindCase{"a", "", {}, false}, FindCase{"база данных", "БАЗА", {}, true},
                    // Cyrillic letters separate words: only ASCII letters and digits make them.
                    FindCase{"сервер1бд", "1", vx::frWholeWord, true},
                    FindCase{"xab ab", "ab", vx::frWholeWord, true},
                    FindCase{"Straße", "STRASSE", {}, false},
                    FindCase{"a server", "SERVER", vx::TFindOptions(vx::frWholeWord | vx::frDown),
                             true}));

class TempFiles : public testing::Test {
protected:
    void SetUp() override { SetTempRoot(root.path()); }
    void TearDown() override { SetTempRoot(QString()); }
    QTemporaryDir root;
};

TEST_F(TempFiles, MakesNewEmptyFilesInAPrivateFolder) {
    const QString first = GetTempFile(QString(), "vx_z7");
    const QString second = GetTempFile(QString(), "vx_z7");
    EXPECT_NE(first, second);
    const QFileInfo info(first);
    EXPECT_TRUE(info.exists());
    EXPECT_EQ(info.size(), 0);
    EXPECT_TRUE(info.fileName().startsWith("vx_"));
    EXPECT_FALSE(info.fileName().startsWith("vx_z")) << "only three characters of the prefix count";
    EXPECT_TRUE(info.fileName().endsWith(".TMP"));
    EXPECT_EQ(info.absolutePath() + '/', GetTempDir());
    struct stat folder {};
    ASSERT_EQ(stat(QFile::encodeName(GetTempDir()).constData(), &folder), 0);
    EXPECT_EQ(folder.st_mode & 0777, 0700u);
}

TEST_F(TempFiles, RefusesAFolderOthersCanReach) {
    const QString folder = GetTempDir();
    ASSERT_EQ(chmod(QFile::encodeName(folder).constData(), 0777), 0);
    EXPECT_THROW(GetTempDir(), vx::Error);
    chmod(QFile::encodeName(folder).constData(), 0700);
}

TEST_F(TempFiles, RaisesWhenTheFolderCannotTakeAFile) {
    EXPECT_THROW(GetTempFile(root.filePath("missing"), "vx_"), vx::Error);
    SetTempRoot(root.filePath("missing/deeper"));
    EXPECT_THROW(GetTempDir(), vx::Error);
}

TEST(ExecuteFile, StartsProgramsWithArgumentsAndNoShell) {
    vx::test::RecordingLauncher launcher;
    qputenv("VX_TEST_VALUE", "expanded");
    ExecuteFile("sh", "", R"(-c "echo $VX_TEST_VALUE; rm -rf %VX_TEST_VALUE%" 'two words')");
    ASSERT_EQ(launcher.starts.size(), 1);
    EXPECT_TRUE(launcher.starts[0].program.endsWith("/sh"));
    EXPECT_EQ(launcher.starts[0].arguments,
              (QStringList{"-c", "echo expanded; rm -rf expanded", "'two", "words'"}));
}

TEST(ExecuteFile, OpensDocumentsAndAddressesAndNamesWhatFailed) {
    vx::test::RecordingLauncher launcher;
    QTemporaryDir dir;
    const QString page = dir.filePath("English.htm");
    QFile(page).open(QIODevice::WriteOnly);
    ShowHtmlHelp(dir.path(), "English.htm");
    ExecuteFile("mailto:support@example.com", "", "");
    ASSERT_EQ(launcher.urls.size(), 2);
    EXPECT_EQ(launcher.urls[0], QUrl::fromLocalFile(page));
    EXPECT_EQ(launcher.urls[1].toString(), "mailto:support@example.com");

    try {
        ShowHtmlHelp(dir.path(), "Russian.htm");
        FAIL() << "a missing page must raise";
    } catch (const vx::Error& e) {
        EXPECT_EQ(e.message(), "Ошибка запуска файла: " + dir.filePath("Russian.htm") +
                                   " (No such file or directory)");
    }
    launcher.failWith("refused");
    EXPECT_THROW(ExecuteFile("sh", "", ""), vx::Error);
}

TEST(ExecuteFile, StartsARealProgramWithoutWaiting) {
    QTemporaryDir dir;
    const QString go = dir.filePath("go");
    const QString marker = dir.filePath("started");
    // The program finishes only once the test lets it, so no timing decides the outcome; it gives
    // up after a minute, so that a call that waited for it would still return.
    ExecuteFile("/bin/sh", "",
                "-c \"for n in $(seq 600); do [ -e '" + go + "' ] && exec touch '" + marker +
                    "'; sleep 0.1; done\"");
    EXPECT_FALSE(QFileInfo::exists(marker)) << "must not wait for the program";
    QFile(go).open(QIODevice::WriteOnly);
    const QDeadlineTimer failsafe(60000);
    while (!QFileInfo::exists(marker) && !failsafe.hasExpired())
        QThread::msleep(10);
    EXPECT_TRUE(QFileInfo::exists(marker));
}

// A stand-in for xdg-open first on PATH: it marks the document it got and ends, once the test lets
// it, with the status the test writes beside the document (9 after a minute), marking its end.
TEST(ExecuteFile, HandsADocumentToTheOpenerAndShowsItsFailureOnceItEnds) {
    QTemporaryDir dir;
    QFile opener(dir.filePath("xdg-open"));
    ASSERT_TRUE(opener.open(QIODevice::WriteOnly));
    opener.write("#!/bin/sh\ntouch \"$1.got\"\nstatus=9\nfor n in $(seq 600); do\n"
                 "  [ -e \"$1.status\" ] && status=$(cat \"$1.status\") && break\n  sleep 0.1\n"
                 "done\ntouch \"$1.ended\"\nexit $status\n");
    opener.close();
    opener.setPermissions(opener.permissions() | QFile::ExeOwner);
    const vx::test::ScopedEnvironment path("PATH", dir.path() + ":" + qEnvironmentVariable("PATH"));
    vx::test::ScriptedPrompter prompter;
    const QString opens = dir.filePath("opens.htm");
    const QString nothing = dir.filePath("nothing.htm");
    const auto end = [](const QString& file, const char* status) {
        QFile answer(file + ".status");
        answer.open(QIODevice::WriteOnly);
        answer.write(status);
        answer.close();
        return QTest::qWaitFor([&] { return QFileInfo::exists(file + ".ended"); }, 60000);
    };
    for (const QString& file : {opens, nothing})
        QFile(file).open(QIODevice::WriteOnly);

    ExecuteFile(opens, "", "");
    ExecuteFile(nothing, "", "");
    EXPECT_TRUE(prompter.prompts().isEmpty()) << "the openers run on";
    ASSERT_TRUE(end(opens, "0"));
    ASSERT_TRUE(end(nothing, "3"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !prompter.prompts().isEmpty(); }, 60000));
    EXPECT_TRUE(QFileInfo::exists(opens + ".got") && QFileInfo::exists(nothing + ".got"));
    EXPECT_EQ(prompter.texts(),
              QStringList("Ошибка запуска файла: " + nothing + " (no application could open it)"));
}

TEST(MessageBoxes, UseTheTitleAndOnlyOkCountsAsYes) {
    vx::test::ScriptedPrompter prompter;
    vx::setApplicationTitle("Vornalex");
    prompter.answerOkCancel(true);
    prompter.answerOkCancel(false);
    EXPECT_TRUE(AskOkCancel("Delete?"));
    EXPECT_FALSE(AskOkCancel("Delete?"));
    EXPECT_FALSE(AskOkCancel("Closed with Escape?"));
    ShowInfo("Saved.");
    ShowError("Failed.");
    ASSERT_EQ(prompter.prompts().size(), 5);
    EXPECT_EQ(prompter.prompts()[3].icon, vx::PromptIcon::Information);
    EXPECT_EQ(prompter.prompts()[4].icon, vx::PromptIcon::Error);
    for (const auto& prompt : prompter.prompts())
        EXPECT_EQ(prompt.caption, "Vornalex");
}

} // namespace
