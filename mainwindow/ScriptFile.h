#pragma once

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

// How a script file stood on disk, so that saving it again writes the same bytes for the same
// text: the encoding found on open (with or without a leading UTF-8 byte-order mark) and the style
// of its line ends.
struct ScriptFormat {
    enum Encoding { Utf8, Utf8WithBom, Cp1251, Cp1251WithBom };
    Encoding encoding = Utf8;
    QByteArray lineEnd = "\n"; // of the first line end in the file; LF for new files

    bool operator==(const ScriptFormat&) const = default;
};

struct ScriptText {
    // What a save of the text would write differently from the file it came from.
    enum Change {
        MixedLineEnds = 1,       // every line end is written in the style of the first
        ParagraphSeparators = 2, // U+2029, U+FDD0 and U+FDD1, which the editor holds as line ends
    };

    QString text; // lines separated by "\n", as the editor holds them
    ScriptFormat format;
    int changes = 0; // Change flags; 0 when a save gives back the bytes that were read
};

// A file's bytes as text, decided for the file as a whole: UTF-8 when all of it after an optional
// byte-order mark is valid UTF-8, else Windows-1251 (the Windows program's files, sometimes saved
// with a UTF-8 mark in front; its unassigned byte kept, see Cp1251.h). CR LF and CR become "\n". A
// mark after the first is text (U+FEFF). Works through the bytes in pieces, writing straight into
// the text: the text and one piece are all the memory it adds.
ScriptText decodeScript(const QByteArray& bytes);

// The text in the given format. A text that Windows-1251 cannot carry whole is written as UTF-8
// instead of losing characters (after the mark, where the file had one); `format` then says
// UTF-8, for the next save too.
QByteArray encodeScript(const QString& text, ScriptFormat& format);

// Reads a script file as decodeScript does, a piece at a time, so that the file's bytes are never
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
