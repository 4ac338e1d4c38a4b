#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>

// One language: line i is the text of the translator's key i. A line may hold line breaks; it is
// then the whole text of a string-list property.
class TZybLanguageItem {
public:
    QString Language;
    QStringList Lines;
};

class TZybLanguageCollection {
public:
    int Count() const { return int(m_items.size()); }
    // Raises "List index out of bounds (%d)" outside 0..Count()-1.
    TZybLanguageItem& GetItem(int index);
    const TZybLanguageItem& GetItem(int index) const;
    TZybLanguageItem& Add();
    // Appends every language's name to the list, which is not cleared first.
    void GetLanguageNames(QStringList& list) const;

private:
    QList<TZybLanguageItem> m_items;
};

// One row of a window's translation table, for LoadTable.
struct TZybTranslation {
    const char* Key; // UTF-8, like the texts
    const char* English;
    const char* Russian;
};

// A window's texts in several languages. A key is either a property path into the window that
// owns the translator ("Label1.Caption", see uZybDesignUtils.h), written by ApplyLanguage, or a
// plain message key ("connecting") read by Translate. Keys are found without regard to case; the
// first of equal keys holds. Translate may be called from any thread once the table is filled.
class TZybTranslator : public QObject {
    Q_OBJECT
    Q_PROPERTY(int ActiveLanguage READ GetActiveLanguage WRITE SetActiveLanguage)
public:
    // The owner is the window whose properties the paths name.
    explicit TZybTranslator(QObject* owner);

    QStringList Items;
    TZybLanguageCollection Languages;
    // Fired by every write of ActiveLanguage, also of the same index.
    std::function<void(QObject* Sender)> OnLanguageChange;
    // Qt's own texts follow every write of ActiveLanguage too (vx::useQtLanguage), before
    // OnLanguageChange. For the translator of a program's main window: one choice of the user
    // gives one language.
    bool SwitchesQtLanguage = false;

    // Fills Items and the languages "English" and "Russian" from the rows.
    void LoadTable(const QList<TZybTranslation>& rows);

    QString GetText(const QString& key) const;
    // The active language's line of the key; the default when the key is not listed, no language
    // is active or the language has no line for it.
    QString Translate(const QString& key, const QString& defaultText) const;
    // Writes the active language's line of every path key into the property it names. Plain keys
    // and paths naming nothing are passed over; with no valid active language nothing changes.
    void ApplyLanguage();

    // -1 when the stored index names no language.
    int GetActiveLanguage() const;
    // Stores the index unchecked, then fires OnLanguageChange; does not apply the language.
    void SetActiveLanguage(int index);
    // Activates the first language of exactly that name (case counts); no match changes nothing.
    void SetLanguageByName(const QString& name);
    QString GetActiveLanguageName() const;

private:
    // The active language's line at the index, or null when there is none.
    const QString* activeLine(qsizetype index) const;

    std::atomic<int> m_activeLanguage{0};
};
