#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <vector>

namespace vx {

// An INI file held in memory: one key per line, sections in brackets. Sections and keys keep
// their file order and are matched without regard to case; of duplicates the first wins, the
// later ones stay in the file untouched. Comments and lines that are no key stay as they are.
// Values are trimmed on read and lose one pair of surrounding quotes; a value that would not
// come back unchanged is quoted on write. Changes reach the disk only through save().
class IniFile {
public:
    struct Entry {
        QString key;
        QString value;
        bool operator==(const Entry&) const = default;
    };

    // Reads the file in the encoding decodeText decides for the whole of it (UTF-8, or
    // Windows-1251 when the bytes are not UTF-8); the bytes of a UTF-8 byte-order mark at the start
    // of any line are skipped in either encoding. A missing file reads as an empty one; a file
    // that exists but cannot be read raises "Unable to read %s", so that nothing is later saved
    // over it.
    explicit IniFile(QString fileName);

    const QString& fileName() const { return m_fileName; }
    bool modified() const { return m_modified; }

    QString readString(const QString& section, const QString& key, const QString& def) const;
    // Decimal, or hexadecimal after 0x or $; anything else gives the default.
    int readInteger(const QString& section, const QString& key, int def) const;
    // An integer that is not 0; anything else gives the default.
    bool readBool(const QString& section, const QString& key, bool def) const;
    double readFloat(const QString& section, const QString& key, double def) const;

    // A key, section or value that the file cannot carry (a line break, a bracket or "=" in a
    // name, a key that starts with U+FEFF, which a read takes for a mark) raises vx::Error and
    // changes nothing.
    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInteger(const QString& section, const QString& key, qint64 value);
    void writeBool(const QString& section, const QString& key, bool value);
    void writeFloat(const QString& section, const QString& key, double value);

    // Whether the file can keep a value: one without a line break.
    static bool canKeep(const QString& value);

    QStringList readSections() const;
    QStringList readSection(const QString& section) const; // the key names
    QList<Entry> readSectionValues(const QString& section) const;
    bool sectionExists(const QString& section) const;
    bool valueExists(const QString& section, const QString& key) const;

    void eraseSection(const QString& section); // every section of that name
    // Every section whose name begins with the prefix, in one pass.
    void eraseSectionsByPrefix(const QString& prefix);
    void deleteKey(const QString& section, const QString& key);

    // Replaces the file in one step (a temporary file in the same folder, renamed over it) with
    // mode 0600, written as UTF-8. On failure raises "Unable to write to %s"; the old file stays.
    void save();

    // The text save() writes.
    QByteArray toUtf8() const;

private:
    struct Line {
        QString text; // as in the file, or as it will be written
        QString key;  // empty for comments and other lines
        QString value;
    };
    struct Section {
        QString name; // empty for the lines before the first section
        QString folded;
        QString header;
        std::vector<Line> lines;
        QHash<QString, int> keyIndex; // folded key -> first line with it
        void reindex();
        int indexOf(const QString& key) const; // -1 when absent
    };

    void parse(const QString& text);
    int indexOf(const QString& section) const; // -1 when absent
    const Line* find(const QString& section, const QString& key) const;
    Section& sectionForWrite(const QString& name);

    QString m_fileName;
    std::vector<Section> m_sections; // the first one holds the lines before any section
    // Folded name -> first section with it; rebuilt on demand after sections were erased.
    mutable QHash<QString, int> m_sectionIndex;
    mutable bool m_sectionIndexValid = true;
    bool m_modified = false;
};

} // namespace vx
