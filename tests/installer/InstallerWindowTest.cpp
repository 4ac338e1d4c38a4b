// The installer window offscreen, in a sandbox, answered through the prompter double.
#include "uvxInstall.h"

#include "InstallerSandbox.h"
#include "ModalDriver.h"
#include "QtLanguage.h"
#include "QtPrinting.h"
#include "QtTexts.h"
#include "RecordingLauncher.h"
#include "RegistryStore.h"
#include "ScriptedPrompter.h"
#include "TextFit.h"
#include "uTZybWizard.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScopeGuard>
#include <QToolButton>
#include <gtest/gtest.h>

#include <memory>

using namespace vx;
using vx::test::InstallerSandbox;
using vx::test::RecordingLauncher;
using vx::test::ScriptedPrompter;
using Values = QList<RegistryStore::Value>;

namespace {

// Shown and enabled: what a user can click.
bool offered(const TfvxInstall& window, TZybWizardButtonKind kind) {
    const QPushButton* button = window.ZybWizard1->Button(kind);
    return button->isVisible() && button->isEnabled();
}

void click(const TfvxInstall& window, TZybWizardButtonKind kind) {
    window.ZybWizard1->Button(kind)->click();
}

void chooseLanguage(TfvxInstall& window, int index) {
    window.cbLanguage->setCurrentIndex(index);
    emit window.cbLanguage->activated(index);
}

QStringList memo(const QPlainTextEdit* edit) {
    return edit->toPlainText().split('\n', Qt::SkipEmptyParts);
}

bool ticked(const TfvxInstall& window, int module) {
    return window.clbModules->item(module)->checkState() == Qt::Checked;
}

// Welcome, licence with "I agree", parameters.
void goToParameters(TfvxInstall& window) {
    click(window, bkNext);
    window.cbLicence->setChecked(true);
    click(window, bkNext);
}

// The action starts from the event loop once the progress page shows.
void runQueuedAction() {
    QCoreApplication::processEvents();
}

class InstallerWindow : public ::testing::Test {
protected:
    std::unique_ptr<TfvxInstall> open(const QStringList& arguments = {"Vornalex_Install"}) {
        auto window = std::make_unique<TfvxInstall>(box.environment(), arguments);
        window->show();
        return window;
    }
    void writeRecord(const Values& values) {
        RegistryStore(box.environment().registryFile).writeValues(uninstallKeyPath(), values);
    }
    Values record() {
        return RegistryStore(box.environment().registryFile).readValues(uninstallKeyPath());
    }
    InstallerSandbox box;
    ScriptedPrompter prompter;
    RecordingLauncher launcher;
};

TEST_F(InstallerWindow, FirstStartOffersTheInstallationInEnglish) {
    const auto window = open();
    EXPECT_EQ(window->ZybWizard1->ActivePage(), window->pWelcome);
    EXPECT_TRUE(window->rbInstall->isChecked());
    EXPECT_FALSE(window->rbUninstall->isEnabled());
    EXPECT_TRUE(offered(*window, bkNext));
    EXPECT_FALSE(offered(*window, bkBack));
    EXPECT_EQ(window->eInstallationDir->text(), box.path("data/Vornalex"));
    EXPECT_EQ(window->eMenuDir->text(), "Vornalex");
    EXPECT_EQ(window->windowTitle(), "Vornalex installation");
    EXPECT_EQ(window->pWelcome->Header()->Subtitle()->Text(), "Vornalex installation");
    EXPECT_EQ(applicationTitle(), "Vornalex installation");
    EXPECT_EQ(window->mAgreement->toPlainText(), "LICENCE fixture");
    EXPECT_EQ(InstallerSandbox::readFile(box.path("tmp/Vornalex_Install-0/licence.txt")),
              "LICENCE fixture\n");
    EXPECT_TRUE(ticked(*window, 0) && ticked(*window, 1));
    EXPECT_EQ(window->stModuleComment->text(), "Application to create SQL-script installers.");
    EXPECT_TRUE(window->cbDesktopIcon->isChecked());
    EXPECT_EQ(record(), (Values{{"Language", "English"}}));
    EXPECT_TRUE(prompter.prompts().isEmpty());
}

TEST_F(InstallerWindow, AnInstalledProductStartsInItsSavedLanguageAndWaitsForAChoice) {
    writeRecord({{"UninstallString", box.path("data/Vornalex/vxuninst")}, {"Language", "russian"}});
    const auto window = open();
    EXPECT_FALSE(window->rbInstall->isChecked() || window->rbUninstall->isChecked());
    EXPECT_TRUE(window->rbUninstall->isEnabled());
    EXPECT_FALSE(offered(*window, bkNext));

    const QStringList texts{window->windowTitle(),
                            window->rbInstall->text(),
                            window->rbUninstall->text(),
                            window->ZybWizard1->ButtonNext()->Caption(),
                            window->ZybWizard1->ButtonCancel()->Caption(),
                            window->pLicence->Header()->Title()->Text(),
                            window->cbLicence->text(),
                            window->clbModules->item(0)->text(),
                            window->clbModules->item(1)->text(),
                            window->mAgreement->toPlainText()};
    EXPECT_EQ(texts, (QStringList{"Установка Vornalex", "Установить", "Деинсталировать", "Дальше >",
                                  "Отмена", "Шаг 2", "Я согласен", "Приложение", "Справка",
                                  "LIC_RUS fixture: лицензия"}));

    // The uninstallation road goes straight to the progress page, which asks first.
    window->rbUninstall->click();
    ASSERT_TRUE(offered(*window, bkNext));
    click(*window, bkNext);
    EXPECT_EQ(window->ZybWizard1->ActivePage(), window->pProgress);
    runQueuedAction();
    EXPECT_EQ(prompter.texts(), QStringList{"Удалить Vornalex?"});
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(record().value(0).first, "UninstallString");
}

TEST_F(InstallerWindow, ALanguageSwitchChangesTextsAndLicenceAndTicksBothModulesAgain) {
    const auto english = qScopeGuard([] { vx::useQtLanguage("English"); });
    const auto window = open();
    window->clbModules->item(1)->setCheckState(Qt::Unchecked);
    chooseLanguage(*window, 1);
    EXPECT_EQ(window->windowTitle(), "Установка Vornalex");
    EXPECT_EQ(window->pWelcome->Header()->Subtitle()->Text(), "Установка Vornalex");
    EXPECT_EQ(window->pInstall->Header()->Subtitle()->Text(), "Параметры установки");
    EXPECT_EQ(window->ZybWizard1->ButtonBack()->Caption(), "< Назад");
    EXPECT_EQ(window->mAgreement->toPlainText(), "LIC_RUS fixture: лицензия");
    EXPECT_TRUE(ticked(*window, 0) && ticked(*window, 1));
    EXPECT_EQ(record(), (Values{{"Language", "Russian"}}));
    window->clbModules->setCurrentRow(1);
    EXPECT_EQ(window->stModuleComment->text(), "Справка");
    EXPECT_EQ(vx::test::qtCancelText(), "Отмена") << "Qt's own texts in the same language";

    chooseLanguage(*window, 0);
    window->clbModules->setCurrentRow(1);
    EXPECT_EQ(window->stModuleComment->text(), "Help.");
    EXPECT_EQ(window->rbInstall->text(), "Install");
    EXPECT_EQ(vx::test::qtCancelText(), "Cancel");
    EXPECT_EQ(record(), (Values{{"Language", "English"}}));
    EXPECT_TRUE(prompter.prompts().isEmpty());
}

struct CannotCreate {
    int language;
    const char* skipped;      // the line's start
    const char* cannotCreate; // %1 the file, %2 the system's reason
    const char* noOpener;
};

class FileFailureTexts : public InstallerWindow,
                         public testing::WithParamInterface<CannotCreate> {};

// A file that cannot be made is named in the window's language, in the error box that ends an
// installation and in the lines of the launchers left out; so is a help page that cannot open.
TEST_P(FileFailureTexts, NameTheFileInTheWindowsLanguage) {
    const auto english = qScopeGuard([] { vx::useQtLanguage("English"); });
    const CannotCreate& c = GetParam();
    const auto cannotCreate = [&](const QString& file) {
        return QString::fromUtf8(c.cannotCreate).arg(file, "Not a directory");
    };
    InstallerSandbox::writeFile(box.path("plain"), "a file where folders go");
    const auto install = [&] {
        auto window = open();
        chooseLanguage(*window, c.language);
        goToParameters(*window);
        click(*window, bkNext);
        runQueuedAction();
        return memo(window->mProgress);
    };
    box.environment().programsDir = box.path("plain");
    install();
    EXPECT_EQ(prompter.texts().value(0).toStdString(),
              cannotCreate(box.path("plain/Vornalex/vxuninst")).toStdString());

    box.environment().programsDir = box.path("data");
    box.environment().menuRootDir = box.path("plain/applications");
    QStringList expected;
    for (const QString& entry : {vx::installed::UninstallEntry, vx::installed::ProgramEntry,
                                 vx::installed::LicenceEntry, vx::installed::HelpEntry})
        expected << QString::fromUtf8(c.skipped) +
                        cannotCreate(box.path("plain/applications/") + entry);
    EXPECT_EQ(install().filter(box.path("plain")).join('\n').toStdString(),
              expected.join('\n').toStdString());

    launcher.hasOpener = false;
    const auto window = open();
    chooseLanguage(*window, c.language);
    click(*window, bkHelp);
    EXPECT_EQ(
        prompter.texts().last().toStdString(),
        ("Ошибка запуска файла: " + box.path("tmp/Vornalex_Install-0/Vornalex.help/index.htm") +
         " (" + QString::fromUtf8(c.noOpener) + ")")
            .toStdString());
}

INSTANTIATE_TEST_SUITE_P(
    Languages, FileFailureTexts,
    testing::Values(CannotCreate{0, "Shortcut skipped: ", "Cannot create file \"%1\". %2",
                                 "no application could open it: xdg-open was not found; install "
                                 "xdg-utils"},
                    CannotCreate{1, "Ярлык пропущен: ", "Не удается создать файл \"%1\". %2",
                                 "ни одно приложение не смогло его открыть: не найден xdg-open; "
                                 "установите xdg-utils"}));

TEST_F(InstallerWindow, ARecordWithAnUnknownLanguageOnlyStartsAFirstInstallationInEnglish) {
    writeRecord({{"Language", "Deutsch"}});
    const auto window = open();
    EXPECT_EQ(window->cbLanguage->currentText(), "English");
    EXPECT_EQ(window->windowTitle(), "Vornalex installation");
    EXPECT_TRUE(window->rbInstall->isChecked());
    EXPECT_FALSE(window->rbUninstall->isEnabled());
    EXPECT_TRUE(prompter.prompts().isEmpty());
}

TEST_F(InstallerWindow, AFailedStartShowsItsReasonAndTheEmptyFolderIsRefusedLater) {
    box.environment().resourceRoot = ":/fixture_noexe/"; // no licence texts
    const auto window = open();
    EXPECT_EQ(prompter.texts(), QStringList{"Resource licence not found"});
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->eInstallationDir->text(), "");
    window->rbInstall->click();
    goToParameters(*window);
    click(*window, bkNext);
    EXPECT_EQ(window->ZybWizard1->ActivePage(), window->pInstall);
    EXPECT_EQ(prompter.texts().last(), "Please enter a full installation folder path.");
}

