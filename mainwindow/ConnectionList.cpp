#include "ConnectionList.h"

#include "Cp1251.h"
#include "Errors.h"
#include "Format.h"
#include "crfLogin.h"
#include "uZybUtils.h"

#include <QPersistentModelIndex>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <string>

bool StrToBool(const QString& text) {
    if (text.compare(u"True", Qt::CaseInsensitive) == 0)
        return true;
    if (text.compare(u"False", Qt::CaseInsensitive) == 0)
        return false;
    bool isNumber = false;
    const double number = text.toDouble(&isNumber);
    if (!isNumber || !std::isfinite(number))
        throw vx::Error(vx::format("'%s' is not a valid boolean value", {text}));
    return number != 0;
}

bool ConnectionEntry::trusted() const {
    return StrToBool(subItems[TrustConnect]);
}

ConnectionDefinition ConnectionEntry::definition() const {
    ConnectionDefinition definition;
    definition.server = subItems[Server];
    definition.database = subItems[Database];
    definition.user = subItems[User];
    definition.password = subItems[Password];
    definition.trusted = trusted();
    return definition;
}

void ConnectionToLogin(const ConnectionEntry& entry, TfCrfLogin* login) {
    login->SetServer(entry.subItems[ConnectionEntry::Server]);
    login->SetDatabase(entry.subItems[ConnectionEntry::Database]);
    login->SetUser(entry.subItems[ConnectionEntry::User]);
    login->SetPassword(entry.subItems[ConnectionEntry::Password]);
    login->SetTrusted(entry.trusted());
}

namespace {

// The code CompareText compares a character by.
char32_t compareCode(QChar ch) {
    if (ch >= u'a' && ch <= u'z')
        return ch.unicode() - u'a' + u'A';
    if (const auto byte = vx::cp1251Byte(ch))
        return *byte;
    return 0x100 + ch.unicode(); // not in the code page: after every character that is
}

std::u32string compareKey(const QString& text) {
    std::u32string key;
    key.reserve(text.size());
    for (QChar ch : text)
        key.push_back(compareCode(ch));
    return key;
}

int compareKeys(const std::u32string& a, const std::u32string& b) {
    const auto [left, right] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
    if (left != a.end() && right != b.end())
        return int(*left) - int(*right);
    return int(a.size()) - int(b.size());
}

} // namespace

int CompareText(const QString& a, const QString& b) {
    return compareKeys(compareKey(a), compareKey(b));
}

TConnectionList::TConnectionList(QObject* parent)
    : QAbstractTableModel(parent), m_captions{QStringLiteral("Name"),
                                              QStringLiteral("Server"),
                                              QStringLiteral("DB"),
                                              QStringLiteral("User"),
                                              QStringLiteral("Password"),
                                              QStringLiteral("Windows auth")},
      m_selection(new QItemSelectionModel(this, this)) {}

QList<int> TConnectionList::checkedRows() const {
    QList<int> checked;
    for (int row = 0; row < count(); ++row)
        if (m_rows[row].checked)
            checked.append(row);
    return checked;
}

