#include "LogDocument.h"
#include "PageDriver.h"

#include <gtest/gtest.h>

#include <functional>

using vx::LogDocument;
using vx::LogLine;
using vx::LogPosition;
using vx::test::logLines;
using vx::test::red;

namespace {

LogDocument documentOf(const QList<LogLine>& lines, qsizetype chunkBytes = 64 * 1024) {
    LogDocument document(chunkBytes);
    document.appendLines(lines);
    return document;
}

struct EditCase {
    const char* name;
    LogPosition anchor;
    LogPosition cursor;
    std::function<void(LogDocument&)> edit;
    QList<LogLine> lines;
    LogPosition cursorAfter;
};

void PrintTo(const EditCase& c, std::ostream* out) {
    *out << c.name;
}

class LogEditTest : public ::testing::TestWithParam<EditCase> {};

// The log before every edit: "-----", red "abc def", "xyz".
TEST_P(LogEditTest, EditsSplitAndJoinLinesKeepingTheirFlags) {
    const EditCase& c = GetParam();
    LogDocument document = documentOf({{"-----"}, red("abc def"), {"xyz"}});
    document.setCursor(c.anchor);
    document.setCursor(c.cursor, true);
    c.edit(document);
    EXPECT_EQ(logLines(document), c.lines);
    EXPECT_EQ(document.cursor(), c.cursorAfter);
    EXPECT_FALSE(document.hasSelection());
}

const auto type = [](const QString& text) { return [text](LogDocument& d) { d.insert(text); }; };
const auto backspace = [](LogDocument& d) { d.removePrevious(); };
const auto del = [](LogDocument& d) { d.removeNext(); };

INSTANTIATE_TEST_SUITE_P(
    Cases, LogEditTest,
    ::testing::Values(
        EditCase{
            "Typing", {1, 3}, {1, 3}, type("!"), {{"-----"}, red("abc! def"), {"xyz"}}, {1, 4}},
        EditCase{"EnterSplitsARedLine",
                 {1, 3},
                 {1, 3},
                 type("\n"),
                 {{"-----"}, red("abc"), red(" def"), {"xyz"}},
                 {2, 0}},
        EditCase{"BackspaceJoinsWithTheLineBefore",
                 {2, 0},
                 {2, 0},
                 backspace,
                 {{"-----"}, red("abc defxyz")},
                 {1, 7}},
        EditCase{
            "DeleteJoinsTheNextLine", {0, 5}, {0, 5}, del, {{"-----abc def"}, {"xyz"}}, {0, 5}},
        EditCase{"BackspaceAtTheStartDoesNothing",
                 {0, 0},
                 {0, 0},
                 backspace,
                 {{"-----"}, red("abc def"), {"xyz"}},
                 {0, 0}},
        EditCase{"TypingReplacesASelectionAcrossLines",
                 {2, 1},
                 {0, 2},
                 type("\t"),
                 {{"--\tyz"}},
                 {0, 3}},
        EditCase{"PastingSeveralLines",
                 {1, 4},
                 {1, 7},
                 type("1\r\n2\r3\n"),
                 {{"-----"}, red("abc 1"), red("2"), red("3"), red(""), {"xyz"}},
                 {4, 0}},
        EditCase{"DeletingEverythingLeavesAnEmptyLog", {0, 0}, {2, 3}, del, {}, {0, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LogDocumentTest, ACharacterOutsideTheBmpIsOneStep) {
    LogDocument document = documentOf({{QString::fromUtf8("a\U0001F600b")}});
    document.setCursor({0, 3});
    EXPECT_EQ(document.previous({0, 3}), LogPosition(0, 1));
    EXPECT_EQ(document.next({0, 1}), LogPosition(0, 3));
    document.removePrevious();
    EXPECT_EQ(document.line(0).text, "ab");
}

TEST(LogDocumentTest, AnEmptiedLogTakesTheNextLineAsItsFirst) {
    LogDocument document = documentOf({{"a"}});
    document.selectAll();
    document.removeSelection();
    document.appendLines({{"next"}});
    EXPECT_EQ(logLines(document), QList<LogLine>{{"next"}});

    LogDocument typed;
    typed.insert("hand");
    typed.appendLines({red("run")});
    EXPECT_EQ(logLines(typed), QList<LogLine>({{"hand"}, red("run")}));
}

TEST(LogDocumentTest, SelectionAndCopySpanChunks) {
    QList<LogLine> lines;
    QStringList texts;
    for (int i = 0; i < 200; ++i) {
        lines.append({QStringLiteral("line %1 of the log").arg(i), i % 7 == 0});
        texts.append(lines.last().text);
    }
    LogDocument document = documentOf(lines, 64);
    document.setCursor({150, 5});
    document.setCursor({3, 2}, true);
    EXPECT_EQ(document.selectedText(),
              texts[3].mid(2) + "\n" + texts.mid(4, 146).join('\n') + "\n" + texts[150].left(5));
    document.selectAll();
    EXPECT_EQ(document.selectedText(), texts.join('\n'));
    EXPECT_EQ(document.text(), texts.join('\n'));
}

// A run goes on while the user edits: lines arrive after the last one and the connecting line is
// replaced, without moving the user's text or cursor.
TEST(LogDocumentTest, LinesArriveAndTheLastIsReplacedWhileTheUserEdits) {
    LogDocument document = documentOf({{"-----"}, {"Connecting srv1..."}}, 32);
    document.setCursor({0, 5});
    document.insert(" note");
    document.replaceLastLine({"Connected srv1"});
    document.appendLines({{"one"}, red("two\nthree")});
    document.insert("!");
    EXPECT_EQ(
        logLines(document),
        QList<LogLine>({{"----- note!"}, {"Connected srv1"}, {"one"}, red("two"), red("three")}));
    EXPECT_EQ(document.cursor(), LogPosition(0, 11));

    // The cursor on the replaced line stays on the line that takes its place.
    document.setCursor({4, 5});
    document.setCursor({4, 2}, true);
    document.replaceLastLine(red("3"));
    EXPECT_EQ(document.selection(), std::pair(LogPosition(4, 1), LogPosition(4, 1)));
    document.insert("x");
    EXPECT_EQ(document.line(4), red("3x"));
}

TEST(LogDocumentTest, WordsForMovesAndDoubleClicks) {
    const LogDocument document = documentOf({{"select  id_1, name"}, {"next"}});
    EXPECT_EQ(document.nextWord({0, 0}), LogPosition(0, 6));
    EXPECT_EQ(document.nextWord({0, 6}), LogPosition(0, 12));
    EXPECT_EQ(document.nextWord({0, 18}), LogPosition(1, 0));
    EXPECT_EQ(document.previousWord({0, 14}), LogPosition(0, 8));
    EXPECT_EQ(document.previousWord({1, 0}), LogPosition(0, 18));
    EXPECT_EQ(document.wordAt({0, 9}), std::pair(LogPosition(0, 8), LogPosition(0, 12)));
    EXPECT_EQ(document.wordAt({0, 7}), std::pair(LogPosition(0, 6), LogPosition(0, 8)));
    EXPECT_EQ(document.wordAt({0, 18}), std::pair(LogPosition(0, 14), LogPosition(0, 18)));
}

} // namespace
