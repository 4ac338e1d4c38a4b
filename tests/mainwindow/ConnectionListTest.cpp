#include "ConnectionList.h"
#include "Errors.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

// A list whose rows are named by the letters of `names`, with the given ones selected.
void fill(TConnectionList& list, const QString& names, const QString& selected = {}) {
    std::vector<ConnectionEntry> rows;
    for (QChar name : names)
        rows.push_back(ConnectionEntry{QString(name)});
    list.setRows(std::move(rows));
    for (QChar name : selected)
        list.setSelected(int(names.indexOf(name)), true);
}

QString names(const TConnectionList& list) {
    QString text;
    for (const ConnectionEntry& entry : list.rows())
        text += entry.name;
    return text;
}

QString selectedNames(const TConnectionList& list) {
    QString text;
    for (int row : list.selectedRows())
        text += list.at(row).name;
    return text;
}

QString checks(const TConnectionList& list) {
    QString text;
    for (const ConnectionEntry& entry : list.rows())
        text += entry.checked ? u'x' : u'-';
    return text;
}

struct MoveCase {
    const char* selected;
    const char* operation; // "up", "down" or "drop X"
    const char* expected;
    char focused; // the row with the focus frame afterwards, or 0 when nothing moved
};

TEST(ConnectionListTest, MovesGatherTheSelectionAndKeepItSelected) {
    const MoveCase cases[] = {
        {"BD", "up", "BDACE", 'D'},     {"AC", "down", "BDACE", 'C'},
        {"CDE", "up", "ACDEB", 'E'},    {"AB", "down", "CABDE", 'B'},
        {"AC", "up", "ABCDE", 0},       {"CE", "down", "ABCDE", 0},
        {"", "up", "ABCDE", 0},         {"", "down", "ABCDE", 0},
        {"B", "drop D", "ACDBE", 'B'},  {"D", "drop B", "ADBCE", 'D'},
        {"AE", "drop C", "BCAED", 'E'}, {"DE", "drop A", "DEABC", 'E'},
        {"AC", "drop C", "ABCDE", 0},   {"ACE", "drop D", "BDACE", 'E'},
    };
    for (const MoveCase& c : cases) {
        SCOPED_TRACE(std::string(c.selected) + " " + c.operation);
        TConnectionList list;
        fill(list, "ABCDE", c.selected);
        const QString operation = c.operation;
        if (operation == "up")
            list.moveUp();
        else if (operation == "down")
            list.moveDown();
        else
            list.dropOn(int(QString("ABCDE").indexOf(operation.back())));
        EXPECT_EQ(names(list), c.expected);
        EXPECT_EQ(selectedNames(list).size(), QString(c.selected).size());
        for (QChar name : QString(c.selected))
            EXPECT_TRUE(list.isSelected(int(names(list).indexOf(name)))) << name.toLatin1();
        EXPECT_EQ(list.focused(), c.focused ? int(names(list).indexOf(QChar(c.focused))) : -1);
    }
}

TEST(ConnectionListTest, SortComparesAsTheWindowsCodePageDoesAndKeepsTheSelection) {
    TConnectionList list;
    fill(list, "PQR", "Q");
    const QStringList servers = {"b", "C", "a"};
    for (int row = 0; row < 3; ++row)
        list.update(row, list.at(row).name, {servers[row], "", "", "", "False"});
    auto serverOrder = [&] {
        QStringList order;
        for (const ConnectionEntry& entry : list.rows())
            order << entry.subItems[ConnectionEntry::Server];
        return order.join(' ');
    };
    list.sortBy(1, -1);
    EXPECT_EQ(serverOrder(), "C b a");
    EXPECT_EQ(selectedNames(list), "Q") << "the selection follows its row";
    list.sortBy(1, 1);
    EXPECT_EQ(serverOrder(), "a b C");
    list.sortBy(0, 1);
    EXPECT_EQ(names(list), "PQR");

    // Ascending orders: Latin case folds, Cyrillic compares by code page byte (upper case first,
    // ё before я although its code point is higher).
    const QStringList cases[][2] = {
        {{"б", "А", "Б", "а"}, {"А", "Б", "а", "б"}},
        {{"я", "ё"}, {"ё", "я"}},
        {{"_x", "abc"}, {"abc", "_x"}},
        {{"beta", "ALPHA", "alpha", "Alpha2"}, {"ALPHA", "alpha", "Alpha2", "beta"}},
    };
    for (const auto& [input, expected] : cases) {
        TConnectionList sorted;
        std::vector<ConnectionEntry> rows;
        for (const QString& name : input)
            rows.push_back(ConnectionEntry{name});
        sorted.setRows(rows);
        sorted.sortBy(0, -1);
        sorted.sortBy(0, 1);
        QStringList order;
        for (const ConnectionEntry& entry : sorted.rows())
            order << entry.name;
        EXPECT_EQ(order, expected);
    }
    EXPECT_EQ(CompareText("alpha", "ALPHA"), 0);
    EXPECT_LT(CompareText("ab", "abc"), 0);
}

