// The main window as a whole: its tool bar and pages, the settings page's run options, the
// translator's table, start-up and end, the language menu, help and the about box.

#include "ufVornalex.h"

#include "DataAccess.h"
#include "Guard.h"
#include "ProgramPath.h"
#include "Prompter.h"
#include "RadioGroup.h"
#include "ScriptExecutors.h"
#include "SettingsPath.h"
#include "ThemeIcon.h"
#include "crfLogin.h"
#include "uTZybStorage.h"
#include "uTZybTranslator.h"
#include "uTZybVersionDialog.h"
#include "uZybUtils.h"
#include "ufEditNamedObject.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QSpinBox>
#include <QStyle>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include <limits>

namespace {

// Every key of the window's translator, in table order. Keys that name no component of the window
// (the label keys, lConnect.Caption, completed, interrupted, failed, ask_continue,
// EnterConnectionName) change nothing on the window.
const QList<TZybTranslation> translations = {
    {"tsSettings.Caption", "Settings", "Настройки"},
    {"tsScript.Caption", "Script", "Скрипт"},
    {"Label5.Caption", "Connections", "Подсоединения"},
    {"Label4.Caption", "Options", "Параметры"},
    {"Label3.Caption", "Timeouts", "Таймауты"},
    {"Label1.Caption", "Script", "Скрипт"},
    {"ZybVersionDialog.AboutDlgCaption", "About", "О программе"},
    {"ZybVersionDialog.CompanyNameCaption", "Company", "Компания"},
    {"ZybVersionDialog.DlgVersionPageCaption", "Version Info", "Информация о версии"},
    {"ZybVersionDialog.FileDescriptionCaption", "Description", "Описание"},
    {"ZybVersionDialog.FileVersionCaption", "File version", "Версия файла"},
    {"ZybVersionDialog.Link", "https://vornalex.example.org", "https://vornalex.example.org/ru"},
    {"ZybVersionDialog.LinkCaption", "Web site", "Веб-сайт"},
    {"ZybVersionDialog.ProductNameCaption", "Product name", "Название продукта"},
    {"ZybVersionDialog.ProductVersionCaption", "Product version", "Версия продукта"},
    {"gbOnError.Caption", "On error", "При ошибке"},
    {"gbOnError.Items", "Ask\nStop\nContinue", "Спрашивать\nПрерывать\nПродолжать"},
    {"cbPrintMessages.Caption", "Output results and messages", "Выводить сообщения и результаты"},
    {"cbCheckDBO.Caption", "Check db_owner or db_ddladmin + db_securityadmin rights",
     "Проверка на db_owner или db_ddladmin + db_securityadmin"},
    {"aScriptSave.Caption", "Save script as...", "Сохранить скрипт как..."},
    {"aScriptOpen.Caption", "Open script...", "Открыть скрипт..."},
    {"aHelp.Hint", "Help", "Справка"},
    {"aExecute.Hint", "Execute", "Выполнить"},
    {"aAbout.Hint", "About", "О программе"},
    {"WP_SCRIPT_IS_EMPTY", "No script.", "Не задан скрипт."},
    {"WP_FILE_SAVED", "File \"%s\" saved.", "Файл \"%s\" сохранен."},
    {"ZybVersionDialog.MailCaption", "E-Mail", "Эл. почта"},
    {"lConnect.Caption", "Connections", "Подсоединения"},
    {"tsResults.Caption", "Results", "Результаты"},
    {"cbAutoConnect.Caption", "Auto connect", "Автоматически подсоединяться"},
    {"completed", "Completed.", "Завершено."},
    {"interrupted", "Interrupted.", "Прервано."},
    {"lCommandTimeout.Caption", "Command timeout", "Таймаут команды"},
    {"lConnectionTimeout.Caption", "Connection timeout", "Таймаут подсоединения"},
    {"failed", "failed", "не пройдена"},
    {"ask_continue", "Continue?", "Продолжить?"},
    {"aStop.Caption", "Stop", "Остановить"},
    {"aStop.Hint", "Stop", "Остановить"},
    {"aExecute.Caption", "Execute", "Выполнить"},
    {"aConnectAdd.Hint", "Add connection", "Добавить подсоединение"},
    {"aConnectDelete.Hint", "Delete connection", "Удалить подсоединение"},
    {"aConnectDuplicate.Hint", "Copy connection", "Копировать подсоединение"},
    {"aConnectEdit.Hint", "Edit connection", "Редактировать подсоединение"},
    {"aConnectMoveBottom.Hint", "Down", "Вниз"},
    {"aConnectMoveTop.Hint", "Up", "Вверх"},
    {"allResults", "All results", "Все результаты"},
    {"cbParallel.Caption", "Execute parallel", "Выполнять параллельно"},
    {"lvConnections.Columns.Items[0].Caption", "Name", "Название"},
    {"lvConnections.Columns.Items[1].Caption", "Server", "Сервер"},
    {"lvConnections.Columns.Items[2].Caption", "DB", "БД"},
    {"lvConnections.Columns.Items[3].Caption", "User", "Пользователь"},
    {"lvConnections.Columns.Items[4].Caption", "Password", "Пароль"},
    {"lvConnections.Columns.Items[5].Caption", "Windows auth", "Авторизация Windows"},
    {"EnterConnectionName", "Enter connection name:", "Введите название подсоединения:"},
    {"aListLoad.Caption", "Load list", "Загрузить список"},
    {"aListSave.Caption", "Save list as..", "Сохранить список как.."},
    {"aListSave.Hint", "Save list as..", "Сохранить список как.."},
    {"aListLoad.Hint", "Load list", "Загрузить список"},
    {"aTools.Hint", "Tools", "Инструменты"},
    {"aToolsConfigure.Hint", "Configure Tools...", "Настроить инструменты..."},
    {"aToolsConfigure.Caption", "Configure Tools...", "Настроить инструменты..."},
    {"aToolsConfigure.DialogText",
     "Configure tools to work with servers:", "Настройте приложения для работы с серверами:"},
    {"aToolsConfigure.DialogCaption", "Configure Tools", "Настроить инструменты"},
    {"aToolsConfigure.NamedObjectTitle", "Tool", "Приложение"},
    {"ZYB_NEW", "new", "создать"},
    {"ZYB_EDIT", "edit", "редактировать"},
    {"ZYB_NAMEDOBJECT_EDIT_TEXT", "Enter %s properties:", "Введите свойства записи (%s):"},
    {"ZYB_NAMEDOBJECT_CAPTION", "Name", "Название"},
    {"ZYB_NAMEDOBJECT_ERROR_EMPTYNAME", "Name cannot be empty.", "Название должно быть задано."},
    {"vleTool.TitleCaptions", "Key\nValue", "Ключ\nЗначение"},
    {"vleTool.Strings", "Application=\nparams=\nparams (Trust Connection)=",
     "Приложение=\nПараметры=\nПараметры (логин Windows)="},
    {"VX_CHOOSE_SERVER", "Choose connection.", "Выберите подсоединение."},
    {"aEditConnection.DialogCaption", "Connection", "Подсоединение"},
    {"aEditConnection.DialogText",
     "Enter connection properties:", "Введите свойства подсоединения:"},
    {"VX_DELETE_CONNECTION", "Delete connecions (%d)?", "Удалить подсоединения (%d)?"},
    {"cbTabDelimiter.Caption", "Column delimiter Tab", "Разделитель результатов Tab"},
    {"WP_NO_CHECKED_CONNECTIONS", "No checked connections.", "Нет выбранных подсоединений."},
    {"aConnectFind.Hint", "Find connection..", "Найти подсоединение.."},
    {"aConnectCheck.Hint", "Set connnections checked/unchecked", "Поставить/убрать отметку"},
    {"cbNoRecords.Caption", "No records", "Выполнить без результатов"},
    {"cbNoRecords.Hint",
     "This flag sets no records are returned. In this case we can get print messages (first in "
     "every batch). It is ADO-feature",
     "Установливая этот признак, отменяется получение результатов запроса с сервера, но "
     "появляется возможность вывода сообщений от оператора print (первого в каждом блоке-batch). "
     "Особенность ADO."},
    {"lScriptExecutor.Caption", "Script executor", "Исполнитель скрипта"},
    {"Internal", "Internal", "Внутренний"},
    {"WP_SCRIPT_CHANGES_ON_SAVE",
     "The file \"%s\" will not be saved back exactly as it was read: %s.",
     "Файл \"%s\" не будет сохранен в точности таким, каким был прочитан: %s."},
    {"WP_MIXED_LINE_ENDS", "its line ends are mixed, and a save writes each as %s",
     "в нем смешаны разные концы строк, и при сохранении каждый будет записан как %s"},
    {"WP_PARAGRAPH_SEPARATORS",
     "it holds paragraph separators (U+2029, U+FDD0 or U+FDD1), which the editor shows and a save "
     "writes as line ends",
     "в нем есть разделители абзацев (U+2029, U+FDD0 или U+FDD1), которые редактор показывает, а "
     "при сохранении записывает как концы строк"},
    {"ZYB_NOTHING_OPENS", "no application could open it",
     "ни одно приложение не смогло его открыть"},
    {"ZYB_NO_OPENER", "no application could open it: xdg-open was not found; install xdg-utils",
     "ни одно приложение не смогло его открыть: не найден xdg-open; установите xdg-utils"},
};

// The window's messages, registered under their names in this order.
const QList<std::pair<const TResStringRec*, const char*>> resourceStrings = {
    {&WP_SCRIPT_IS_EMPTY, "WP_SCRIPT_IS_EMPTY"},
    {&WP_NO_CHECKED_CONNECTIONS, "WP_NO_CHECKED_CONNECTIONS"},
    {&WP_FILE_SAVED, "WP_FILE_SAVED"},
    {&VX_DELETE_CONNECTION, "VX_DELETE_CONNECTION"},
    {&ZYB_NAMEDOBJECT_EDIT_CAPTION, "ZYB_NAMEDOBJECT_EDIT_CAPTION"},
    {&ZYB_NAMEDOBJECT_EDIT_TEXT, "ZYB_NAMEDOBJECT_EDIT_TEXT"},
    {&ZYB_EDIT, "ZYB_EDIT"},
    {&ZYB_NEW, "ZYB_NEW"},
    {&ZYB_NAMEDOBJECT_CAPTION, "ZYB_NAMEDOBJECT_CAPTION"},
    {&ZYB_NAMEDOBJECT_ERROR_EMPTYNAME, "ZYB_NAMEDOBJECT_ERROR_EMPTYNAME"},
    {&VX_CHOOSE_SERVER, "VX_CHOOSE_SERVER"},
    {&WP_SCRIPT_CHANGES_ON_SAVE, "WP_SCRIPT_CHANGES_ON_SAVE"},
    {&WP_MIXED_LINE_ENDS, "WP_MIXED_LINE_ENDS"},
    {&WP_PARAGRAPH_SEPARATORS, "WP_PARAGRAPH_SEPARATORS"},
    {&ZYB_NOTHING_OPENS, "ZYB_NOTHING_OPENS"},
    {&ZYB_NO_OPENER, "ZYB_NO_OPENER"},
};

const QString internalExecutor = QStringLiteral("Internal");

} // namespace

