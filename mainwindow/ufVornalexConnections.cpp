// The connection list of the settings page: its rows (TConnectionList), their view, the tool bar
// and the connection dialog with the embedded login. The rows are changed only here and by the
// settings file's reading.

#include "ufVornalex.h"

#include "ConnectionList.h"
#include "ConnectionListView.h"
#include "Errors.h"
#include "FindDialog.h"
#include "Format.h"
#include "Guard.h"
#include "Prompter.h"
#include "SingleLine.h"
#include "ThemeIcon.h"
#include "crfLogin.h"
#include "uTZybTranslator.h"
#include "ufEditNamedObject.h"

#include <QAction>
#include <QToolBar>
#include <QVBoxLayout>

QWidget* TfVornalex::buildConnectionList() {
    const QStyle* s = style();
    const auto action = [this](const char* name, const QIcon& icon, const char* hint,
                               std::function<void()> execute) {
        auto* created = addComponent(new QAction(icon, QString(), this), QString::fromLatin1(name));
        created->setToolTip(QString::fromUtf8(hint));
        connect(created, &QAction::triggered, this,
                [execute = std::move(execute)] { vx::guarded(execute); });
        return created;
    };
    aConnectAdd =
        action("aConnectAdd", vx::themeIcon("list-add", QStyle::SP_FileDialogNewFolder, s),
               "Добавить подсоединение", [this] { EditConnection(false, true); });
    aConnectDuplicate = action("aConnectDuplicate",
                               vx::themeIcon("edit-copy", QStyle::SP_FileDialogContentsView, s),
                               "Копировать подсоединение", [this] { EditConnection(true, true); });
    aConnectEdit = action(
        "aConnectEdit", vx::themeIcon("document-properties", QStyle::SP_FileDialogDetailedView, s),
        "Редактировать подсоединение", [this] { EditConnection(true, false); });
    aConnectDelete = action("aConnectDelete", vx::themeIcon("list-remove", QStyle::SP_TrashIcon, s),
                            "Удалить подсоединение", [this] { aConnectDeleteExecute(); });
    aConnectCheck =
        action("aConnectCheck", vx::themeIcon("checkbox", QStyle::SP_DialogApplyButton, s),
               "Поставить/убрать отметку", [this] { Connections->toggleChecks(); });
    aConnectFind =
        action("aConnectFind", vx::themeIcon("edit-find", QStyle::SP_FileDialogListView, s),
               "Найти подсоединение..", [this] { aConnectFindExecute(); });
    aConnectMoveTop =
        action("aConnectMoveTop", vx::themeIcon("go-up", QStyle::SP_ArrowUp, s), "Вверх",
               [this] { lvConnections->changeWithoutRepaint([this] { Connections->moveUp(); }); });
    aConnectMoveBottom = action(
        "aConnectMoveBottom", vx::themeIcon("go-down", QStyle::SP_ArrowDown, s), "Вниз",
        [this] { lvConnections->changeWithoutRepaint([this] { Connections->moveDown(); }); });

    auto* panel = new QWidget(tsSettings);
    ActionToolBar3 = addComponent(new QToolBar(panel), QStringLiteral("ActionToolBar3"));
    ActionToolBar3->setToolButtonStyle(Qt::ToolButtonIconOnly);
    for (QAction* shown : std::initializer_list<QAction*>{
             nullptr, aListSave, aListLoad, nullptr, aConnectAdd, aConnectDuplicate, aConnectEdit,
             aConnectDelete, nullptr, aConnectCheck, aConnectFind, nullptr, aConnectMoveTop,
             aConnectMoveBottom, nullptr, aTools}) {
        if (shown)
            ActionToolBar3->addAction(shown);
        else
            ActionToolBar3->addSeparator();
    }

    Connections = new TConnectionList(this);
    lvConnections = addComponent(new TConnectionListView(panel), QStringLiteral("lvConnections"));
    lvConnections->setList(Connections);
    const QStringList captions = {"Название",     "Сервер", "БД",
                                  "Пользователь", "Пароль", "Авторизация Windows"};
    for (int i = 0; i < TConnectionList::ColumnCount; ++i)
        Connections->setHeaderData(i, Qt::Horizontal, captions[i], Qt::DisplayRole);
    connect(lvConnections, &TConnectionListView::listDoubleClicked, aConnectEdit,
            &QAction::trigger);
    connect(lvConnections, &TConnectionListView::columnClicked, this,
            [this](int column) { vx::guarded([&] { lvConnectionsColumnClick(column); }); });
    connect(lvConnections, &TConnectionListView::dropped, this,
            [this](int row) { vx::guarded([&] { lvConnectionsDragDrop(row); }); });

    aEditConnection =
        addComponent(new TZybNamedObjectDialogAction(this), QStringLiteral("aEditConnection"));
    aEditConnection->ControlHeight = 240;
    aEditConnection->ControlWidth = 380;
    aEditConnection->CopyControl = false;
    aEditConnection->SetDialogText(QStringLiteral("Введите свойства подсоединения:"));
    // The name is written to the settings file, which keeps one line per value.
    vx::keepOnOneLine(aEditConnection->GetForm()->eName);
    // A password the settings file cannot keep is refused while the user can still change it.
    aEditConnection->BeforeOk = [this](QObject*, bool& CanClose) {
        CanClose = vx::guarded([this] { Login->CheckPasswordStorable(); });
    };

    dConnectFind = addComponent(new vx::FindDialog(this), QStringLiteral("dConnectFind"));
    dConnectFind->setOptions(vx::frDown);
    dConnectFind->OnFind = [this](QObject*) { vx::guarded([this] { dConnectFindFind(); }); };

    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(ActionToolBar3);
    layout->addWidget(lvConnections, 1);

    return panel;
}

