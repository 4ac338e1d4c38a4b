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

// The "pwd" text of a row: the stored form of its password, or the text that it was read from.
QString passwordText(const ConnectionEntry& entry) {
    const QString& password = entry.subItems[ConnectionEntry::Password];
    if (!entry.storedPassword.isEmpty() && DecodePassword(entry.storedPassword) == password)
        return entry.storedPassword;
    return EncodePassword(password);
}

} // namespace

QStringList WriteConnectionSections(vx::IniFile& ini, const QString& section,
                                    const QString& scriptDir,
                                    const std::vector<ConnectionEntry>& rows) {
    ini.writeString(section, "script_dir", scriptDir);
    ini.eraseSectionsByPrefix(SectionPrefix);
    QStringList unwritten;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const ConnectionEntry& entry = rows[i];
        const QString name = SectionPrefix + vx::formatNumber(qint64(i));
        QStringList left;
        const auto write = [&](const QString& key, const QString& value) {
            if (vx::IniFile::canKeep(value))
                ini.writeString(name, key, value);
            else
                left << key;
        };
        write("name", entry.name);
        ini.writeBool(name, "checked", entry.checked);
        for (int key = 0; key < ConnectionEntry::SubItemCount; ++key)
            write(ConnectionKeys[key],
                  key == ConnectionEntry::Password ? passwordText(entry) : entry.subItems[key]);
        if (!left.isEmpty())
            unwritten << vx::format("The connection \"%s\" was saved without its %s: the settings "
                                    "file cannot keep a line break.",
                                    {entry.name, left.join(", ")});
    }
    return unwritten;
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
        // Only the text it was read from keeps a password that decodes to a line break.
        if (!vx::IniFile::canKeep(entry.subItems[ConnectionEntry::Password]))
            entry.storedPassword =
                ini.readString(name, ConnectionKeys[ConnectionEntry::Password], QString());
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
