#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace vx {

// Windows-1251, the code page of the Windows program's files and password scrambling.
QString fromCp1251(const QByteArray& bytes);
// The byte of one character, or nothing when the code page cannot carry it.
std::optional<unsigned char> cp1251Byte(QChar ch);
// The whole text, or nothing when any character cannot be carried.
std::optional<QByteArray> toCp1251(const QString& text);

} // namespace vx
