#pragma once

#include "InstallerEnvironment.h"

#include <QDir>
#include <QHash>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <initializer_list>

namespace vx::test {

// A private tree in which an installation and an uninstallation may write and delete. The tests
// run as root on CI, where a root pointing elsewhere could damage the machine: every path that an
// installer run is handed passes requireInside(), which ends the whole test program otherwise.
class InstallerSandbox {
public:
    InstallerSandbox() {
        for (const char* folder : {"data", "home/Desktop", "dl", "tmp/Vornalex_Install-0"})
            QDir().mkpath(path(QString::fromLatin1(folder)));
        m_env.programsDir = path("data");
        m_env.menuRootDir = path("data/applications");
        m_env.desktopDir = path("home/Desktop/");
        m_env.tempDir = path("tmp/Vornalex_Install-0/");
        m_env.registryFile = path("data/Vornalex_Install/registry.ini");
        m_env.installerPath = path("dl/Vornalex_Install");
        m_env.waitPid = 0;
        writeFile(m_env.installerPath, "INSTALLER", 0755);
    }

    QString root() const { return m_dir.path(); }
    QString path(const QString& relative) const { return m_dir.path() + u'/' + relative; }

    // The environment, checked by the guard on every use; an empty folder stands for none.
    InstallerEnvironment& environment() {
        requireInside({m_env.programsDir, m_env.menuRootDir, m_env.desktopDir, m_env.tempDir,
                       m_env.registryFile, m_env.installerPath});
        return m_env;
    }

    void requireInside(std::initializer_list<QString> paths) const {
        const QString inside = QDir::cleanPath(root()) + u'/';
        for (const QString& p : paths) {
            if (p.isEmpty() || (QDir::cleanPath(p).startsWith(inside) && !p.contains(u"/../")))
                continue;
            std::fprintf(stderr, "Installer test stopped: %s lies outside the sandbox %s\n",
                         qPrintable(p), qPrintable(inside));
            std::abort();
        }
    }

    static void writeFile(const QString& file, const QByteArray& bytes, unsigned mode = 0644);
    static QByteArray readFile(const QString& file); // "<missing>" when it cannot be read
    static unsigned fileMode(const QString& file);   // the permission bits; 0 when missing

    // Every file and folder below `below` (the root by default), relative to it, folders ending
    // in "/", sorted.
    QStringList tree(const QString& below = QString()) const;

private:
    QTemporaryDir m_dir;
    InstallerEnvironment m_env;
};

// The English lines of the translator keys that the installer runs look up.
QString englishText(const QString& key);

} // namespace vx::test
