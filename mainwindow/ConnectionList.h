#pragma once

#include "ConnectionDefinition.h"
#include "FindOptions.h"

#include <QAbstractTableModel>
#include <QItemSelectionModel>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <vector>

class TfCrfLogin;

// One named connection of the list. Every entry has exactly the five sub-items; the password is
// plain, Windows authentication is kept as the text found ("True"/"False" when this program wrote
// it) and converted only where it is used.
struct ConnectionEntry {
    enum SubItem { Server, Database, User, Password, TrustConnect, SubItemCount };

    QString name;
    bool checked = false;
    std::array<QString, SubItemCount> subItems{QString(), QString(), QString(), QString(),
                                               QStringLiteral("False")};
    // The "pwd" text of the settings file that the password was read from, kept only when the file
    // cannot take the password in any other form (it decodes to a line break): written back while
    // the password is still the one it decodes to.
    QString storedPassword{};

    // Sub-item TrustConnect as a flag; raises "'%s' is not a valid boolean value".
    bool trusted() const;
    // Server, database, user, password and the flag (which may raise); the timeouts are the
    // caller's to set.
    ConnectionDefinition definition() const;

    bool operator==(const ConnectionEntry&) const = default;
};

// The platform's text-to-Boolean conversion: "True" or "False" in any case, or a number (not 0 is
// true). Anything else raises "'%s' is not a valid boolean value".
bool StrToBool(const QString& text);

// Copies an entry into a login window: SetServer, SetDatabase, SetUser, SetPassword, SetTrusted, in
// this order. A bad TrustConnect text raises before SetTrusted.
void ConnectionToLogin(const ConnectionEntry& entry, TfCrfLogin* login);

// The connection list: its rows, which rows are selected and which one has the focus frame.
// - The row order is the run order and the order of the settings file; nothing reorders rows but
//   the explicit operations below (there is no standing sort).
// - Selection and focus live in selectionModel(), which a view shares instead of keeping its own;
//   so every operation behaves the same with or without a view, and rows that move keep their
//   selected flag. Focus, selection and tick are independent of one another.
// - checkedRows() is the set a run uses, in list order; firstSelected() is where the tools menu
//   and a search begin; focused() is what copy and edit use.
// GUI thread only: a worker gets a ConnectionDefinition copy, never a row.
class TConnectionList : public QAbstractTableModel {
    Q_OBJECT
public:
    // Column 0 is the name (with the tick box), columns 1 to 5 the sub-items.
    static constexpr int ColumnCount = 1 + ConnectionEntry::SubItemCount;
    static constexpr int PasswordColumn = 1 + ConnectionEntry::Password;

    explicit TConnectionList(QObject* parent = nullptr);

    QItemSelectionModel* selectionModel() const { return m_selection; }

    int count() const { return int(m_rows.size()); }
    const ConnectionEntry& at(int row) const { return m_rows.at(row); }
    const std::vector<ConnectionEntry>& rows() const { return m_rows; }
    // Indexes of the ticked rows, in list order.
    QList<int> checkedRows() const;

    // Replaces every row; nothing is selected or focused afterwards.
    void setRows(std::vector<ConnectionEntry> rows);
    // Appends an entry and returns its index; the selection and focus are not changed.
    int append(ConnectionEntry entry);
    // Replaces a row's name and sub-items; its tick, place and selection stay.
    void update(int row, const QString& name,
                const std::array<QString, ConnectionEntry::SubItemCount>& subItems);
    void setChecked(int row, bool checked);

    // The row with the focus frame, or -1.
    int focused() const;
    // Gives a row the focus frame without touching the selection (-1: none).
    void setFocused(int row);
    // Selected rows in ascending order.
    QList<int> selectedRows() const;
    int firstSelected() const; // -1 when none
    bool isSelected(int row) const;
    void setSelected(int row, bool selected);

    // Moves one row so that it ends at target (a position before the move); it takes the focus
    // frame and keeps its selected flag.
    void moveConnection(int row, int target);
    // Moves the selected rows one by one: the i-th to target + i when target is before it, else to
    // target. Rows wholly after target end up together from target on, rows wholly before it just
    // after the row at target.
    void moveSelected(int target);
    // Up and down one place, gathered; false when nothing moved.
    bool moveUp();
    bool moveDown();
    // A drop of the selection on a row: nothing when the row is selected or there is none.
    void dropOn(int row);
    // Deletes the selected rows; returns how many.
    int deleteSelected();

    // Reorders the rows by a column's texts, ascending for direction 1 and descending for -1.
    // Texts compare as CompareText does: only a to z fold to upper case, other characters by their
    // Windows-1251 code. Equal texts keep their order.
    void sortBy(int column, int direction);

    // Ticks or unticks in bulk: with two or more rows selected, those rows take the opposite of
    // the first selected one's tick; otherwise every row takes the opposite of the first row's.
    void toggleChecks();

    // The next row after the first selected one (or from the start of the search direction) whose
    // name matches, wrapping once around the list; it becomes the only selected row, the focus
    // frame stays. Returns it, or -1 with nothing changed.
    int findNext(const QString& text, vx::TFindOptions options);

    // QAbstractItemModel
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant& value,
                       int role) override;
    Qt::DropActions supportedDropActions() const override { return Qt::MoveAction; }

private:
    void emitRowChanged(int first, int last);

    std::vector<ConnectionEntry> m_rows;
    std::array<QString, ColumnCount> m_captions;
    QItemSelectionModel* m_selection;
};

// CompareText: the difference of the first differing characters after folding a to z to upper
// case (other characters by Windows-1251 code), else of the lengths.
int CompareText(const QString& a, const QString& b);
