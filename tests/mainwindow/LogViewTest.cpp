#include "LogView.h"
#include "PageDriver.h"

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
    EXPECT_EQ(log.document()->blockCount(), 4);
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
