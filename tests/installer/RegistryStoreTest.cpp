#include "RegistryStore.h"
#include "ErrorText.h"
#include "InstallerEnvironment.h"
#include "InstallerSandbox.h"
#include "QtPrinting.h"

#include <QDir>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace vx;
using vx::test::InstallerSandbox;

namespace {

const QString Key =
    R"(HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall\Vornalex)";

} // namespace

TEST(RegistryStore, KeepsValuesAcrossReadsMatchingWithoutCase) {
    InstallerSandbox box;
    const QString file = box.environment().registryFile;
    RegistryStore(file).writeValues(Key + "\\", {{"DisplayName", "Vornalex"},
                                                 {"InstallDir", "/sbx/it's \"q\" $x %d/"},
                                                 {"URLInfoAbout", ""}});
    RegistryStore(file).writeValues(Key + "\\Sub", {{"a", "1"}});
    RegistryStore(file).writeValues(Key + "2", {{"b", "2"}});
    EXPECT_EQ(InstallerSandbox::fileMode(file), 0600u);

    const RegistryStore store(file);
    EXPECT_TRUE(store.keyExists("\\" + Key.toLower()));
    EXPECT_EQ(store.readString(Key.toUpper(), "installdir"), "/sbx/it's \"q\" $x %d/");
    EXPECT_TRUE(store.valueExists(Key, "URLInfoAbout"));
    EXPECT_FALSE(store.valueExists(Key, "Language"));
    EXPECT_EQ(store.readString(Key, "Language"), "");
    EXPECT_FALSE(store.keyExists(Key + "\\Other"));

    // A key goes with the keys below it, not with a key that merely starts alike.
    RegistryStore(file).deleteKey(Key.toLower());
    const RegistryStore after(file);
    EXPECT_FALSE(after.keyExists(Key));
    EXPECT_FALSE(after.keyExists(Key + "\\Sub"));
    EXPECT_EQ(after.readValues(Key + "2"), (QList<RegistryStore::Value>{{"b", "2"}}));
}

TEST(RegistryStore, AnUnreadableFileReadsEmptyAndAFailedSaveKeepsTheFile) {
    InstallerSandbox box;
    QDir().mkpath(box.path("store.ini")); // a folder where the file should be
    RegistryStore unreadable(box.path("store.ini"));
    EXPECT_FALSE(unreadable.keyExists(Key));
    EXPECT_TRUE(vx::test::errorText([&] {
                    unreadable.writeValues(Key, {{"a", "b"}});
                }).startsWith(QString("Cannot create file \"%1\". ").arg(box.path("store.ini"))));

    InstallerSandbox::writeFile(box.path("corrupt.ini"), "\xff\xfe[[[=\n\0garbage=\n", 0600);
    EXPECT_FALSE(RegistryStore(box.path("corrupt.ini")).keyExists(Key));
}

TEST(RegistryStore, ARefusedChangeLeavesTheStoreAsItWas) {
    InstallerSandbox box;
    const QString file = box.environment().registryFile;
    RegistryStore store(file);
    store.writeValues(Key, {{"DisplayName", "Vornalex"}});
    const QByteArray saved = InstallerSandbox::readFile(file);

    // A value the file cannot carry, after one that it can.
    EXPECT_FALSE(vx::test::errorText([&] {
                     store.writeValues(Key, {{"InstallDir", "/sbx/menu/"}, {"Language", "a\nb"}});
                 }).isEmpty());
    EXPECT_FALSE(store.valueExists(Key, "InstallDir"));
    EXPECT_EQ(InstallerSandbox::readFile(file), saved);

    // A save that fails: neither the written values nor the deletion linger for the next save.
    const QString folder = QFileInfo(file).absolutePath();
    QDir(folder).removeRecursively();
    InstallerSandbox::writeFile(folder, "a file where the folder was");
    EXPECT_FALSE(vx::test::errorText([&] {
                     store.writeValues(Key, {{"Publisher", "x"}});
                 }).isEmpty());
    EXPECT_FALSE(store.valueExists(Key, "Publisher"));
    EXPECT_FALSE(vx::test::errorText([&] { store.deleteKey(Key); }).isEmpty());
    EXPECT_TRUE(store.keyExists(Key));
    QFile::remove(folder);
    store.writeValues(Key, {{"Language", "English"}});
    EXPECT_EQ(RegistryStore(file).readValues(Key),
              (QList<RegistryStore::Value>{{"DisplayName", "Vornalex"}, {"Language", "English"}}));
}

