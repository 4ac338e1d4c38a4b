// The tools menu: external programs started for one connection, configured in the tools file.

#include "ufVornalex.h"

#include "ThemeIcon.h"
#include "ValueListEditor.h"
#include "ufEditList.h"

#include <QAction>
#include <QHeaderView>
#include <QMenu>

void TfVornalex::buildTools() {
    aTools = addComponent(
        new QAction(vx::themeIcon("applications-system", QStyle::SP_ComputerIcon, style()),
                    QString(), this),
        QStringLiteral("aTools"));
    aTools->setToolTip(QStringLiteral("Инструменты"));

    aToolsConfigure =
        addComponent(new TZybListDialogAction(this), QStringLiteral("aToolsConfigure"));
    aToolsConfigure->setText(QStringLiteral("Настроить инструменты..."));
    aToolsConfigure->ControlHeight = 240;
    aToolsConfigure->ControlWidth = 380;
    aToolsConfigure->CopyControl = false;
    aToolsConfigure->SetActiveItem(-1);
    aToolsConfigure->SetMoveEnabled(true);

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
