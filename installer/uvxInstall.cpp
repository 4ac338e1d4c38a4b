// The installer window: its pages and controls, the translator's table, start-up, language and
// licence, navigation, help, and the start of the installation or uninstallation.

#include "uvxInstall.h"

#include "Errors.h"
#include "Format.h"
#include "Guard.h"
#include "Prompter.h"
#include "RegistryStore.h"
#include "SetupFiles.h"
#include "Uninstallation.h"
#include "uTZybTranslator.h"
#include "uTZybWizard.h"
#include "uZybUtils.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScreen>
#include <QToolButton>

#include <unistd.h>

namespace {

constexpr int ClientWidth = 489;
constexpr int ClientHeight = 359;

// The design's places that captions of another length move around: the welcome page's language
// list, and on the parameters page the column of controls right of the captions and the right
// edges that stay put.
constexpr int LanguageLeft = 232;
constexpr int ControlColumn = 72;
constexpr int ModulesRight = 241;
constexpr int EditRight = 453;
constexpr int BrowseRight = 483;
constexpr int BrowseGap = 7;
constexpr int DesktopIconRight = 449;
constexpr int CaptionGap = 8;
constexpr int NavigateButtonWidth = 75;

// Every key of the window's translator, in table order; keys with a point are property paths.
const QList<TZybTranslation> translations = {
    {"rbUninstall.Caption", "Uninstall", "Деинсталировать"},
    {"rbInstall.Caption", "Install", "Установить"},
    {"pWelcome.Header.Title.Text", "Welcome", "Добро пожаловать"},
    {"pProgress.Header.Subtitle.Text", "Progress..", "Ход выполнения..."},
    {"pProgress.Header.Title.Text", "Final step", "Завершение установки"},
    {"pLicence.Header.Subtitle.Text", "License aggreement", "Лицензионное соглашение"},
    {"pLicence.Header.Title.Text", "Step 2", "Шаг 2"},
    {"pInstall.Header.Subtitle.Text", "Installation parameters", "Параметры установки"},
    {"pInstall.Header.Title.Text", "Step 3", "Шаг 3"},
    {"lPath.Caption", "Path", "Путь"},
    {"lMenu.Caption", "Menu", "Меню"},
    {"lContent.Caption", "Content", "Содержимое"},
    {"ZybWizard1.ButtonHelp.Caption", "&Help", "Справка"},
    {"ZybWizard1.ButtonCancel.Caption", "Cancel", "Отмена"},
    {"ZybWizard1.ButtonFinish.Caption", "&Finish", "Завершить"},
    {"ZybWizard1.ButtonNext.Caption", "&Next >", "Дальше >"},
    {"ZybWizard1.ButtonBack.Caption", "< &Back", "< Назад"},
    {"clbModules.Items", "Application\r\nHelp", "Приложение\r\nСправка"},
    {"cbLicence.Caption", "I agree", "Я согласен"},
    {"cbDesktopIcon.Caption", "Create desktop icon", "Создать ярлык на рабочем столе"},
    {"mModuleComments.Lines", "Application to create SQL-script installers.\r\nHelp.",
     "Приложение для создания программ-установщиков SQL-скриптов на MS SQL сервер.\r\nСправка"},
    {"ProjectInstalled", "%s successfully installed.", "%s успешно установлен."},
    {"ProjectUninstalled", "%s successfully uninstalled.", "%s успешно удален."},
    {"ProjectNotInstalled", "%s is not installed.", "%s не установлен."},
    {"ProjectCancelInstall", "Cancel %s installation?", "Отменить установку %s?"},
    {"ProjectUninstall", "Uninstall %s?", "Удалить %s?"},
    {"ProjectTitle", "%s installation", "Установка %s"},
    {"fileLicence", "licence", "lic_rus"},
    {"selectDir", "Select installation directory", "Выберите директорию установки"},
    {"percentInInstallDir", "The character '%' cannot be used in the installation folder.",
     "Символ '%' нельзя использовать в пути к папке установки."},
    {"VX_CANNOT_CREATE_FILE", "Cannot create file \"%s\". %s",
     "Не удается создать файл \"%s\". %s"},
    {"ZYB_NOTHING_OPENS", "no application could open it",
     "ни одно приложение не смогло его открыть"},
    {"ZYB_NO_OPENER", "no application could open it: xdg-open was not found; install xdg-utils",
     "ни одно приложение не смогло его открыть: не найден xdg-open; установите xdg-utils"},
    {"progressCreateDir", "Create dir..", "Создание директорий.."},
    {"progressCopyFiles", "Copy files..", "Копирование файлов.."},
    {"progressCreateReg", "Registry entries..", "Создание ключей реестра.."},
    {"progressDelReg", "delete register keys..", "Удаление ключей реестра.."},
    {"progressDelFiles", "delete files..", "Удаление файлов.."},
    {"progressSkipped", "Shortcut skipped: %s", "Ярлык пропущен: %s"},
    {"badInstallDir", "Please enter a full installation folder path.",
     "Укажите полный путь к папке установки."},
};

// The messages of the file routines and of help, translated by the window under these names.
const QList<std::pair<const TResStringRec*, const char*>> resourceStrings = {
    {&VX_CANNOT_CREATE_FILE, "VX_CANNOT_CREATE_FILE"},
    {&ZYB_NOTHING_OPENS, "ZYB_NOTHING_OPENS"},
    {&ZYB_NO_OPENER, "ZYB_NO_OPENER"},
};

constexpr TZybWizardButtonSet StepButtons{bkBack, bkNext, bkCancel, bkHelp};

// A page's header in the window's design: title and subtitle texts and fonts.
void designHeader(TZybWizardCustomPage* page, const QString& title, const QString& subtitle) {
    TZybWizardPageHeader* header = page->Header();
    header->SetColor(clWindow);
    header->SetHeight(70);
    header->Title()->SetText(title);
    header->Subtitle()->SetText(subtitle);
    header->Title()->StoredFont().setPixelSize(16);
    header->Title()->StoredFont().setBold(true);
    header->Subtitle()->StoredFont().setPixelSize(13);
    header->Subtitle()->StoredFont().setBold(false);
    page->Panel()->SetVisible(false);
}

// The widget at its place on the page; a size not given is the widget's own.
template <class T> T* placed(T* widget, int left, int top, int width = -1, int height = -1) {
    widget->move(left, top);
    const QSize size = widget->sizeHint();
    widget->resize(width < 0 ? size.width() : width, height < 0 ? size.height() : height);
    return widget;
}

} // namespace