TEST_F(InstallerWindow, NextWaitsForTheAgreementAndTheFolderBeforeTheInstallationRuns) {
    InstallerSandbox::writeFile(box.path("plain"), "a file, not a folder");
    const auto window = open();
    click(*window, bkNext);
    ASSERT_EQ(window->ZybWizard1->ActivePage(), window->pLicence);
    EXPECT_FALSE(offered(*window, bkNext));
    window->cbLicence->click();
    EXPECT_TRUE(offered(*window, bkNext));
    window->cbLicence->click();
    EXPECT_FALSE(offered(*window, bkNext));
    window->cbLicence->click();
    click(*window, bkBack);
    ASSERT_EQ(window->ZybWizard1->ActivePage(), window->pWelcome);
    click(*window, bkNext);
    EXPECT_FALSE(window->cbLicence->isChecked()); // every visit asks again
    EXPECT_FALSE(offered(*window, bkNext));
    window->cbLicence->click();
    click(*window, bkNext);
    ASSERT_EQ(window->ZybWizard1->ActivePage(), window->pInstall);

    for (const QString& refused :
         {QString(), QString("Vornalex"), QString("~/Vornalex"), box.path("data/Vorna\nlex")}) {
        window->eInstallationDir->setText(refused);
        click(*window, bkNext);
        EXPECT_EQ(window->ZybWizard1->ActivePage(), window->pInstall) << refused.toStdString();
    }
    EXPECT_EQ(prompter.texts(), QStringList(4, "Please enter a full installation folder path."));

    // A folder the system cannot write into: the reason shows, the progress page stays with
    // Finish, which closes it.
    window->eInstallationDir->setText(box.path("plain/Vornalex"));
    click(*window, bkNext);
    runQueuedAction();
    EXPECT_EQ(prompter.texts().last(), "Cannot create file \"" +
                                           box.path("plain/Vornalex/vxuninst") +
                                           "\". Not a directory");
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->ZybWizard1->ActivePage(), window->pProgress);
    EXPECT_FALSE(window->ZybWizard1->Button(bkCancel)->isVisible());
    EXPECT_FALSE(window->ZybWizard1->Button(bkBack)->isVisible());
    EXPECT_EQ(memo(window->mProgress), (QStringList{"Create dir..", "Copy files.."}));
    EXPECT_EQ(record(), (Values{{"Language", "English"}}));
    click(*window, bkFinish);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(InstallerWindow, APercentSignInTheFolderIsRefusedSayingSoInEitherLanguage) {
    const auto english = qScopeGuard([] { vx::useQtLanguage("English"); });
    const auto window = open();
    goToParameters(*window);
    window->eInstallationDir->setText(box.path("data/100% Vornalex"));
    for (const int language : {0, 1}) {
        chooseLanguage(*window, language);
        click(*window, bkNext);
        EXPECT_EQ(window->ZybWizard1->ActivePage(), window->pInstall) << language;
    }
    EXPECT_EQ(prompter.texts(),
              (QStringList{"The character '%' cannot be used in the installation folder.",
                           "Символ '%' нельзя использовать в пути к папке установки."}));
}

