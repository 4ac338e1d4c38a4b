// What the settings file keeps of the window: the stored options, and the list files that save
// and load the whole settings file under another name.

#include "ufVornalex.h"

#include "ThemeIcon.h"
#include "uTZybStorage.h"

#include <QAction>

void TfVornalex::buildSettingsFile() {
    aListSave = addComponent(
        new QAction(vx::themeIcon("document-save-as", QStyle::SP_DialogSaveButton, style()),
                    QStringLiteral("Сохранить список как.."), this),
        QStringLiteral("aListSave"));
    aListSave->setToolTip(aListSave->text());
    aListLoad = addComponent(
        new QAction(vx::themeIcon("document-open", QStyle::SP_DialogOpenButton, style()),
                    QStringLiteral("Загрузить список"), this),
        QStringLiteral("aListLoad"));
    aListLoad->setToolTip(aListLoad->text());

    // The executor's index comes last: the language, read before it, refills the executor list.
    ZybStorage->StoredProps = {
        QStringLiteral("cbCheckDBO.Checked"),
        QStringLiteral("cbPrintMessages.Checked"),
        QStringLiteral("gbOnError.ItemIndex"),
        QStringLiteral("ZybTranslator.ActiveLanguage"),
        QStringLiteral("seCommandTimeout.Value"),
        QStringLiteral("seConnectionTimeout.Value"),
        QStringLiteral("cbAutoConnect.Checked"),
        QStringLiteral("cbParallel.Checked"),
        QStringLiteral("fVornalex.WindowState"),
        QStringLiteral("cbTabDelimiter.Checked"),
        QStringLiteral("dConnectFind.FindText"),
        QStringLiteral("dConnectFind.Options"),
        QStringLiteral("cbScriptExecutor.ItemIndex"),
    };
}
