#include "IniFile.h"
#include "Errors.h"
#include "Format.h"
#include "Properties.h"
#include "TextDecoding.h"

#include <QFile>
#include <QSaveFile>
#include <QSet>

namespace vx {

namespace {

QString caseFolded(const QString& name) {
    return name.toCaseFolded();
}

// Of duplicate names the first one counts.
void indexFirst(QHash<QString, int>& index, const QString& foldedName, int at) {
    if (!index.contains(foldedName))
        index.insert(foldedName, at);
}

bool isQuote(QChar c) {
    return c == u'"' || c == u'\'';
}

bool hasLineBreak(const QString& text) {
    return text.contains(u'\n') || text.contains(u'\r');
}

bool isLineEnd(char c) {
    return c == '\n' || c == '\r';
}

// The bytes without the byte-order marks that start a line (files put together, each with its
// mark): in either encoding a mark would hide a section or key, which a save, writing no marks,
// would then drop.
QByteArray withoutMarks(QByteArrayView bytes) {
    QByteArray kept;
    kept.reserve(bytes.size());
    while (!bytes.isEmpty()) {
        while (bytes.startsWith(utf8Bom))
            bytes = bytes.sliced(utf8Bom.size());
        qsizetype end = 0;
        while (end < bytes.size() && !isLineEnd(bytes[end]))
            ++end;
        while (end < bytes.size() && isLineEnd(bytes[end]))
            ++end;
        kept += bytes.first(end);
        bytes = bytes.sliced(end);
    }
    return kept;
}

QString decodeValue(QStringView raw) {
    QStringView value = raw.trimmed();
    if (value.size() >= 2 && isQuote(value.front()) && value.back() == value.front())
        value = value.sliced(1, value.size() - 2);
    return value.toString();
}

// Quoted when reading would otherwise trim it or take its own quotes away.
QString encodeValue(const QString& value) {
    const bool quotedAlready =
        value.size() >= 2 && isQuote(value.front()) && value.back() == value.front();
    if (quotedAlready || value.trimmed().size() != value.size())
        return u'"' + value + u'"';
    return value;
}

void checkName(bool valid, const QString& what, const QString& name) {
    if (!valid)
        throw Error(format("Invalid INI %s name: \"%s\"", {what, name}));
}

} // namespace

void IniFile::Section::reindex() {
    keyIndex.clear();
    for (int i = 0; i < int(lines.size()); ++i) {
        if (!lines[i].key.isEmpty())
            indexFirst(keyIndex, caseFolded(lines[i].key), i);
    }
}

int IniFile::Section::indexOf(const QString& key) const {
    return keyIndex.value(caseFolded(key), -1);
}

IniFile::IniFile(QString fileName) : m_fileName(std::move(fileName)) {
    m_sections.emplace_back();
    QFile file(m_fileName);
    if (!file.exists())
        return;
    if (!file.open(QIODevice::ReadOnly))
        throw Error(format("Unable to read %s", {m_fileName}));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw Error(format("Unable to read %s", {m_fileName}));
    parse(decodeText(withoutMarks(bytes)).text);
}

void IniFile::parse(const QString& text) {
    // decodeText leaves "\n" as the only line end.
    for (qsizetype start = 0; start < text.size();) {
        qsizetype end = text.indexOf(u'\n', start);
        if (end < 0)
            end = text.size();
        const QString raw = text.mid(start, end - start);
        start = end + 1;

        const QStringView line = QStringView(raw).trimmed();
        if (line.startsWith(u'[')) {
            const qsizetype close = line.indexOf(u']');
            Section section;
            section.name =
                line.sliced(1, (close < 0 ? line.size() : close) - 1).trimmed().toString();
            section.folded = caseFolded(section.name);
            section.header = raw;
            m_sections.push_back(std::move(section));
            continue;
        }
        Line entry{raw, {}, {}};
        const qsizetype eq = line.indexOf(u'=');
        if (!line.startsWith(u';') && eq > 0) {
            entry.key = line.first(eq).trimmed().toString();
            entry.value = decodeValue(line.sliced(eq + 1));
        }
        m_sections.back().lines.push_back(std::move(entry));
    }
    for (Section& section : m_sections)
        section.reindex();
    m_sectionIndexValid = false;
}

int IniFile::indexOf(const QString& section) const {
    if (!m_sectionIndexValid) {
        m_sectionIndex.clear();
        for (int i = 1; i < int(m_sections.size()); ++i)
            indexFirst(m_sectionIndex, m_sections[i].folded, i);
        m_sectionIndexValid = true;
    }
    return m_sectionIndex.value(caseFolded(section), -1);
}

const IniFile::Line* IniFile::find(const QString& section, const QString& key) const {
    const int at = indexOf(section);
    const int line = at < 0 ? -1 : m_sections[at].indexOf(key);
    return line < 0 ? nullptr : &m_sections[at].lines[line];
}

IniFile::Section& IniFile::sectionForWrite(const QString& name) {
    if (const int at = indexOf(name); at >= 0)
        return m_sections[at];
    checkName(!hasLineBreak(name) && !name.contains(u']') && name.trimmed() == name, "section",
              name);
    Section section;
    section.name = name;
    section.folded = caseFolded(name);
    section.header = u'[' + name + u']';
    m_sectionIndex.insert(section.folded, int(m_sections.size()));
    m_sections.push_back(std::move(section));
    m_modified = true;
    return m_sections.back();
}

QString IniFile::readString(const QString& section, const QString& key, const QString& def) const {
    const Line* line = find(section, key);
    return line ? line->value : def;
}

int IniFile::readInteger(const QString& section, const QString& key, int def) const {
    const Line* line = find(section, key);
    if (!line)
        return def;
    try {
        return toInteger(line->value);
    } catch (const Error&) {
        return def;
    }
}

bool IniFile::readBool(const QString& section, const QString& key, bool def) const {
    return readInteger(section, key, def ? 1 : 0) != 0;
}

double IniFile::readFloat(const QString& section, const QString& key, double def) const {
    QString text = readString(section, key, {});
    // Files from Windows may carry the user's decimal comma.
    if (!text.contains(u'.'))
        text.replace(u',', u'.');
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok ? value : def;
}

bool IniFile::canKeep(const QString& value) {
    return !hasLineBreak(value);
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value) {
    // It would come back without its mark, which a read skips at the start of a line.
    if (key.startsWith(QChar::ByteOrderMark))
        throw Error(
            format("The INI key name \"%s\" starts with U+FEFF, which reads as a mark", {key}));
    checkName(!key.isEmpty() && !key.contains(u'=') && !hasLineBreak(key) && key.trimmed() == key &&
                  !key.startsWith(u';') && !key.startsWith(u'['),
              "key", key);
    if (!canKeep(value))
        throw Error(format("The value of the INI key %s holds a line break", {key}));
    Section& target = sectionForWrite(section);
    if (const int existing = target.indexOf(key); existing >= 0) {
        Line& line = target.lines[existing];
        const QString text = line.key + u'=' + encodeValue(value);
        if (line.text != text) {
            line = Line{text, line.key, value};
            m_modified = true;
        }
        return;
    }
    // New keys follow the section's last line that is not blank, so blank separators stay put.
    auto at = target.lines.size();
    while (at > 0 && target.lines[at - 1].text.trimmed().isEmpty())
        --at;
    target.lines.insert(target.lines.begin() + at,
                        Line{key + u'=' + encodeValue(value), key, value});
    if (at + 1 == target.lines.size())
        target.keyIndex.insert(caseFolded(key), int(at));
    else
        target.reindex();
    m_modified = true;
}

void IniFile::writeInteger(const QString& section, const QString& key, qint64 value) {
    writeString(section, key, formatNumber(value));
}

void IniFile::writeBool(const QString& section, const QString& key, bool value) {
    writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void IniFile::writeFloat(const QString& section, const QString& key, double value) {
    writeString(section, key, formatNumber(value));
}

QStringList IniFile::readSections() const {
    QStringList names;
    QSet<QString> seen;
    for (auto it = m_sections.begin() + 1; it != m_sections.end(); ++it) {
        if (!seen.contains(it->folded)) {
            seen.insert(it->folded);
            names.append(it->name);
        }
    }
    return names;
}

QStringList IniFile::readSection(const QString& section) const {
    QStringList keys;
    for (const Entry& entry : readSectionValues(section))
        keys.append(entry.key);
    return keys;
}

QList<IniFile::Entry> IniFile::readSectionValues(const QString& section) const {
    QList<Entry> entries;
    const int at = indexOf(section);
    if (at < 0)
        return entries;
    const Section& found = m_sections[at];
    for (int i = 0; i < int(found.lines.size()); ++i) {
        const Line& line = found.lines[i];
        if (!line.key.isEmpty() && found.indexOf(line.key) == i)
            entries.append(Entry{line.key, line.value});
    }
    return entries;
}

bool IniFile::sectionExists(const QString& section) const {
    return indexOf(section) >= 0;
}

bool IniFile::valueExists(const QString& section, const QString& key) const {
    return find(section, key) != nullptr;
}

void IniFile::eraseSection(const QString& section) {
    const QString name = caseFolded(section);
    const auto removed = std::erase_if(
        m_sections, [&](const Section& s) { return !s.header.isNull() && s.folded == name; });
    if (removed == 0)
        return;
    m_sectionIndexValid = false;
    m_modified = true;
}

void IniFile::eraseSectionsByPrefix(const QString& prefix) {
    const QString folded = caseFolded(prefix);
    const auto removed = std::erase_if(m_sections, [&](const Section& s) {
        return !s.header.isNull() && s.folded.startsWith(folded);
    });
    if (removed == 0)
        return;
    m_sectionIndexValid = false;
    m_modified = true;
}

void IniFile::deleteKey(const QString& section, const QString& key) {
    if (!find(section, key))
        return;
    Section& target = m_sections[indexOf(section)];
    const QString name = caseFolded(key);
    std::erase_if(target.lines, [&](const Line& line) { return caseFolded(line.key) == name; });
    target.reindex();
    m_modified = true;
}

QByteArray IniFile::toUtf8() const {
    QString text;
    for (const Section& section : m_sections) {
        if (!section.header.isNull())
            text += section.header + u'\n';
        for (const Line& line : section.lines)
            text += line.text + u'\n';
    }
    return text.toUtf8();
}

void IniFile::save() {
    const QByteArray bytes = toUtf8();
    QSaveFile file(m_fileName);
    const bool written = file.open(QIODevice::WriteOnly) &&
                         file.setPermissions(QFile::ReadOwner | QFile::WriteOwner) &&
                         file.write(bytes) == bytes.size() && file.commit();
    if (!written)
        throw Error(format("Unable to write to %s", {m_fileName}));
    m_modified = false;
}

} // namespace vx
