#include "LogView.h"
#include "PageDriver.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QScrollBar>

#include <gtest/gtest.h>

using vx::LogLine;
using vx::test::logLines;
using vx::test::red;

namespace {

TEST(LogViewTest, ErrorLinesAreRedAndTheNextLineIsPlainAgain) {
    vx::LogView log;
    log.addLines({red("a"), {"b", false}, red("c"), red("d"), {"", false}});
    EXPECT_EQ(logLines(log), QList<LogLine>({red("a"), {"b"}, red("c"), red("d"), {""}}));
}

TEST(LogViewTest, AnEmptyFirstLineIsKept) {
    vx::LogView log;
    log.addLines({{""}});
    log.addLines({{"x"}});
    EXPECT_EQ(log.toPlainText(), "\nx");
}

TEST(LogViewTest, LineBreaksInsideALineMakeSeveralLines) {
    vx::LogView log;
    log.addLines({{"a\r\nb\rc\nd"}});
    EXPECT_EQ(log.document().lineCount(), 4);
}

TEST(LogViewTest, ReplacingTheLastLineNeverLeavesBoth) {
    vx::LogView only;
    only.addLines({{"Connecting srv1..."}});
    only.replaceLastLine({"Connected srv1"});
    EXPECT_EQ(logLines(only), QList<LogLine>({{"Connected srv1"}}));

    vx::LogView several;
    several.addLines({{"-----"}, red("Connecting srv1...")});
    several.replaceLastLine({"Connected srv1"});
    several.addLines({{"next"}});
    EXPECT_EQ(logLines(several), QList<LogLine>({{"-----"}, {"Connected srv1"}, {"next"}}));
}

} // namespace

namespace {

using vx::LogPosition;

// A shown log in a fixed-width font, sized to `lines` whole lines.
struct ShownLog {
    vx::LogView log;
    int lineHeight;
    qreal columnWidth;

    explicit ShownLog(int lines = 10) {
        QFont font(QStringLiteral("Monospace"), 10);
        font.setStyleHint(QFont::TypeWriter);
        log.setFont(font);
        lineHeight = log.fontMetrics().lineSpacing();
        columnWidth = QFontMetricsF(log.font()).horizontalAdvance(QLatin1Char('x'));
        log.resize(400, lines * lineHeight + log.horizontalScrollBar()->sizeHint().height());
        log.show();
        QCoreApplication::processEvents();
    }
    // Just right of a column's left edge, in the middle of a line of the view.
    QPoint at(int line, int column) const {
        return {qRound(4 + column * columnWidth) + 1, line * lineHeight + lineHeight / 2};
    }
};

QList<LogLine> numbered(int from, int count) {
    QList<LogLine> lines;
    for (int i = from; i < from + count; ++i)
        lines.append({QString::number(i)});
    return lines;
}

TEST(LogViewTest, TheViewFollowsTheEndOnlyWhileScrolledToTheBottom) {
    ShownLog shown;
    vx::LogView& log = shown.log;
    QScrollBar* bar = log.verticalScrollBar();
    log.addLines(numbered(0, 100));
    EXPECT_GT(bar->maximum(), 0);
    EXPECT_EQ(log.firstVisibleLine(), bar->maximum());

    bar->setValue(3);
    log.addLines(numbered(100, 50));
    log.replaceLastLine({"last"});
    EXPECT_EQ(log.firstVisibleLine(), 3);

    bar->setValue(bar->maximum());
    log.addLines(numbered(150, 50));
    EXPECT_EQ(log.firstVisibleLine(), bar->maximum());
    EXPECT_EQ(log.document().line(log.firstVisibleLine() + bar->pageStep() - 1).text, "199");

    log.clearLog();
    EXPECT_EQ(bar->maximum(), 0);
    EXPECT_EQ(log.document().lineCount(), 0);
}

TEST(LogViewTest, PaintsErrorLinesRedAndLongLinesScrollSideways) {
    ShownLog shown(4);
    vx::LogView& log = shown.log;
    log.addLines({red("XXXXXXXX"), {"XXXXXXXX"}});
    const QImage image = log.grab().toImage();
    const auto count = [&](int line, auto test) {
        int pixels = 0;
        for (int y = line * shown.lineHeight; y < (line + 1) * shown.lineHeight; ++y)
            for (int x = 0; x < image.width(); ++x)
                pixels += test(image.pixelColor(x, y));
        return pixels;
    };
    const auto isRed = [](QColor c) { return c.red() > 180 && c.green() < 80 && c.blue() < 80; };
    const auto isText = [&](QColor c) {
        return c == log.palette().color(QPalette::Text) || (c.value() < 100 && !isRed(c));
    };
    EXPECT_GT(count(0, isRed), 20);
    EXPECT_EQ(count(1, isRed), 0);
    EXPECT_GT(count(1, isText), 20);

    EXPECT_EQ(log.horizontalScrollBar()->maximum(), 0);
    log.addLines({{QString(200, QLatin1Char('w'))}});
    EXPECT_GE(log.horizontalScrollBar()->maximum(), 200 * shown.columnWidth - log.width());
}

TEST(LogViewTest, TypingTabsEnterCutAndPasteWorkWhileLinesArrive) {
    ShownLog shown;
    vx::LogView& log = shown.log;
    log.addLines({{"first"}, red("second")});
    log.setSelection({1, 0}, {1, 0});
    QTest::keyClicks(&log, "ab");
    QTest::keyClick(&log, Qt::Key_Tab);
    QTest::keyClick(&log, Qt::Key_Return);
    log.addLines({{"arrived"}});
    QTest::keyClick(&log, Qt::Key_End, Qt::ShiftModifier);
    QTest::keyClick(&log, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "second");
    QTest::keyClick(&log, Qt::Key_Up);
    QTest::keyClick(&log, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(&log, Qt::Key_Right);
    QTest::keyClick(&log, Qt::Key_Backspace);
    QTest::keyClick(&log, Qt::Key_Delete);
    EXPECT_EQ(logLines(log), QList<LogLine>({{"first"}, red("second\t"), red(""), {"arrived"}}));

    QTest::keyClick(&log, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(&log, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "first\nsecond\t\n\narrived");
}

TEST(LogViewTest, TheMouseSelectsByDraggingAndWordsByDoubleClicking) {
    ShownLog shown;
    vx::LogView& log = shown.log;
    log.addLines({{"alpha beta"}, {"gamma delta"}});
    QTest::mousePress(log.viewport(), Qt::LeftButton, {}, shown.at(0, 6));
    QMouseEvent drag(QEvent::MouseMove, shown.at(1, 5), log.viewport()->mapToGlobal(shown.at(1, 5)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(log.viewport(), &drag);
    QTest::mouseRelease(log.viewport(), Qt::LeftButton, {}, shown.at(1, 5));
    EXPECT_EQ(log.document().selectedText(), "beta\ngamma");

    QTest::mouseDClick(log.viewport(), Qt::LeftButton, {}, shown.at(1, 8));
    EXPECT_EQ(log.document().selectedText(), "delta");
    log.copySelectionOrAll();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "delta");
}

} // namespace
