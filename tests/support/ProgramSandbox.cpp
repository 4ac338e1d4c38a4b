#include "ProgramSandbox.h"

#include "ProgramPath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace vx::test {

ScopedEnvironment::ScopedEnvironment(const char* name, const std::optional<QString>& value)
    : m_name(name) {
    if (qEnvironmentVariableIsSet(name))
        m_old = qgetenv(name);
    if (value)
        qputenv(name, QFile::encodeName(*value));
    else
        qunsetenv(name);
}

ScopedEnvironment::~ScopedEnvironment() {
    if (m_old)
        qputenv(m_name, *m_old);
    else
        qunsetenv(m_name);
}

ProgramSandbox::ProgramSandbox()
    : m_settings("VORNALEX_SETTINGS", QDir(m_dir.path()).filePath(QStringLiteral("settings.ini"))) {
    setProgramFilePath(programPath());
}

ProgramSandbox::~ProgramSandbox() {
    setProgramFilePath(QString());
}

QString ProgramSandbox::folder() const {
    return m_dir.path() + QLatin1Char('/');
}

void ProgramSandbox::writeFile(const QString& name, const QByteArray& bytes) const {
    const QString path = folder() + name;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

QByteArray ProgramSandbox::readFile(const QString& name) const {
    QFile file(folder() + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace vx::test
