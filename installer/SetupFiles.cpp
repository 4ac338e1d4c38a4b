#include "SetupFiles.h"

#include "Errors.h"
#include "Format.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vx {

namespace {

QString systemText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// Writes through a temporary file and a rename; returns 0 or the errno of the failed step.
int writeAtomically(const QString& path, const QByteArray& bytes, unsigned mode) {
    QByteArray temporary = QFile::encodeName(path) + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return errno;
    int error = 0;
    for (qsizetype done = 0; done < bytes.size() && error == 0;) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n >= 0)
            done += n;
        else if (errno != EINTR)
            error = errno;
    }
    if (error == 0 && ::fchmod(fd, mode_t(mode)) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(temporary.constData(), QFile::encodeName(path).constData()) != 0)
        error = errno;
    if (error != 0)
        ::unlink(temporary.constData());
    return error;
}

[[noreturn]] void cannotCreate(const QString& path, int error) {
    throw Error(cannotCreateText(path, error));
}

QString entryPath(const QString& name, const QString& root) {
    return root + QStringLiteral("SETUPFILE/") + name.toUpper();
}

} // namespace

QString withSeparator(const QString& folder) {
    return folder.endsWith(u'/') ? folder : folder + u'/';
}

QString cannotCreateText(const QString& path, int error) {
    return format(LoadResString(&VX_CANNOT_CREATE_FILE), {path, systemText(error)});
}

int makeFolders(const QString& path, QStringList* made) {
    const QString clean = QDir::cleanPath(path);
    for (qsizetype end = clean.indexOf(u'/', 1);; end = clean.indexOf(u'/', end + 1)) {
        const QString folder = end < 0 ? clean : clean.left(end);
        const QByteArray name = QFile::encodeName(folder);
        if (::mkdir(name.constData(), 0777) == 0) {
            if (made)
                made->append(withSeparator(folder));
        } else {
            const int error = errno;
            struct stat info {};
            if (error != EEXIST)
                return error;
            if (::stat(name.constData(), &info) != 0)
                return errno;
            if (!S_ISDIR(info.st_mode))
                return ENOTDIR;
        }
        if (end < 0)
            return 0;
    }
}

void writeFileAtomically(const QString& path, const QByteArray& bytes, unsigned mode) {
    if (const int error = writeAtomically(path, bytes, mode))
        cannotCreate(path, error);
}

QStringList setupFolderEntries(const QString& name, const QString& root) {
    return QDir(entryPath(name, root)).entryList(QDir::Files, QDir::Name);
}

QByteArray readSetupFile(const QString& name, const QString& root) {
    QFile file(entryPath(name, root));
    if (QFileInfo(file).isDir() || !file.open(QIODevice::ReadOnly))
        throw Error(format(QStringLiteral("Resource %s not found"), {name}));
    return file.readAll();
}

void ExtractSetupFile(const QString& name, const QString& fileName, unsigned mode,
                      const QString& root) {
    const QString entry = entryPath(name, root);
    const QFileInfo info(entry);
    if (!info.isDir()) {
        writeFileAtomically(fileName, readSetupFile(name, root), mode);
        return;
    }
    const QString folder = withSeparator(fileName);
    if (::mkdir(QFile::encodeName(folder).constData(), 0755) != 0 && errno != EEXIST)
        cannotCreate(folder, errno);
    for (const QString& page : setupFolderEntries(name, root)) {
        QFile file(entry + u'/' + page);
        file.open(QIODevice::ReadOnly);
        writeFileAtomically(folder + page, file.readAll(), mode);
    }
}

void removeSetupCopy(const QString& name, const QString& fileName, const QString& root) {
    if (!QFileInfo(entryPath(name, root)).isDir()) {
        ::unlink(QFile::encodeName(fileName).constData());
        return;
    }
    const QString folder = withSeparator(fileName);
    for (const QString& page : setupFolderEntries(name, root))
        ::unlink(QFile::encodeName(folder + page).constData());
    ::rmdir(QFile::encodeName(folder).constData());
}

void CopyFileChecked(const QString& source, const QString& target) {
    const auto fail = [&](int error) {
        throw Error(QFileInfo(source).fileName() + QStringLiteral(": ") + systemText(error));
    };
    const QByteArray sourceName = QFile::encodeName(source);
    struct stat from {};
    if (::stat(sourceName.constData(), &from) != 0)
        fail(errno);
    struct stat to {};
    if (::stat(QFile::encodeName(target).constData(), &to) == 0 && to.st_dev == from.st_dev &&
        to.st_ino == from.st_ino)
        return;
    const int fd = ::open(sourceName.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        fail(errno);
    QByteArray bytes(qsizetype(from.st_size), Qt::Uninitialized);
    int readError = 0;
    for (qsizetype done = 0; done < bytes.size() && readError == 0;) {
        const ssize_t n = ::read(fd, bytes.data() + done, size_t(bytes.size() - done));
        if (n > 0)
            done += n;
        else if (n == 0)
            readError = EIO; // the file shrank while it was read
        else if (errno != EINTR)
            readError = errno;
    }
    ::close(fd);
    if (readError != 0)
        fail(readError);
    if (const int error = writeAtomically(target, bytes, from.st_mode & 07777))
        fail(error);
}

QString existingFolderForm(const QString& path) {
    if (path.isEmpty() || !QDir::isAbsolutePath(path) || !QFileInfo(path).isDir())
        return {};
    return withSeparator(QDir::cleanPath(path));
}

} // namespace vx
