#include "FindDialog.h"
#include "Properties.h"
#include "ValueListEditor.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(ValueListEditor, KeepsKeysAndValuesAsLinesAndEditsOnlyValues) {
    vx::ValueListEditor editor;
    editor.setTitleCaptions({"Key", "Value", "ignored"});
    editor.setStrings({"Application=isqlw", "params=-S %s -d %s=x", "bare"});
    EXPECT_EQ(editor.titleCaptions(), QStringList({"Key", "Value"}));
    EXPECT_EQ(editor.strings(),
              QStringList({"Application=isqlw", "params=-S %s -d %s=x", "bare="}));
    EXPECT_EQ(editor.value(1), "-S %s -d %s=x");
    EXPECT_FALSE(editor.item(0, 0)->flags().testFlag(Qt::ItemIsEditable));
    EXPECT_TRUE(editor.item(0, 1)->flags().testFlag(Qt::ItemIsEditable));

    editor.setValue(2, "v");
    editor.setValue(7, "nowhere");
    EXPECT_EQ(editor.value(2), "v");
    EXPECT_EQ(editor.value(7), "");
    // New keys, as a language change writes them, drop the old rows.
    vx::findProperty(&editor, "Strings")->setStrings({"Приложение="});
    EXPECT_EQ(editor.strings(), QStringList({"Приложение="}));
}

TEST(FindDialog, OptionsComeBackAsSetIncludingThoseItDoesNotShow) {
    vx::FindDialog dialog;
    for (const vx::TFindOptions options :
         {vx::TFindOptions(vx::frDown), vx::TFindOptions(vx::frMatchCase | vx::frWholeWord),
          vx::TFindOptions(vx::frDown | vx::frFindNext | vx::frHideUpDown)}) {
        dialog.setOptions(options);
        EXPECT_EQ(dialog.options(), options);
    }
    dialog.setFindText(" Сервер ");
    EXPECT_EQ(vx::findProperty(&dialog, "FindText")->text(), " Сервер ");
}

TEST(FindDialog, EveryAmpersandOfItsLabelsIsAMnemonicOfAField) {
    vx::FindDialog dialog;
    dialog.Execute();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    const auto labels = dialog.findChildren<QLabel*>();
    ASSERT_FALSE(labels.isEmpty());
    for (const QLabel* label : labels) {
        if (label->text().contains('&'))
            EXPECT_NE(label->buddy(), nullptr) << label->text().toStdString();
    }
    dialog.findChild<QCheckBox*>()->setFocus();
    QTest::keyClick(&dialog, Qt::Key_N, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), dialog.findChild<QLineEdit*>());
}

} // namespace
