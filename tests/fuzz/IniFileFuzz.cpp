// Any bytes read as an INI file, saved and read again give the same sections, keys and values, and
// the second save writes the same bytes as the first.

#include "FuzzInput.h"
#include "IniFile.h"

#include <QFile>
#include <QTemporaryDir>

namespace {

vx::IniFile readBack(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    VX_FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    VX_FUZZ_CHECK(file.write(bytes) == bytes.size());
    file.close();
    return vx::IniFile(path);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static QTemporaryDir folder;
    const QString path = folder.filePath("fuzz.ini");
    const vx::IniFile first = readBack(path, vx::fuzz::bytes(data, size));
    const vx::IniFile second = readBack(path, first.toUtf8());
    VX_FUZZ_CHECK(second.toUtf8() == first.toUtf8());
    VX_FUZZ_CHECK(second.readSections() == first.readSections());
    for (const QString& section : first.readSections())
        VX_FUZZ_CHECK(second.readSectionValues(section) == first.readSectionValues(section));
    return 0;
}
