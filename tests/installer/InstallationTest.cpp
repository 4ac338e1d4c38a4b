#include "Installation.h"
#include "ErrorText.h"
#include "InstallerSandbox.h"
#include "QtPrinting.h"
#include "RegistryStore.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace vx;
using vx::test::englishText;
using vx::test::errorText;
using vx::test::InstallerSandbox;
using vx::test::refusedEntries;

namespace {

const QStringList InstallationFolder{"Vornalex",
                                     "Vornalex.help/",
                                     "Vornalex.help/English.htm",
                                     "Vornalex.help/Russian.htm",
                                     "Vornalex.help/index.htm",
                                     "Vornalex.png",
                                     "Vornalex_Install",
                                     "lic_rus.txt",
                                     "licence.txt",
                                     "vxTools.ini",
                                     "vxuninst"};

class InstallationTest : public ::testing::Test {
protected:
    InstallChoices choices(const QString& folder) {
        InstallChoices c;
        c.installationDir = folder;
        c.menuDir = "Vornalex";
        c.language = "English";
        return c;
    }

    // Runs the installation; the progress lines, or the error with the lines so far.
    QStringList install(const InstallChoices& c) {
        QStringList lines;
        const QString error = errorText([&] {
            Installation(box.environment(), englishText, [&](const QString& line) {
                lines << line;
            }).run(c);
        });
        if (!error.isEmpty())
            lines << "error: " + error;
        return lines;
    }

    QList<RegistryStore::Value> record() {
        return RegistryStore(box.environment().registryFile).readValues(uninstallKeyPath());
    }

    InstallerSandbox box;
    const QString d = box.path("data/Vornalex/");
    const QString m = box.path("data/applications/");
    const QStringList menuEntries{
        "zelmorik-vornalex-help.desktop", "zelmorik-vornalex-licence.desktop",
        "zelmorik-vornalex-uninstall.desktop", "zelmorik-vornalex.desktop"};
    const QStringList phases{"Create dir..", "Copy files..", "Registry entries.."};
};

} // namespace

