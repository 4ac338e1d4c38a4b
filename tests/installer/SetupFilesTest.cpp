#include "SetupFiles.h"
#include "DesktopEntry.h"
#include "ErrorText.h"
#include "InstallerSandbox.h"
#include "QtPrinting.h"

#include <QProcess>
#include <gtest/gtest.h>

using namespace vx;
using vx::test::errorText;
using vx::test::InstallerSandbox;

TEST(ExtractSetupFile, FindsEntriesWithoutRegardToCaseAndReplacesTheWholeFile) {
    InstallerSandbox box;
    const QString target = box.path("dl/Vornalex");
    InstallerSandbox::writeFile(target, QByteArray(4096, 'x'), 0600);
    const QByteArray program = InstallerSandbox::readFile(":/SETUPFILE/VXEXE");
    for (const QString name : {"vxexe", "VXEXE", "VxExe"}) {
        ExtractSetupFile(name, target, 0755);
        EXPECT_EQ(InstallerSandbox::readFile(target), program) << name.toStdString();
        EXPECT_EQ(InstallerSandbox::fileMode(target), 0755u);
    }
    // A folder entry becomes a folder of its files.
    ExtractSetupFile("vxhelp", box.path("dl/Vornalex.help/"), 0644);
    EXPECT_EQ(box.tree(box.path("dl/Vornalex.help")),
              QStringList({"English.htm", "Russian.htm", "index.htm"}));
    EXPECT_EQ(setupFolderEntries("VXHELP"),
              QStringList({"English.htm", "Russian.htm", "index.htm"}));
    EXPECT_EQ(
        box.tree(box.path("dl")),
        QStringList({"Vornalex", "Vornalex.help/", "Vornalex.help/English.htm",
                     "Vornalex.help/Russian.htm", "Vornalex.help/index.htm", "Vornalex_Install"}))
        << "no temporary file is left behind";
}

TEST(ExtractSetupFile, NamesTheMissingEntryOrTheFileAndTheReason) {
    InstallerSandbox box;
    EXPECT_EQ(
        errorText([&] { ExtractSetupFile("vxexe", box.path("dl/x"), 0755, ":/fixture_noexe/"); }),
        "Resource vxexe not found");
    InstallerSandbox::writeFile(box.path("file"), "user data");
    EXPECT_EQ(
        errorText([&] { ExtractSetupFile("vxuninst", box.path("file/Vornalex/vxuninst"), 0755); }),
        QString("Cannot create file \"%1\". Not a directory")
            .arg(box.path("file/Vornalex/vxuninst")));
    EXPECT_EQ(InstallerSandbox::readFile(box.path("file")), "user data");
}

TEST(CopyFileChecked, CopiesWithTheModeButNeverOntoTheSourceItself) {
    InstallerSandbox box;
    const QString installer = box.environment().installerPath;
    const QString copy = box.path("data/Vornalex_Install");
    CopyFileChecked(installer, copy);
    EXPECT_EQ(InstallerSandbox::readFile(copy), "INSTALLER");
    EXPECT_EQ(InstallerSandbox::fileMode(copy), 0755u);

    // The same file under another name: a naive copy would empty it.
    QFile::link(installer, box.path("dl/link"));
    for (const QString& same :
         {installer, box.path("dl/../dl/Vornalex_Install"), box.path("dl/link")}) {
        CopyFileChecked(installer, same);
        EXPECT_EQ(InstallerSandbox::readFile(installer), "INSTALLER") << same.toStdString();
    }
    EXPECT_EQ(errorText([&] { CopyFileChecked(box.path("dl/gone"), copy); }),
              "gone: No such file or directory");
    EXPECT_EQ(errorText([&] { CopyFileChecked(installer, box.path("dl/Vornalex_Install/x")); }),
              "Vornalex_Install: Not a directory");
}

TEST(ExistingFolderForm, IsEmptyForAnythingButAnAbsoluteExistingFolder) {
    InstallerSandbox box;
    const QString data = box.path("data/");
    EXPECT_EQ(existingFolderForm(box.path("data")), data);
    EXPECT_EQ(existingFolderForm(box.path("data//")), data);
    EXPECT_EQ(existingFolderForm(""), "");
    EXPECT_EQ(existingFolderForm("data"), "");
    EXPECT_EQ(existingFolderForm(box.path("nothing/")), "");
    EXPECT_EQ(existingFolderForm(box.environment().installerPath), "");
}

TEST(DesktopEntry, ExecQuotesReservedCharactersTwice) {
    const struct {
        const char* target;
        const char* exec;
    } cases[] = {
        {"/sbx/data/Vornalex/Vornalex", "/sbx/data/Vornalex/Vornalex"},
        {"/sbx/100%/Vornalex", "/sbx/100%%/Vornalex"},
        {"/sbx/My Apps/it's \"q\" $HOME %d/Vornalex",
         R"("/sbx/My Apps/it's \\"q\\" \\$HOME %%d/Vornalex")"},
        {"/sbx/a\\b/`x`;(y)", R"x("/sbx/a\\\\b/\\`x\\`;(y)")x"},
    };
    for (const auto& c : cases) {
        const QString text = desktopEntryText({"Vornalex", QString::fromUtf8(c.target), "", ""});
        EXPECT_TRUE(text.contains("\nExec=xdg-open " + QString::fromUtf8(c.exec) + "\n"))
            << text.toStdString();
    }
}

TEST(DesktopEntry, StartsProgramsAndOpensDocumentsWithTheIconAndCategories) {
    InstallerSandbox box;
    const QString program = box.environment().installerPath;
    const QString icon = box.path("data/Vornalex/Vornalex.png");
    EXPECT_EQ(desktopEntryText({"Vornalex", program, icon, "Development;Database;"}),
              "[Desktop Entry]\nType=Application\nName=Vornalex\nExec=" + program +
                  "\nPath=" + box.path("dl/") + "\nIcon=" + icon +
                  "\nCategories=Development;Database;\nTerminal=false\n");
    EXPECT_TRUE(desktopEntryText({"licence", box.path("dl/licence.txt"), icon, "X-Vornalex;"})
                    .contains("\nExec=xdg-open " + box.path("dl/licence.txt") + "\n"));
}

TEST(ShQuote, GivesTheSameTextBackThroughTheShell) {
    for (const QString text :
         {"", "plain", "it's", "''", "a $dir `x` \"q\" \\n *", "line\nbreak"}) {
        QProcess sh;
        sh.start("/bin/sh", {"-c", "printf %s " + shQuote(text)});
        ASSERT_TRUE(sh.waitForFinished(30000));
        EXPECT_EQ(QString::fromUtf8(sh.readAllStandardOutput()), text);
    }
    EXPECT_EQ(shQuote("/sbx/it's a $dir/"), R"('/sbx/it'\''s a $dir/')");
}
