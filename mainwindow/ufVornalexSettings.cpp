// What the settings file keeps of the window: the stored options, and the list files that save
// and load the whole settings file under another name.

#include "ufVornalex.h"

#include "ConnectionList.h"
#include "Guard.h"
#include "Prompter.h"
#include "SettingsContents.h"
#include "ThemeIcon.h"
#include "uTZybStorage.h"

#include <QAction>
#include <QFileInfo>

namespace {

vx::FileDialogRequest listFileRequest() {
    vx::FileDialogRequest request;
    request.filter = QStringLiteral("*.ini (*.ini);;*.* (*)");
    request.defaultSuffix = QStringLiteral("ini");
    return request;
}

} // namespace

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
    connect(aListSave, &QAction::triggered, this,
            [this] { vx::guarded([this] { aListSaveExecute(); }); });
    connect(aListLoad, &QAction::triggered, this,
            [this] { vx::guarded([this] { aListLoadExecute(); }); });
    // A run reads the list as it goes: no other list may come in under it.
    connect(aExecute, &QAction::enabledChanged, aListLoad, &QAction::setEnabled);

    ZybStorage->AfterWriteIni = [this](TZybStorage* Sender, vx::IniFile& IniFile) {
        ZybStorageAfterWriteIni(Sender, IniFile);
    };
    ZybStorage->AfterReadIni = [this](TZybStorage* Sender, vx::IniFile& IniFile) {
        ZybStorageAfterReadIni(Sender, IniFile);
    };

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

void TfVornalex::ZybStorageAfterWriteIni(TZybStorage* Sender, vx::IniFile& IniFile) {
    const QStringList unwritten =
        WriteConnectionSections(IniFile, Sender->IniSection, ScriptDir, Connections->rows());
    // Told, not raised: a failed step would keep the other connections from the file as well.
    if (!unwritten.isEmpty())
        vx::prompter().show(vx::PromptIcon::Error, vx::applicationTitle(), unwritten.join(u'\n'));
}

void TfVornalex::ZybStorageAfterReadIni(TZybStorage* Sender, vx::IniFile& IniFile) {
    ConnectionSections read = ReadConnectionSections(IniFile, Sender->IniSection, ScriptDir);
    ScriptDir = read.scriptDir;
    Connections->setRows(std::move(read.rows));
}

void TfVornalex::aListSaveExecute() {
    const std::optional<QString> target = vx::prompter().saveFileName(listFileRequest());
    if (!target)
        return;
    WriteSettingsFile(); // a file that could not be read stays, and the copy tells why
    CopyListFile(ZybStorage->IniFile, *target);
}

void TfVornalex::aListLoadExecute() {
    if (!aExecute->isEnabled())
        return;
    const std::optional<QString> source = vx::prompter().openFileName(listFileRequest());
    if (!source)
        return;
    CopyListFile(*source, ZybStorage->IniFile);
    ZybStorage->ReadIni();
}

void TfVornalex::WriteSettingsFile() {
    if (m_settingsRead || !QFileInfo::exists(ZybStorage->IniFile))
        ZybStorage->WriteIni();
}
