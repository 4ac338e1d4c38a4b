#include "ValueListEditor.h"

#include <QHeaderView>
#include <QLineEdit>

namespace vx {

namespace {

QTableWidgetItem* keyItem(const QString& key) {
    auto* item = new QTableWidgetItem(key);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    return item;
}

} // namespace

ValueListEditor::ValueListEditor(QWidget* parent) : QTableWidget(0, 2, parent) {
    verticalHeader()->hide();
    horizontalHeader()->setStretchLastSection(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setTitleCaptions({QStringLiteral("Key"), QStringLiteral("Value")});
}

QStringList ValueListEditor::strings() const {
    QStringList lines;
    for (int row = 0; row < rowCount(); ++row)
        lines.append(item(row, 0)->text() + QLatin1Char('=') + value(row));
    return lines;
}

void ValueListEditor::setStrings(const QStringList& lines) {
    setRowCount(int(lines.size()));
    for (int row = 0; row < rowCount(); ++row) {
        const QString& line = lines[row];
        const qsizetype split = line.indexOf(QLatin1Char('='));
        setItem(row, 0, keyItem(split < 0 ? line : line.left(split)));
        setItem(row, 1, new QTableWidgetItem(split < 0 ? QString() : line.mid(split + 1)));
    }
}

QStringList ValueListEditor::titleCaptions() const {
    return {horizontalHeaderItem(0)->text(), horizontalHeaderItem(1)->text()};
}

void ValueListEditor::setTitleCaptions(const QStringList& titles) {
    setHorizontalHeaderLabels({titles.value(0), titles.value(1)});
}

QString ValueListEditor::value(int row) const {
    const QTableWidgetItem* cell = item(row, 1);
    return cell ? cell->text() : QString();
}

void ValueListEditor::setValue(int row, const QString& text) {
    if (row >= 0 && row < rowCount())
        item(row, 1)->setText(text);
}

void ValueListEditor::commitEdit() {
    for (QLineEdit* editor : viewport()->findChildren<QLineEdit*>()) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

} // namespace vx
