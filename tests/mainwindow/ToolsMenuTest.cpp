#include "ConnectionList.h"
#include "FileBytes.h"
#include "IniFile.h"
#include "ModalDriver.h"
#include "ProgramSandbox.h"
#include "RecordingLauncher.h"
#include "ScriptedPrompter.h"
#include "ToolsDialogDriver.h"
#include "ValueListEditor.h"
#include "ufEditList.h"
#include "ufEditNamedObject.h"
#include "ufSQLLoaderResult.h"
#include "ufVornalex.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <gtest/gtest.h>

// The tools menu and the tools dialog as the user reaches them through the main window.
namespace {

using vx::test::editFirstTool;
using vx::test::onNextModalOf;

const QByteArray toolsFile = "[Before]\r\nk=v\r\n"
                             "[Tools]\r\n"
                             "name0=First & Co\r\napp0=true\r\nparams0=-S %s\r\nparamsTrust0=-E\r\n"
                             "Name1=capital N is no tool\r\napp1=wrong\r\n"
                             "name2=Second\r\napp2=sh\r\nparams2=-S %s -d %s -U %s -P %s\r\n"
                             "paramsTrust2=-S %s -d %s -E\r\n"
                             "[After]\r\nx=y\r\n";

ConnectionEntry entry(const QString& name, const QString& server, const QString& password,
                      const QString& trusted) {
    return {name, false, {server, "Продажи", "sa", password, trusted}};
}

class ToolsMenuTest : public testing::Test {
protected:
    ToolsMenuTest() {
        writeTools(toolsFile);
        window.Connections->setRows({entry("A", "srv 1", R"(p w"d '%PATH%' пароль)", "False"),
                                     entry("B", "srv2", "", "True")});
    }

    void writeTools(const QByteArray& bytes) const {
        vx::test::writeFileBytes(window.ToolsIniPath, bytes);
    }

    // The menu's items as shown, a separator as "-"; closes the menu.
    QStringList menuItems() const {
        QStringList items;
        for (const QAction* item : window.pmTools->actions())
            items << (item->isSeparator() ? "-" : item->text());
        window.pmTools->hide();
        return items;
    }
    // Chooses the menu's item with the caption.
    void choose(const QString& caption) {
        for (QAction* item : window.pmTools->actions())
            if (item->text() == caption)
                return item->trigger();
        ADD_FAILURE() << "no item " << caption.toStdString();
    }

