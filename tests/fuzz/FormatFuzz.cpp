// Any pattern with any arguments gives a text or the format error, never anything else; a
// pattern without "%" comes back unchanged.

#include "Errors.h"
#include "Format.h"
#include "FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QList<QString> parts = vx::fuzz::fields(vx::fuzz::bytes(data, size));
    const QString pattern = parts.value(0);
    const QString text = parts.value(1);
    const qint64 number = parts.value(2).toLongLong();
    for (std::initializer_list<vx::FormatArg> args : {std::initializer_list<vx::FormatArg>{},
                                                      {text},
                                                      {number},
                                                      {text, number},
                                                      {number, text, text}}) {
        try {
            const QString result = vx::format(pattern, args);
            if (!pattern.contains(u'%'))
                VX_FUZZ_CHECK(result == pattern);
        } catch (const vx::Error&) {
            VX_FUZZ_CHECK(pattern.contains(u'%'));
        }
    }
    return 0;
}
