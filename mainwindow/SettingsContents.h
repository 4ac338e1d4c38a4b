#pragma once

#include "ConnectionList.h"
#include "IniFile.h"

#include <QString>
#include <QStringList>

#include <array>
#include <vector>

// What the main window keeps in its settings file beside its stored properties: the script folder
// under "script_dir" in its own section, and one section per connection, "connection0",
// "connection1", ... in list order, with the keys "name", "checked" ("1"/"0"), then
// ConnectionKeys in sub-item order, the password scrambled. Files written by the Windows program
// (Windows-1251, CR LF) read the same; this program writes UTF-8.

// The keys of the sub-items, by sub-item index; none of them is translated.
inline const std::array<QString, ConnectionEntry::SubItemCount> ConnectionKeys = {
    QStringLiteral("server"), QStringLiteral("db"), QStringLiteral("user"), QStringLiteral("pwd"),
    QStringLiteral("TrustConnect")};

// Writes script_dir into the section and replaces every section whose name begins with
// "connection" (in any case) with the rows, so that no old entry stays behind. A password that
// decodes to a line break goes back in the stored form it was read from. Any other value with a
// line break, which the file cannot keep, is left out of its section and never fails the write:
// the result names each connection written without a value, empty when none was.
QStringList WriteConnectionSections(vx::IniFile& ini, const QString& section,
                                    const QString& scriptDir,
                                    const std::vector<ConnectionEntry>& rows);

struct ConnectionSections {
    QString scriptDir;
    std::vector<ConnectionEntry> rows;
};
// Reads script_dir (currentScriptDir when absent) and a row for every section whose name begins
// with "connection", in file order; the digits of the names are not read. Absent keys give empty
// texts and an unticked row; TrustConnect is kept as the text found; a password that decodes to a
// line break keeps its stored form beside it. Never fails.
ConnectionSections ReadConnectionSections(const vx::IniFile& ini, const QString& section,
                                          const QString& currentScriptDir);

// Copies a whole file for "Save list" and "Load list": the target is replaced in one step with
// mode 0600, so that a failure leaves it as it was; a copy of a file onto itself does nothing.
// Raises "Unable to copy %s to %s: %s" with the system's reason.
void CopyListFile(const QString& source, const QString& target);
