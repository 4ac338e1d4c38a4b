#include "ScriptExecutors.h"

#include <QStandardPaths>

namespace vx {

QList<ScriptExecutor> findScriptExecutors(const QStringList& toolFolders) {
    QList<ScriptExecutor> found;
    if (const QString isqlw = QStandardPaths::findExecutable(QStringLiteral("isqlw"));
        !isqlw.isEmpty())
        found.append({QStringLiteral("SQL 2000 tools"), isqlw});
    QString sqlcmd = QStandardPaths::findExecutable(QStringLiteral("sqlcmd"));
    if (sqlcmd.isEmpty())
        sqlcmd = QStandardPaths::findExecutable(QStringLiteral("sqlcmd"), toolFolders);
    if (!sqlcmd.isEmpty())
        found.append({QStringLiteral("SQL 2005 tools"), sqlcmd});
    return found;
}

} // namespace vx