TfVornalex::TfVornalex(QWidget* owner) : QMainWindow(owner), cLogin(vx::createConnection()) {
    setObjectName(QStringLiteral("fVornalex"));
    resize(435, 626);
    move(screen()->availableGeometry().center() - rect().center());

    // Each concern's actions exist before the tool bars and pages that show them are laid out.
    buildMainWindow();
    buildResultsPage();
    buildScriptPage();
    buildTools();
    buildSettingsFile();
    buildSettingsPage();
    buildToolBar();
    buildTranslator();
    FormCreate();
}

TfVornalex::~TfVornalex() {
    FormDestroy();
}

void TfVornalex::FormCreate() {
    pc->setCurrentWidget(tsSettings);
    setWindowTitle(vx::applicationTitle());

    m_resStringHandler = std::make_unique<TZybLoadStringHandler>(
        [this](TZybResProc* sender, const QString& name, QString& text) {
            TranslateResString(sender, name, text);
        });
    for (const auto& [record, name] : resourceStrings)
        ZybResProc().AddResString(record, QString::fromLatin1(name));

    ScriptDir = vx::programFolder() + QLatin1Char('/');
    ZybStorage->IniFile = vx::settingsFilePath(vx::programFilePath());
    FillScriptExecutors();

    ZybTranslator->OnLanguageChange = [this](QObject* sender) {
        ZybTranslatorLanguageChange(sender);
    };
    // Called once the file is open: a file that cannot be read never gets here.
    ZybStorage->BeforeReadIni = [this](TZybStorage*, vx::IniFile&) { m_settingsRead = true; };
    vx::guarded([this] { ZybStorage->ReadIni(); });
    if (!m_settingsRead) {
        // The language still applies, as reading it would have applied it.
        ZybTranslator->SetActiveLanguage(ZybTranslator->GetActiveLanguage());
    }

    QMetaObject::invokeMethod(this, &TfVornalex::WMUser, Qt::QueuedConnection);
    ToolsIniPath = vx::programFolder() + QStringLiteral("vxTools.ini");
}

