#include "SettingsContents.h"

#include "Errors.h"
#include "Format.h"
#include "crfLogin.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

const QString SectionPrefix = QStringLiteral("connection");

bool isConnectionSection(const QString& name) {
    return name.startsWith(SectionPrefix, Qt::CaseInsensitive);
}

// The file keeps one line per value. A line break that reached a row is dropped, as the editor's
// fields drop it: refused, it would fail the whole write and lose every connection with it.
QString writable(QString value) {
    value.removeIf([](QChar c) { return c == u'\n' || c == u'\r'; });
    return value;
}

} // namespace

void WriteConnectionSections(vx::IniFile& ini, const QString& section, const QString& scriptDir,
                             const std::vector<ConnectionEntry>& rows) {
    ini.writeString(section, "script_dir", scriptDir);
    ini.eraseSectionsByPrefix(SectionPrefix);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const ConnectionEntry& entry = rows[i];
        const QString name = SectionPrefix + vx::formatNumber(qint64(i));
        ini.writeString(name, "name", writable(entry.name));
        ini.writeBool(name, "checked", entry.checked);
        for (int key = 0; key < ConnectionEntry::SubItemCount; ++key) {
            const QString& value = entry.subItems[key];
            ini.writeString(
                name, ConnectionKeys[key],
                writable(key == ConnectionEntry::Password ? EncodePassword(value) : value));
        }
    }
}

ConnectionSections ReadConnectionSections(const vx::IniFile& ini, const QString& section,
                                          const QString& currentScriptDir) {
    ConnectionSections read;
    read.scriptDir = ini.readString(section, "script_dir", currentScriptDir);
    for (const QString& name : ini.readSections()) {
        if (!isConnectionSection(name))
            continue;
        ConnectionEntry entry;
        entry.name = ini.readString(name, "name", QString());
        entry.checked = ini.readBool(name, "checked", false);
        for (int key = 0; key < ConnectionEntry::SubItemCount; ++key) {
            const QString value = ini.readString(name, ConnectionKeys[key], QString());
            entry.subItems[key] = key == ConnectionEntry::Password ? DecodePassword(value) : value;
        }
        read.rows.push_back(std::move(entry));
    }
    return read;
}

void CopyListFile(const QString& source, const QString& target) {
    const QString sourcePath = QFileInfo(source).canonicalFilePath();
    if (!sourcePath.isEmpty() && sourcePath == QFileInfo(target).canonicalFilePath())
        return;
    auto fail = [&](const QString& reason) {
        throw vx::Error(vx::format("Unable to copy %s to %s: %s", {source, target, reason}));
    };
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        fail(in.errorString());
    const QByteArray bytes = in.readAll();
    if (in.error() != QFileDevice::NoError)
        fail(in.errorString());
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly) ||
        !out.setPermissions(QFile::ReadOwner | QFile::WriteOwner) ||
        out.write(bytes) != bytes.size() || !out.commit())
        fail(out.errorString());
}
