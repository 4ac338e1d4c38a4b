#pragma once

#include <QString>
#include <QStringList>

namespace vx {

// One argument of a desktop entry's Exec key: "%" doubled, and quoted with "\"", "`", "$" and "\\"
// escaped when it holds a reserved character; the string escape of the key's value comes on top.
QString desktopExecArgument(const QString& argument);

// What a launcher shows and starts.
struct DesktopEntry {
    QString name;
    QString target;     // a program is started itself, any other file through xdg-open
    QString icon;       // a picture's absolute path
    QString categories; // the menu categories, each ended by ";"
};

// The launcher's text; the target's folder is the working folder.
QString desktopEntryText(const DesktopEntry& entry);

// The text of a sub-menu's caption (a ".directory" file).
QString menuDirectoryText(const QString& name, const QString& icon);

// The text of a menu file merged into the desktop's applications menu: the sub-menu `menuName`
// captioned by the ".directory" file `directoryFile`, holding the entries with the given file
// names (desktop file ids). The names are taken as they are: plain file names, no XML escapes.
QString mergedMenuText(const QString& menuName, const QString& directoryFile,
                       const QStringList& entryFiles);

// A POSIX sh word that stands for the text exactly: single quotes, each "'" written as '\''.
QString shQuote(const QString& text);

} // namespace vx
