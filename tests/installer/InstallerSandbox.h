#pragma once

#include "InstallerEnvironment.h"

#include <QDir>
#include <QHash>
#include <QTemporaryDir>

#include <initializer_list>

namespace vx::test {

// A private tree in which an installation and an uninstallation may write and delete. The tests
// run as root on CI, where a root pointing elsewhere could damage the machine: every path that an
// installer run is handed passes requireInside(), which ends the whole test program otherwise.
class InstallerSandbox {
public:
    InstallerSandbox();

    QString root() const { return m_dir.path(); }
    QString path(const QString& relative) const { return m_dir.path() + u'/' + relative; }

    // The environment, checked by the guard on every use; an empty folder stands for none.
    InstallerEnvironment& environment() {
        requireInside({m_env.programsDir, m_env.menuRootDir, m_env.menuDirectoryDir,
                       m_env.menuMergeDir, m_env.desktopDir, m_env.tempDir, m_env.registryFile,
                       m_env.installerPath});
        return m_env;
    }

    // Ends the test program unless every non-empty path lies below the root.
    void requireInside(std::initializer_list<QString> paths) const;

    static void writeFile(const QString& file, const QByteArray& bytes, unsigned mode = 0644);
    static QByteArray readFile(const QString& file); // "<missing>" when it cannot be read
    static unsigned fileMode(const QString& file);   // the permission bits; 0 when missing

    // Every file and folder below `below` (the root by default), relative to it, folders ending
    // in "/", sorted.
    QStringList tree(const QString& below = QString()) const;

    // The desktop's applications menu as a freedesktop menu reader builds it from the sandbox's
    // data and configuration folders ("data", "home/.config") over a base menu of its own: one
    // line per shown entry, "<menu>/<entry name>" with the captions of the menus, sorted; a line
    // "error: ..." when the reader fails. The base menu has a "Development" menu for that
    // category and an "Other" menu for entries that no menu takes, as desktops have.
    QStringList menu() const;

private:
    QTemporaryDir m_dir;
    InstallerEnvironment m_env;
};

// The desktop entries (".desktop" and ".directory" files) that desktop-file-validate or, for
// launchers, GLib's reader (which GNOME-style menus use) refuse, each with the reason.
QStringList refusedEntries(const QStringList& entries);

#ifdef VX_SETUP_PROGRAM
// The resource root of the payload that the installer program carries, registered once.
QString builtPayloadRoot();
#endif

// The English lines of the translator keys that the installer runs look up.
QString englishText(const QString& key);

} // namespace vx::test
