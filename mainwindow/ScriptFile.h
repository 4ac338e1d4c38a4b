#pragma once

#include <QByteArray>
#include <QFuture>
#include <QString>

namespace vx {

// How a script file stood on disk, so that saving it again writes the same bytes for the same
// text: the encoding found on open and the style of its line ends.
struct ScriptFormat {
    enum Encoding { Utf8, Utf8WithBom, Cp1251 };
    Encoding encoding = Utf8;
    QByteArray lineEnd = "\n"; // of the first line end in the file; LF for new files

    bool operator==(const ScriptFormat&) const = default;
};

struct ScriptText {
    QString text; // lines separated by "\n", as the editor holds them
    ScriptFormat format;
};

// A file's bytes as text: UTF-8 with a BOM, else UTF-8 when the bytes are valid UTF-8, else
// Windows-1251 (the Windows program's files). CR LF and CR become "\n".
ScriptText decodeScript(const QByteArray& bytes);

// The text in the given format. A text that Windows-1251 cannot carry whole is written as UTF-8
// instead of losing characters; `format` then says UTF-8, for the next save too.
QByteArray encodeScript(const QString& text, ScriptFormat& format);

// Reads a script file; raises `Cannot open file "<name>". <reason>` when it cannot be read.
ScriptText loadScript(const QString& fileName);

// loadScript on a thread of the global pool, for files large enough to keep the window waiting;
// the future holds the text or loadScript's failure. The work touches nothing but the file.
QFuture<ScriptText> loadScriptInBackground(const QString& fileName);

// Replaces the file in one step: the old file stays whole when anything fails, which raises
// `Cannot create file "<name>". <reason>`. An existing file keeps its permissions.
void saveScript(const QString& fileName, const QString& text, ScriptFormat& format);

// The name a save dialog's answer stands for: ".sql" appended when the file name has no extension.
QString withScriptExtension(const QString& fileName);

} // namespace vx
