#include "InstallerSandbox.h"

#include <QDirIterator>
#include <QFile>

#include <sys/stat.h>

namespace vx::test {

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

QString englishText(const QString& key) {
    static const QHash<QString, QString> lines{
        {"progressCreateDir", "Create dir.."},
        {"progressCopyFiles", "Copy files.."},
        {"progressCreateReg", "Registry entries.."},
        {"progressDelReg", "delete register keys.."},
        {"progressDelFiles", "delete files.."},
        {"badInstallDir", "Please enter a full installation folder path."},
    };
    return lines.value(key, "<" + key + ">");
}

} // namespace vx::test
