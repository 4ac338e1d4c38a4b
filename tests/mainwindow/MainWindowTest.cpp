#include "ConnectionList.h"
#include "ConnectionListView.h"
#include "FileBytes.h"
#include "FindDialog.h"
#include "ModalDriver.h"
#include "ProgramSandbox.h"
#include "Properties.h"
#include "QtLanguage.h"
#include "QtTexts.h"
#include "RadioGroup.h"
#include "RecordingLauncher.h"
#include "ScriptExecutors.h"
#include "ScriptedPrompter.h"
#include "SettingsPath.h"
#include "TextFit.h"
#include "ToolsDialogDriver.h"
#include "uTZybStorage.h"
#include "uTZybTranslator.h"
#include "uZybDesignUtils.h"
#include "ufAbout.h"
#include "ufVornalex.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QScopeGuard>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <gtest/gtest.h>

#include <memory>

using vx::test::ProgramSandbox;
using vx::test::ScopedEnvironment;

namespace {

// A folder of stand-in programs, first and alone on PATH while the object lives.
class ToolFolder {
public:
    explicit ToolFolder(const QStringList& programs) : m_path("PATH", m_dir.path()) {
        for (const QString& program : programs)
            addProgram(m_dir.path(), program);
    }
    static void addProgram(const QString& folder, const QString& program) {
        QFile file(QDir(folder).filePath(program));
        file.open(QIODevice::WriteOnly);
        file.write("#!/bin/sh\n");
        file.setPermissions(file.permissions() | QFile::ExeOwner);
    }
    QString path(const QString& program) const { return QDir(m_dir.path()).filePath(program); }

private:
    QTemporaryDir m_dir;
    ScopedEnvironment m_path;
};

QStringList itemTexts(const QComboBox* box) {
    QStringList texts;
    for (int i = 0; i < box->count(); ++i)
        texts.append(box->itemText(i));
    return texts;
}

class MainWindowTest : public ::testing::Test {
protected:
    TfVornalex& open() {
        window = std::make_unique<TfVornalex>();
        return *window;
    }
    void close() { window.reset(); }

    // Opens the language menu and picks a language.
    void chooseLanguage(const QString& name) {
        window->aLanguage->trigger();
        for (QAction* item : window->ppmLanguage->actions()) {
            if (item->data().toString() == name)
                item->trigger();
        }
        window->ppmLanguage->close();
    }
    QStringList languageMenu() {
        window->aLanguage->trigger();
        QStringList items;
        for (QAction* item : window->ppmLanguage->actions())
            items.append(item->text() + (item->isChecked() ? "*" : ""));
        window->ppmLanguage->close();
        return items;
    }

