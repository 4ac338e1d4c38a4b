// The tools menu: external programs started for one connection, configured in the tools file.

#include "ufVornalex.h"

#include "ConnectionList.h"
#include "Errors.h"
#include "Guard.h"
#include "ThemeIcon.h"
#include "ValueListEditor.h"
#include "crfLogin.h"
#include "uTZybTranslator.h"
#include "ufEditList.h"
#include "ufSQLLoaderResult.h"

#include <QAction>
#include <QCursor>
#include <QHeaderView>
#include <QMenu>

namespace {

// vleTool's rows.
enum ToolRow { AppRow, ParamsRow, ParamsTrustRow };

} // namespace

void TfVornalex::buildTools() {
    aTools = addComponent(
        new QAction(vx::themeIcon("applications-system", QStyle::SP_ComputerIcon, style()),
                    QString(), this),
        QStringLiteral("aTools"));
    aTools->setToolTip(QStringLiteral("Инструменты"));
    connect(aTools, &QAction::triggered, this,
            [this] { vx::guarded([this] { aToolsExecute(); }); });

    aToolsConfigure =
        addComponent(new TZybListDialogAction(this), QStringLiteral("aToolsConfigure"));
    aToolsConfigure->setText(QStringLiteral("Настроить инструменты..."));
    aToolsConfigure->DialogCaption = QStringLiteral("Настроить инструменты");
    aToolsConfigure->SetDialogText(QStringLiteral("Настройте приложения для работы с серверами:"));
    aToolsConfigure->SetNamedObjectTitle(QStringLiteral("Приложение"));
    aToolsConfigure->ControlHeight = 240;
    aToolsConfigure->ControlWidth = 380;
    aToolsConfigure->CopyControl = false;
    aToolsConfigure->SetActiveItem(-1);
    aToolsConfigure->SetMoveEnabled(true);
    aToolsConfigure->BeforeExecute = [this](QObject*) { aToolsConfigureBeforeExecute(); };
    aToolsConfigure->OnOk = [this](QObject*) { aToolsConfigureOk(); };
    aToolsConfigure->EditFormBeforeShow = [this](QObject*) { aToolsConfigureEditFormBeforeShow(); };
    aToolsConfigure->EditFormAfterShow = [this](QObject*) { aToolsConfigureEditFormAfterShow(); };

    pmTools = addComponent(new QMenu(this), QStringLiteral("pmTools"));
    N1 = addComponent(pmTools->addSeparator(), QStringLiteral("N1"));
    aToolsSettle1 = addComponent(new QAction(pmTools), QStringLiteral("aToolsSettle1"));
    // The menu item shows the configure action's caption and runs it.
    aToolsSettle1->setText(aToolsConfigure->text());
    connect(aToolsConfigure, &QAction::changed, aToolsSettle1,
            [this] { aToolsSettle1->setText(aToolsConfigure->text()); });
    connect(aToolsSettle1, &QAction::triggered, aToolsConfigure, &QAction::trigger);
    pmTools->addAction(aToolsSettle1);

    // Shown only inside the tools dialog, for one tool.
    vleTool = addComponent(new vx::ValueListEditor(tsSettings), QStringLiteral("vleTool"));
    vleTool->resize(369, 89);
    vleTool->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    vleTool->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    vleTool->setColumnWidth(0, 137);
    vleTool->setColumnWidth(1, 226);
    vleTool->setTitleCaptions({QStringLiteral("Key"), QStringLiteral("Value")});
    vleTool->setStrings({QStringLiteral("Application="), QStringLiteral("params="),
                         QStringLiteral("params (Trust Connection)=")});
    vleTool->hide();
}

void TfVornalex::aToolsExecute() {
    const int row = Connections->firstSelected();
    if (row < 0)
        throw vx::Error(LoadResString(&VX_CHOOSE_SERVER));
    // A copy of the row: the tool starts for the row the menu was opened for.
    ShowToolsMenu([entry = Connections->at(row)] { return entry.definition(); });
}

void TfVornalex::ResultToolsClick(QObject* Sender) {
    auto* page = qobject_cast<TfSQLLoaderResult*>(Sender);
    if (!page)
        return;
    ShowToolsMenu([definition = page->Login->definition()] { return definition; });
}