void TfVornalex::FormDestroy() {
    vx::guarded([this] { WriteSettingsFile(); });
}

void TfVornalex::TranslateResString(TZybResProc*, const QString& Name, QString& Text) {
    Text = ZybTranslator->Translate(Name, Text);
}

void TfVornalex::FillScriptExecutors() {
    cbScriptExecutor->clear();
    cbScriptExecutor->addItem(ZybTranslator->Translate(internalExecutor, internalExecutor));
    for (const vx::ScriptExecutor& executor : vx::findScriptExecutors())
        cbScriptExecutor->addItem(executor.caption, executor.program);
}

void TfVornalex::ZybTranslatorLanguageChange(QObject*) {
    ZybTranslator->ApplyLanguage();
    // The language's plain "Script" would hide the file's name and the mark.
    UpdateScriptCaption(ScriptModified);
    const int index = cbScriptExecutor->currentIndex();
    cbScriptExecutor->setItemText(0, ZybTranslator->Translate(internalExecutor, internalExecutor));
    cbScriptExecutor->setCurrentIndex(index < 0 ? 0 : index);
}

void TfVornalex::aLanguageExecute() {
    ppmLanguage->clear();
    QStringList names;
    ZybTranslator->Languages.GetLanguageNames(names);
    const QString active = ZybTranslator->GetActiveLanguageName();
    for (const QString& name : names) {
        QAction* item = ppmLanguage->addAction(name);
        // The name travels as data: a style may add accelerators to the caption.
        item->setData(name);
        item->setCheckable(true);
        item->setChecked(name == active);
        connect(item, &QAction::triggered, this,
                [this, item] { vx::guarded([this, item] { LanguageMenuClick(item); }); });
    }
    ppmLanguage->popup(QCursor::pos());
}

