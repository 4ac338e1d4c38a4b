#pragma once

#include <QString>

namespace vx {

// One argument of a desktop entry's Exec key: "%" doubled, and quoted with "\"", "`", "$" and "\\"
// escaped when it holds a reserved character; the string escape of the key's value comes on top.
QString desktopExecArgument(const QString& argument);

// The text of a launcher named `name` for `target`: a program is started itself, any other file
// through xdg-open; the target's folder is the working folder.
QString desktopEntryText(const QString& name, const QString& target);

// Writes the launcher `link` ("<name>.desktop") for `target` with the given mode; raises the
// write's vx::Error.
void CreateShortcut(const QString& link, const QString& target, unsigned mode);

// A POSIX sh word that stands for the text exactly: single quotes, each "'" written as '\''.
QString shQuote(const QString& text);

} // namespace vx
