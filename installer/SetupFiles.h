#pragma once

#include "uZybLoadRes.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// The text of cannotCreateText, translated by this name.
inline constexpr TResStringRec VX_CANNOT_CREATE_FILE{"Cannot create file \"%s\". %s"};

namespace vx {

// The installer's file routines. Every write goes to a temporary file beside the target, gets its
// mode and is renamed over the target: a reader never sees half a file, and a running program at
// the target keeps its old bytes instead of failing with "Text file busy". A failed write leaves
// the target as it was and raises vx::Error naming the file and the system's reason.

// Raises `Cannot create file "<path>". <reason>`.
void writeFileAtomically(const QString& path, const QByteArray& bytes, unsigned mode);
// That text (VX_CANNOT_CREATE_FILE) for a file that cannot be created for the system's reason
// `error` (an errno).
QString cannotCreateText(const QString& path, int error);

// The folder's path with one trailing "/".
QString withSeparator(const QString& folder);

// Creates the folder with its missing parents; 0, or the errno of the step that failed
// (ENOTDIR where something other than a folder is in the way). Each folder it creates is added
// to `made` (when given) with a trailing "/", parents first.
int makeFolders(const QString& path, QStringList* made = nullptr);

// Saves the embedded setup file `name` (matched without regard to case) to `fileName`, replacing
// it. A folder entry becomes a folder of that name holding its files. Raises "Resource <name> not
// found" or the write's error. `root` is the resource tree that carries the SETUPFILE folder.
void ExtractSetupFile(const QString& name, const QString& fileName, unsigned mode,
                      const QString& root = QStringLiteral(":/"));

// Removes what ExtractSetupFile(name, fileName) wrote: the file, or a folder entry's files and then
// the folder when it is empty. Whatever is not there is no failure.
void removeSetupCopy(const QString& name, const QString& fileName,
                     const QString& root = QStringLiteral(":/"));

// The bytes of the embedded setup file `name` (matched without regard to case); raises "Resource
// <name> not found" when it is missing or a folder.
QByteArray readSetupFile(const QString& name, const QString& root = QStringLiteral(":/"));

// The names of the files inside a folder entry, sorted; empty when it is no folder.
QStringList setupFolderEntries(const QString& name, const QString& root = QStringLiteral(":/"));

// Copies source over target keeping the source's mode. A target that is the source itself (the
// installer run from the installation folder) is left alone. Raises "<source file name>: <reason>".
void CopyFileChecked(const QString& source, const QString& target);

// The path as an absolute existing folder with one trailing "/", or "" when it is empty, relative
// or no folder: the uninstallation names no file under a folder that is not there.
QString existingFolderForm(const QString& path);

} // namespace vx
