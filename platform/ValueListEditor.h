#pragma once

#include <QStringList>
#include <QTableWidget>

namespace vx {

// A two-column grid of keys and values (Delphi's value list editor). Strings holds one
// "key=value" line per row, cut at the first "="; only the values can be edited. TitleCaptions
// are the two column titles.
class ValueListEditor : public QTableWidget {
    Q_OBJECT
    Q_PROPERTY(QStringList TitleCaptions READ titleCaptions WRITE setTitleCaptions)
    Q_PROPERTY(QStringList Strings READ strings WRITE setStrings)
public:
    explicit ValueListEditor(QWidget* parent = nullptr);

    QStringList titleCaptions() const;
    void setTitleCaptions(const QStringList& captions);
    QStringList strings() const;
    void setStrings(const QStringList& lines);

    // The value of a row; empty outside the rows.
    QString value(int row) const;
    void setValue(int row, const QString& value);
    // Stores a value still being typed, so that value() sees it.
    void commitEdit();
    // At least as high as the title row and every row, its key column as wide as its keys,
    // scrolled to the first row: without scroll bars, no row is out of sight.
    void showAllRows();
};

} // namespace vx
