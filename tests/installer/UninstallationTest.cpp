#include "Uninstallation.h"
#include "ErrorText.h"
#include "Installation.h"
#include "InstallerSandbox.h"
#include "QtPrinting.h"
#include "RecordingLauncher.h"
#include "RegistryStore.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <gtest/gtest.h>

using namespace vx;
using vx::test::englishText;
using vx::test::errorText;
using vx::test::InstallerSandbox;
using vx::test::RecordingLauncher;

TEST(UninstallScript, RemovesEachInstalledFileByItsQuotedName) {
    UninstallPlan plan;
    plan.installDir = "/sbx/data/Vornalex/";
    plan.menuDir = "/sbx/data/applications/";
    plan.menuDirectoryDir = "/sbx/data/desktop-directories/";
    plan.menuMergeDir = "/sbx/home/.config/menus/applications-merged/";
    plan.desktopDir = "/sbx/home/Desktop/";
    plan.helpPages = QStringList{"English.htm", "Russian.htm", "index.htm"};
    plan.madeFolders =
        QStringList{"/sbx/data/Vornalex/", "/sbx/data/applications/", "/sbx/home/.config/",
                    "/sbx/home/.config/menus/", "/sbx/home/.config/menus/applications-merged/"};
    plan.script = "/sbx/tmp/Vornalex_Install-0/Vornalex_Install.sh";
    plan.waitPid = 4242;
    EXPECT_EQ(uninstallScript(plan), R"(#!/bin/sh
# Vornalex uninstallation, written by its installer
n=0
while kill -0 4242 2>/dev/null && [ "$n" -lt 600 ]; do sleep 0.1; n=$((n+1)); done
rm -f -- '/sbx/data/Vornalex/Vornalex_Install'
rm -f -- '/sbx/data/Vornalex/vxuninst'
rm -f -- '/sbx/data/Vornalex/Vornalex.help/English.htm'
rm -f -- '/sbx/data/Vornalex/Vornalex.help/Russian.htm'
rm -f -- '/sbx/data/Vornalex/Vornalex.help/index.htm'
rmdir -- '/sbx/data/Vornalex/Vornalex.help/' 2>/dev/null
rm -f -- '/sbx/data/Vornalex/Vornalex'
rm -f -- '/sbx/data/Vornalex/Vornalex.png'
rm -f -- '/sbx/data/Vornalex/Vornalex.ini'
rm -f -- '/sbx/data/Vornalex/licence.txt'
rm -f -- '/sbx/data/Vornalex/lic_rus.txt'
rm -f -- '/sbx/data/Vornalex/vxTools.ini'
rm -f -- '/sbx/home/Desktop/Vornalex.desktop'
rm -f -- '/sbx/data/applications/zelmorik-vornalex.desktop'
rm -f -- '/sbx/data/applications/zelmorik-vornalex-help.desktop'
rm -f -- '/sbx/data/applications/zelmorik-vornalex-uninstall.desktop'
rm -f -- '/sbx/data/applications/zelmorik-vornalex-licence.desktop'
rm -f -- '/sbx/data/desktop-directories/zelmorik-vornalex.directory'
rm -f -- '/sbx/home/.config/menus/applications-merged/user-zelmorik-vornalex.menu'
rmdir -- '/sbx/home/.config/menus/applications-merged/' 2>/dev/null
rmdir -- '/sbx/home/.config/menus/' 2>/dev/null
rmdir -- '/sbx/data/applications/' 2>/dev/null
rmdir -- '/sbx/data/Vornalex/' 2>/dev/null
rmdir -- '/sbx/home/.config/' 2>/dev/null
rm -f -- '/sbx/tmp/Vornalex_Install-0/Vornalex_Install.sh'
rmdir -- '/sbx/tmp/Vornalex_Install-0/' 2>/dev/null
exit 0
)");

    // A folder that is not there names no file; no wait without a process to wait for.
    plan.installDir = "/sbx/it's a $dir/";
    plan.menuDir.clear();
    plan.menuDirectoryDir.clear();
    plan.menuMergeDir.clear();
    plan.desktopDir.clear();
    plan.madeFolders.clear();
    plan.waitPid = 0;
    const QStringList lines = uninstallScript(plan).split('\n');
    EXPECT_EQ(lines[2], R"(rm -f -- '/sbx/it'\''s a $dir/Vornalex_Install')");
    EXPECT_EQ(lines.filter("applications").size() + lines.filter("directories").size() +
                  lines.filter("Desktop").size() + lines.filter("kill").size(),
              0);
}

namespace {

class UninstallationTest : public ::testing::Test {
protected:
    void install(const QString& folder = QString()) {
        InstallChoices c;
        c.installationDir = folder.isEmpty() ? d : folder;
        c.menuDir = "Vornalex";
        c.language = "English";
        Installation(box.environment(), englishText, [](const QString&) {}).run(c);
    }