void TfVornalex::LanguageMenuClick(QAction* item) {
    ZybTranslator->SetLanguageByName(item->data().toString());
}

void TfVornalex::aHelpExecute() {
    const QString language = ZybTranslator->GetActiveLanguageName();
    ShowHtmlHelp(vx::programFilePath() + QStringLiteral(".help"),
                 language.isEmpty() ? QString() : language + QStringLiteral(".htm"));
}

void TfVornalex::aAboutExecute() {
    ZybVersionDialog->Execute();
}

void TfVornalex::buildMainWindow() {
    pc = addComponent(new QTabWidget(this), QStringLiteral("pc"));
    tsSettings = addComponent(new QWidget(pc), QStringLiteral("tsSettings"));
    tsScript = addComponent(new QWidget(pc), QStringLiteral("tsScript"));
    tsResults = addComponent(new QWidget(pc), QStringLiteral("tsResults"));
    pc->addTab(tsSettings, QStringLiteral("Настройки"));
    pc->addTab(tsScript, QStringLiteral("Скрипт"));
    pc->addTab(tsResults, QStringLiteral("Результаты"));
    setCentralWidget(pc);

    ZybTranslator = addComponent(new TZybTranslator(this), QStringLiteral("ZybTranslator"));
    ZybTranslator->SwitchesQtLanguage = true;
    ZybStorage = addComponent(new TZybStorage(this), QStringLiteral("ZybStorage"));
    ZybStorage->IniSection = QStringLiteral("main");
    ZybVersionDialog =
        addComponent(new TZybVersionDialog(this), QStringLiteral("ZybVersionDialog"));
    ZybVersionDialog->SetVersionInfo({viCompanyName, viFileVersion, viComments});
    ZybVersionDialog->SetDialogHeight(250);
    ZybVersionDialog->SetLinkVisible(true);
    ZybVersionDialog->SetMail(QStringLiteral("vornalex@example.org"));
    ZybVersionDialog->SetPicture(QPixmap(QStringLiteral(":/pictures/about.gif")));
    ppmLanguage = addComponent(new QMenu(this), QStringLiteral("ppmLanguage"));

    Login = new TfCrfLogin(this);
    Login->Connection = cLogin.get();
    Login->hide();
}

void TfVornalex::buildToolBar() {
    const QStyle* s = style();
    aLanguage = addComponent(
        new QAction(vx::themeIcon("preferences-desktop-locale", QStyle::SP_DesktopIcon, s),
                    QString(), this),
        QStringLiteral("aLanguage"));
    aLanguage->setToolTip(QStringLiteral("Language"));
    aHelp = addComponent(new QAction(vx::themeIcon("help-contents", QStyle::SP_DialogHelpButton, s),
                                     QString(), this),
                         QStringLiteral("aHelp"));
    aHelp->setToolTip(QStringLiteral("Справка"));
    aAbout =
        addComponent(new QAction(vx::themeIcon("help-about", QStyle::SP_MessageBoxInformation, s),
                                 QString(), this),
                     QStringLiteral("aAbout"));
    aAbout->setToolTip(QStringLiteral("О программе"));
    const auto handle = [this](QAction* action, void (TfVornalex::*handler)()) {
        connect(action, &QAction::triggered, this,
                [this, handler] { vx::guarded([this, handler] { (this->*handler)(); }); });
    };
    handle(aLanguage, &TfVornalex::aLanguageExecute);
    handle(aHelp, &TfVornalex::aHelpExecute);
    handle(aAbout, &TfVornalex::aAboutExecute);

    ActionToolBar2 = addComponent(new QToolBar(this), QStringLiteral("ActionToolBar2"));
    ActionToolBar2->setMovable(false);
    // At least the stored height; more where the style's buttons need it for icon and caption.
    ActionToolBar2->setMinimumHeight(34);
    ActionToolBar2->setIconSize(QSize(24, 24));
    ActionToolBar2->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    ActionToolBar2->addSeparator();
    ActionToolBar2->addAction(aExecute);
    ActionToolBar2->addAction(aStop);
    ActionToolBar2->addSeparator();
    ActionToolBar2->addAction(aLanguage);
    ActionToolBar2->addAction(aHelp);
    ActionToolBar2->addAction(aAbout);
    addToolBar(Qt::TopToolBarArea, ActionToolBar2);
}

