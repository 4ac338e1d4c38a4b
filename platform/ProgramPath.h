#pragma once

#include <QString>

namespace vx {

// The running program's file: what the files that live beside the program (settings, help pages,
// tools file) are named after. Tests point it elsewhere so that nothing is read or written beside
// the test program.
QString programFilePath();
// An empty path restores the running program's.
void setProgramFilePath(const QString& path);
// The program's folder, with a trailing separator.
QString programFolder();

} // namespace vx
