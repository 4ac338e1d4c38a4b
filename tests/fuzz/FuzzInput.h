#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// What the fuzz targets share: turning libFuzzer's bytes into the texts a target takes, and a
// check that stops the run with the broken property named, so that libFuzzer keeps the input.

namespace vx::fuzz {

inline QByteArray bytes(const std::uint8_t* data, std::size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

// The bytes cut into fields at every line feed, each read as UTF-8.
inline QList<QString> fields(const QByteArray& bytes) {
    QList<QString> result;
    for (const QByteArray& field : bytes.split('\n'))
        result << QString::fromUtf8(field);
    return result;
}

#define VX_FUZZ_CHECK(condition)                                                                   \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: broken: %s\n", __FILE__, __LINE__, #condition);           \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

} // namespace vx::fuzz
