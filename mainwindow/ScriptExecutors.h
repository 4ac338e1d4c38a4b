#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace vx {

// An external tool that can run a script in place of the internal runner: the text the executor
// list shows and the program that the worker runs.
struct ScriptExecutor {
    QString caption;
    QString program;
    bool operator==(const ScriptExecutor&) const = default;
};

// Where the vendor's Linux package installs sqlcmd, looked at after PATH.
inline const QStringList sqlToolFolders = {QStringLiteral("/opt/mssql-tools18/bin"),
                                           QStringLiteral("/opt/mssql-tools/bin")};

// The tools found on this machine, in list order: "SQL 2000 tools" when isqlw is on PATH, "SQL
// 2005 tools" when sqlcmd is on PATH or in one of the tool folders.
QList<ScriptExecutor> findScriptExecutors(const QStringList& toolFolders = sqlToolFolders);

} // namespace vx
