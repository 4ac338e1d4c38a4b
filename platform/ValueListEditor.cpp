#include "ValueListEditor.h"

#include <QHeaderView>
#include <QLineEdit>

#include <algorithm>

namespace vx {

ValueListEditor::ValueListEditor(QWidget* parent) : QTableWidget(0, 2, parent) {
    verticalHeader()->hide();
    horizontalHeader()->setStretchLastSection(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
}

QStringList ValueListEditor::titleCaptions() const {
    QStringList captions;
    for (int column = 0; column < columnCount(); ++column) {
        const QTableWidgetItem* title = horizontalHeaderItem(column);
        captions.append(title ? title->text() : QString());
    }
    return captions;
}

void ValueListEditor::setTitleCaptions(const QStringList& captions) {
    setHorizontalHeaderLabels(captions.mid(0, columnCount()));
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
        const qsizetype equals = lines[row].indexOf(QLatin1Char('='));
        auto* key = new QTableWidgetItem(equals < 0 ? lines[row] : lines[row].left(equals));
        key->setFlags(key->flags() & ~Qt::ItemIsEditable);
        setItem(row, 0, key);
        setItem(row, 1, new QTableWidgetItem(equals < 0 ? QString() : lines[row].mid(equals + 1)));
    }
}

QString ValueListEditor::value(int row) const {
    const QTableWidgetItem* cell = row >= 0 && row < rowCount() ? item(row, 1) : nullptr;
    return cell ? cell->text() : QString();
}

void ValueListEditor::setValue(int row, const QString& value) {
    if (QTableWidgetItem* cell = row >= 0 && row < rowCount() ? item(row, 1) : nullptr)
        cell->setText(value);
}

void ValueListEditor::showAllRows() {
    // Keys on one line each, however long their language has them; the grid widens by as much,
    // so that the value column keeps its width.
    const int keys = std::max(columnWidth(0), sizeHintForColumn(0));
    setMinimumWidth(std::max(minimumWidth(), width() + keys - columnWidth(0)));
    setColumnWidth(0, keys);
    int height = 2 * frameWidth();
    if (!horizontalHeader()->isHidden())
        height += horizontalHeader()->sizeHint().height();
    for (int row = 0; row < rowCount(); ++row)
        height += rowHeight(row);
    setMinimumHeight(height);
    scrollToTop();
}

void ValueListEditor::commitEdit() {
    for (QLineEdit* editor : viewport()->findChildren<QLineEdit*>()) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

} // namespace vx
