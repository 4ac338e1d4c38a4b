#include "SettingsPath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <unistd.h>

namespace vx {

QString settingsFilePath(const QString& programPath) {
    if (const QString named = qEnvironmentVariable("VORNALEX_SETTINGS"); !named.isEmpty())
        return named;
    const QFileInfo program(programPath);
    const QString folder = program.absolutePath();
    if (::access(QFile::encodeName(folder).constData(), W_OK) == 0)
        return QDir(folder).filePath(program.completeBaseName() + QStringLiteral(".ini"));
    const QString configFolder =
        QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
            .filePath(QStringLiteral("vornalex"));
    QDir().mkpath(configFolder);
    return QDir(configFolder).filePath(QStringLiteral("vornalex.ini"));
}

} // namespace vx
