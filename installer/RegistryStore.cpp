#include "RegistryStore.h"

#include "Errors.h"
#include "SetupFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <unistd.h>

namespace vx {

namespace {

QString normalKey(const QString& key) {
    qsizetype first = 0;
    qsizetype last = key.size();
    while (first < last && key[first] == u'\\')
        ++first;
    while (last > first && key[last - 1] == u'\\')
        --last;
    return key.mid(first, last - first);
}

// The file's text, or an empty store when it cannot be read.
IniFile readStore(const QString& fileName) {
    try {
        return IniFile(fileName);
    } catch (const Error&) {
        return IniFile(QString());
    }
}

} // namespace

RegistryStore::RegistryStore(QString fileName)
    : m_fileName(std::move(fileName)), m_ini(readStore(m_fileName)) {}

bool RegistryStore::keyExists(const QString& key) const {
    return m_ini.sectionExists(normalKey(key));
}

bool RegistryStore::valueExists(const QString& key, const QString& name) const {
    return m_ini.valueExists(normalKey(key), name);
}

QString RegistryStore::readString(const QString& key, const QString& name) const {
    return m_ini.readString(normalKey(key), name, QString());
}

QList<RegistryStore::Value> RegistryStore::readValues(const QString& key) const {
    QList<Value> values;
    for (const IniFile::Entry& entry : m_ini.readSectionValues(normalKey(key)))
        values.append({entry.key, entry.value});
    return values;
}

void RegistryStore::writeValues(const QString& key, const QList<Value>& values) {
    IniFile changed = m_ini;
    for (const auto& [name, text] : values)
        changed.writeString(normalKey(key), name, text);
    save(changed);
}

void RegistryStore::deleteKey(const QString& key) {
    const QString path = normalKey(key);
    const QString below = path + u'\\';
    IniFile changed = m_ini;
    bool found = false;
    for (const QString& section : m_ini.readSections()) {
        if (section.compare(path, Qt::CaseInsensitive) == 0 ||
            section.startsWith(below, Qt::CaseInsensitive)) {
            changed.eraseSection(section);
            found = true;
        }
    }
    if (found)
        save(changed);
}

void RegistryStore::save(const IniFile& changed) {
    const QString folder = QFileInfo(m_fileName).absolutePath();
    const QByteArray text = changed.toUtf8();
    // A store left without keys is no longer needed: its file goes, and its folder when empty.
    if (text.trimmed().isEmpty() &&
        (::unlink(QFile::encodeName(m_fileName).constData()) == 0 || errno == ENOENT)) {
        ::rmdir(QFile::encodeName(folder).constData());
    } else {
        QDir().mkpath(folder);
        writeFileAtomically(m_fileName, text, 0600);
    }
    m_ini = changed;
}

} // namespace vx