#ifdef VX_SETUP_PROGRAM
TEST_F(InstallerWindow, TheLicencePageWrapsEachParagraphOfTheLicenceOnce) {
    const auto english = qScopeGuard([] { vx::useQtLanguage("English"); });
    box.environment().resourceRoot = vx::test::builtPayloadRoot();
    const auto window = open();
    click(*window, bkNext);
    ASSERT_EQ(window->ZybWizard1->ActivePage(), window->pLicence);
    EXPECT_EQ(window->mAgreement->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    for (const int language : {0, 1}) {
        chooseLanguage(*window, language);
        // Paragraphs one empty line apart, each one line of text that only the page wraps.
        const QStringList paragraphs = window->mAgreement->toPlainText().split("\n\n");
        EXPECT_GT(paragraphs.size(), 3) << language;
        EXPECT_EQ(paragraphs.filter("\n"), QStringList()) << language;
    }
}
#endif

TEST_F(InstallerWindow, TheInstallationRunsOnTheProgressPageAndClosesTheWindow) {
    const auto window = open();
    chooseLanguage(*window, 1);
    goToParameters(*window);
    const QString folder = box.path("data/My Vornalex");
    box.requireInside({folder});
    window->eInstallationDir->setText(folder);
    window->cbDesktopIcon->setChecked(false);
    click(*window, bkNext);
    ASSERT_EQ(window->ZybWizard1->ActivePage(), window->pProgress);
    runQueuedAction();
    EXPECT_EQ(memo(window->mProgress),
              (QStringList{"Создание директорий..", "Копирование файлов..",
                           "Создание ключей реестра..", "Vornalex успешно установлен."}));
    EXPECT_EQ(prompter.texts(), QStringList{"Vornalex успешно установлен."});
    EXPECT_EQ(prompter.prompts().value(0).caption, "Установка Vornalex");
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(QFileInfo::exists(folder + "/Vornalex"));
    EXPECT_FALSE(QFileInfo::exists(box.path("home/Desktop/Vornalex.desktop")));
    EXPECT_TRUE(record().contains({"UninstallString", folder + "/vxuninst"}));
    EXPECT_TRUE(record().contains({"Language", "Russian"}));
    EXPECT_TRUE(
        InstallerSandbox::readFile(box.path("data/applications/zelmorik-vornalex-licence.desktop"))
            .contains("lic_rus.txt"));
}

TEST_F(InstallerWindow, CancelAsksOnEveryPageThatOffersIt) {
    for (int page = 0; page < 3; ++page) {
        const auto window = open();
        if (page > 0)
            click(*window, bkNext);
        if (page > 1) {
            window->cbLicence->click();
            click(*window, bkNext);
        }
        ASSERT_EQ(window->ZybWizard1->GetActivePageIndex(), page);
        prompter.answerOkCancel(false);
        click(*window, bkCancel);
        EXPECT_TRUE(window->isVisible()) << page;
        prompter.answerOkCancel(true);
        click(*window, bkCancel);
        EXPECT_FALSE(window->isVisible()) << page;
    }
    EXPECT_EQ(prompter.texts(), QStringList(6, "Cancel Vornalex installation?"));
}

// Every page at the window's fixed size: each caption shows its whole text and no caption runs
// into the control it names.
QStringList misfits(TfvxInstall& window) {
    const std::pair<QWidget*, QWidget*> captioned[] = {{window.Label6, window.cbLanguage},
                                                       {window.lContent, window.clbModules},
                                                       {window.lPath, window.eInstallationDir},
                                                       {window.lMenu, window.eMenuDir}};
    QStringList found;
    for (TZybWizardCustomPage* page : window.ZybWizard1->Pages()) {
        window.ZybWizard1->SetActivePage(page);
        found << vx::test::clippedTexts(&window);
    }
    for (const auto& [caption, control] : captioned)
        if (caption->geometry().intersects(control->geometry()))
            found << caption->objectName() + " runs into " + control->objectName();
    return found;
}

TEST_F(InstallerWindow, EveryCaptionFitsInEitherLanguage) {
    const auto english = open();
    EXPECT_EQ(misfits(*english), QStringList());
    chooseLanguage(*english, 1);
    EXPECT_EQ(misfits(*english), QStringList());
    chooseLanguage(*english, 0);
    EXPECT_EQ(misfits(*english), QStringList());

    writeRecord({{"Language", "Russian"}});
    const auto russian = open();
    EXPECT_EQ(misfits(*russian), QStringList());
}

TEST(InstallerWindowStart, TheUninstallSwitchOpensOnTheProgressPageAndAsks) {
    const struct {
        const char* argument;
        bool installed;
        bool answer;
        QStringList prompts;
        bool stays; // on the welcome page, open
    } cases[] = {
        {"-u", true, true, {"Uninstall Vornalex?", "Vornalex successfully uninstalled."}, false},
        {"-u", true, false, {"Uninstall Vornalex?"}, false},
        {"-u", false, true, {"Vornalex is not installed."}, false},
        {"-U", true, true, {}, true},
        {"/u", true, true, {}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.argument) + (c.installed ? " installed" : " not installed") +
                     (c.answer ? " OK" : " Cancel"));
        InstallerSandbox box;
        ScriptedPrompter prompter;
        RecordingLauncher launcher;
        const QString uninstaller = box.path("data/Vornalex/vxuninst");
        RegistryStore(box.environment().registryFile)
            .writeValues(uninstallKeyPath(),
                         c.installed ? Values{{"UninstallString", uninstaller}} : Values{});
        prompter.answerOkCancel(c.answer);
        TfvxInstall window(box.environment(), {"Vornalex_Install", c.argument, "ignored"});
        window.show();
        EXPECT_EQ(window.ZybWizard1->GetActivePageIndex(), c.stays ? 0 : 3);
        runQueuedAction();
        EXPECT_EQ(prompter.texts(), c.prompts);
        EXPECT_EQ(window.isVisible(), c.stays);
        const bool uninstalled = c.prompts.size() == 2;
        EXPECT_EQ(RegistryStore(box.environment().registryFile)
                      .valueExists(uninstallKeyPath(), "UninstallString"),
                  c.installed && !uninstalled);
        if (uninstalled) {
            EXPECT_EQ(memo(window.mProgress),
                      (QStringList{"delete register keys..", "delete files.."}));
            ASSERT_EQ(launcher.starts.size(), 1);
            EXPECT_EQ(launcher.starts[0].arguments,
                      QStringList{box.path("tmp/Vornalex_Install-0/Vornalex_Install.sh")});
        } else {
            EXPECT_TRUE(launcher.starts.isEmpty());
        }
    }
}