TEST_F(InstallationTest, InstallsEveryFileEntryAndTheRecord) {
    EXPECT_EQ(install(choices(box.path("data/Vornalex"))), phases);

    EXPECT_EQ(box.tree(d), InstallationFolder);
    const struct {
        QString file;
        QByteArray bytes;
        unsigned mode;
    } files[] = {
        {"Vornalex", InstallerSandbox::readFile(":/SETUPFILE/VXEXE"), 0755},
        {"vxuninst", InstallerSandbox::readFile(":/SETUPFILE/VXUNINST"), 0755},
        {"Vornalex.png", InstallerSandbox::readFile(":/SETUPFILE/VXICON"), 0644},
        {"Vornalex_Install", "INSTALLER", 0755},
        {"vxTools.ini", InstallerSandbox::readFile(":/SETUPFILE/VXTOOLS"), 0644},
        {"licence.txt", "LICENCE fixture\n", 0644},
        {"lic_rus.txt", InstallerSandbox::readFile(":/SETUPFILE/LIC_RUS"), 0644},
        {"Vornalex.help/index.htm", "<html><body>index</body></html>\n", 0644},
    };
    for (const auto& f : files) {
        EXPECT_EQ(InstallerSandbox::readFile(d + f.file), f.bytes) << f.file.toStdString();
        EXPECT_EQ(InstallerSandbox::fileMode(d + f.file), f.mode) << f.file.toStdString();
    }

    EXPECT_EQ(box.tree(m), menuEntries);
    const QByteArray icon = d.toUtf8() + "Vornalex.png";
    const auto entry = [&](const QString& name, const QString& exec, const char* categories) {
        return QByteArray("[Desktop Entry]\nType=Application\nName=") + name.toUtf8() +
               "\nExec=" + exec.toUtf8() +
               "\nPath=" + QFileInfo(exec.section(' ', -1)).absolutePath().toUtf8() +
               "/\nIcon=" + icon + "\nCategories=" + categories + "\nTerminal=false\n";
    };
    EXPECT_EQ(InstallerSandbox::readFile(m + "zelmorik-vornalex.desktop"),
              entry("Vornalex", d + "Vornalex", "Development;Database;"));
    EXPECT_EQ(InstallerSandbox::readFile(m + "zelmorik-vornalex-uninstall.desktop"),
              entry("Uninstall", d + "vxuninst", "X-Vornalex;"));
    EXPECT_EQ(InstallerSandbox::readFile(m + "zelmorik-vornalex-licence.desktop"),
              entry("licence", "xdg-open " + d + "licence.txt", "X-Vornalex;"));
    EXPECT_EQ(InstallerSandbox::readFile(m + "zelmorik-vornalex-help.desktop"),
              entry("Help", "xdg-open " + d + "Vornalex.help/index.htm", "X-Vornalex;"));
    EXPECT_EQ(InstallerSandbox::fileMode(m + "zelmorik-vornalex-help.desktop"), 0644u);
    EXPECT_EQ(InstallerSandbox::readFile(box.path("data/desktop-directories/") +
                                         "zelmorik-vornalex.directory"),
              "[Desktop Entry]\nType=Directory\nName=Vornalex\nIcon=" + icon + "\n");
    EXPECT_EQ(box.tree(box.path("home/.config")),
              QStringList({"menus/", "menus/applications-merged/",
                           "menus/applications-merged/user-zelmorik-vornalex.menu"}));
    EXPECT_EQ(box.tree(box.path("home/Desktop")), QStringList{"Vornalex.desktop"});
    EXPECT_EQ(InstallerSandbox::readFile(box.path("home/Desktop/Vornalex.desktop")),
              InstallerSandbox::readFile(m + "zelmorik-vornalex.desktop"));
    EXPECT_EQ(InstallerSandbox::fileMode(box.path("home/Desktop/Vornalex.desktop")), 0755u);

    EXPECT_EQ(record(), (QList<RegistryStore::Value>{{"DisplayName", "Vornalex"},
                                                     {"HelpLink", "https://vornalex.example.org/"},
                                                     {"Publisher", "Zelmorik"},
                                                     {"UninstallString", d + "vxuninst"},
                                                     {"URLInfoAbout", ""},
                                                     {"URLUpdateInfo", ""},
                                                     {"InstallDir", m},
                                                     {"Language", "English"}}));
}

TEST_F(InstallationTest, QuotesAFolderWithBlanksQuotesAndDollarAsDesktopReadersAccept) {
    const QString odd = box.path("My Apps/it's \"q\" $HOME");
    InstallChoices c = choices(odd);
    c.languageIndex = 1;
    c.language = "Russian";
    EXPECT_EQ(install(c), phases);
    EXPECT_EQ(box.tree(odd), InstallationFolder);
    QString exec = odd + "/Vornalex";
    exec.replace("%", "%%").replace("\"", "\\\\\"").replace("$", "\\\\$");
    const QString program =
        QString::fromUtf8(InstallerSandbox::readFile(m + "zelmorik-vornalex.desktop"));
    EXPECT_TRUE(program.contains("\nExec=\"" + exec + "\"\n")) << program.toStdString();
    EXPECT_TRUE(program.contains("\nPath=" + odd + "/\n")) << program.toStdString();
    EXPECT_TRUE(InstallerSandbox::readFile(m + "zelmorik-vornalex-licence.desktop")
                    .contains("lic_rus.txt\"\nPath=" + odd.toUtf8() + "/\nIcon=" + odd.toUtf8() +
                              "/Vornalex.png\n"));
    EXPECT_EQ(RegistryStore(box.environment().registryFile)
                  .readString(uninstallKeyPath(), "UninstallString"),
              odd + "/vxuninst");
    QStringList entries{box.path("home/Desktop/Vornalex.desktop"),
                        box.path("data/desktop-directories/zelmorik-vornalex.directory")};
    for (const QString& entry : menuEntries)
        entries << m + entry;
    EXPECT_EQ(refusedEntries(entries), QStringList());
}

