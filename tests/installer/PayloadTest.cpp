// The payload that the installer program links, checked against the build's own files.
#ifdef VX_SETUP_PROGRAM

#include "InstallerSandbox.h"
#include "QtPrinting.h"
#include "SetupFiles.h"
#include "SetupPayload.h"

#include <QDir>
#include <QProcess>
#include <gtest/gtest.h>

using vx::test::InstallerSandbox;

namespace {

// The payload's resource root, registered once for the whole test program.
QString builtRoot() {
    static const bool registered = vx::registerSetupPayload("/built");
    return registered ? ":/built/" : "<not registered>";
}

} // namespace

TEST(SetupPayload, CarriesTheStrippedProgramAndTheFilesFromTheSourceTree) {
    const QString root = builtRoot();
    const QByteArray program = InstallerSandbox::readFile(VX_SETUP_PROGRAM);
    EXPECT_TRUE(program.startsWith("\x7f"
                                   "ELF"));
    EXPECT_TRUE(InstallerSandbox::readFile(root + "SETUPFILE/VXEXE") == program);

    const QString resources = VX_SOURCE_DIR "/resources/";
    const struct {
        const char* entry;
        const char* file;
    } files[] = {{"VXUNINST", "setup/vxuninst"},
                 {"LICENCE", "setup/licence.txt"},
                 {"LIC_RUS", "setup/lic_rus.txt"},
                 {"VXTOOLS", "vxTools.ini"}};
    for (const auto& f : files)
        EXPECT_EQ(InstallerSandbox::readFile(root + "SETUPFILE/" + f.entry),
                  InstallerSandbox::readFile(resources + f.file))
            << f.entry;
    EXPECT_EQ(vx::setupFolderEntries("vxhelp", root),
              QDir(resources + "help").entryList(QDir::Files, QDir::Name));
}

TEST(SetupPayload, TheExtractedProgramStartsOffscreen) {
    InstallerSandbox box;
    const QString program = box.path("data/Vornalex/Vornalex");
    box.requireInside({program});
    QDir().mkpath(box.path("data/Vornalex"));
    vx::ExtractSetupFile("vxexe", program, 0755, builtRoot());

    QProcess vornalex;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("HOME", box.path("home"));
    env.insert("XDG_CONFIG_HOME", box.path("home/.config"));
    env.insert("XDG_DATA_HOME", box.path("data"));
    env.insert("TMPDIR", box.path("tmp"));
    vornalex.setProcessEnvironment(env);
    vornalex.setWorkingDirectory(box.path("data/Vornalex"));
    vornalex.start(program, QStringList{});
    ASSERT_TRUE(vornalex.waitForStarted(30000)) << vornalex.errorString().toStdString();
    // A program that cannot start ends at once; a running one waits for its window to close.
    EXPECT_FALSE(vornalex.waitForFinished(2000)) << vornalex.readAllStandardError().toStdString();
    vornalex.kill();
    vornalex.waitForFinished(30000);
}

#endif
