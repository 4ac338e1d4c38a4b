// Any text decodes without failing, and every password but one of exactly 64 characters (which
// the login refuses) comes back from its stored form unchanged.

#include "FuzzInput.h"
#include "crfLogin.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text = QString::fromUtf8(vx::fuzz::bytes(data, size));
    DecodePassword(text);
    if (text.size() != 64) {
        const QString stored = EncodePassword(text);
        VX_FUZZ_CHECK(DecodePassword(stored) == text);
    }
    return 0;
}