void TConnectionList::setRows(std::vector<ConnectionEntry> rows) {
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

int TConnectionList::append(ConnectionEntry entry) {
    const int row = count();
    beginInsertRows({}, row, row);
    m_rows.push_back(std::move(entry));
    endInsertRows();
    return row;
}

void TConnectionList::update(int row, const QString& name,
                             const std::array<QString, ConnectionEntry::SubItemCount>& subItems) {
    ConnectionEntry& entry = m_rows.at(row);
    entry.name = name;
    entry.subItems = subItems;
    emitRowChanged(row, row);
}

void TConnectionList::setChecked(int row, bool checked) {
    m_rows.at(row).checked = checked;
    emit dataChanged(index(row, 0), index(row, 0), {Qt::CheckStateRole});
}

void TConnectionList::emitRowChanged(int first, int last) {
    emit dataChanged(index(first, 0), index(last, ColumnCount - 1));
}

int TConnectionList::focused() const {
    const QModelIndex current = m_selection->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void TConnectionList::setFocused(int row) {
    if (row < 0)
        m_selection->clearCurrentIndex();
    else
        m_selection->setCurrentIndex(index(row, 0), QItemSelectionModel::NoUpdate);
}

QList<int> TConnectionList::selectedRows() const {
    QList<int> rows;
    for (const QItemSelectionRange& range : m_selection->selection())
        if (range.left() == 0)
            for (int row = range.top(); row <= range.bottom(); ++row)
                rows.append(row);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

int TConnectionList::firstSelected() const {
    const QList<int> rows = selectedRows();
    return rows.isEmpty() ? -1 : rows.first();
}

bool TConnectionList::isSelected(int row) const {
    return m_selection->isSelected(index(row, 0));
}

void TConnectionList::setSelected(int row, bool selected) {
    m_selection->select(index(row, 0),
                        (selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) |
                            QItemSelectionModel::Rows);
}

void TConnectionList::moveConnection(int row, int target) {
    if (row < 0 || row >= count())
        return;
    // A selection gathered towards the end can aim past the last row: it stays last.
    target = std::clamp(target, 0, count() - 1);
    // Qt's destination is the place before the move, as the copy-then-delete of one row has it.
    const int destination = target > row ? target + 1 : target;
    if (beginMoveRows({}, row, row, {}, destination)) {
        if (target > row)
            std::rotate(m_rows.begin() + row, m_rows.begin() + row + 1,
                        m_rows.begin() + target + 1);
        else
            std::rotate(m_rows.begin() + target, m_rows.begin() + row, m_rows.begin() + row + 1);
        endMoveRows();
    }
    setFocused(target);
}

void TConnectionList::moveSelected(int target) {
    // Persistent indexes follow the rows while earlier ones move.
    QList<QPersistentModelIndex> moving;
    for (int row : selectedRows())
        moving.append(QPersistentModelIndex(index(row, 0)));
    for (int i = 0; i < moving.size(); ++i) {
        const int row = moving[i].row();
        moveConnection(row, target < row ? target + i : target);
    }
}

bool TConnectionList::moveUp() {
    const int first = firstSelected();
    if (first <= 0)
        return false;
    moveSelected(first - 1);
    return true;
}

bool TConnectionList::moveDown() {
    const QList<int> rows = selectedRows();
    if (rows.isEmpty() || rows.last() == count() - 1)
        return false;
    moveSelected(rows.last() + 1);
    return true;
}

void TConnectionList::dropOn(int row) {
    if (row < 0 || row >= count() || isSelected(row))
        return;
    moveSelected(row);
}

int TConnectionList::deleteSelected() {
    const QList<int> rows = selectedRows();
    // From the end, a run of neighbouring rows at a time.
    for (qsizetype last = rows.size() - 1; last >= 0;) {
        qsizetype first = last;
        while (first > 0 && rows[first - 1] == rows[first] - 1)
            --first;
        beginRemoveRows({}, rows[first], rows[last]);
        m_rows.erase(m_rows.begin() + rows[first], m_rows.begin() + rows[last] + 1);
        endRemoveRows();
        last = first - 1;
    }
    return int(rows.size());
}

void TConnectionList::sortBy(int column, int direction) {
    if (column < 0 || column >= ColumnCount)
        return;

    std::vector<std::u32string> keys;
    keys.reserve(m_rows.size());
    for (const ConnectionEntry& entry : m_rows)
        keys.push_back(compareKey(column == 0 ? entry.name : entry.subItems[column - 1]));
    std::vector<int> order(m_rows.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return compareKeys(keys[a], keys[b]) * direction < 0; });

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<ConnectionEntry> sorted;
    sorted.reserve(m_rows.size());
    std::vector<int> newRowOf(m_rows.size());
    for (int i = 0; i < int(order.size()); ++i) {
        sorted.push_back(std::move(m_rows[order[i]]));
        newRowOf[order[i]] = i;
    }
    m_rows = std::move(sorted);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& old : before)
        after.append(index(newRowOf[old.row()], old.column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void TConnectionList::toggleChecks() {
    if (m_rows.empty())
        return;
    const QList<int> selected = selectedRows();
    const bool several = selected.size() >= 2;
    const bool checked = !m_rows[several ? selected.first() : 0].checked;
    if (several) {
        for (int row : selected)
            m_rows[row].checked = checked;
    } else {
        for (ConnectionEntry& entry : m_rows)
            entry.checked = checked;
    }
    emit dataChanged(index(0, 0), index(count() - 1, 0), {Qt::CheckStateRole});
}

int TConnectionList::findNext(const QString& text, vx::TFindOptions options) {
    const int rowCount = count();
    const int step = options.testFlag(vx::frDown) ? 1 : -1;
    int row = firstSelected() + step;
    for (int tested = 0; tested < rowCount; ++tested, row += step) {
        if (row >= rowCount)
            row = 0;
        else if (row < 0)
            row = rowCount - 1;
        if (TextMatchesFind(m_rows[row].name, text, options)) {
            m_selection->select(index(row, 0),
                                QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            return row;
        }
    }
    return -1;
}

int TConnectionList::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : count();
}

int TConnectionList::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TConnectionList::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= count())
        return {};
    const ConnectionEntry& entry = m_rows[index.row()];
    const int column = index.column();
    if (role == Qt::CheckStateRole && column == 0)
        return entry.checked ? Qt::Checked : Qt::Unchecked;
    // The password stays in the row but is never shown, copied or dragged as text.
    if ((role == Qt::DisplayRole || role == Qt::EditRole) && column != PasswordColumn)
        return column == 0 ? entry.name : entry.subItems[column - 1];
    return {};
}

bool TConnectionList::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || index.column() != 0 || role != Qt::CheckStateRole)
        return false;
    setChecked(index.row(), value.toInt() == Qt::Checked);
    return true;
}

Qt::ItemFlags TConnectionList::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    Qt::ItemFlags flags =
        Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled;
    if (index.column() == 0)
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}

QVariant TConnectionList::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < ColumnCount)
        return m_captions[section];
    return QAbstractTableModel::headerData(section, orientation, role);
}

bool TConnectionList::setHeaderData(int section, Qt::Orientation orientation, const QVariant& value,
                                    int role) {
    if (orientation != Qt::Horizontal || (role != Qt::DisplayRole && role != Qt::EditRole) ||
        section < 0 || section >= ColumnCount)
        return false;
    m_captions[section] = value.toString();
    emit headerDataChanged(orientation, section, section);
    return true;
}
