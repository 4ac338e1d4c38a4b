// Windows-1251: any bytes decode, and encode back to themselves except the unassigned 0x98; any
// text that encodes decodes back to itself, and one that does not holds a character outside the
// code page.

#include "Cp1251.h"
#include "FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes = vx::fuzz::bytes(data, size);
    const QString decoded = vx::fromCp1251(bytes);
    VX_FUZZ_CHECK(decoded.size() == bytes.size());
    if (!bytes.contains('\x98'))
        VX_FUZZ_CHECK(vx::toCp1251(decoded) == bytes);

    const QString text = QString::fromUtf8(bytes);
    if (const std::optional<QByteArray> encoded = vx::toCp1251(text)) {
        VX_FUZZ_CHECK(vx::fromCp1251(*encoded) == text);
    } else {
        bool outside = false;
        for (QChar ch : text)
            outside = outside || !vx::cp1251Byte(ch);
        VX_FUZZ_CHECK(outside);
    }
    return 0;
}
