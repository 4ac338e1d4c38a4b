#pragma once

#include <QString>

// The stored form of a connection password: 64 characters of a fixed alphabet plus a length mark,
// made from the password's Windows-1251 byte codes. A password the form cannot carry whole (over
// 31 characters, or a character outside Windows-1251 or below code 19) is returned plain; a text of
// exactly 64 characters is taken as already stored and returned unchanged.
QString EncodePassword(const QString& password);
// The password of a stored form; any text that is not 64 characters long is a plain password and
// is returned unchanged. Takes any text without failing.
QString DecodePassword(const QString& stored);