TEST(InstallerEnvironment, TakesEveryFolderFromTheUsersEnvironment) {
    InstallerSandbox box;
    const QByteArray names[] = {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "TMPDIR"};
    QHash<QByteArray, QByteArray> saved;
    for (const QByteArray& name : names)
        saved.insert(name, qgetenv(name.constData()));
    const auto restore = qScopeGuard([&] {
        for (const QByteArray& name : names)
            qputenv(name.constData(), saved.value(name));
    });
    qputenv("HOME", box.path("home").toUtf8());
    qputenv("XDG_DATA_HOME", box.path("data").toUtf8());
    qputenv("XDG_CONFIG_HOME", box.path("config").toUtf8());
    qputenv("TMPDIR", box.path("systmp").toUtf8());
    QDir().mkpath(box.path("systmp"));
    QDir().mkpath(box.path("config"));
    InstallerSandbox::writeFile(box.path("config/user-dirs.dirs"),
                                "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n");

    const InstallerEnvironment env = InstallerEnvironment::fromSystem();
    const QString ownTemp =
        box.path("systmp/Vornalex_Install-") + QString::number(::getuid()) + "/";
    EXPECT_EQ(env.programsDir, box.path("data"));
    EXPECT_EQ(env.menuRootDir, box.path("data/applications"));
    EXPECT_EQ(env.menuDirectoryDir, box.path("data/desktop-directories"));
    EXPECT_EQ(env.menuMergeDir, box.path("config/menus/applications-merged"));
    EXPECT_EQ(env.desktopDir, box.path("home/Schreibtisch/"));
    EXPECT_EQ(env.tempDir, ownTemp);
    EXPECT_EQ(env.registryFile, box.path("data/Vornalex_Install/registry.ini"));
    EXPECT_EQ(InstallerSandbox::fileMode(ownTemp), 0700u);

    // Without XDG_DATA_HOME and XDG_CONFIG_HOME their folders are below HOME.
    qputenv("XDG_DATA_HOME", "");
    qputenv("XDG_CONFIG_HOME", "");
    const InstallerEnvironment below = InstallerEnvironment::fromSystem();
    EXPECT_EQ(below.programsDir, box.path("home/.local/share"));
    EXPECT_EQ(below.menuMergeDir, box.path("home/.config/menus/applications-merged"));
}

TEST(PrivateTempDir, RefusesAFolderOthersMayEnterOrASymbolicLink) {
    InstallerSandbox box;
    const QString base = box.path("shared");
    const QString own = base + "/Vornalex_Install-" + QString::number(::getuid()) + "/";
    QDir().mkpath(own);
    ::chmod(QFile::encodeName(own).constData(), 0777);
    const QString fallback = privateTempDir(base);
    EXPECT_NE(fallback, own);
    EXPECT_TRUE(fallback.startsWith(base + "/Vornalex_Install-"));
    EXPECT_EQ(InstallerSandbox::fileMode(fallback), 0700u);

    QDir(own).removeRecursively();
    QFile::link(box.path("data"), own.chopped(1));
    EXPECT_NE(privateTempDir(base), own);

    QFile::remove(own.chopped(1));
    EXPECT_EQ(privateTempDir(base), own);
    EXPECT_EQ(InstallerSandbox::fileMode(own), 0700u);
}
