#include "uTZybTranslator.h"

#include "Errors.h"
#include "QtLanguage.h"
#include "uZybDesignUtils.h"

TZybLanguageItem& TZybLanguageCollection::GetItem(int index) {
    return const_cast<TZybLanguageItem&>(std::as_const(*this).GetItem(index));
}

const TZybLanguageItem& TZybLanguageCollection::GetItem(int index) const {
    if (index < 0 || index >= Count())
        vx::raiseListIndexError(index);
    return m_items[index];
}

TZybLanguageItem& TZybLanguageCollection::Add() {
    m_items.append(TZybLanguageItem());
    return m_items.last();
}

void TZybLanguageCollection::GetLanguageNames(QStringList& list) const {
    for (const TZybLanguageItem& item : m_items)
        list.append(item.Language);
}

TZybTranslator::TZybTranslator(QObject* owner) : QObject(owner) {}

void TZybTranslator::LoadTable(const QList<TZybTranslation>& rows) {
    Items.clear();
    Languages = TZybLanguageCollection();
    TZybLanguageItem& english = Languages.Add();
    english.Language = QStringLiteral("English");
    TZybLanguageItem& russian = Languages.Add();
    russian.Language = QStringLiteral("Russian");
    for (const TZybTranslation& row : rows) {
        Items.append(QString::fromUtf8(row.Key));
        english.Lines.append(QString::fromUtf8(row.English));
        russian.Lines.append(QString::fromUtf8(row.Russian));
    }
}

QString TZybTranslator::GetText(const QString& key) const {
    return Translate(key, QString());
}

QString TZybTranslator::Translate(const QString& key, const QString& defaultText) const {
    for (qsizetype i = 0; i < Items.size(); ++i) {
        if (Items[i].compare(key, Qt::CaseInsensitive) == 0) {
            const QString* line = activeLine(i);
            return line ? *line : defaultText;
        }
    }
    return defaultText;
}

void TZybTranslator::ApplyLanguage() {
    for (qsizetype i = 0; i < Items.size(); ++i) {
        if (const QString* line = activeLine(i))
            SetPropPathText(parent(), Items[i], *line);
    }
}

const QString* TZybTranslator::activeLine(qsizetype index) const {
    const int language = GetActiveLanguage();
    if (language < 0)
        return nullptr;
    const QStringList& lines = Languages.GetItem(language).Lines;
    return index < lines.size() ? &lines[index] : nullptr;
}

int TZybTranslator::GetActiveLanguage() const {
    const int index = m_activeLanguage;
    return index >= 0 && index < Languages.Count() ? index : -1;
}

void TZybTranslator::SetActiveLanguage(int index) {
    m_activeLanguage = index;
    if (SwitchesQtLanguage)
        vx::useQtLanguage(GetActiveLanguageName());
    if (OnLanguageChange)
        OnLanguageChange(this);
}

void TZybTranslator::SetLanguageByName(const QString& name) {
    for (int i = 0; i < Languages.Count(); ++i) {
        if (Languages.GetItem(i).Language == name) {
            SetActiveLanguage(i);
            return;
        }
    }
}

QString TZybTranslator::GetActiveLanguageName() const {
    const int index = GetActiveLanguage();
    return index < 0 ? QString() : Languages.GetItem(index).Language;
}
