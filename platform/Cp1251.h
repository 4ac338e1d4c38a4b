#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>

namespace vx {

// Windows-1251, the code page of the Windows program's files and password scrambling.
//
// The code page leaves one byte unassigned, 0x98. By default it reads as U+FFFD and no character
// writes it; text files (decodeText: scripts, INI files) keep it as the control character U+0098
// instead (as Windows' own conversion does), so that every Windows-1251 file reads and writes back
// byte for byte.
enum class Cp1251Unassigned { Replaced, Kept };

QString fromCp1251(const QByteArray& bytes);
// Decodes into `out`, which has room for bytes.size() characters; returns the end of the text.
QChar* fromCp1251(QByteArrayView bytes, QChar* out, Cp1251Unassigned unassigned);
// The byte of one character, or nothing when the code page cannot carry it.
std::optional<unsigned char> cp1251Byte(QChar ch);
// The whole text, or nothing when any character cannot be carried.
std::optional<QByteArray> toCp1251(const QString& text,
                                   Cp1251Unassigned unassigned = Cp1251Unassigned::Replaced);

} // namespace vx
