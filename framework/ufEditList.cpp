#include "ufEditList.h"

#include "Errors.h"
#include "Format.h"
#include "Guard.h"

#include <QStyle>
#include <QVBoxLayout>

namespace {

constexpr int ObjectRole = Qt::UserRole;

QAction* listAction(TfEditList* form, const QString& name, const QString& caption,
                    QStyle::StandardPixmap icon, void (TfEditList::*handler)()) {
    auto* action = form->addComponent(new QAction(caption, form), name);
    action->setIcon(form->style()->standardIcon(icon));
    QObject::connect(action, &QAction::triggered, form,
                     [form, handler] { vx::guarded([form, handler] { (form->*handler)(); }); });
    return action;
}

} // namespace

QListWidgetItem& TZybNamedList::item(int index) const {
    if (index < 0 || index >= Count())
        vx::raiseListIndexError(index);
    return *m_box.item(index);
}

QString TZybNamedList::Strings(int index) const {
    return item(index).text();
}

QObject* TZybNamedList::Objects(int index) const {
    return item(index).data(ObjectRole).value<QObject*>();
}

void TZybNamedList::SetObject(int index, QObject* object) {
    item(index).setData(ObjectRole, QVariant::fromValue(object));
}

void TZybNamedList::AddObject(const QString& name, QObject* object) {
    m_box.addItem(name);
    SetObject(Count() - 1, object);
}

QList<TZybListEntry> TZybNamedList::Entries() const {
    QList<TZybListEntry> entries;
    for (int i = 0; i < Count(); ++i)
        entries.append({Strings(i), Objects(i)});
    return entries;
}

TfEditList::TfEditList(QWidget* parent)
    : QWidget(parent), ActionToolBar1(addComponent(new QToolBar(this), "ActionToolBar1")),
      ListBox(addComponent(new QListWidget(this), "ListBox")),
      aNew(listAction(this, "aNew", QStringLiteral("Создать"), QStyle::SP_FileIcon,
                      &TfEditList::aNewExecute)),
      aEdit(listAction(this, "aEdit", QStringLiteral("Редактировать"),
                       QStyle::SP_FileDialogDetailedView, &TfEditList::aEditExecute)),
      aDelete(listAction(this, "aDelete", QStringLiteral("Удалить"), QStyle::SP_TrashIcon,
                         &TfEditList::aDeleteExecute)),
      aMoveUp(
          listAction(this, "aMoveUp", "aMoveUp", QStyle::SP_ArrowUp, &TfEditList::aMoveUpExecute)),
      aMoveDown(listAction(this, "aMoveDown", "aMoveDown", QStyle::SP_ArrowDown,
                           &TfEditList::aMoveDownExecute)),
      aNamedObject(addComponent(new TZybNamedObjectDialogAction(this), "aNamedObject")) {
    setObjectName("fEditList");
    setWindowTitle(QStringLiteral("Редактирование списка"));
    for (QAction* action : {aNew, aEdit, aDelete})
        action->setToolTip(action->text());

    // At least the stored height; more where the style's buttons need it for their icons.
    ActionToolBar1->setMinimumHeight(26);
    ActionToolBar1->setToolButtonStyle(Qt::ToolButtonIconOnly);
    ActionToolBar1->addSeparator();
    ActionToolBar1->addActions({aNew, aEdit, aDelete});
    ActionToolBar1->addSeparator();
    ActionToolBar1->addActions({aMoveUp, aMoveDown});

    ListBox->setSelectionMode(QAbstractItemView::SingleSelection);
    // Qt shows an action's caption as its hint when it has none: the move buttons have none.
    for (QAction* action : {aMoveUp, aMoveDown})
        ActionToolBar1->widgetForAction(action)->installEventFilter(this);
    connect(ListBox, &QListWidget::itemDoubleClicked, this,
            [this] { vx::guarded([this] { ListBoxDblClick(); }); });

    aNamedObject->BeforeOk = [this](QObject* sender, bool& canClose) {
        aNamedObjectBeforeOk(sender, canClose);
    };
    aNamedObject->CopyControl = false;

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(ActionToolBar1);
    layout->addWidget(ListBox, 1);
    resize(380, 240);

    SetMoveEnabled(true);
    NamedObjectTitle = "Named object";
    aNamedObject->DialogCaption = LoadResString(&ZYB_NAMEDOBJECT_EDIT_CAPTION);
    aNamedObject->ControlHeightForced = false;
}

