// The main window as a whole: its tool bar and pages, the settings page's run options, the
// translator's table, start-up and end, the language menu, help and the about box.

#include "ufVornalex.h"

#include "DataAccess.h"
#include "RadioGroup.h"
#include "ThemeIcon.h"
#include "crfLogin.h"
#include "uTZybStorage.h"
#include "uTZybTranslator.h"
#include "uTZybVersionDialog.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QMenu>
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
};

} // namespace

TfVornalex::TfVornalex(QWidget* owner) : QMainWindow(owner), cLogin(vx::createConnection()) {
    setObjectName(QStringLiteral("fVornalex"));
    resize(435, 626);

    // Each concern's actions exist before the tool bars and pages that show them are laid out.
    buildMainWindow();
    buildResultsPage();
    buildScriptPage();
    buildTools();
    buildSettingsFile();
    buildSettingsPage();
    buildToolBar();
    buildTranslator();
}

TfVornalex::~TfVornalex() = default;

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

    ActionToolBar2 = addComponent(new QToolBar(this), QStringLiteral("ActionToolBar2"));
    ActionToolBar2->setMovable(false);
    ActionToolBar2->setFixedHeight(34);
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
