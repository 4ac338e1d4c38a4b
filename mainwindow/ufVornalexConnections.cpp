// The connection list of the settings page: its rows, its tool bar and the connection dialog.

#include "ufVornalex.h"

#include "FindDialog.h"
#include "ThemeIcon.h"
#include "ufEditNamedObject.h"

#include <QAction>
#include <QHeaderView>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

QWidget* TfVornalex::buildConnectionList() {
    const QStyle* s = style();
    const auto action = [this](const char* name, const QIcon& icon, const char* hint) {
        auto* created = addComponent(new QAction(icon, QString(), this), QString::fromLatin1(name));
        created->setToolTip(QString::fromUtf8(hint));
        return created;
    };
    aConnectAdd =
        action("aConnectAdd", vx::themeIcon("list-add", QStyle::SP_FileDialogNewFolder, s),
               "Добавить подсоединение");
    aConnectDuplicate = action("aConnectDuplicate",
                               vx::themeIcon("edit-copy", QStyle::SP_FileDialogContentsView, s),
                               "Копировать подсоединение");
    aConnectEdit = action(
        "aConnectEdit", vx::themeIcon("document-properties", QStyle::SP_FileDialogDetailedView, s),
        "Редактировать подсоединение");
    aConnectDelete = action("aConnectDelete", vx::themeIcon("list-remove", QStyle::SP_TrashIcon, s),
                            "Удалить подсоединение");
    aConnectCheck =
        action("aConnectCheck", vx::themeIcon("checkbox", QStyle::SP_DialogApplyButton, s),
               "Поставить/убрать отметку");
    aConnectFind =
        action("aConnectFind", vx::themeIcon("edit-find", QStyle::SP_FileDialogListView, s),
               "Найти подсоединение..");
    aConnectMoveTop =
        action("aConnectMoveTop", vx::themeIcon("go-up", QStyle::SP_ArrowUp, s), "Вверх");
    aConnectMoveBottom =
        action("aConnectMoveBottom", vx::themeIcon("go-down", QStyle::SP_ArrowDown, s), "Вниз");

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

    lvConnections = addComponent(new QTreeWidget(panel), QStringLiteral("lvConnections"));
    lvConnections->setRootIsDecorated(false);
    lvConnections->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lvConnections->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvConnections->setFrameShape(QFrame::NoFrame);
    lvConnections->setHeaderLabels({QStringLiteral("Название"), QStringLiteral("Сервер"),
                                    QStringLiteral("БД"), QStringLiteral("Пользователь"),
                                    QStringLiteral("Пароль"),
                                    QStringLiteral("Авторизация Windows")});
    QHeaderView* header = lvConnections->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    header->setSectionResizeMode(1, QHeaderView::Interactive);
    lvConnections->setColumnWidth(1, 100);
    // The password is in the row but not readable.
    header->setSectionResizeMode(4, QHeaderView::Fixed);
    lvConnections->setColumnWidth(4, 1);
    header->setMinimumSectionSize(1);

    aEditConnection =
        addComponent(new TZybNamedObjectDialogAction(this), QStringLiteral("aEditConnection"));
    aEditConnection->ControlHeight = 240;
    aEditConnection->ControlWidth = 380;
    aEditConnection->CopyControl = false;
    aEditConnection->SetDialogText(QStringLiteral("Введите свойства подсоединения:"));

    dConnectFind = addComponent(new vx::FindDialog(this), QStringLiteral("dConnectFind"));
    dConnectFind->setOptions(vx::frDown);

    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(ActionToolBar3);
    layout->addWidget(lvConnections, 1);
    return panel;
}
