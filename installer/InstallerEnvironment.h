#pragma once

#include <QString>

namespace vx {

// The product that the installer carries; it names the installed files, entries and record.
inline const QString ProductName = QStringLiteral("Vornalex");
// The uninstall record's key path in the registry store.
QString uninstallKeyPath();

// The folders and identity the installer works with. Everything the installation and the
// uninstallation touch is derived from these fields, so tests root them in a sandbox.
struct InstallerEnvironment {
    QString programsDir; // the default parent of the installation folder, no trailing "/"
    QString menuRootDir; // the user's applications folder, no trailing "/"; "" when unknown
    // The user's folders of sub-menu captions (.directory files) and of menu files merged into
    // the desktop's menu; no trailing "/", "" when unknown.
    QString menuDirectoryDir;
    QString menuMergeDir;
    QString desktopDir;   // the user's desktop folder with a trailing "/"; "" when unknown
    QString tempDir;      // the installer's private temporary folder, with a trailing "/"
    QString registryFile; // the registry store file
    QString installerPath;
    qint64 waitPid = 0;                          // the process the uninstall script outlives
    QString resourceRoot = QStringLiteral(":/"); // the resource tree holding SETUPFILE

    // The per-user folders from HOME, XDG_DATA_HOME, XDG_CONFIG_HOME (the merged menus, and its
    // user-dirs.dirs names the desktop) and TMPDIR, and the running program. Creates the private
    // temporary folder; raises vx::Error when none can be made.
    static InstallerEnvironment fromSystem();
};

// Creates the folder with mode 0700 when it is missing. 0 when it is then a real folder of ours
// that nobody else may enter; otherwise the errno of the failed creation, or EEXIST for something
// else in its place.
int makePrivateFolder(const QString& folder);

// "<base>/Vornalex_Install-<uid>/", created with mode 0700 and accepted only when it is a real
// folder of ours that nobody else may enter; otherwise a fresh private folder under base.
// Raises vx::Error when neither can be made.
QString privateTempDir(const QString& base);

} // namespace vx
