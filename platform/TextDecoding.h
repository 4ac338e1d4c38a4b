#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

namespace vx {

inline const QByteArray utf8Bom("\xEF\xBB\xBF");

// How a text file stood on disk, so that writing its text again can give the same bytes: the
// encoding found (with or without a leading UTF-8 byte-order mark) and the style of its line ends.
struct TextFormat {
    enum Encoding { Utf8, Utf8WithBom, Cp1251, Cp1251WithBom };
    Encoding encoding = Utf8;
    QByteArray lineEnd = "\n"; // of the first line end in the file; LF for new files

    bool operator==(const TextFormat&) const = default;
};

struct DecodedText {
    // What writing the text back in its format would change in the file.
    enum Change {
        MixedLineEnds = 1,       // every line end is written in the style of the first
        ParagraphSeparators = 2, // U+2029, U+FDD0 and U+FDD1, which text editors hold as line ends
    };

    QString text; // lines separated by "\n"
    TextFormat format;
    int changes = 0; // Change flags; 0 when writing the text back gives the bytes that were read
};

// Fills `into` with up to `size` bytes from `offset`; fewer only at the end. Raises on a failed
// read.
using ReadAt = std::function<qsizetype(qint64 offset, char* into, qsizetype size)>;

// A file's bytes as text, decided for the file as a whole: UTF-8 when all of it after an optional
// byte-order mark is valid UTF-8, else Windows-1251 (the Windows program's files, sometimes saved
// with a UTF-8 mark in front; its unassigned byte kept, see Cp1251.h). CR LF and CR become "\n". A
// mark after the first is text (U+FEFF). Works through the bytes in pieces of `read`, writing
// straight into the text: the text and one piece are all the memory it adds. `sizeHint` is the
// number of bytes to expect.
DecodedText decodeText(const ReadAt& read, qint64 sizeHint);
// The same for bytes in memory.
DecodedText decodeText(const QByteArray& bytes);

} // namespace vx
