#include "StepwiseTextFill.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QPlainTextEdit>
#include <gtest/gtest.h>

namespace {

class StepwiseTextFillTest : public testing::Test {
protected:
    StepwiseTextFillTest() { fill->pieceSize = 10; }

    // Lets the event loop put pieces in until the fill is done.
    void waitUntilDone() {
        const QDeadlineTimer failsafe(30000);
        while (fill->busy() && !failsafe.hasExpired())
            QCoreApplication::processEvents();
        ASSERT_FALSE(fill->busy());
    }

    QPlainTextEdit editor;
    vx::StepwiseTextFill* fill = new vx::StepwiseTextFill(&editor);
    QStringList done;
    const QString text = "line one\nline two\nline three\nline four\n";
};

TEST_F(StepwiseTextFillTest, ALongTextGoesInPieceByPieceWhileTheEditorIsReadOnly) {
    fill->start(text, [&] { done << editor.toPlainText(); });
    EXPECT_EQ(editor.toPlainText(), "line one\nline two\n") << "pieces end at a line end";
    EXPECT_TRUE(fill->busy());
    EXPECT_TRUE(editor.isReadOnly());
    EXPECT_TRUE(done.isEmpty());

    waitUntilDone();
    EXPECT_EQ(done, QStringList{text});
    EXPECT_FALSE(editor.isReadOnly());
    EXPECT_TRUE(editor.document()->isUndoRedoEnabled());
    EXPECT_FALSE(editor.document()->isUndoAvailable()) << "loading is no step to undo";
}

TEST_F(StepwiseTextFillTest, ANewStartDropsTheOldFillAndFinishPutsTheRestInAtOnce) {
    fill->start(text, [&] { done << "first"; });
    fill->start("second\n" + text, [&] { done << "second"; });
    fill->finish();
    EXPECT_EQ(editor.toPlainText(), "second\n" + text);
    EXPECT_EQ(done, QStringList{"second"});
    QCoreApplication::processEvents();
    EXPECT_EQ(editor.toPlainText(), "second\n" + text) << "no stale piece arrives afterwards";

    fill->start("short", [&] { done << "short"; });
    EXPECT_EQ(done, QStringList({"second", "short"})) << "a short text is done at once";
    EXPECT_EQ(editor.toPlainText(), "short");
}

} // namespace
