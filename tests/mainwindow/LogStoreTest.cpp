#include "LogStore.h"
#include "PageDriver.h"

#include <gtest/gtest.h>

#include <random>

using vx::LogLine;
using vx::LogStore;

namespace {

QList<LogLine> contents(const LogStore& store) {
    QList<LogLine> lines;
    for (qsizetype i = 0; i < store.lineCount(); ++i)
        lines.append({store.text(i), store.isError(i)});
    return lines;
}

// Chunks of a few bytes make nearly every edit cross, empty, split or merge chunks; chunks of 4 KB
// take the log through its first chunk's growth and on into whole chunks. The lines mix ASCII,
// Cyrillic and characters outside the BMP so that byte and character counts differ.
TEST(LogStoreTest, AppendsAndEditsAnywhereKeepEveryLineAndFlag) {
    const QStringList texts = {"", "ab", QString::fromUtf8("Привет, мир"),
                               QString::fromUtf8("\U0001F600 x"), QString(40, QLatin1Char('w'))};
    // Chunk size, and appends in every three steps.
    for (const auto [chunkBytes, appends] : {std::pair<qsizetype, int>{16, 1}, {4096, 2}}) {
        SCOPED_TRACE(chunkBytes);
        std::mt19937 random(19);
        const auto pick = [&](qsizetype bound) { return qsizetype(random() % (bound + 1)); };
        const auto someLines = [&](qsizetype count) {
            QList<LogLine> lines;
            for (qsizetype i = 0; i < count; ++i)
                lines.append({texts[pick(texts.size() - 1)], random() % 2 == 0});
            return lines;
        };

        LogStore store(chunkBytes);
        QList<LogLine> model;
        for (int step = 0; step < 3000; ++step) {
            if (step % 1000 == 999) {
                store.clear();
                model.clear();
            } else if (int(random() % 3) < appends) {
                const LogLine line = someLines(1).first();
                store.append(line.text, line.isError);
                model.append(line);
            } else {
                const qsizetype first = pick(model.size());
                const qsizetype count = pick(std::min<qsizetype>(6, model.size() - first));
                const QList<LogLine> lines = someLines(pick(4));
                store.replace(first, count, lines);
                model.remove(first, count);
                for (qsizetype i = 0; i < lines.size(); ++i)
                    model.insert(first + i, lines[i]);
            }
            ASSERT_EQ(store.lineCount(), model.size()) << "step " << step;
            ASSERT_EQ(contents(store), model) << "step " << step;
        }
    }
}

TEST(LogStoreTest, TheWidestLineCountsTabsToTheNextStop) {
    const QList<std::pair<QString, qsizetype>> cases = {
        {"", 0}, {"abc", 3}, {"\t", 8}, {"ab\tc", 9}, {"12345678\t", 16}, {"a\t\tb", 17}};
    for (const auto& [text, columns] : cases)
        EXPECT_EQ(LogStore::columns(text), columns) << text.toStdString();

    LogStore store;
    store.append("short", false);
    store.append("a\t\tb", true);
    store.replace(1, 1, {{"x", false}});
    EXPECT_EQ(store.widestLine(), 17) << "an edit never narrows the scroll range";
    store.clear();
    EXPECT_EQ(store.widestLine(), 0);
}

// A byte order mark is text like any other inside a log line: it is shown and copied as sent.
TEST(LogStoreTest, KeepsAByteOrderMarkAtTheStartOfALine) {
    const QString marked = QString(QChar(0xFEFF)) + QStringLiteral("x");
    LogStore store;
    store.append(marked, false);
    store.replace(0, 0, {{marked, true}});
    EXPECT_EQ(contents(store), (QList<LogLine>{{marked, true}, {marked, false}}));
}

} // namespace
