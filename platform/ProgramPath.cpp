#include "ProgramPath.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace vx {

namespace {
QString programPath;
}

QString programFilePath() {
    return programPath.isEmpty() ? QCoreApplication::applicationFilePath() : programPath;
}

void setProgramFilePath(const QString& path) {
    programPath = path;
}

QString programFolder() {
    return QFileInfo(programFilePath()).absolutePath() + QLatin1Char('/');
}

} // namespace vx
