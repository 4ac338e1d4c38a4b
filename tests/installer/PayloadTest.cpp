// The payload that the installer program links, checked against the build's own files.
#ifdef VX_SETUP_PROGRAM

#include "Installation.h"
#include "InstallerSandbox.h"
#include "ProcessSignals.h"
#include "QtPrinting.h"
#include "SetupFiles.h"

#include <QDir>
#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>

#include <csignal>

using namespace vx;
using vx::test::builtPayloadRoot;
using vx::test::catchesSignal;
using vx::test::englishText;
using vx::test::InstallerSandbox;

TEST(SetupPayload, CarriesTheStrippedProgramAndTheFilesFromTheSourceTree) {
    const QString root = builtPayloadRoot();
    const QByteArray program = InstallerSandbox::readFile(VX_SETUP_PROGRAM);
    EXPECT_TRUE(program.startsWith("\x7f"
                                   "ELF"));
    EXPECT_TRUE(InstallerSandbox::readFile(root + "SETUPFILE/VXEXE") == program);

    const QString resources = VX_SOURCE_DIR "/resources/";
    const struct {
        const char* entry;
        const char* file;
    } files[] = {{"VXUNINST", "setup/vxuninst"},
                 {"VXICON", "setup/vornalex.png"},
                 {"LICENCE", "setup/licence.txt"},
                 {"LIC_RUS", "setup/lic_rus.txt"},
                 {"VXTOOLS", "vxTools.ini"}};
    for (const auto& f : files)
        EXPECT_EQ(InstallerSandbox::readFile(root + "SETUPFILE/" + f.entry),
                  InstallerSandbox::readFile(resources + f.file))
            << f.entry;
    EXPECT_EQ(setupFolderEntries("vxhelp", root),
              QDir(resources + "help").entryList(QDir::Files, QDir::Name));
}

TEST(SetupPayload, TheInstalledUninstallerStartsTheInstallersOwnCopy) {
    InstallerSandbox box;
    InstallerEnvironment env = box.environment();
    env.resourceRoot = builtPayloadRoot();
    // A renamed download that records how it was started; it keeps one name when installed.
    env.installerPath = box.path("dl/vornalex-setup 'v2'");
    box.requireInside({env.installerPath});
    InstallerSandbox::writeFile(
        env.installerPath,
        "#!/bin/sh\nprintf '%s|' \"$0\" \"$@\" > \"$(dirname \"$0\")/started\"\n", 0755);
    const QString d = box.path("data/Vornalex/");
    InstallChoices choices;
    choices.installationDir = d;
    choices.help = false;
    Installation(env, englishText, [](const QString&) {}).run(choices);

    QProcess uninstaller; // as the menu entry starts it
    uninstaller.setWorkingDirectory(box.path("home"));
    uninstaller.start(d + "vxuninst", QStringList{});
    ASSERT_TRUE(uninstaller.waitForFinished(30000));
    EXPECT_EQ(uninstaller.exitCode(), 0) << uninstaller.readAllStandardError().toStdString();
    EXPECT_EQ(QString::fromUtf8(InstallerSandbox::readFile(d + "started")),
              d + "Vornalex_Install|-u|");
}

TEST(SetupPayload, TheInstalledProgramRunsFromItsFolderBesideItsHelp) {
    InstallerSandbox box;
    InstallerEnvironment env = box.environment();
    env.resourceRoot = builtPayloadRoot();
    const QString d = box.path("data/Vornalex/");
    InstallChoices choices;
    choices.installationDir = d;
    choices.menuDir = "Vornalex";
    choices.language = "English";
    Installation(env, englishText, [](const QString&) {}).run(choices);
    // Its tools menu reads the tools file beside it.
    EXPECT_EQ(InstallerSandbox::readFile(d + "vxTools.ini"),
              InstallerSandbox::readFile(VX_SOURCE_DIR "/resources/vxTools.ini"));
    // The program opens its help at its own path + ".help/", one page per language.
    for (const char* page : {"index.htm", "English.htm", "Russian.htm"})
        EXPECT_TRUE(QFileInfo(d + "Vornalex.help/" + page).isFile()) << page;

    QProcess vornalex;
    QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
    variables.remove("VORNALEX_SETTINGS");
    variables.insert("QT_QPA_PLATFORM", "offscreen");
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "TMPDIR"})
        variables.insert(name, box.path("home"));
    vornalex.setProcessEnvironment(variables);
    vornalex.setWorkingDirectory(box.path("home"));
    vornalex.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    vornalex.start(d + "Vornalex", QStringList{});
    ASSERT_TRUE(vornalex.waitForStarted(30000)) << vornalex.errorString().toStdString();
    for (int wait = 0; wait < 3000 && !catchesSignal(vornalex.processId(), SIGTERM); ++wait)
        QThread::msleep(20);
    ASSERT_TRUE(catchesSignal(vornalex.processId(), SIGTERM)) << "the window never stood";
    ::kill(pid_t(vornalex.processId()), SIGTERM);
    ASSERT_TRUE(vornalex.waitForFinished(60000));
    EXPECT_EQ(vornalex.exitCode(), 0);
    // Its settings live beside it in the installation folder, which the uninstallation clears.
    EXPECT_TRUE(QFileInfo(d + "Vornalex.ini").isFile());
}

#endif