void TfEditList::SetMoveEnabled(bool value) {
    m_moveEnabled = value;
    aMoveUp->setVisible(value);
    aMoveDown->setVisible(value);
}

QString TfEditList::EntryTitle(const TResStringRec& suffix) const {
    return vx::format(LoadResString(&ZYB_NAMEDOBJECT_EDIT_CAPTION), {NamedObjectTitle}) + ": " +
           LoadResString(&suffix);
}

void TfEditList::EditItem(bool IsNew) {
    aNamedObject->ExtraControl = ListAction ? ListAction->ItemControl : nullptr;
    aNamedObject->SetDialogText(
        vx::format(LoadResString(&ZYB_NAMEDOBJECT_EDIT_TEXT), {NamedObjectTitle}));
    if (ListAction && ListAction->EditFormBeforeShow)
        ListAction->EditFormBeforeShow(this);
    aNamedObject->Execute();
    if (aNamedObject->ModalResult != TfZybCustomDialog::mrOk)
        return;
    if (IsNew) {
        ListBox->addItem(QString());
        SetSelected(ListBox->count() - 1);
    }
    const int selected = GetSelected();
    if (selected >= 0)
        ListBox->item(selected)->setText(GetNamedObjectName(aNamedObject->GetForm()));
    if (ListAction && ListAction->EditFormAfterShow)
        ListAction->EditFormAfterShow(this);
}

void TfEditList::aNewExecute() {
    SetNamedObjectName(aNamedObject->GetForm(), QString());
    aNamedObject->DialogCaption = EntryTitle(ZYB_NEW);
    SetSelected(-1);
    EditItem(true);
}

void TfEditList::aEditExecute() {
    const int i = GetSelected();
    if (i < 0 || i >= ListBox->count())
        return;
    SetNamedObjectName(aNamedObject->GetForm(), ListBox->item(i)->text());
    aNamedObject->DialogCaption = EntryTitle(ZYB_EDIT);
    EditItem(false);
}

void TfEditList::ListBoxDblClick() {
    aEdit->trigger();
}

void TfEditList::aDeleteExecute() {
    const int i = GetSelected();
    if (i < 0 || i >= ListBox->count())
        return;
    delete ListBox->takeItem(i);
    SetSelected(-1);
}

void TfEditList::MoveSelected(int by) {
    const int i = GetSelected();
    const int to = i + by;
    if (i < 0 || to < 0 || to >= ListBox->count())
        return;
    QListWidgetItem* item = ListBox->takeItem(i);
    ListBox->insertItem(to, item);
    SetSelected(to);
}

int TfEditList::GetSelected() const {
    // Not the current row: focus makes the first row current without the user choosing it.
    const QList<QListWidgetItem*> selected = ListBox->selectedItems();
    return selected.isEmpty() ? -1 : ListBox->row(selected.first());
}

void TfEditList::SetSelected(int index) {
    ListBox->setCurrentRow(index);
    if (index < 0 || index >= ListBox->count())
        ListBox->clearSelection();
}

bool TfEditList::eventFilter(QObject* watched, QEvent* event) {
    return event->type() == QEvent::ToolTip || QWidget::eventFilter(watched, event);
}

void TfEditList::aMoveUpExecute() {
    MoveSelected(-1);
}

void TfEditList::aMoveDownExecute() {
    MoveSelected(+1);
}

void TfEditList::aNamedObjectBeforeOk(QObject*, bool&) {
    if (GetNamedObjectName(aNamedObject->GetForm()).isEmpty())
        throw vx::Error(LoadResString(&ZYB_NAMEDOBJECT_ERROR_EMPTYNAME));
}

TZybListDialogAction::TZybListDialogAction(QObject* owner) : TZybControlDialogAction(owner) {
    CreateControlForm<TfEditList>()->ListAction = this;
}

TfEditList* TZybListDialogAction::GetForm() const {
    return static_cast<TfEditList*>(Control.data());
}

TZybNamedList TZybListDialogAction::List() const {
    return TZybNamedList(*GetForm()->ListBox);
}

void TZybListDialogAction::SetList(const QList<TZybListEntry>& entries) {
    TZybNamedList list = List();
    list.Clear();
    for (const TZybListEntry& entry : entries)
        list.AddObject(entry.Name, entry.Object);
}

int TZybListDialogAction::GetActiveItem() const {
    return GetForm()->GetSelected();
}

void TZybListDialogAction::SetActiveItem(int index) {
    GetForm()->SetSelected(index);
}