void TfVornalex::buildSettingsPage() {
    auto* page = new QVBoxLayout(tsSettings);
    page->setContentsMargins(8, 0, 8, 8);
    page->addWidget(buildConnectionList(), 1);

    gbOnError = addComponent(new vx::RadioGroup(tsSettings), QStringLiteral("gbOnError"));
    gbOnError->setTitle(QStringLiteral("При ошибке"));
    gbOnError->setColumns(3);
    gbOnError->setItems(
        {QStringLiteral("Спрашивать"), QStringLiteral("Прерывать"), QStringLiteral("Продолжать")});
    gbOnError->setItemIndex(0);
    page->addWidget(gbOnError);

    const auto label = [this](const char* name, const char* text) {
        return addComponent(new QLabel(QString::fromUtf8(text), tsSettings),
                            QString::fromLatin1(name));
    };
    const auto spin = [this](const char* name, int value) {
        auto* edit = addComponent(new QSpinBox(tsSettings), QString::fromLatin1(name));
        edit->setRange(0, std::numeric_limits<int>::max());
        edit->setValue(value);
        return edit;
    };
    const auto check = [this](const char* name, const char* text, bool checked) {
        auto* box = addComponent(new QCheckBox(QString::fromUtf8(text), tsSettings),
                                 QString::fromLatin1(name));
        box->setChecked(checked);
        return box;
    };

    lScriptExecutor = label("lScriptExecutor", "Script Executor");
    cbScriptExecutor = addComponent(new QComboBox(tsSettings), QStringLiteral("cbScriptExecutor"));
    lConnectionTimeout = label("lConnectionTimeout", "Connection timeout");
    seConnectionTimeout = spin("seConnectionTimeout", 15);
    lCommandTimeout = label("lCommandTimeout", "Command timeout");
    seCommandTimeout = spin("seCommandTimeout", 30);
    lParallel = label("lParallel", "Кол-во потоков");
    seParallelCount = spin("seParallelCount", 5);
    lParallel->hide();
    seParallelCount->hide();

    auto* values = new QGridLayout;
    values->addWidget(lScriptExecutor, 0, 0);
    values->addWidget(cbScriptExecutor, 0, 1);
    values->addWidget(lConnectionTimeout, 1, 0);
    values->addWidget(seConnectionTimeout, 1, 1);
    values->addWidget(lCommandTimeout, 2, 0);
    values->addWidget(seCommandTimeout, 2, 1);
    values->addWidget(lParallel, 3, 0);
    values->addWidget(seParallelCount, 3, 1);
    values->setColumnStretch(1, 1);
    page->addLayout(values);

    cbParallel = check("cbParallel", "Выполнять параллельно", false);
    cbNoRecords = check("cbNoRecords", "No records", false);
    cbNoRecords->setToolTip(QStringLiteral("This flag sets no records are returned. In this case "
                                           "we can get print messages."));
    cbPrintMessages = check("cbPrintMessages", "Выводить сообщения и результаты", true);
    cbAutoConnect = check("cbAutoConnect", "Автоматически подсоединяться", true);
    cbAutoConnect->hide();
    cbCheckDBO =
        check("cbCheckDBO", "Проверка на db_owner или db_ddladmin + db_securityadmin", false);
    cbTabDelimiter = check("cbTabDelimiter", "Разделитель результатов Tab", false);
    for (QCheckBox* box :
         {cbParallel, cbNoRecords, cbPrintMessages, cbAutoConnect, cbCheckDBO, cbTabDelimiter})
        page->addWidget(box);
}

void TfVornalex::buildTranslator() {
    ZybTranslator->LoadTable(translations);
}