void TfVornalex::ShowToolsMenu(std::function<ConnectionDefinition()> Connection) {
    m_toolsConnection = std::move(Connection);
    for (QAction* item : pmTools->actions()) {
        if (item == N1)
            break;
        pmTools->removeAction(item);
        item->deleteLater();
    }
    for (const vx::ToolEntry& tool : vx::ToolsFile(ToolsIniPath).read()) {
        auto* item = new QAction(QString(tool.name).replace(QLatin1Char('&'), QStringLiteral("&&")),
                                 pmTools);
        item->setData(tool.suffix);
        connect(item, &QAction::triggered, this,
                [this, item] { vx::guarded([this, item] { ToolMenuClick(item); }); });
        pmTools->insertAction(N1, item);
    }
    pmTools->popup(QCursor::pos());
}

void TfVornalex::ToolMenuClick(QAction* Item) {
    const QString suffix = Item->data().toString();
    vx::ToolEntry chosen;
    for (const vx::ToolEntry& tool : vx::ToolsFile(ToolsIniPath).read()) {
        if (tool.suffix == suffix) {
            chosen = tool;
            break;
        }
    }
    vx::startTool(chosen, m_toolsConnection());
}

void TfVornalex::aToolsConfigureBeforeExecute() {
    aToolsConfigure->ItemControl = vleTool;
    std::vector<std::unique_ptr<TZybToolObject>> objects;
    QList<TZybListEntry> entries;
    for (const vx::ToolEntry& tool : vx::ToolsFile(ToolsIniPath).read()) {
        auto object = std::make_unique<TZybToolObject>();
        object->App = tool.app;
        object->Params = tool.params;
        object->ParamsTrust = tool.paramsTrust;
        entries.append({tool.name, object.get()});
        objects.push_back(std::move(object));
    }
    aToolsConfigure->SetList(entries);
    m_toolObjects = std::move(objects);
}

void TfVornalex::aToolsConfigureEditFormBeforeShow() {
    const int active = aToolsConfigure->GetActiveItem();
    const TZybNamedList list = aToolsConfigure->List();
    const TZybToolObject empty;
    const auto* tool = active >= 0 && active < list.Count()
                           ? dynamic_cast<const TZybToolObject*>(list.Objects(active))
                           : nullptr;
    if (!tool)
        tool = &empty;
    vleTool->setValue(AppRow, tool->App);
    vleTool->setValue(ParamsRow, tool->Params);
    vleTool->setValue(ParamsTrustRow, tool->ParamsTrust);
    // Every row in sight from the first, whatever the last tool's edit scrolled to: the program
    // goes into the first row.
    vleTool->showAllRows();
    vleTool->setCurrentCell(AppRow, 1);
}

void TfVornalex::aToolsConfigureEditFormAfterShow() {
    const int active = aToolsConfigure->GetActiveItem();
    TZybNamedList list = aToolsConfigure->List();
    if (active < 0 || active >= list.Count())
        return;
    auto* tool = dynamic_cast<TZybToolObject*>(list.Objects(active));
    if (!tool) {
        m_toolObjects.push_back(std::make_unique<TZybToolObject>());
        tool = m_toolObjects.back().get();
        list.SetObject(active, tool);
    }
    vleTool->commitEdit();
    tool->App = vleTool->value(AppRow);
    tool->Params = vleTool->value(ParamsRow);
    tool->ParamsTrust = vleTool->value(ParamsTrustRow);
}

void TfVornalex::aToolsConfigureOk() {
    QList<vx::ToolEntry> tools;
    for (const TZybListEntry& entry : aToolsConfigure->List().Entries()) {
        vx::ToolEntry tool;
        tool.name = entry.Name;
        if (const auto* object = dynamic_cast<const TZybToolObject*>(entry.Object)) {
            tool.app = object->App;
            tool.params = object->Params;
            tool.paramsTrust = object->ParamsTrust;
        }
        tools.append(tool);
    }
    vx::ToolsFile(ToolsIniPath).write(tools);
}
