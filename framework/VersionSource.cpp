#include "VersionSource.h"

#include "VersionTable.h"

#include <atomic>

namespace vx {

namespace {

// The generated table is the program's U.S. English (code page 1252) string table.
class BuiltInVersionSource : public VersionSource {
public:
    std::optional<QMap<QString, QString>> strings() const override {
        QMap<QString, QString> values;
        for (const auto& entry : versionTable)
            values.insert(QStringLiteral("StringFileInfo\\040904E4\\") + QLatin1String(entry.key),
                          QString::fromUtf8(entry.value));
        return values;
    }
};

std::atomic<const VersionSource*> installed{nullptr};

} // namespace

const VersionSource& versionSource() {
    if (const VersionSource* s = installed.load())
        return *s;
    static const BuiltInVersionSource builtIn;
    return builtIn;
}

void setVersionSource(const VersionSource* source) {
    installed.store(source);
}

} // namespace vx
