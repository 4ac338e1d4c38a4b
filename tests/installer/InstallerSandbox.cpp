#include "InstallerSandbox.h"

#ifdef VX_SETUP_PROGRAM
#include "SetupPayload.h"
#endif

#include <QDirIterator>
#include <QFile>
#include <QProcess>

#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>

namespace vx::test {

InstallerSandbox::InstallerSandbox() {
    if (!m_dir.isValid())
        requireInside({QStringLiteral("/")}); // no sandbox: stop before anything is written
    for (const char* folder : {"data", "home/Desktop", "dl", "tmp/Vornalex_Install-0"})
        QDir().mkpath(path(QString::fromLatin1(folder)));
    m_env.programsDir = path("data");
    m_env.menuRootDir = path("data/applications");
    m_env.menuDirectoryDir = path("data/desktop-directories");
    m_env.menuMergeDir = path("home/.config/menus/applications-merged");
    m_env.desktopDir = path("home/Desktop/");
    m_env.tempDir = path("tmp/Vornalex_Install-0/");
    m_env.registryFile = path("data/Vornalex_Install/registry.ini");
    m_env.installerPath = path("dl/Vornalex_Install");
    m_env.waitPid = 0;
    writeFile(m_env.installerPath, "INSTALLER", 0755);
}

void InstallerSandbox::requireInside(std::initializer_list<QString> paths) const {
    const QString inside = QDir::cleanPath(root()) + u'/';
    for (const QString& p : paths) {
        if (m_dir.isValid() && inside.size() > 1 &&
            (p.isEmpty() || QDir::cleanPath(p).startsWith(inside)))
            continue;
        std::fprintf(stderr, "Installer test stopped: %s lies outside the sandbox %s\n",
                     qPrintable(p), qPrintable(inside));
        std::abort();
    }
}

void InstallerSandbox::writeFile(const QString& file, const QByteArray& bytes, unsigned mode) {
    QFile f(file);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        std::abort();
    f.close();
    ::chmod(QFile::encodeName(file).constData(), mode);
}

QByteArray InstallerSandbox::readFile(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

unsigned InstallerSandbox::fileMode(const QString& file) {
    struct stat info {};
    return ::stat(QFile::encodeName(file).constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}

QStringList InstallerSandbox::tree(const QString& below) const {
    const QDir base(below.isEmpty() ? root() : below);
    QStringList entries;
    QDirIterator it(base.path(), QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        entries << base.relativeFilePath(info.filePath()) + (info.isDir() ? "/" : "");
    }
    entries.sort();
    return entries;
}

QStringList InstallerSandbox::menu() const {
    QProcess reader;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("XDG_MENU_PREFIX");
    env.insert("HOME", path("home"));
    env.insert("XDG_DATA_HOME", path("data"));
    env.insert("XDG_CONFIG_HOME", path("home/.config"));
    reader.setProcessEnvironment(env);
    // The system's menu folders are the reader's own, holding only the base menu.
    reader.start("/usr/bin/python3", {"-c", R"(import os, tempfile
with tempfile.TemporaryDirectory() as base:
    os.makedirs(base + "/menus")
    with open(base + "/menus/applications.menu", "w") as f:
        f.write("""<!DOCTYPE Menu PUBLIC "-//freedesktop//DTD Menu 1.0//EN"
 "http://www.freedesktop.org/standards/menu-spec/menu-1.0.dtd">
<Menu><Name>Applications</Name>
<DefaultAppDirs/><DefaultDirectoryDirs/><DefaultMergeDirs/>
<Menu><Name>Development</Name><Include><Category>Development</Category></Include></Menu>
<Menu><Name>Other</Name><OnlyUnallocated/><Include><All/></Include></Menu>
</Menu>""")
    os.environ["XDG_CONFIG_DIRS"] = os.environ["XDG_DATA_DIRS"] = base
    import xdg.Menu
    def walk(menu, path):
        for entry in menu.getEntries():
            if isinstance(entry, xdg.Menu.Menu):
                walk(entry, path + entry.getName() + "/")
            elif isinstance(entry, xdg.Menu.MenuEntry):
                print(path + entry.DesktopEntry.getName())
    walk(xdg.Menu.parse(), "")
)"});
    if (!reader.waitForFinished(30000) || reader.exitCode() != 0)
        return {"error: " + reader.errorString() +
                QString::fromUtf8(reader.readAllStandardError())};
    QStringList lines =
        QString::fromUtf8(reader.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    lines.sort();
    return lines;
}

QStringList refusedEntries(const QStringList& entries) {
    QStringList refused;
    for (const QString& entry : entries) {
        QProcess validate;
        validate.start("desktop-file-validate", {entry});
        if (!validate.waitForFinished(30000) || validate.exitCode() != 0)
            refused << entry + ": " + validate.errorString() + validate.readAllStandardOutput();
    }
    QProcess glib;
    glib.start("/usr/bin/python3", QStringList{"-c", R"(import sys, gi
gi.require_version("Gio", "2.0")
from gi.repository import Gio
# Its launchers only: a sub-menu caption is read by the menus.
for entry in [e for e in sys.argv[1:] if e.endswith(".desktop")]:
    try:
        Gio.DesktopAppInfo.new_from_filename(entry)
    except TypeError:
        print(entry + ": refused by GLib")
)"} + entries);
    glib.waitForFinished(30000);
    refused << QString::fromUtf8(glib.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    if (glib.exitCode() != 0)
        refused << "GLib's reader did not run: " + glib.errorString() + glib.readAllStandardError();
    return refused;
}

#ifdef VX_SETUP_PROGRAM
QString builtPayloadRoot() {
    static const bool registered = registerSetupPayload("/built");
    return registered ? ":/built/" : "<not registered>";
}
#endif

QString englishText(const QString& key) {
    static const QHash<QString, QString> lines{
        {"progressCreateDir", "Create dir.."},
        {"progressCopyFiles", "Copy files.."},
        {"progressCreateReg", "Registry entries.."},
        {"progressDelReg", "delete register keys.."},
        {"progressDelFiles", "delete files.."},
        {"progressSkipped", "Shortcut skipped: %s"},
        {"badInstallDir", "Please enter a full installation folder path."},
        {"percentInInstallDir", "The character '%' cannot be used in the installation folder."},
    };
    return lines.value(key, "<" + key + ">");
}

} // namespace vx::test