TEST_F(InstallerWindow, AnUninstallationAfterAnotherOneFindsNoRecordAndDeletesNothing) {
    writeRecord({{"UninstallString", box.path("data/Vornalex/vxuninst")},
                 {"InstallDir", box.path("data/applications/Vornalex/")}});
    // The files beside the downloaded installer, where a missing record used to point.
    for (const char* file : {"licence.txt", "Vornalex.ini"})
        InstallerSandbox::writeFile(box.path("dl/") + file, "the user's");
    const auto stayedOpen = open();
    const auto first = open({"Vornalex_Install", "-u"});
    const auto second = open({"Vornalex_Install", "-u"});
    prompter.answerOkCancel(true);
    prompter.answerOkCancel(true);
    runQueuedAction();
    stayedOpen->rbUninstall->click();
    click(*stayedOpen, bkNext);
    runQueuedAction();

    EXPECT_EQ(prompter.texts(),
              (QStringList{"Uninstall Vornalex?", "Vornalex successfully uninstalled.",
                           "Vornalex is not installed.", "Vornalex is not installed."}));
    EXPECT_EQ(launcher.starts.size(), 1);
    EXPECT_EQ(memo(second->mProgress), QStringList());
    EXPECT_FALSE(first->isVisible() || second->isVisible() || stayedOpen->isVisible());
    EXPECT_EQ(box.tree(box.path("dl")),
              (QStringList{"Vornalex.ini", "Vornalex_Install", "licence.txt"}));
}