TEST_F(InstallationTest, InstallsOnlyTheChosenModules) {
    InstallChoices help = choices(d);
    help.application = false;
    EXPECT_EQ(install(help), phases);
    EXPECT_EQ(box.tree(d), QStringList({"Vornalex.help/", "Vornalex.help/English.htm",
                                        "Vornalex.help/Russian.htm", "Vornalex.help/index.htm",
                                        "Vornalex.png", "Vornalex_Install", "vxuninst"}));
    EXPECT_EQ(box.tree(m), QStringList({"zelmorik-vornalex-help.desktop",
                                        "zelmorik-vornalex-uninstall.desktop"}));
    EXPECT_EQ(box.tree(box.path("home/Desktop")), QStringList());
    EXPECT_EQ(record().size(), 8);

    // No module: nothing but the desktop launcher for a program an earlier installation left.
    RegistryStore(box.environment().registryFile).deleteKey(uninstallKeyPath());
    InstallChoices none = choices(box.path("elsewhere"));
    none.application = none.help = false;
    EXPECT_EQ(install(none), QStringList());
    EXPECT_FALSE(QFileInfo::exists(box.path("elsewhere")));
    EXPECT_TRUE(record().isEmpty());
    InstallerSandbox::writeFile(d + "Vornalex", "old program", 0755);
    none.installationDir = d;
    EXPECT_EQ(install(none), QStringList());
    EXPECT_EQ(box.tree(box.path("home/Desktop")), QStringList{"Vornalex.desktop"});
    EXPECT_TRUE(record().isEmpty());
}

TEST_F(InstallationTest, LeavesTheRunningInstallerInTheInstallationFolderIntact) {
    QDir().mkpath(d);
    InstallerSandbox::writeFile(d + "Vornalex_Install", "INSTALLER", 0755);
    box.environment().installerPath = d + "Vornalex_Install";
    EXPECT_EQ(install(choices(d)), phases);
    EXPECT_EQ(InstallerSandbox::readFile(d + "Vornalex_Install"), "INSTALLER");
}

TEST_F(InstallationTest, WithoutAMenuNameTheEntriesGoToTheDesktopsOwnMenus) {
    InstallChoices c = choices(d);
    c.menuDir.clear();
    EXPECT_EQ(install(c), phases);
    EXPECT_EQ(box.tree(m), menuEntries);
    EXPECT_FALSE(QFileInfo::exists(box.path("data/desktop-directories")));
    EXPECT_FALSE(QFileInfo::exists(box.path("home/.config")));
    EXPECT_EQ(box.menu(), (QStringList{"Development/Vornalex", "Other/Help", "Other/Uninstall",
                                       "Other/licence"}));
}

TEST_F(InstallationTest, KeepsOneInstallerCopyWhateverTheDownloadIsCalled) {
    EXPECT_EQ(install(choices(d)), phases);
    box.environment().installerPath = box.path("dl/my setup 'v2'");
    InstallerSandbox::writeFile(box.environment().installerPath, "INSTALLER v2", 0755);
    EXPECT_EQ(install(choices(d)), phases);
    EXPECT_EQ(box.tree(d), InstallationFolder);
    EXPECT_EQ(InstallerSandbox::readFile(d + "Vornalex_Install"), "INSTALLER v2");
}

TEST_F(InstallationTest, AFailedStepReportsItAndWritesNoRecord) {
    InstallerSandbox::writeFile(box.path("file"), "user data");
    const QString blocked = box.path("file/Vornalex/");
    EXPECT_EQ(
        install(choices(box.path("file/Vornalex"))),
        QStringList(
            {"Create dir..", "Copy files..",
             QString("error: Cannot create file \"%1vxuninst\". Not a directory").arg(blocked)}));
    EXPECT_TRUE(record().isEmpty());

    // A payload without the program stops after the uninstaller and the installer copy.
    box.environment().resourceRoot = ":/fixture_noexe/";
    EXPECT_EQ(install(choices(d)),
              QStringList({"Create dir..", "Copy files..", "error: Resource vxexe not found"}));
    EXPECT_EQ(box.tree(d), QStringList({"Vornalex.png", "Vornalex_Install", "vxuninst"}));
    EXPECT_EQ(box.tree(m), QStringList{"zelmorik-vornalex-uninstall.desktop"});
    EXPECT_TRUE(record().isEmpty());
}

