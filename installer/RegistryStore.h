#pragma once

#include "IniFile.h"

#include <QList>
#include <QString>
#include <utility>

namespace vx {

// The installer's stand-in for the registry: one INI file whose sections are key paths such as
// "HKEY_LOCAL_MACHINE\Software\...\Uninstall\Vornalex", each holding string values. Key paths and
// value names match without regard to case; leading and trailing "\" do not count. Every change
// is saved at once (atomically, mode 0600, creating the file's folder); a refused change (a value
// the file cannot carry, or a failed save, which raises `Cannot create file "%s". %s`) leaves the
// store and its file as they were. A change that leaves no key removes the file, and its folder
// when that is empty. A file that cannot be read reads as an empty store.
class RegistryStore {
public:
    using Value = std::pair<QString, QString>; // name, text

    explicit RegistryStore(QString fileName);

    bool keyExists(const QString& key) const;
    bool valueExists(const QString& key, const QString& name) const;
    // A missing value reads as "".
    QString readString(const QString& key, const QString& name) const;
    QList<Value> readValues(const QString& key) const;

    // Creates the key when missing and sets the values in the given order.
    void writeValues(const QString& key, const QList<Value>& values);
    // Removes the key with every key below it; a missing key is no failure.
    void deleteKey(const QString& key);

private:
    // Saves the changed copy, which then becomes the store.
    void save(const IniFile& changed);

    QString m_fileName;
    IniFile m_ini;
};

} // namespace vx
