#pragma once

#include <QStringList>
#include <QTableWidget>

namespace vx {

// A grid of keys and their values (Delphi's value list editor): Strings are the rows as
// "key=value", TitleCaptions the titles of the key and value columns. Only values are edited.
class ValueListEditor : public QTableWidget {
    Q_OBJECT
    Q_PROPERTY(QStringList Strings READ strings WRITE setStrings)
    Q_PROPERTY(QStringList TitleCaptions READ titleCaptions WRITE setTitleCaptions)
public:
    explicit ValueListEditor(QWidget* parent = nullptr);

    QStringList strings() const;
    // One row per line, split at its first "="; a line without one is a key with an empty value.
    void setStrings(const QStringList& lines);
    QStringList titleCaptions() const;
    void setTitleCaptions(const QStringList& titles);

    // The value of the data row, counted from 0; empty outside the rows.
    QString value(int row) const;
    void setValue(int row, const QString& text);
    // Stores a value still being typed, so that value() sees it.
    void commitEdit();
};

} // namespace vx
