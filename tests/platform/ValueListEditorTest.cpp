#include "ValueListEditor.h"
#include "Properties.h"

#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(ValueListEditor, TakesRowsAndTitlesByTheirPublishedNamesAndEditsOnlyValues) {
    vx::ValueListEditor grid;
    vx::findProperty(&grid, "Strings")
        ->setStrings({"Application=isqlw", "params=-S=x", "no value"});
    vx::findProperty(&grid, "titlecaptions")->setStrings({"Ключ", "Значение"});

    EXPECT_EQ(grid.strings(), QStringList({"Application=isqlw", "params=-S=x", "no value="}));
    EXPECT_EQ(grid.titleCaptions(), QStringList({"Ключ", "Значение"}));
    EXPECT_EQ(grid.value(1), "-S=x");
    EXPECT_EQ(grid.value(3), "");
    EXPECT_FALSE(grid.item(0, 0)->flags().testFlag(Qt::ItemIsEditable));

    grid.show();
    grid.setCurrentCell(2, 1);
    grid.editItem(grid.item(2, 1));
    QTest::keyClicks(grid.viewport()->findChild<QWidget*>(), "typed");
    grid.commitEdit();
    EXPECT_EQ(grid.value(2), "typed");
}

} // namespace