    ProgramSandbox sandbox;
    vx::test::ScriptedPrompter prompter;
    std::unique_ptr<TfVornalex> window;
};

// Keys of the translator that name nothing on the window.
const QStringList plainKeys = {"Label5.Caption", "Label4.Caption", "Label3.Caption",
                               "Label1.Caption", "lConnect.Caption"};

TEST_F(MainWindowTest, EveryTranslatedPathAndStoredSettingReachesAProperty) {
    TfVornalex& w = open();
    QStringList unreachable;
    for (const QString& key : w.ZybTranslator->Items) {
        if (!key.contains('.') || plainKeys.contains(key))
            continue;
        const TZybPropPath path = ResolvePropPath(&w, key);
        if (!path.Object || !vx::findProperty(path.Object, path.PropName))
            unreachable.append(key);
    }
    for (const QString& entry : w.ZybStorage->StoredProps) {
        const QString component = entry.section('.', 0, 0);
        QObject* object = component == w.objectName() ? &w : w.findComponent(component);
        if (!object || !vx::findProperty(object, entry.section('.', 1)))
            unreachable.append(entry);
    }
    EXPECT_EQ(unreachable, QStringList());
    EXPECT_EQ(w.ZybTranslator->Items.size(), 88);
}

TEST_F(MainWindowTest, TheLayoutHoldsThePagesAndTheListColumns) {
    TfVornalex& window = open();
    ASSERT_EQ(window.pc->count(), 3);
    EXPECT_EQ(window.pc->widget(0), window.tsSettings);
    EXPECT_EQ(window.pc->widget(2), window.tsResults);
    EXPECT_EQ(window.lvConnections->header()->count(), 6);
    EXPECT_FALSE(window.aStop->isEnabled());
    EXPECT_TRUE(window.aExecute->isEnabled());
}

TEST_F(MainWindowTest, StartsWithoutASettingsFileOnTheDefaults) {
    const ToolFolder tools({});
    TfVornalex& w = open();
    EXPECT_EQ(w.windowTitle(), vx::applicationTitle());
    EXPECT_EQ(w.pc->currentWidget(), w.tsSettings);
    EXPECT_EQ(w.pc->tabText(0), "Settings");
    EXPECT_EQ(w.Connections->headerData(5, Qt::Horizontal, Qt::DisplayRole).toString(),
              "Windows auth");
    EXPECT_EQ(w.seConnectionTimeout->value(), 15);
    EXPECT_EQ(w.seCommandTimeout->value(), 30);
    EXPECT_EQ(w.gbOnError->itemIndex(), 0);
    EXPECT_TRUE(w.cbPrintMessages->isChecked());
    EXPECT_TRUE(w.cbAutoConnect->isChecked());
    EXPECT_FALSE(w.cbParallel->isChecked());
    EXPECT_EQ(itemTexts(w.cbScriptExecutor), QStringList({"Internal"}));
    EXPECT_EQ(w.cbScriptExecutor->currentIndex(), 0);
    EXPECT_FALSE(w.aStop->isEnabled());
    EXPECT_EQ(w.SortColumn, -1);
    EXPECT_EQ(w.SortDirection, -1);
    EXPECT_EQ(w.ScriptDir, sandbox.folder() + "/");
    EXPECT_EQ(w.ToolsIniPath, sandbox.folder() + "vxTools.ini");
    EXPECT_EQ(w.ZybStorage->IniFile, sandbox.settingsPath());
    EXPECT_EQ(LoadResString(&WP_SCRIPT_IS_EMPTY), "No script.");
    EXPECT_EQ(LoadResString(&VX_DELETE_CONNECTION), "Delete connecions (%d)?");
    EXPECT_TRUE(prompter.prompts().isEmpty());

    close();
    EXPECT_TRUE(sandbox.readFile("settings.ini").contains("[fVornalex.cbPrintMessages]"));
}

struct ExecutorCase {
    QStringList programs;
    QStringList items;
};

class ExecutorList : public MainWindowTest, public testing::WithParamInterface<ExecutorCase> {};

TEST_P(ExecutorList, OffersTheToolsFoundOnThePath) {
    const ToolFolder tools(GetParam().programs);
    TfVornalex& w = open();
    EXPECT_EQ(itemTexts(w.cbScriptExecutor), GetParam().items);
    for (int i = 1; i < w.cbScriptExecutor->count(); ++i) {
        const QString program =
            w.cbScriptExecutor->itemText(i) == "SQL 2000 tools" ? "isqlw" : "sqlcmd";
        EXPECT_EQ(w.cbScriptExecutor->itemData(i).toString(), tools.path(program));
    }
}

INSTANTIATE_TEST_SUITE_P(Tools, ExecutorList,
                         testing::Values(ExecutorCase{{}, {"Internal"}},
                                         ExecutorCase{{"isqlw"}, {"Internal", "SQL 2000 tools"}},
                                         ExecutorCase{{"sqlcmd"}, {"Internal", "SQL 2005 tools"}},
                                         ExecutorCase{
                                             {"sqlcmd", "isqlw"},
                                             {"Internal", "SQL 2000 tools", "SQL 2005 tools"}}));

TEST(ScriptExecutors, SqlcmdOutsideThePathIsFoundInTheToolFolders) {
    const ToolFolder path({});
    QTemporaryDir vendor;
    ToolFolder::addProgram(vendor.path(), "sqlcmd");
    const QString sqlcmd = QDir(vendor.path()).filePath("sqlcmd");
    EXPECT_EQ(vx::findScriptExecutors({"/nonexistent", vendor.path()}),
              QList<vx::ScriptExecutor>({{"SQL 2005 tools", sqlcmd}}));
    EXPECT_TRUE(vx::findScriptExecutors({"/nonexistent"}).isEmpty());
}

TEST_F(MainWindowTest, ALanguageChangeRetranslatesAndKeepsTheExecutor) {
    const auto english = qScopeGuard([] { vx::useQtLanguage("English"); });
    const ToolFolder tools({"isqlw", "sqlcmd"});
    TfVornalex& w = open();
    w.cbScriptExecutor->setCurrentIndex(2);
    EXPECT_EQ(languageMenu(), QStringList({"English*", "Russian"}));

    chooseLanguage("Russian");
    EXPECT_EQ(languageMenu(), QStringList({"English", "Russian*"}));
    EXPECT_EQ(itemTexts(w.cbScriptExecutor),
              QStringList({"Внутренний", "SQL 2000 tools", "SQL 2005 tools"}));
    EXPECT_EQ(w.cbScriptExecutor->currentIndex(), 2);
    EXPECT_EQ(w.pc->tabText(0), "Настройки");
    EXPECT_EQ(w.pc->tabText(2), "Результаты");
    EXPECT_EQ(w.gbOnError->items(), QStringList({"Спрашивать", "Прерывать", "Продолжать"}));
    EXPECT_EQ(w.cbNoRecords->text(), "Выполнить без результатов");
    EXPECT_EQ(w.lScriptExecutor->text(), "Исполнитель скрипта");
    EXPECT_EQ(w.aStop->text(), "Остановить");
    EXPECT_EQ(LoadResString(&WP_SCRIPT_IS_EMPTY), "Не задан скрипт.");
    EXPECT_EQ(LoadResString(&WP_FILE_SAVED), "Файл \"%s\" сохранен.");
    EXPECT_EQ(vx::test::qtCancelText(), "Отмена") << "Qt's own texts in the same language";

    close();
    vx::useQtLanguage("English");
    open();
    EXPECT_EQ(window->pc->tabText(0), "Настройки");
    EXPECT_EQ(window->cbScriptExecutor->currentIndex(), 2);
    EXPECT_EQ(vx::test::qtCancelText(), "Отмена");
    chooseLanguage("English");
    EXPECT_EQ(vx::test::qtCancelText(), "Cancel");
}

TEST_F(MainWindowTest, TheAboutBoxFollowsTheLanguage) {
    TfVornalex& w = open();
    chooseLanguage("Russian");
    QString title, linkCaption;
    vx::test::onNextModalOf<TfAbout>([&](TfAbout* about) {
        title = about->windowTitle();
        linkCaption = about->lLinkCaption->text();
        about->reject();
    });
    w.aAbout->trigger();
    EXPECT_EQ(title, "О программе");
    EXPECT_EQ(linkCaption, "Веб-сайт");
    EXPECT_TRUE(prompter.prompts().isEmpty());
}

TEST_F(MainWindowTest, AStoredExecutorBeyondTheListSelectsNoneUntilTheLanguageChanges) {
    const ToolFolder tools({"sqlcmd"});
    sandbox.writeFile("settings.ini", "[fVornalex.ZybTranslator]\nActiveLanguage=1\n"
                                      "[fVornalex.cbScriptExecutor]\nItemIndex=5\n");
    TfVornalex& w = open();
    EXPECT_EQ(itemTexts(w.cbScriptExecutor), QStringList({"Внутренний", "SQL 2005 tools"}));
    EXPECT_EQ(w.cbScriptExecutor->currentIndex(), -1);
    chooseLanguage("English");
    EXPECT_EQ(w.cbScriptExecutor->currentIndex(), 0);
    EXPECT_EQ(w.cbScriptExecutor->itemText(0), "Internal");
}

TEST_F(MainWindowTest, HelpOpensTheActiveLanguagesPageAndNamesAMissingOne) {
    sandbox.writeFile("Vornalex.help/English.htm", "<html></html>");
    const vx::test::RecordingLauncher launcher;
    TfVornalex& w = open();
    w.aHelp->trigger();
    EXPECT_EQ(launcher.urls,
              QList<QUrl>({QUrl::fromLocalFile(sandbox.folder() + "Vornalex.help/English.htm")}));
    EXPECT_TRUE(prompter.prompts().isEmpty());

    chooseLanguage("Russian");
    w.aHelp->trigger();
    EXPECT_EQ(launcher.urls.size(), 1);
    ASSERT_EQ(prompter.prompts().size(), 1);
    EXPECT_EQ(prompter.prompts()[0].icon, vx::PromptIcon::Error);
    EXPECT_TRUE(prompter.prompts()[0].text.contains("Vornalex.help/Russian.htm"))
        << prompter.prompts()[0].text.toStdString();
}

TEST_F(MainWindowTest, HelpWithoutTheDesktopsOpenerNamesWhatIsMissingAndThePage) {
    sandbox.writeFile("Vornalex.help/English.htm", "<html></html>");
    const ToolFolder nothing({}); // no opener and no browser on PATH
    TfVornalex& w = open();
    w.aHelp->trigger();
    ASSERT_EQ(prompter.prompts().size(), 1);
    EXPECT_EQ(prompter.prompts()[0].text,
              "Ошибка запуска файла: " + sandbox.folder() +
                  "Vornalex.help/English.htm (no application could open it: xdg-open was not "
                  "found; install xdg-utils)");
}

struct HelpFailure {
    const char* language;
    const char* nothingOpens;
    const char* noOpener;
};

class HelpFailures : public MainWindowTest, public testing::WithParamInterface<HelpFailure> {};

// An opener that finds no application for the page fails once it ends, while the window goes on;
// the error box then names the page as it does when there is no opener, with the reason in the
// window's language.
TEST_P(HelpFailures, NameThePageOnceTheOpenerFailsAndWithoutAnOpener) {
    const HelpFailure& c = GetParam();
    const QString page = QString("Vornalex.help/") + c.language + ".htm";
    sandbox.writeFile(page, "<html></html>");
    vx::test::RecordingLauncher launcher;
    open();
    chooseLanguage(c.language);
    window->aHelp->trigger();
    EXPECT_TRUE(prompter.prompts().isEmpty()) << "nothing shows while the opener runs";
    launcher.failOpens();
    launcher.hasOpener = false;
    window->aHelp->trigger();
    const QString failure = "Ошибка запуска файла: " + sandbox.folder() + page + " (%1)";
    EXPECT_EQ(prompter.texts().join('\n').toStdString(),
              (failure.arg(c.nothingOpens) + '\n' + failure.arg(c.noOpener)).toStdString());
    for (const auto& prompt : prompter.prompts())
        EXPECT_EQ(prompt.icon, vx::PromptIcon::Error);
}

INSTANTIATE_TEST_SUITE_P(
    Languages, HelpFailures,
    testing::Values(HelpFailure{"English", "no application could open it",
                                "no application could open it: xdg-open was not found; install "
                                "xdg-utils"},
                    HelpFailure{"Russian", "ни одно приложение не смогло его открыть",
                                "ни одно приложение не смогло его открыть: не найден xdg-open; "
                                "установите xdg-utils"}));

TEST_F(MainWindowTest, ASettingsFileThatCannotBeReadIsNotWrittenAtTheEnd) {
    // A folder in its place cannot be read, even by root.
    QDir().mkpath(sandbox.settingsPath());
    TfVornalex& w = open();
    ASSERT_EQ(prompter.texts(), QStringList({"Unable to read " + sandbox.settingsPath()}));
    EXPECT_EQ(w.pc->tabText(0), "Settings");

    // Had the window written at the end, it would now replace this file.
    QDir().rmdir(sandbox.settingsPath());
    sandbox.writeFile("settings.ini", "kept");
    close();
    EXPECT_EQ(sandbox.readFile("settings.ini"), "kept");
    EXPECT_EQ(prompter.prompts().size(), 1);
}

// Every page of the window and its dialogs at their default sizes, in each language.
class WindowTextsFit : public MainWindowTest, public testing::WithParamInterface<const char*> {};

TEST_P(WindowTextsFit, EveryPageAndEveryDialogShowTheirWholeTexts) {
    TfVornalex& w = open();
    vx::test::writeFileBytes(w.ToolsIniPath, "[Tools]\nname0=First\napp0=true\n");
    chooseLanguage(GetParam());
    w.show();
    QStringList clipped;
    for (int page = 0; page < w.pc->count(); ++page) {
        w.pc->setCurrentIndex(page);
        QCoreApplication::processEvents();
        clipped << vx::test::clippedTexts(&w);
    }
    vx::test::onNextModalOf<TfAbout>([&](TfAbout* about) {
        clipped << vx::test::clippedTexts(about);
        // The version rows are cells, not labels: each value needs its whole text's width.
        const QTableWidget* rows = about->vlAppInfo;
        for (int row = 0; row < rows->rowCount(); ++row) {
            const QString value = rows->item(row, 1)->text();
            const QRect cell = rows->visualItemRect(rows->item(row, 1));
            if (cell.width() < rows->fontMetrics().horizontalAdvance(value) ||
                cell.bottom() >= rows->viewport()->height())
                clipped << "vlAppInfo " + value;
        }
        about->reject();
    });
    w.aAbout->trigger();
    w.dConnectFind->Execute();
    QCoreApplication::processEvents();
    clipped << vx::test::clippedTexts(w.dConnectFind);
    // The connection dialog with its login fields, the tools list and a tool.
    const auto look = [&](TfZybCustomDialog* dialog) { clipped << vx::test::clippedTexts(dialog); };
    vx::test::onNextModalOf<TfZybCustomDialog>([&](TfZybCustomDialog* dialog) {
        look(dialog);
        dialog->CancelButton().Button()->click();
    });
    w.aConnectAdd->trigger();
    vx::test::onNextModalOf<TfZybCustomDialog>([&](TfZybCustomDialog* tools) {
        look(tools);
        tools->CancelButton().Button()->click();
    });
    w.aToolsSettle1->trigger();
    vx::test::editFirstTool(w, look);
    clipped.removeDuplicates(); // the tool bar stands above every page
    EXPECT_TRUE(clipped.isEmpty()) << clipped.join('\n').toStdString();
}

INSTANTIATE_TEST_SUITE_P(Languages, WindowTextsFit, testing::Values("English", "Russian"));

TEST(SettingsPath, BesideTheProgramWhenItsFolderIsWritableElseInTheConfigFolder) {
    QTemporaryDir root;
    const ScopedEnvironment named("VORNALEX_SETTINGS", std::nullopt);
    const ScopedEnvironment config("XDG_CONFIG_HOME", root.filePath("config"));
    EXPECT_EQ(vx::settingsFilePath(root.filePath("Vornalex")), root.filePath("Vornalex.ini"));

    // Under a regular file no folder can be written, even by root.
    QFile blocker(root.filePath("file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    EXPECT_EQ(vx::settingsFilePath(root.filePath("file/bin/Vornalex")),
              root.filePath("config/vornalex/vornalex.ini"));
    EXPECT_TRUE(QFileInfo(root.filePath("config/vornalex")).isDir());

    const ScopedEnvironment given("VORNALEX_SETTINGS", "/elsewhere/my.ini");
    EXPECT_EQ(vx::settingsFilePath(root.filePath("Vornalex")), "/elsewhere/my.ini");
}

} // namespace
