#include "InstallerEnvironment.h"

#include "Errors.h"
#include "Format.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace vx {

QString uninstallKeyPath() {
    return QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\"
                          "Uninstall\\") +
           ProductName + u'\\';
}

int makePrivateFolder(const QString& folder) {
    const QByteArray name = QFile::encodeName(folder);
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST)
        return errno;
    struct stat info {};
    const bool ours = ::lstat(name.constData(), &info) == 0 && S_ISDIR(info.st_mode) &&
                      info.st_uid == ::getuid() && (info.st_mode & 077) == 0;
    return ours ? 0 : EEXIST;
}

QString privateTempDir(const QString& base) {
    const QString folder =
        base + QStringLiteral("/Vornalex_Install-") + QString::number(::getuid()) + u'/';
    if (makePrivateFolder(folder) == 0)
        return folder;
    QTemporaryDir fresh(base + QStringLiteral("/Vornalex_Install-XXXXXX"));
    if (!fresh.isValid())
        throw Error(format(QStringLiteral("Cannot create a temporary folder in %s: %s"),
                           {base, fresh.errorString()}));
    fresh.setAutoRemove(false);
    return fresh.path() + u'/';
}

InstallerEnvironment InstallerEnvironment::fromSystem() {
    const QString home = qEnvironmentVariable("HOME");
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (!QDir::isAbsolutePath(dataHome))
        dataHome = home.isEmpty() ? QString() : home + QStringLiteral("/.local/share");

    QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!QDir::isAbsolutePath(configHome))
        configHome = home.isEmpty() ? QString() : home + QStringLiteral("/.config");

    InstallerEnvironment env;
    env.programsDir = dataHome;
    if (!dataHome.isEmpty()) {
        env.menuRootDir = dataHome + QStringLiteral("/applications");
        env.menuDirectoryDir = dataHome + QStringLiteral("/desktop-directories");
    }
    if (!configHome.isEmpty())
        env.menuMergeDir = configHome + QStringLiteral("/menus/applications-merged");
    if (!home.isEmpty()) {
        const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
        if (!desktop.isEmpty())
            env.desktopDir = desktop + u'/';
    }
    env.tempDir = privateTempDir(QDir::tempPath());
    env.registryFile = dataHome.isEmpty()
                           ? env.tempDir + QStringLiteral("registry.ini")
                           : dataHome + QStringLiteral("/Vornalex_Install/registry.ini");
    env.installerPath = QCoreApplication::applicationFilePath();
    env.waitPid = QCoreApplication::applicationPid();
    return env;
}

} // namespace vx
