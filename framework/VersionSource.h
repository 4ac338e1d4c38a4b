#pragma once

#include <QMap>
#include <QString>
#include <optional>

namespace vx {

// The program's version information, as the string tables of a Windows version resource hold it:
// values by path, such as "StringFileInfo\040904E4\FileVersion".
class VersionSource {
public:
    virtual ~VersionSource() = default;
    // Nothing when the program carries no version information.
    virtual std::optional<QMap<QString, QString>> strings() const = 0;
};

// The process-wide source: the table generated at build time unless a test installed another.
const VersionSource& versionSource();
// Installs a source (not owned); nullptr restores the built-in one.
void setVersionSource(const VersionSource* source);

} // namespace vx
