#pragma once

#include <QString>

namespace vx {

// The main program's settings file. The environment variable VORNALEX_SETTINGS names it when
// set; otherwise it lives beside the program (the program's path with ".ini") when the program's
// folder is writable, as in a portable installation, and else in the user's configuration folder
// ($XDG_CONFIG_HOME/vornalex/vornalex.ini), which is made when missing, so that the connection
// list is never lost to a read-only installation folder.
QString settingsFilePath(const QString& programPath);

} // namespace vx
