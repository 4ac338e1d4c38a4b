#pragma once

#include "Form.h"
#include "ufEditNamedObject.h"

#include <QAction>
#include <QListWidget>
#include <QToolBar>
#include <QWidget>

class TZybListDialogAction;

// One entry of an edited list: a name and the object attached to it, which the caller owns.
struct TZybListEntry {
    QString Name;
    QObject* Object = nullptr;
    bool operator==(const TZybListEntry&) const = default;
};

// The live entries of a list editor's list box. An index outside 0..Count()-1 raises "List index
// out of bounds (%d)".
class TZybNamedList {
public:
    explicit TZybNamedList(QListWidget& box) : m_box(box) {}

    int Count() const { return m_box.count(); }
    QString Strings(int index) const;
    QObject* Objects(int index) const;
    void SetObject(int index, QObject* object);
    void AddObject(const QString& name, QObject* object);
    void Clear() { m_box.clear(); }
    QList<TZybListEntry> Entries() const;

private:
    QListWidgetItem& item(int index) const;

    QListWidget& m_box;
};

// An ordered list of named objects with a toolbar to add, edit, delete and move entries; adding
// and editing open a named-object dialog for the entry. Without a selection, or at the ends of
// the list, the toolbar's actions do nothing.
class TfEditList : public QWidget, public vx::Form {
    Q_OBJECT
public:
    explicit TfEditList(QWidget* parent = nullptr);

    QToolBar* ActionToolBar1;
    QListWidget* ListBox;
    QAction* aNew;
    QAction* aEdit;
    QAction* aDelete;
    QAction* aMoveUp;
    QAction* aMoveDown;
    TZybNamedObjectDialogAction* aNamedObject;

    // The selected entry, -1 for none.
    int GetSelected() const;
    void SetSelected(int index);
    bool GetMoveEnabled() const { return m_moveEnabled; }
    // Shows or hides the move buttons with the flag.
    void SetMoveEnabled(bool value);
    QString NamedObjectTitle;
    TZybListDialogAction* ListAction = nullptr; // the action that shows this window

    void aNewExecute();
    void aEditExecute();
    void aDeleteExecute();
    void aMoveUpExecute();
    void aMoveDownExecute();
    void ListBoxDblClick();
    void aNamedObjectBeforeOk(QObject* Sender, bool& CanClose);

protected:
    // Keeps the move buttons' hints away.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void EditItem(bool IsNew);
    QString EntryTitle(const TResStringRec& suffix) const;
    void MoveSelected(int by);

    bool m_moveEnabled = true;
};

// A dialog that edits an ordered list of named objects. EditFormBeforeShow is raised before an
// entry's dialog opens (ActiveItem: the entry, -1 when adding) so that the caller fills
// ItemControl from the entry's object; EditFormAfterShow after that dialog closed with OK and the
// name was stored (ActiveItem: the entry stored) so that the caller writes ItemControl back and
// attaches an object to a new entry. Both get the list window as sender.
class TZybListDialogAction : public TZybControlDialogAction {
    Q_OBJECT
    Q_PROPERTY(QString NamedObjectTitle READ GetNamedObjectTitle WRITE SetNamedObjectTitle)
public:
    explicit TZybListDialogAction(QObject* owner = nullptr);

    TfEditList* GetForm() const;

    TZybNamedList List() const;
    // Replaces the entries by the given names and objects.
    void SetList(const QList<TZybListEntry>& entries);
    // The selected entry, -1 for none.
    int GetActiveItem() const;
    void SetActiveItem(int index);
    bool GetMoveEnabled() const { return GetForm()->GetMoveEnabled(); }
    void SetMoveEnabled(bool value) { GetForm()->SetMoveEnabled(value); }
    QString GetNamedObjectTitle() const { return GetForm()->NamedObjectTitle; }
    void SetNamedObjectTitle(const QString& title) { GetForm()->NamedObjectTitle = title; }

    TNotifyEvent EditFormBeforeShow;
    TNotifyEvent EditFormAfterShow;
    QPointer<QWidget> ItemControl; // shown under an entry's name line; not owned
};