TEST_F(InstallerWindow, HelpOpensTheHelpPagesCopiedToTheTemporaryFolder) {
    int contexts = 0;
    SetHelpContextHandler([&](int) { ++contexts; });
    const auto window = open();
    click(*window, bkHelp);
    SetHelpContextHandler({});
    const QString index = box.path("tmp/Vornalex_Install-0/Vornalex.help/index.htm");
    EXPECT_EQ(launcher.urls, QList<QUrl>{QUrl::fromLocalFile(index)});
    EXPECT_TRUE(QFileInfo::exists(index));
    EXPECT_EQ(contexts, 0);
    EXPECT_TRUE(prompter.prompts().isEmpty());
}

TEST_F(InstallerWindow, ClosedWindowsTakeTheirLicenceAndHelpCopiesAndTheTemporaryFolder) {
    const QString temp = box.path("tmp/Vornalex_Install-0");
    auto first = open();
    const auto second = open();
    chooseLanguage(*first, 1);
    click(*first, bkHelp);
    EXPECT_EQ(box.tree(temp), (QStringList{"Vornalex.help/", "Vornalex.help/English.htm",
                                           "Vornalex.help/Russian.htm", "Vornalex.help/index.htm",
                                           "lic_rus.txt", "licence.txt"}));
    first.reset();
    EXPECT_FALSE(QFileInfo::exists(temp));
    // The window still open makes the folder again, as private as before.
    click(*second, bkHelp);
    EXPECT_EQ(InstallerSandbox::fileMode(temp), 0700u);
    EXPECT_TRUE(QFileInfo::exists(temp + "/Vornalex.help/index.htm"));
    EXPECT_TRUE(prompter.prompts().isEmpty());
}