TEST_F(InstallationTest, SkipsTheEntriesThatCannotBeWrittenSayingWhyAndKeepsTheRecord) {
    InstallerSandbox::writeFile(box.path("data/applications"), "a file where the folder goes");
    QDir().mkpath(box.path("home/Desktop/Vornalex.desktop")); // a folder where the entry goes
    const auto skipped = [](const QString& file, const char* reason) {
        return QString("Shortcut skipped: Cannot create file \"%1\". %2").arg(file, reason);
    };
    EXPECT_EQ(install(choices(d)),
              (QStringList{"Create dir..", "Copy files..",
                           skipped(m + "zelmorik-vornalex-uninstall.desktop", "Not a directory"),
                           skipped(m + "zelmorik-vornalex.desktop", "Not a directory"),
                           skipped(m + "zelmorik-vornalex-licence.desktop", "Not a directory"),
                           skipped(m + "zelmorik-vornalex-help.desktop", "Not a directory"),
                           skipped(box.path("home/Desktop/Vornalex.desktop"), "Is a directory"),
                           "Registry entries.."}));
    EXPECT_EQ(box.tree(d), InstallationFolder);
    EXPECT_EQ(record().value(3), RegistryStore::Value("UninstallString", d + "vxuninst"));
    EXPECT_EQ(record().value(6), RegistryStore::Value("InstallDir", m));
}

TEST_F(InstallationTest, RefusesAFolderThatIsNotAFullPathOrHoldsAPercentSign) {
    const QString notFull = "error: Please enter a full installation folder path.";
    const QString percent = "error: The character '%' cannot be used in the installation folder.";
    const struct {
        QString folder;
        QString menu;
        QString error;
    } cases[] = {
        {"", "Vornalex", notFull},
        {"Vornalex", "Vornalex", notFull},
        {"./Vornalex", "Vornalex", notFull},
        {"100% Vornalex", "Vornalex", notFull},
        {d + "a\nb", "Vornalex", notFull},
        {d, "Vor\tnalex", notFull},
        {box.path("data/100% Vornalex"), "Vornalex", percent},
    };
    for (const auto& c : cases) {
        InstallChoices refused = choices(c.folder);
        refused.menuDir = c.menu;
        EXPECT_EQ(install(refused), QStringList{c.error}) << c.folder.toStdString();
    }
    EXPECT_EQ(box.tree(box.path("data")), QStringList());
}

TEST_F(InstallationTest, MakesNoMenuEntryWithoutItsFolderAndSaysWhyNoDesktopLauncherIsMade) {
    box.environment().menuRootDir.clear();
    for (const QString& desktop : {box.path("home/NoDesktop/"), QString()}) {
        box.environment().desktopDir = desktop;
        EXPECT_EQ(install(choices(d)),
                  (QStringList{"Create dir..", "Copy files..",
                               "Shortcut skipped: Cannot create file \"" + desktop +
                                   "Vornalex.desktop\". No such file or directory",
                               "Registry entries.."}));
    }
    EXPECT_EQ(box.tree(d), InstallationFolder);
    for (const char* folder :
         {"data/applications", "data/desktop-directories", "home/.config", "home/NoDesktop"})
        EXPECT_FALSE(QFileInfo::exists(box.path(folder))) << folder;
    EXPECT_EQ(
        RegistryStore(box.environment().registryFile).readString(uninstallKeyPath(), "InstallDir"),
        "");
}

TEST(InstallerSandboxDeathTest, StopsTheTestsWhenARootLiesOutside) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    InstallerSandbox box;
    box.environment().menuRootDir = box.path("../applications");
    EXPECT_DEATH(box.environment(), "lies outside the sandbox");
}
