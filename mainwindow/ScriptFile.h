#pragma once

#include "TextDecoding.h"
#include "uZybLoadRes.h"

#include <QByteArray>
#include <QFuture>
#include <QString>

// The warning of changesOnSave and its parts, translated by these names.
inline constexpr TResStringRec WP_SCRIPT_CHANGES_ON_SAVE{
    "The file \"%s\" will not be saved back exactly as it was read: %s."};
inline constexpr TResStringRec WP_MIXED_LINE_ENDS{
    "its line ends are mixed, and a save writes each as %s"};
inline constexpr TResStringRec WP_PARAGRAPH_SEPARATORS{
    "it holds paragraph separators (U+2029, U+FDD0 or U+FDD1), which the editor shows and a save "
    "writes as line ends"};

namespace vx {

// A script file's format and text are those of any text file, as decodeText finds them.
using ScriptFormat = TextFormat;
using ScriptText = DecodedText;

// The text in the given format. A text that Windows-1251 cannot carry whole is written as UTF-8
// instead of losing characters (after the mark, where the file had one); `format` then says
// UTF-8, for the next save too.
QByteArray encodeScript(const QString& text, ScriptFormat& format);

// Reads a script file as decodeText does, a piece at a time, so that the file's bytes are never
// held whole; raises `Cannot open file "<name>". <reason>` when it cannot be read.
ScriptText loadScript(const QString& fileName);

// The warning to show when the file is opened, naming it and what a save would change, in the
// texts of the records above; empty when a save gives back the bytes that were read.
QString changesOnSave(const QString& fileName, const ScriptText& script);

// loadScript on a thread of the global pool, for files large enough to keep the window waiting;
// the future holds the text or loadScript's failure. The work touches nothing but the file.
QFuture<ScriptText> loadScriptInBackground(const QString& fileName);

// Replaces the file in one step: the old file stays whole when anything fails, which raises
// `Cannot create file "<name>". <reason>`. An existing file keeps its permissions.
void saveScript(const QString& fileName, const QString& text, ScriptFormat& format);

// The name a save dialog's answer stands for: ".sql" appended when the file name has no extension.
QString withScriptExtension(const QString& fileName);

} // namespace vx