void TfVornalex::ConnectionToLogin(int Row, TfCrfLogin* ALogin) const {
    ::ConnectionToLogin(Connections->at(Row), ALogin);
}

void TfVornalex::EditConnection(bool FromFocused, bool IsNew) {
    const int row = Connections->focused();
    if (FromFocused && row < 0)
        throw vx::Error(LoadResString(&VX_CHOOSE_SERVER));
    QString name;
    if (FromFocused) {
        const ConnectionEntry& entry = Connections->at(row);
        Login->SetServer(entry.subItems[ConnectionEntry::Server]);
        Login->SetDatabase(entry.subItems[ConnectionEntry::Database]);
        Login->SetUser(entry.subItems[ConnectionEntry::User]);
        Login->SetPassword(entry.subItems[ConnectionEntry::Password]);
        // A text that is no flag opens unticked, so that the user can mend the row here; runs and
        // tools still refuse it.
        bool trusted = false;
        try {
            trusted = entry.trusted();
        } catch (const vx::Error&) {
        }
        Login->SetTrusted(trusted);
        name = entry.name;
    } else {
        Login->SetServer(QString());
        Login->SetDatabase(QString());
        Login->SetUser(QString());
        Login->SetPassword(QString());
        Login->SetTrusted(false);
    }
    SetNamedObjectName(aEditConnection->GetForm(), name);
    aEditConnection->ExtraControl = Login;
    aEditConnection->DialogCaption =
        ZybTranslator->Translate("aEditConnection.DialogCaption", "Connection") + ": " +
        LoadResString(IsNew ? &ZYB_NEW : &ZYB_EDIT);
    Login->SetDialogMode(false);
    Login->SetLanguage(ZybTranslator->GetActiveLanguageName());
    if (!aEditConnection->Execute())
        return;

    // A copy takes along the stored form of a password that only that form can keep.
    ConnectionEntry added;
    if (FromFocused)
        added.storedPassword = Connections->at(row).storedPassword;
    const int target = IsNew ? Connections->append(added) : row;
    if (IsNew)
        Connections->setFocused(target);
    Connections->update(target, GetNamedObjectName(aEditConnection->GetForm()),
                        {Login->GetServer(), Login->GetDatabase(), Login->GetUser(),
                         Login->GetPassword(),
                         Login->GetTrusted() ? QStringLiteral("True") : QStringLiteral("False")});
}

void TfVornalex::aConnectDeleteExecute() {
    const qsizetype selected = Connections->selectedRows().size();
    if (selected == 0)
        return;
    const QString question = vx::format(LoadResString(&VX_DELETE_CONNECTION), {selected});
    if (vx::prompter().askOkCancel(vx::PromptIcon::Question, vx::applicationTitle(), question))
        Connections->deleteSelected();
}

void TfVornalex::aConnectFindExecute() {
    dConnectFind->Execute();
}

void TfVornalex::dConnectFindFind() {
    const int found = Connections->findNext(dConnectFind->findText(), dConnectFind->options());
    if (found < 0)
        return;
    lvConnections->setFocus();
    lvConnections->scrollTo(Connections->index(found, 0), QAbstractItemView::EnsureVisible);
}

void TfVornalex::lvConnectionsColumnClick(int Column) {
    // The first click sorts descending, as the direction starts at -1.
    if (Column == SortColumn)
        SortDirection = -SortDirection;
    else
        SortColumn = Column;
    Connections->sortBy(SortColumn, SortDirection);
}

void TfVornalex::lvConnectionsDragDrop(int TargetRow) {
    lvConnections->changeWithoutRepaint([&] { Connections->dropOn(TargetRow); });
}

void TfVornalex::WMUser() {
    lvConnections->relayout();
}
