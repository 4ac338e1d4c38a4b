#include "InstallerSandbox.h"

#ifdef VX_SETUP_PROGRAM
#include "SetupPayload.h"
#endif

#include <QDirIterator>
#include <QFile>

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