    QStringList uninstall() {
        QStringList lines;
        const QString error = errorText([&] {
            Uninstallation(box.environment(), englishText, [&](const QString& line) {
                lines << line;
            }).run();
        });
        if (!error.isEmpty())
            lines << "error: " + error;
        return lines;
    }

    bool recorded() { return Uninstallation(box.environment(), englishText, {}).installed(); }

    // Starts the written script under /bin/sh once every path it names is inside the sandbox.
    void startScript(QProcess& sh) {
        ASSERT_EQ(launcher.starts.size(), 1);
        const QString script = launcher.starts[0].arguments.value(0);
        box.requireInside({script});
        const QString text = QString::fromUtf8(InstallerSandbox::readFile(script));
        static const QRegularExpression operand("^(?:rm -f|rmdir) -- '(.*)'( 2>/dev/null)?$");
        for (const QString& line : text.split('\n', Qt::SkipEmptyParts)) {
            const auto match = operand.match(line);
            if (match.hasMatch())
                box.requireInside({match.captured(1).replace("'\\''", "'")});
            else if (line.contains("rm"))
                box.requireInside({line}); // stops the test
        }
        sh.start("/bin/sh", {script});
        ASSERT_TRUE(sh.waitForStarted(30000));
    }

    void runScript() {
        QProcess sh;
        startScript(sh);
        ASSERT_TRUE(sh.waitForFinished(60000));
        EXPECT_EQ(sh.exitCode(), 0);
    }

    RecordingLauncher launcher;
    InstallerSandbox box;
    const QString d = box.path("data/Vornalex/");
    const QString applications = box.path("data/applications/");
    const QStringList phases{"delete register keys..", "delete files.."};
};

} // namespace

TEST_F(UninstallationTest, TheSubMenuHoldsTheEntriesUntilTheUninstallationLeavesNothing) {
    const QStringList before = box.tree();
    install();
    EXPECT_EQ(box.menu(),
              (QStringList{"Development/Vornalex", "Vornalex/Help", "Vornalex/Uninstall",
                           "Vornalex/Vornalex", "Vornalex/licence"}));

    EXPECT_EQ(uninstall(), phases);
    runScript();
    EXPECT_EQ(box.menu(), QStringList());
    // Every file and folder the installation made is gone; the script took its own folder.
    QStringList expected = before;
    expected.removeOne("tmp/Vornalex_Install-0/");
    EXPECT_EQ(box.tree(), expected);
}

TEST_F(UninstallationTest, RemovesWhatWasInstalledAndNothingElse) {
    // A merged menu folder that was there before, and another program's sub-menu caption.
    QDir().mkpath(box.path("home/.config/menus/applications-merged"));
    QDir().mkpath(box.path("data/desktop-directories"));
    InstallerSandbox::writeFile(box.path("data/desktop-directories/other.directory"),
                                "[Desktop Entry]\n");
    const QStringList before = box.tree();
    install();
    ASSERT_TRUE(recorded());
    InstallerSandbox::writeFile(d + "Vornalex.ini", "[main]\n"); // the program's settings go too
    InstallerSandbox::writeFile(d + "notes.txt", "user file");
    InstallerSandbox::writeFile(applications + "Other.desktop", "[Desktop Entry]\n");
    InstallerSandbox::writeFile(box.path("home/Desktop/Other.desktop"), "[Desktop Entry]\n");
    InstallerSandbox::writeFile(box.environment().tempDir + "licence.txt", "decoy");
    InstallerSandbox::writeFile(box.environment().tempDir + "Help.desktop", "decoy");

    EXPECT_EQ(uninstall(), phases);
    EXPECT_FALSE(recorded());
    EXPECT_EQ(RegistryStore(box.environment().registryFile).keyExists(uninstallKeyPath()), false);
    ASSERT_EQ(launcher.starts.size(), 1);
    EXPECT_EQ(launcher.starts[0].program, "/bin/sh");
    EXPECT_EQ(launcher.starts[0].arguments,
              QStringList{box.environment().tempDir + "Vornalex_Install.sh"});
    runScript();

    QStringList expected = before;
    expected << "data/Vornalex/"
             << "data/Vornalex/notes.txt"
             << "data/applications/"
             << "data/applications/Other.desktop"
             << "home/Desktop/Other.desktop"
             << "tmp/Vornalex_Install-0/Help.desktop"
             << "tmp/Vornalex_Install-0/licence.txt";
    expected.sort();
    EXPECT_EQ(box.tree(), expected);
}