TEST_F(InstallerWindow, TheFolderBrowserReplacesTheInstallationFolderOnlyWhenAnswered) {
    QDir().mkpath(box.path("data/Vornalex"));
    const auto window = open();
    goToParameters(*window);
    const QString chosen = box.path("home/Programs");
    prompter.answerFileName(chosen);
    prompter.answerFileName(std::nullopt);
    window->sbInstallationDir->click();
    EXPECT_EQ(window->eInstallationDir->text(), chosen);
    window->sbInstallationDir->click(); // cancelled; the folder does not exist, so no start
    EXPECT_EQ(window->eInstallationDir->text(), chosen);
    ASSERT_EQ(prompter.fileRequests().size(), 2);
    EXPECT_EQ(prompter.fileRequests()[0].title, "Select installation directory");
    EXPECT_EQ(prompter.fileRequests()[0].directory, box.path("data/Vornalex"));
    EXPECT_EQ(prompter.fileRequests()[1].directory, "");
}

} // namespace

namespace {

// The uninstall switch with the system's message boxes: the question comes up over the
// progress page, captioned with the installer's title.
TEST(InstallerWindowMessageBoxes, TheUninstallSwitchAsksInARealBoxOverTheProgressPage) {
    InstallerSandbox box;
    RecordingLauncher launcher;
    RegistryStore(box.environment().registryFile)
        .writeValues(uninstallKeyPath(), {{"UninstallString", box.path("data/Vornalex/vxuninst")}});
    TfvxInstall window(box.environment(), {"Vornalex_Install", "-u"});
    window.show();
    QStringList seen;
    const auto answer = [&](QMessageBox* question) {
        seen << question->windowTitle() << question->text();
        EXPECT_EQ(window.ZybWizard1->ActivePage(), window.pProgress);
        question->button(QMessageBox::Ok)->click();
    };
    vx::test::onNextModalOf<QMessageBox>([&](QMessageBox* question) {
        vx::test::onNextModalOf<QMessageBox>(answer);
        answer(question);
    });
    runQueuedAction();
    EXPECT_EQ(seen, (QStringList{"Vornalex installation", "Uninstall Vornalex?",
                                 "Vornalex installation", "Vornalex successfully uninstalled."}));
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(launcher.starts.size(), 1);
}

} // namespace
