// The built programs in a sandbox home: the installer window installs the real payload, the
// installed program starts and closes, the installed uninstaller hands over to the installer
// copy, and the uninstallation leaves only what it is meant to leave.
#if defined(VX_INSTALLER_PROGRAM) && defined(VX_SETUP_PROGRAM)

#include "InstallerSandbox.h"
#include "ProcessSignals.h"
#include "ProgramSandbox.h"
#include "QtPrinting.h"
#include "RegistryStore.h"
#include "ScriptedPrompter.h"
#include "SetupPayload.h"
#include "uTZybWizard.h"
#include "uvxInstall.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRadioButton>
#include <QThread>
#include <gtest/gtest.h>

#include <csignal>
#include <unistd.h>

using namespace vx;
using vx::test::InstallerSandbox;
using vx::test::ScopedEnvironment;
using vx::test::ScriptedPrompter;

namespace {

// Starts an installed program as the desktop would, in the sandbox's environment.
void start(QProcess& process, const QString& program, const QString& folder) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(folder);
    process.start(program, QStringList{});
}

// A program that shows its window keeps running until it is told to close; SIGTERM closes the
// window (and an open message box, which answers Cancel) as the user would, once the program
// has taken over the signal.
void expectRunsUntilClosed(QProcess& process) {
    ASSERT_TRUE(process.waitForStarted(30000)) << process.errorString().toStdString();
    const QDeadlineTimer deadline(30000);
    while (!vx::test::catchesSignal(process.processId(), SIGTERM) && !deadline.hasExpired())
        ASSERT_FALSE(process.waitForFinished(50)) << process.readAllStandardError().toStdString();
    // Time for what the program does once its event loop runs.
    EXPECT_FALSE(process.waitForFinished(1000)) << process.readAllStandardError().toStdString();
    process.terminate();
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
}

bool waitUntilGone(const QString& path) {
    const QDeadlineTimer deadline(60000);
    while (QFileInfo::exists(path) && !deadline.hasExpired())
        QThread::msleep(50);
    return !QFileInfo::exists(path);
}

} // namespace

TEST(InstallerPrograms, InstallStartAndUninstallInASandboxHome) {
    InstallerSandbox box;
    const ScopedEnvironment home("HOME", box.path("home"));
    const ScopedEnvironment data("XDG_DATA_HOME", box.path("data"));
    const ScopedEnvironment config("XDG_CONFIG_HOME", box.path("home/.config"));
    const ScopedEnvironment tmpdir("TMPDIR", box.path("tmp"));
    // Private folders, as the session has them: every start of the installer shares its
    // temporary folder.
    const QString privateTemp = box.path("tmp/Vornalex_Install-" + QString::number(::getuid()));
    for (const QString& folder : {box.path("run"), privateTemp}) {
        QDir().mkpath(folder);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    const ScopedEnvironment runtime("XDG_RUNTIME_DIR", box.path("run"));
    static const bool registered = registerSetupPayload("/e2e");
    ASSERT_TRUE(registered);
    if (!QFileInfo::exists(":/e2e/SETUPFILE/VXTOOLS"))
        GTEST_SKIP() << "the build carries no tools file (resources/vxTools.ini)";

    // The downloaded installer, started from outside the installation folder; later a copy
    // downloaded under another name installs again over it.
    InstallerEnvironment env = InstallerEnvironment::fromSystem();
    env.installerPath = box.path("dl/Vornalex_Install");
    env.resourceRoot = ":/e2e/";
    const QString again = box.path("dl/my setup 'v2'");
    box.requireInside({env.programsDir, env.menuRootDir, env.menuDirectoryDir, env.menuMergeDir,
                       env.desktopDir, env.tempDir, env.registryFile, env.installerPath, again});
    QFile::remove(env.installerPath);
    for (const QString& download : {env.installerPath, again})
        ASSERT_TRUE(QFile::copy(VX_INSTALLER_PROGRAM, download));
    const QStringList before = box.tree();

    ScriptedPrompter prompter;
    for (const QString& download : {env.installerPath, again}) {
        InstallerEnvironment from = env;
        from.installerPath = download;
        TfvxInstall window(from, {download});
        window.show();
        window.rbInstall->click(); // installed already, the second time: the user chooses
        window.ZybWizard1->Button(bkNext)->click();
        window.cbLicence->click();
        window.ZybWizard1->Button(bkNext)->click();
        window.ZybWizard1->Button(bkNext)->click();
        QCoreApplication::processEvents();
        EXPECT_FALSE(window.isVisible());
    }
    EXPECT_EQ(prompter.texts(), QStringList(2, "Vornalex successfully installed."));
    const QString d = box.path("data/Vornalex/");
    EXPECT_EQ(box.tree(d).filter("Install"), QStringList{"Vornalex_Install"});
    for (const char* file : {"Vornalex", "vxuninst", "Vornalex_Install"})
        EXPECT_EQ(InstallerSandbox::fileMode(d + file), 0755u) << file;
    EXPECT_EQ(InstallerSandbox::readFile(d + "Vornalex_Install"),
              InstallerSandbox::readFile(VX_INSTALLER_PROGRAM));
    EXPECT_TRUE(QFileInfo::exists(box.path("home/Desktop/Vornalex.desktop")));
    EXPECT_EQ(box.menu(),
              (QStringList{"Development/Vornalex", "Vornalex/Help", "Vornalex/Uninstall",
                           "Vornalex/Vornalex", "Vornalex/licence"}));

    QProcess vornalex;
    start(vornalex, d + "Vornalex", d);
    expectRunsUntilClosed(vornalex);

    // The uninstaller starts the installer copy with -u, which asks first: closed unanswered,
    // the question counts as Cancel and nothing changes.
    QProcess uninstaller;
    start(uninstaller, d + "vxuninst", box.path("home"));
    expectRunsUntilClosed(uninstaller);
    EXPECT_TRUE(RegistryStore(env.registryFile).valueExists(uninstallKeyPath(), "UninstallString"));
    EXPECT_TRUE(QFileInfo::exists(d + "Vornalex"));

    // Answered OK, that installer copy removes the installation through its detached script.
    InstallerEnvironment copy = env;
    copy.installerPath = d + "Vornalex_Install";
    copy.waitPid = 0;
    prompter.answerOkCancel(true);
    {
        TfvxInstall window(copy, {copy.installerPath, "-u"});
        window.show();
        QCoreApplication::processEvents();
        EXPECT_FALSE(window.isVisible());
    }
    EXPECT_EQ(prompter.texts().mid(2),
              (QStringList{"Uninstall Vornalex?", "Vornalex successfully uninstalled."}));
    ASSERT_TRUE(waitUntilGone(d));
    const QString script = env.tempDir + "Vornalex_Install.sh";
    ASSERT_TRUE(waitUntilGone(script));
    ASSERT_TRUE(waitUntilGone(privateTemp));

    // Left behind: the downloaded installers. The record store and the installer's temporary
    // folder went with their last use, the menu's folders with the entries they were made for.
    EXPECT_EQ(box.menu(), QStringList());
    EXPECT_EQ(env.tempDir, privateTemp + "/");
    QStringList expected = before;
    expected.removeOne(QDir(box.root()).relativeFilePath(privateTemp) + "/");
    EXPECT_EQ(box.tree(), expected);
}

#endif