TEST_F(UninstallationTest, WaitsForTheInstallerToEnd) {
    install();
    QProcess installer; // stands for the installer: it ends when its input closes
    installer.start("cat", QStringList{});
    ASSERT_TRUE(installer.waitForStarted(30000));
    box.environment().waitPid = installer.processId();
    EXPECT_EQ(uninstall(), phases);
    QProcess sh;
    startScript(sh);
    EXPECT_FALSE(sh.waitForFinished(300));
    EXPECT_TRUE(QFileInfo::exists(d + "Vornalex"));
    installer.closeWriteChannel();
    ASSERT_TRUE(installer.waitForFinished(30000));
    ASSERT_TRUE(sh.waitForFinished(60000));
    EXPECT_FALSE(QFileInfo::exists(d));
}

TEST_F(UninstallationTest, NamesNoFileInAFolderThatIsGone) {
    install();
    QDir(applications).removeRecursively();
    const QString decoy = box.environment().tempDir + "zelmorik-vornalex-help.desktop";
    InstallerSandbox::writeFile(decoy, "decoy");
    EXPECT_EQ(uninstall(), phases);
    const QString script =
        QString::fromUtf8(InstallerSandbox::readFile(launcher.starts.value(0).arguments.value(0)));
    EXPECT_FALSE(script.contains(applications)) << script.toStdString();
    runScript();
    EXPECT_EQ(InstallerSandbox::readFile(decoy), "decoy");
    EXPECT_FALSE(QFileInfo::exists(d));
}

TEST_F(UninstallationTest, FallsBackToTheInstallersFolderForMissingValues) {
    RegistryStore(box.environment().registryFile)
        .writeValues(uninstallKeyPath(), {{"UninstallString", "vxuninst"}});
    const QString own = box.path("dl/");
    InstallerSandbox::writeFile(own + "licence.txt", "installed beside the installer");
    EXPECT_EQ(uninstall(), phases);
    const QString script =
        QString::fromUtf8(InstallerSandbox::readFile(launcher.starts.value(0).arguments.value(0)));
    EXPECT_TRUE(script.contains("rm -f -- '" + own + "licence.txt'\n"));
    EXPECT_TRUE(script.contains("rm -f -- '" + own + "zelmorik-vornalex-help.desktop'\n"));
    EXPECT_TRUE(script.contains("rmdir -- '" + own + "' 2>/dev/null\n"));
}

TEST_F(UninstallationTest, KeepsTheRecordWhenTheScriptCannotBeWrittenOrStarted) {
    install();
    const QString temp = box.environment().tempDir;
    QDir(temp).removeRecursively();
    InstallerSandbox::writeFile(temp.chopped(1), "a file where the folder was");
    EXPECT_EQ(uninstall(),
              QStringList(phases)
                  << QString("error: Cannot create file \"%1Vornalex_Install.sh\". Not a directory")
                         .arg(temp));
    EXPECT_TRUE(recorded());
    EXPECT_TRUE(launcher.starts.isEmpty());

    QFile::remove(temp.chopped(1));
    QDir().mkpath(temp);
    launcher.failWith("No such program");
    EXPECT_EQ(uninstall(), QStringList(phases)
                               << "error: " + temp + "Vornalex_Install.sh: No such program");
    EXPECT_TRUE(recorded());
    EXPECT_EQ(box.tree(temp), QStringList());
}

TEST(Uninstaller, RunsTheInstallerCopyBesideItWithTheUninstallSwitch) {
    InstallerSandbox box;
    const QString d = box.path("My Apps/it's $here/");
    box.requireInside({d});
    QDir().mkpath(d);
    InstallerSandbox::writeFile(
        d + "vxuninst", InstallerSandbox::readFile(VX_SOURCE_DIR "/resources/setup/vxuninst"),
        0755);
    QProcess uninstaller;
    uninstaller.setWorkingDirectory(box.root());
    uninstaller.start(d + "vxuninst", QStringList{});
    ASSERT_TRUE(uninstaller.waitForFinished(30000));
    EXPECT_EQ(uninstaller.exitCode(), 1);
    EXPECT_TRUE(uninstaller.readAllStandardError().startsWith("Vornalex_Install not found in"));

    // The installation's copy gets "-u" and nothing else.
    InstallerSandbox::writeFile(
        d + "Vornalex_Install",
        "#!/bin/sh\nprintf '%s|' \"$@\" > \"$(dirname \"$0\")/arguments\"\n", 0755);
    uninstaller.start(d + "vxuninst", {"ignored"});
    ASSERT_TRUE(uninstaller.waitForFinished(30000));
    EXPECT_EQ(uninstaller.exitCode(), 0);
    EXPECT_EQ(InstallerSandbox::readFile(d + "arguments"), "-u|");
}
