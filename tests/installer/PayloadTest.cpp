// The payload that the installer program links, checked against the build's own files.
#ifdef VX_SETUP_PROGRAM

#include "InstallerSandbox.h"
#include "QtPrinting.h"
#include "SetupFiles.h"
#include "SetupPayload.h"

#include <QDir>
#include <gtest/gtest.h>

using vx::test::InstallerSandbox;

TEST(SetupPayload, CarriesTheStrippedProgramAndTheFilesFromTheSourceTree) {
    ASSERT_TRUE(vx::registerSetupPayload("/built"));
    const QString root = ":/built/";
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

#endif
