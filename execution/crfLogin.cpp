#include "crfLogin.h"

#include "Cp1251.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr char alphabet[] = "W4KX9ZT2BQJ7MC1RV5P";
constexpr int radix = 19;
constexpr int initialState = 17;
constexpr int storedLength = 64;
constexpr int digitsLength = storedLength - 1;
constexpr int maxCarriedLength = digitsLength / 2;
constexpr int lengthMarkBase = 71;
constexpr unsigned char lowestByte = 19;

// Every byte must be at least lowestByte, so that each pair stays inside the alphabet.
QByteArray scramble(const QByteArray& bytes) {
    QByteArray out;
    int state = initialState;
    for (auto it = bytes.crbegin(); it != bytes.crend(); ++it) {
        const int b = static_cast<unsigned char>(*it) + 5 * state - radix;
        out += alphabet[b / radix];
        out += alphabet[b % radix];
        state = b % radix;
    }
    // Short passwords are padded with the scrambled form of their own pairs.
    if (out.size() < digitsLength)
        out += scramble(out + 'G');
    out.truncate(digitsLength);
    out += static_cast<char>((bytes.size() + lengthMarkBase) & 0xFF);
    return out;
}

int digitValue(QChar ch) {
    const char* found =
        ch.unicode() < 0x80 ? std::strchr(alphabet, static_cast<char>(ch.unicode())) : nullptr;
    return found && *found ? static_cast<int>(found - alphabet) : 0;
}

} // namespace

QString EncodePassword(const QString& password) {
    if (password.size() == storedLength || password.size() > maxCarriedLength)
        return password;
    const auto bytes = vx::toCp1251(password);
    if (!bytes || std::any_of(bytes->cbegin(), bytes->cend(),
                              [](char c) { return static_cast<unsigned char>(c) < lowestByte; }))
        return password;
    return QString::fromLatin1(scramble(*bytes));
}

QString DecodePassword(const QString& stored) {
    if (stored.size() != storedLength)
        return stored;
    const int mark = vx::cp1251Byte(stored.back()).value_or(0);
    // A damaged mark must not lead past the pairs.
    const int length = std::min(mark - lengthMarkBase, maxCarriedLength);
    QByteArray bytes;
    int state = initialState;
    for (int i = 0; i < length; ++i) {
        const int high = digitValue(stored[2 * i]);
        const int low = digitValue(stored[2 * i + 1]);
        bytes.prepend(static_cast<char>((radix * high + low + radix - 5 * state) & 0xFF));
        state = low;
    }
    return vx::fromCp1251(bytes);
}
