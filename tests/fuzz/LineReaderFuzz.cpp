// Any bytes read line by line: every byte that is no line end comes back, in order; no line holds
// a line end; CR LF ends one line, every other CR, LF and NUL one each.

#include "FuzzInput.h"
#include "uZybUtils.h"

#include <QBuffer>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QByteArray bytes = vx::fuzz::bytes(data, size);
    QBuffer buffer(&bytes);
    VX_FUZZ_CHECK(buffer.open(QIODevice::ReadOnly));
    QByteArray joined;
    qsizetype lines = 0;
    while (!FileEof(buffer)) {
        const QByteArray line = FileReadLine(buffer);
        VX_FUZZ_CHECK(!line.contains('\r') && !line.contains('\n') && !line.contains('\0'));
        joined += line;
        ++lines;
    }
    QByteArray content = bytes;
    content.removeIf([](char c) { return c == '\r' || c == '\n' || c == '\0'; });
    VX_FUZZ_CHECK(joined == content);

    qsizetype ends = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\n' || c == '\0' ||
            (c == '\r' && !(i + 1 < bytes.size() && bytes[i + 1] == '\n')))
            ++ends;
    }
    const bool lastLineOpen =
        !bytes.isEmpty() && !QByteArray("\r\n").contains(bytes.back()) && bytes.back() != '\0';
    VX_FUZZ_CHECK(lines == ends + (lastLineOpen ? 1 : 0));
    return 0;
}