    vx::test::ProgramSandbox sandbox;
    vx::test::ScriptedPrompter prompter;
    vx::test::RecordingLauncher launcher;
    TfVornalex window;
};

TEST_F(ToolsMenuTest, TheMenuListsTheToolsOfTheFileForTheFirstSelectedRow) {
    window.aTools->trigger();
    EXPECT_EQ(prompter.texts(), QStringList("Choose connection."));
    EXPECT_FALSE(window.pmTools->isVisible());

    window.Connections->setSelected(1, true);
    window.Connections->setSelected(0, true);
    window.aTools->trigger();
    window.aTools->trigger();
    EXPECT_EQ(menuItems(), QStringList({"First && Co", "Second", "-", "Configure Tools..."}));

    window.aTools->trigger();
    choose("Second");
    window.Connections->setSelected(0, false);
    window.aTools->trigger();
    choose("Second");
    ASSERT_EQ(launcher.starts.size(), 2);
    EXPECT_TRUE(launcher.starts[0].program.endsWith("/sh")) << "app2, of the item's own suffix";
    EXPECT_EQ(launcher.starts[0].arguments, QStringList({"-S", "srv 1", "-d", "Продажи", "-U", "sa",
                                                         "-P", R"(p w"d '%PATH%' пароль)"}));
    EXPECT_EQ(launcher.starts[1].arguments, QStringList({"-S", "srv2", "-d", "Продажи", "-E"}));

    QFile::remove(window.ToolsIniPath);
    window.aTools->trigger();
    EXPECT_EQ(menuItems(), QStringList({"-", "Configure Tools..."}));
}

TEST_F(ToolsMenuTest, AResultsPageStartsToolsForItsOwnConnectionAfterTheListChanged) {
    TfSQLLoaderResult page;
    page.Index = 1;
    window.ConnectionToLogin(1, page.Login);
    window.Connections->sortBy(0, -1); // B, A
    ASSERT_EQ(window.Connections->at(1).name, "A");

    window.ResultToolsClick(&page);
    choose("Second");
    ASSERT_EQ(launcher.starts.size(), 1);
    EXPECT_EQ(launcher.starts[0].arguments, QStringList({"-S", "srv2", "-d", "Продажи", "-E"}));
}

TEST_F(ToolsMenuTest, AToolThatCannotStartOrABadRowGivesTheErrorAndStartsNothing) {
    window.Connections->setRows({entry("A", "s", "p", "yes")});
    window.Connections->setSelected(0, true);
    window.aTools->trigger();
    choose("Second");
    writeTools("[Tools]\nname0=Missing\napp0=no-such-tool-vx\nparams0=-S %s\nparamsTrust0=%s\n");
    window.Connections->setRows({entry("A", "s", "p", "False")});
    window.Connections->setSelected(0, true);
    window.aTools->trigger();
    choose("Missing");
    EXPECT_EQ(prompter.texts(),
              QStringList({"'yes' is not a valid boolean value",
                           "Ошибка запуска файла: no-such-tool-vx (No such file or directory)"}));
    EXPECT_TRUE(launcher.starts.isEmpty());
}

TEST_F(ToolsMenuTest, TheDialogPairsKeysBySuffixAndItsOkRewritesTheFileKeepingOtherSections) {
    TfEditList* list = window.aToolsConfigure->GetForm();
    QStringList names;
    QStringList shownForSecond;
    QStringList shownForNew;
    // One tool's dialog: records what vleTool shows, types the values given and presses OK.
    const auto answerTool = [&](QStringList& shown, const QString& name,
                                const QStringList& values) {
        onNextModalOf<TfZybCustomDialog>([&, name, values](TfZybCustomDialog* dialog) {
            for (int row = 0; row < 3; ++row)
                shown << window.vleTool->value(row);
            SetNamedObjectName(list->aNamedObject->GetForm(), name);
            for (int row = 0; row < values.size(); ++row)
                window.vleTool->setValue(row, values[row]);
            dialog->OkButton().Button()->click();
        });
    };
    onNextModalOf<TfZybCustomDialog>([&](TfZybCustomDialog* dialog) {
        for (const TZybListEntry& tool : window.aToolsConfigure->List().Entries())
            names << tool.Name;
        window.aToolsConfigure->SetActiveItem(1);
        answerTool(shownForSecond, "Second", {"sqlcmd", "-S %s", "-S %s -E"});
        list->aEdit->trigger();
        list->aMoveUp->trigger();
        answerTool(shownForNew, "New", {});
        list->aNew->trigger();
        dialog->OkButton().Button()->click();
    });
    window.aToolsSettle1->trigger();

    EXPECT_EQ(names, QStringList({"First & Co", "Second"}));
    EXPECT_EQ(shownForSecond, QStringList({"sh", "-S %s -d %s -U %s -P %s", "-S %s -d %s -E"}));
    EXPECT_EQ(shownForNew, QStringList({"", "", ""}));
    const vx::IniFile ini(window.ToolsIniPath);
    EXPECT_EQ(ini.readSections(), QStringList({"Before", "After", "Tools"}));
    EXPECT_EQ(ini.readString("After", "x", ""), "y");
    EXPECT_EQ(ini.readSectionValues("Tools"),
              (QList<vx::IniFile::Entry>{{"name0", "Second"},
                                         {"app0", "sqlcmd"},
                                         {"params0", "-S %s"},
                                         {"paramsTrust0", "-S %s -E"},
                                         {"name1", "First & Co"},
                                         {"app1", "true"},
                                         {"params1", "-S %s"},
                                         {"paramsTrust1", "-E"},
                                         {"name2", "New"},
                                         {"app2", ""},
                                         {"params2", ""},
                                         {"paramsTrust2", ""}}));
}

TEST_F(ToolsMenuTest, CancellingTheDialogLeavesTheFileAsItWas) {
    onNextModalOf<TfZybCustomDialog>([&](TfZybCustomDialog* dialog) {
        window.aToolsConfigure->GetForm()->aMoveDown->trigger();
        dialog->CancelButton().Button()->click();
    });
    window.aToolsConfigure->trigger();
    EXPECT_EQ(vx::test::fileBytes(window.ToolsIniPath), toolsFile);
    EXPECT_TRUE(prompter.texts().isEmpty());
}

TEST_F(ToolsMenuTest, AToolsDialogShowsAllRowsOfTheToolFromTheTop) {
    QList<bool> allRowsShown;
    const auto look = [&](TfZybCustomDialog*) {
        const vx::ValueListEditor* grid = window.vleTool;
        const QRect first = grid->visualItemRect(grid->item(0, 1));
        const QRect last = grid->visualItemRect(grid->item(grid->rowCount() - 1, 1));
        allRowsShown << (grid->viewport()->rect().contains(first) &&
                         grid->viewport()->rect().contains(last));
    };
    editFirstTool(window, [&](TfZybCustomDialog* tool) {
        look(tool);
        // The user edits the last row, which scrolls the grid if it must.
        window.vleTool->setCurrentCell(2, 1);
        window.vleTool->scrollToItem(window.vleTool->item(2, 1));
    });
    editFirstTool(window, look);
    EXPECT_EQ(allRowsShown, QList<bool>({true, true}));
}

} // namespace