TfvxInstall::TfvxInstall(vx::InstallerEnvironment env, const QStringList& arguments,
                         QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      m_env(std::move(env)) {
    setObjectName(QStringLiteral("fvxInstall"));
    setWindowTitle(QStringLiteral("%s installation"));
    setFixedSize(ClientWidth, ClientHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    buildWizard();
    buildWelcomePage();
    buildLicencePage();
    buildInstallPage();
    buildProgressPage();
    buildTranslator();
    fitCaptions();
    ZybWizard1->Loaded();
    cbLanguage->setFocus();
    vx::guarded([&] { FormCreate(arguments); });
}

TfvxInstall::~TfvxInstall() {
    // The licence and help copies served this window only; the folder goes once it is empty.
    for (const auto& [name, fileName] : m_tempCopies)
        vx::removeSetupCopy(name, fileName, m_env.resourceRoot);
    if (!TempDir.isEmpty())
        ::rmdir(QFile::encodeName(TempDir).constData());
}

void TfvxInstall::extractToTemp(const QString& name, const QString& fileName) {
    // Another installer that closed may have removed the shared folder: it is made again, private.
    if (!QFileInfo::exists(TempDir))
        if (const int error = vx::makePrivateFolder(TempDir))
            throw vx::Error(vx::cannotCreateText(TempDir, error));
    const std::pair<QString, QString> copy{name, fileName};
    if (!m_tempCopies.contains(copy))
        m_tempCopies.append(copy);
    vx::ExtractSetupFile(name, fileName, 0600, m_env.resourceRoot);
}

// ---- Layout ------------------------------------------------------------------------------------

void TfvxInstall::buildWizard() {
    ZybWizard1 = addComponent(new TZybWizard(this), QStringLiteral("ZybWizard1"));
    ZybWizard1->SetShowRouteMap(false);
    const struct {
        TZybWizardNavigateButton* button;
        const char* caption; // UTF-8
        int width;
    } buttons[] = {
        {ZybWizard1->ButtonBack(), "< &Back", NavigateButtonWidth},
        {ZybWizard1->ButtonNext(), "&Next >", NavigateButtonWidth},
        {ZybWizard1->ButtonFinish(), "&Finish", NavigateButtonWidth},
        {ZybWizard1->ButtonCancel(), "Cancel", NavigateButtonWidth},
        {ZybWizard1->ButtonHelp(), "&Help", NavigateButtonWidth},
        {ZybWizard1->ButtonStart(), "На П&ервую", 85},
        {ZybWizard1->ButtonLast(), "На П&оследнюю", 85},
    };
    for (const auto& b : buttons) {
        b.button->SetCaption(QString::fromUtf8(b.caption));
        b.button->SetWidth(b.width);
        b.button->SetNumGlyphs(1);
        b.button->SetLayout(TZybWizardButtonControl::blGlyphLeft);
    }
    ZybWizard1->ButtonCancel()->SetModalResult(2);

    ZybWizard1->OnSelectNextPage = [this](TZybWizard*, TZybWizardCustomPage* from,
                                          TZybWizardCustomPage*& to) {
        ZybWizard1SelectNextPage(from, to);
    };
    ZybWizard1->OnButtonClick(bkCancel) = [this](QObject*) { ZybWizard1CancelButtonClick(); };
    ZybWizard1->OnButtonClick(bkFinish) = [this](QObject*) { close(); };
    ZybWizard1->OnHelpButtonClick = [this](QObject*, bool& stop) {
        ZybWizard1HelpButtonClick(stop);
    };
}

void TfvxInstall::buildWelcomePage() {
    pWelcome = addComponent(new TZybWizardWelcomePage(ZybWizard1), QStringLiteral("pWelcome"));
    pWelcome->HelpContext = 1;
    designHeader(pWelcome, QStringLiteral("Welcome"), QStringLiteral("%s installation"));
    pWelcome->Header()->SetShowDivider(false);
    TZybWizardWaterMark* waterMark = pWelcome->WaterMark();
    waterMark->SetColor(clActiveCaption);
    waterMark->SetAlign(alLeft);
    waterMark->SetWidth(164);
    waterMark->SetBorderWidth(1);
    pWelcome->SetEnabledButtons(TZybWizardButtonSet::all().without(bkNext));
    pWelcome->SetVisibleButtons({bkNext, bkCancel, bkHelp});

    Label6 = addComponent(placed(new QLabel(QStringLiteral("Language"), pWelcome), 176, 88),
                          QStringLiteral("Label6"));
    cbLanguage = addComponent(placed(new QComboBox(pWelcome), LanguageLeft, 85, 145),
                              QStringLiteral("cbLanguage"));
    // Only the user's choice applies a language: filling the list changes the index from code.
    connect(cbLanguage, &QComboBox::activated, this,
            [this] { vx::guarded([this] { ApplyLanguage(); }); });
    Bevel1 =
        addComponent(placed(new QFrame(pWelcome), 176, 120, 297, 185), QStringLiteral("Bevel1"));
    Bevel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    rbInstall =
        addComponent(placed(new QRadioButton(QStringLiteral("Install"), pWelcome), 200, 136),
                     QStringLiteral("rbInstall"));
    rbUninstall =
        addComponent(placed(new QRadioButton(QStringLiteral("Uninstall"), pWelcome), 200, 264),
                     QStringLiteral("rbUninstall"));
    for (QRadioButton* button : {rbInstall, rbUninstall})
        connect(button, &QRadioButton::clicked, this, [this] { rbActionClick(); });
}

void TfvxInstall::buildLicencePage() {
    pLicence = addComponent(new TZybWizardInteriorPage(ZybWizard1), QStringLiteral("pLicence"));
    pLicence->HelpContext = 2;
    designHeader(pLicence, QStringLiteral("Step 2"), QStringLiteral("License aggreement"));
    pLicence->SetVisibleButtons(StepButtons);
    pLicence->OnEnterPage = [this](TZybWizardCustomPage*, TZybWizardCustomPage*) {
        pLicenceEnterPage();
    };

    mAgreement = addComponent(placed(new QPlainTextEdit(pLicence), 7, 77, 473, 212),
                              QStringLiteral("mAgreement"));
    mAgreement->setReadOnly(true);
    mAgreement->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    cbLicence = addComponent(placed(new QCheckBox(QStringLiteral("I agree"), pLicence), 10, 293),
                             QStringLiteral("cbLicence"));
    connect(cbLicence, &QCheckBox::toggled, this, [this] { cbLicenceClick(); });
}

void TfvxInstall::buildInstallPage() {
    pInstall = addComponent(new TZybWizardInteriorPage(ZybWizard1), QStringLiteral("pInstall"));
    pInstall->HelpContext = 3;
    designHeader(pInstall, QStringLiteral("Step 3"), QStringLiteral("Installation parameters"));
    pInstall->SetVisibleButtons(StepButtons);

    lContent = addComponent(placed(new QLabel(QStringLiteral("Content"), pInstall), 8, 80),
                            QStringLiteral("lContent"));
    clbModules = addComponent(
        placed(new QListWidget(pInstall), ControlColumn, 80, ModulesRight - ControlColumn, 81),
        QStringLiteral("clbModules"));
    for (const char* module : {"Application", "Help"}) {
        auto* item = new QListWidgetItem(QString::fromLatin1(module), clbModules);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
    }
    connect(clbModules, &QListWidget::currentRowChanged, this, [this] { ShowModuleComment(); });
    stModuleComment = addComponent(placed(new QLabel(pInstall), 248, 80, 201, 81),
                                   QStringLiteral("stModuleComment"));
    stModuleComment->setWordWrap(true);
    stModuleComment->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    mModuleComments = addComponent(new QPlainTextEdit(pInstall), QStringLiteral("mModuleComments"));
    mModuleComments->setLineWrapMode(QPlainTextEdit::NoWrap);
    mModuleComments->setPlainText(
        QStringLiteral("Application to create SQL-script installers.\nHelp."));
    mModuleComments->hide();

    lPath = addComponent(placed(new QLabel(QStringLiteral("Path"), pInstall), 8, 170),
                         QStringLiteral("lPath"));
    eInstallationDir =
        addComponent(placed(new QLineEdit(pInstall), ControlColumn, 170, EditRight - ControlColumn),
                     QStringLiteral("eInstallationDir"));
    sbInstallationDir =
        addComponent(placed(new QToolButton(pInstall), EditRight + BrowseGap, 168, 23, 22),
                     QStringLiteral("sbInstallationDir"));
    sbInstallationDir->setText(QStringLiteral("..."));
    connect(sbInstallationDir, &QToolButton::clicked, this,
            [this] { vx::guarded([this] { sbInstallationDirClick(); }); });
    lMenu = addComponent(placed(new QLabel(QStringLiteral("Menu"), pInstall), 8, 200),
                         QStringLiteral("lMenu"));
    eMenuDir =
        addComponent(placed(new QLineEdit(pInstall), ControlColumn, 200, EditRight - ControlColumn),
                     QStringLiteral("eMenuDir"));
    cbDesktopIcon =
        addComponent(placed(new QCheckBox(QStringLiteral("Create desktop icon"), pInstall),
                            ControlColumn, 232, DesktopIconRight - ControlColumn),
                     QStringLiteral("cbDesktopIcon"));
    cbDesktopIcon->setChecked(true);
}

void TfvxInstall::buildProgressPage() {
    pProgress = addComponent(new TZybWizardInteriorPage(ZybWizard1), QStringLiteral("pProgress"));
    pProgress->HelpContext = 5;
    designHeader(pProgress, QStringLiteral("Final step"), QStringLiteral("Progress.."));
    pProgress->SetVisibleButtons({bkFinish, bkHelp});
    pProgress->OnEnterPage = [this](TZybWizardCustomPage*, TZybWizardCustomPage*) {
        pProgressEnterPage();
    };
    mProgress = addComponent(placed(new QPlainTextEdit(pProgress), 8, 78, 474, 231),
                             QStringLiteral("mProgress"));
    mProgress->setReadOnly(true);
}

void TfvxInstall::buildTranslator() {
    Translator = addComponent(new TZybTranslator(this), QStringLiteral("Translator"));
    Translator->SwitchesQtLanguage = true;
    Translator->LoadTable(translations);
    for (const auto& [record, name] : resourceStrings)
        ZybResProc().AddResString(record, QString::fromLatin1(name));
    m_resStringHandler = std::make_unique<TZybLoadStringHandler>(
        [this](TZybResProc*, const QString& name, QString& text) {
            text = Translator->Translate(name, text);
        });
}

// ---- Start-up and language ---------------------------------------------------------------------

void TfvxInstall::FormCreate(const QStringList& arguments) {
    FillLanguages();
    ReadSystemSettings();
    ApplyLanguage();
    rbUninstall->setEnabled(Installed);
    if (!Installed) {
        rbInstall->setChecked(true);
        rbActionClick();
    }
    eInstallationDir->setText(ProgramFilesDir + u'/' + vx::ProductName);
    eMenuDir->setText(vx::ProductName);
    if (arguments.size() > 1 && arguments[1] == QLatin1String("-u")) {
        rbUninstall->setChecked(true);
        rbActionClick();
        ZybWizard1->SetActivePage(pProgress);
    }
}

void TfvxInstall::FillLanguages() {
    cbLanguage->clear();
    QStringList names;
    Translator->Languages.GetLanguageNames(names);
    cbLanguage->addItems(names);
    cbLanguage->setCurrentIndex(0);
    Translator->SetActiveLanguage(cbLanguage->currentIndex());
}

void TfvxInstall::ReadSystemSettings() {
    ProgramFilesDir = m_env.programsDir;
    CommonProgramsDir = m_env.menuRootDir;
    CommonDesktopDir = m_env.desktopDir;
    TempDir = m_env.tempDir;
    const vx::RegistryStore store(m_env.registryFile);
    const QString key = vx::uninstallKeyPath();
    Installed = store.valueExists(key, QStringLiteral("UninstallString"));
    // A language that the installer does not know is taken as the first one.
    const int saved = cbLanguage->findText(store.readString(key, QStringLiteral("Language")),
                                           Qt::MatchFixedString);
    cbLanguage->setCurrentIndex(std::max(saved, 0));
}

void TfvxInstall::ApplyLanguage() {
    Translator->SetActiveLanguage(cbLanguage->currentIndex());
    Translator->ApplyLanguage();
    fitCaptions();

    const QString name = Translator->GetText(QStringLiteral("fileLicence"));
    const QString licence = TempDir + name + QStringLiteral(".txt");
    extractToTemp(name, licence);
    QFile file(licence);
    file.open(QIODevice::ReadOnly);
    // The text's lines: a final line break ends the last line and adds none.
    QString text = QString::fromUtf8(file.readAll());
    if (text.endsWith(u'\n'))
        text.chop(text.endsWith(QLatin1String("\r\n")) ? 2 : 1);
    mAgreement->setPlainText(text);

    const QString title = FormatProjectText(QStringLiteral("ProjectTitle"));
    vx::setApplicationTitle(title);
    setWindowTitle(title);
    pWelcome->Header()->Subtitle()->SetText(title);

    // New module captions come unticked: both modules are chosen again.
    for (int i = 0; i < clbModules->count(); ++i)
        clbModules->item(i)->setCheckState(Qt::Checked);
    clbModules->setCurrentRow(0);
    ShowModuleComment();
    SaveLanguage();
}

void TfvxInstall::SaveLanguage() {
    try {
        vx::RegistryStore(m_env.registryFile)
            .writeValues(vx::uninstallKeyPath(),
                         {{QStringLiteral("Language"), cbLanguage->currentText()}});
    } catch (const vx::Error&) {
        // The language is only a preference: the installer works on without it.
    }
}

QString TfvxInstall::FormatProjectText(const QString& key) const {
    return vx::format(Translator->GetText(key), {vx::ProductName});
}

void TfvxInstall::ShowModuleComment() {
    const QStringList comments = mModuleComments->toPlainText().split(u'\n');
    const int selected = clbModules->currentRow();
    if (selected >= 0 && selected < comments.size())
        stModuleComment->setText(comments[selected]);
}

void TfvxInstall::fitCaptions() {
    const auto fit = [](QWidget* widget, int least = 0) {
        widget->resize(std::max(least, widget->sizeHint().width()), widget->height());
    };
    for (QWidget* caption : std::initializer_list<QWidget*>{Label6, rbInstall, rbUninstall,
                                                            cbLicence, lContent, lPath, lMenu})
        fit(caption);
    cbLanguage->move(std::max(LanguageLeft, Label6->geometry().right() + 1 + CaptionGap),
                     cbLanguage->y());

    const int column = std::max({ControlColumn, lContent->geometry().right() + 1 + CaptionGap,
                                 lPath->geometry().right() + 1 + CaptionGap,
                                 lMenu->geometry().right() + 1 + CaptionGap});
    clbModules->setGeometry(column, clbModules->y(), ModulesRight - column, clbModules->height());
    fit(sbInstallationDir, sbInstallationDir->width());
    sbInstallationDir->move(BrowseRight - sbInstallationDir->width(), sbInstallationDir->y());
    const int editRight = std::min(EditRight, sbInstallationDir->x() - BrowseGap);
    for (QLineEdit* edit : {eInstallationDir, eMenuDir})
        edit->setGeometry(column, edit->y(), editRight - column, edit->height());
    cbDesktopIcon->move(column, cbDesktopIcon->y());
    fit(cbDesktopIcon, DesktopIconRight - column);

    for (TZybWizardNavigateButton* button :
         {ZybWizard1->ButtonBack(), ZybWizard1->ButtonNext(), ZybWizard1->ButtonFinish(),
          ZybWizard1->ButtonCancel(), ZybWizard1->ButtonHelp()})
        button->SetWidth(std::max(NavigateButtonWidth, button->Control()->sizeHint().width()));
}

// ---- Navigation and buttons --------------------------------------------------------------------

void TfvxInstall::rbActionClick() {
    pWelcome->SetEnabledButtons(pWelcome->EnabledButtons().with(bkNext));
}

void TfvxInstall::pLicenceEnterPage() {
    cbLicence->setChecked(false);
    cbLicenceClick();
}

void TfvxInstall::cbLicenceClick() {
    const TZybWizardButtonSet buttons = pLicence->EnabledButtons();
    pLicence->SetEnabledButtons(cbLicence->isChecked() ? buttons.with(bkNext)
                                                       : buttons.without(bkNext));
}

void TfvxInstall::sbInstallationDirClick() {
    const QString current = eInstallationDir->text();
    const QString start = QFileInfo(current).isDir() ? current : QString();
    if (const auto folder =
            vx::prompter().chooseFolder(Translator->GetText(QStringLiteral("selectDir")), start))
        eInstallationDir->setText(*folder);
}

void TfvxInstall::ZybWizard1SelectNextPage(TZybWizardCustomPage* FromPage,
                                           TZybWizardCustomPage*& ToPage) {
    if (FromPage == pWelcome) {
        if (rbInstall->isChecked())
            ToPage = pLicence;
        else if (rbUninstall->isChecked())
            ToPage = pProgress;
    } else if (FromPage == pInstall) {
        // A folder that the installation would refuse keeps the user on this page.
        vx::checkInstallFolders(choices(),
                                [this](const QString& key) { return Translator->GetText(key); });
    }
}

void TfvxInstall::ZybWizard1CancelButtonClick() {
    if (AskOkCancel(FormatProjectText(QStringLiteral("ProjectCancelInstall"))))
        close();
}

void TfvxInstall::ZybWizard1HelpButtonClick(bool& Stop) {
    const QString help = TempDir + vx::installed::HelpFolder;
    extractToTemp(QStringLiteral("vxhelp"), help);
    ShowHtmlHelp(help, QString());
    Stop = true;
}

// ---- The actions -------------------------------------------------------------------------------

void TfvxInstall::pProgressEnterPage() {
    // The action starts once the progress page shows and the event loop runs.
    QMetaObject::invokeMethod(
        this, [this] { vx::guarded([this] { WMStartAction(); }); }, Qt::QueuedConnection);
}

void TfvxInstall::WMStartAction() {
    // A window closed before the queued start (a termination signal) starts nothing.
    if (!isVisible())
        return;
    if (rbInstall->isChecked())
        InstallProduct();
    else if (rbUninstall->isChecked())
        UninstallProduct();
}

vx::InstallChoices TfvxInstall::choices() const {
    vx::InstallChoices result;
    result.installationDir = eInstallationDir->text();
    result.menuDir = eMenuDir->text();
    result.application = clbModules->item(0)->checkState() == Qt::Checked;
    result.help = clbModules->item(1)->checkState() == Qt::Checked;
    result.desktopIcon = cbDesktopIcon->isChecked();
    result.languageIndex = cbLanguage->currentIndex();
    result.language = cbLanguage->currentText();
    return result;
}

void TfvxInstall::addProgressLine(const QString& line) {
    mProgress->appendPlainText(line);
}

void TfvxInstall::InstallProduct() {
    mProgress->clear();
    vx::Installation(
        m_env, [this](const QString& key) { return Translator->GetText(key); },
        [this](const QString& line) { addProgressLine(line); })
        .run(choices());
    const QString done = FormatProjectText(QStringLiteral("ProjectInstalled"));
    addProgressLine(done);
    ShowInfo(done);
    close();
}

void TfvxInstall::UninstallProduct() {
    mProgress->clear();
    vx::Uninstallation uninstallation(
        m_env, [this](const QString& key) { return Translator->GetText(key); },
        [this](const QString& line) { addProgressLine(line); });
    // The record as it is now: another installer may have uninstalled since this one started,
    // or does so while the question is open, which run() sees.
    Installed = uninstallation.installed();
    if (Installed && !AskOkCancel(FormatProjectText(QStringLiteral("ProjectUninstall")))) {
        close();
        return;
    }
    const bool uninstalled = Installed && uninstallation.run();
    ShowInfo(FormatProjectText(uninstalled ? QStringLiteral("ProjectUninstalled")
                                           : QStringLiteral("ProjectNotInstalled")));
    close();
}