TEST(ConnectionListTest, BulkTickTakesTheFirstRowUnlessSeveralAreSelected) {
    struct Case {
        const char* checks;
        const char* selected;
        const char* expected;
    } cases[] = {
        {"-----", "", "xxxxx"},   {"xxxxx", "", "-----"},   {"x----", "C", "-----"},
        {"-x-x-", "BD", "-----"}, {"---x-", "BD", "-x-x-"}, {"-x---", "A", "xxxxx"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.checks) + " / " + c.selected);
        TConnectionList list;
        fill(list, "ABCDE", c.selected);
        for (int row = 0; row < 5; ++row)
            list.setChecked(row, c.checks[row] == 'x');
        list.toggleChecks();
        EXPECT_EQ(checks(list), c.expected);
    }
    TConnectionList empty;
    empty.toggleChecks();
    EXPECT_EQ(empty.count(), 0);
}

TEST(ConnectionListTest, FindWrapsFromTheSelectionAndFoldsCyrillicCase) {
    TConnectionList list;
    const QStringList rowNames = {"srv1", "db", "srv2", "x", "SRV3", "Склад"};
    std::vector<ConnectionEntry> rows;
    for (const QString& name : rowNames)
        rows.push_back(ConnectionEntry{name});
    list.setRows(rows);
    list.setFocused(1);

    list.setSelected(2, true);
    EXPECT_EQ(list.findNext("srv", vx::frDown), 4);
    EXPECT_EQ(list.selectedRows(), QList<int>{4});
    EXPECT_EQ(list.focused(), 1) << "the focus frame stays where it was";

    list.setSelected(4, false);
    list.setSelected(2, true);
    EXPECT_EQ(list.findNext("srv", vx::frDown | vx::frMatchCase), 0);
    EXPECT_EQ(list.findNext("СКЛАД", vx::frDown), 5);
    EXPECT_EQ(list.findNext("СКЛАД", vx::frDown | vx::frMatchCase), -1);
    EXPECT_EQ(list.selectedRows(), QList<int>{5}) << "no hit changes nothing";

    list.selectionModel()->clearSelection();
    EXPECT_EQ(list.findNext("srv", {}), 4) << "upwards without a selection starts at the last row";
    EXPECT_EQ(list.findNext("", vx::frDown), -1);
    EXPECT_EQ(list.findNext("db", vx::frDown), 1);
    EXPECT_EQ(list.findNext("db", vx::frDown), 1) << "the selected row is tested last";
}

TEST(ConnectionListTest, DeleteRemovesExactlyTheSelectedRows) {
    TConnectionList list;
    fill(list, "ABCDE", "ABD");
    EXPECT_EQ(list.deleteSelected(), 3);
    EXPECT_EQ(names(list), "CE");
    EXPECT_EQ(list.deleteSelected(), 0);
    EXPECT_EQ(names(list), "CE");
}

TEST(ConnectionListTest, RowsOfferTheTickedOnesTheirDefinitionAndAHiddenPassword) {
    TConnectionList list;
    list.append({"A", true, {"srv", "db", "sa", "secret", "False"}});
    list.append({"B", false, {"srv2", "", "", "", "1"}});
    list.append({"C", true, {"srv3", "", "", "", "yes"}});
    EXPECT_EQ(list.checkedRows(), (QList<int>{0, 2}));
    EXPECT_EQ(list.at(0).definition(), (ConnectionDefinition{"srv", "db", "sa", "secret", false}));
    EXPECT_TRUE(list.at(1).definition().trusted);
    try {
        list.at(2).definition();
        ADD_FAILURE() << "a bad flag must raise";
    } catch (const vx::Error& e) {
        EXPECT_EQ(e.message(), "'yes' is not a valid boolean value");
    }
    EXPECT_EQ(list.data(list.index(0, 1), Qt::DisplayRole).toString(), "srv");
    EXPECT_FALSE(
        list.data(list.index(0, TConnectionList::PasswordColumn), Qt::DisplayRole).isValid());
    EXPECT_TRUE(list.setData(list.index(1, 0), Qt::Checked, Qt::CheckStateRole));
    EXPECT_EQ(list.checkedRows(), (QList<int>{0, 1, 2}));
}

TEST(ConnectionListTest, StrToBoolTakesWordsAndNumbers) {
    const std::pair<const char*, bool> valid[] = {
        {"True", true}, {"true", true}, {"FALSE", false}, {"1", true},
        {"0", false},   {"2", true},    {"-1", true},     {"0.5", true},
    };
    for (const auto& [text, expected] : valid)
        EXPECT_EQ(StrToBool(text), expected) << text;
    for (const char* text : {"yes", "", "nan", "1,5"})
        EXPECT_THROW(StrToBool(text), vx::Error) << text;
}

} // namespace
