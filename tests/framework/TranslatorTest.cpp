#include "ErrorText.h"
#include "FindDialog.h"
#include "Form.h"
#include "QtLanguage.h"
#include "QtTexts.h"
#include "RadioGroup.h"
#include "uTZybTranslator.h"
#include "uZybDesignUtils.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace logintest {

const QList<TZybTranslation> loginTable = {
    {"Label4.Caption", "Password", "Пароль"},
    {"Label3.Caption", "User", "Пользователь"},
    {"Label2.Caption", "Database", "База"},
    {"Label1.Caption", "Server", "Сервер"},
    {"cbTrustConnection.Caption", "Trust Connection", "Использовать логин Windows"},
    {"bOk.Caption", "Ok", "Ok"},
    {"bCancel.Caption", "Cancel", "Отмена"},
    {"TfCrfLogin.Caption", "Login", "Подсоединение к серверу"},
};

// The login window's components, built in code.
class TfCrfLogin : public QDialog, public vx::Form {
    Q_OBJECT
public:
    explicit TfCrfLogin(QWidget* parent = nullptr) : QDialog(parent) {
        for (const char* name : {"Label1", "Label2", "Label3", "Label4"})
            addComponent(new QLabel(this), name);
        for (const char* name : {"eServer", "eUser", "ePassword"})
            addComponent(new QLineEdit(this), name);
        addComponent(new QComboBox(this), "eDB");
        cbTrustConnection = addComponent(new QCheckBox(this), "cbTrustConnection");
        addComponent(new QPushButton(this), "bOk");
        addComponent(new QPushButton(this), "bCancel");
        Translator = addComponent(new TZybTranslator(this), "Translator");
        Translator->LoadTable(loginTable);
        Translator->SetActiveLanguage(1);
    }

    QCheckBox* cbTrustConnection;
    TZybTranslator* Translator;
};

// A sub-object chain like a wizard page's Header.Title.Text.
class Title : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString Text MEMBER Text)
public:
    using QObject::QObject;
    QString Text;
};

class Header : public QObject {
    Q_OBJECT
    Q_PROPERTY(Title* Title MEMBER m_title)
    Q_PROPERTY(Title* Subtitle MEMBER m_subtitle)
public:
    using QObject::QObject;
    Title* m_title = new Title(this);
    Title* m_subtitle = nullptr;
};

class Page : public QWidget {
    Q_OBJECT
    Q_PROPERTY(Header* Header MEMBER m_header)
public:
    using QWidget::QWidget;
    Header* m_header = new Header(this);
};

// A main window with a list view, a radio group, a wizard-like page and an embedded login form.
class TfMain : public QWidget, public vx::Form {
    Q_OBJECT
public:
    TfMain() {
        label = addComponent(new QLabel(this), "Label5");
        tree = addComponent(new QTreeWidget(this), "lvConnections");
        tree->setColumnCount(6);
        group = addComponent(new vx::RadioGroup(this), "gbOnError");
        group->setItems({"Спрашивать", "Прерывать", "Продолжать"});
        group->setItemIndex(2);
        page = addComponent(new Page(this), "pWelcome");
        login = addComponent(new TfCrfLogin(this), "Login");
    }

    QLabel* label;
    QTreeWidget* tree;
    vx::RadioGroup* group;
    Page* page;
    TfCrfLogin* login;
};

QStringList loginTexts(TfCrfLogin& form) {
    QStringList texts;
    for (const char* name : {"Label4", "Label3", "Label2", "Label1"})
        texts.append(qobject_cast<QLabel*>(form.findComponent(name))->text());
    texts.append(form.cbTrustConnection->text());
    for (const char* name : {"bOk", "bCancel"})
        texts.append(qobject_cast<QPushButton*>(form.findComponent(name))->text());
    texts.append(form.windowTitle());
    return texts;
}

QStringList tableColumn(const char* TZybTranslation::*column) {
    QStringList texts;
    for (const TZybTranslation& row : loginTable)
        texts.append(QString::fromUtf8(row.*column));
    return texts;
}

TEST(Translator, AppliesEveryTextOfTheLoginFormAndBack) {
    TfCrfLogin form;
    form.Translator->SetLanguageByName("English");
    form.Translator->ApplyLanguage();
    EXPECT_EQ(loginTexts(form), tableColumn(&TZybTranslation::English));
    form.Translator->SetLanguageByName("Russian");
    form.Translator->ApplyLanguage();
    EXPECT_EQ(loginTexts(form), tableColumn(&TZybTranslation::Russian));
    form.Translator->SetActiveLanguage(0);
    form.Translator->ApplyLanguage();
    EXPECT_EQ(loginTexts(form), tableColumn(&TZybTranslation::English));
}

TEST(Translator, LooksUpKeysWithoutRegardToCaseFirstOneFirst) {
    TfCrfLogin form;
    TZybTranslator& t = *form.Translator;
    t.Items = {"Connected", "a", "A"};
    t.Languages.GetItem(0).Lines = {"Connected!", "x", "y"};
    t.Languages.GetItem(1).Lines = {"Подсоединение произведено"};
    t.SetActiveLanguage(0);
    EXPECT_EQ(t.Translate("connected", "d"), "Connected!");
    EXPECT_EQ(t.Translate("A", "d"), "x");
    EXPECT_EQ(t.Translate("nokey", "dflt"), "dflt");
    EXPECT_EQ(t.GetText("nokey"), "");
    // A language short of lines gives the default for the missing ones.
    t.SetActiveLanguage(1);
    EXPECT_EQ(t.Translate("connected", "d"), "Подсоединение произведено");
    EXPECT_EQ(t.Translate("a", "d"), "d");
}

TEST(Translator, QtsOwnTextsFollowOnlyATranslatorThatSwitchesThem) {
    const auto english = qScopeGuard([] { vx::useQtLanguage("English"); });
    TfCrfLogin form;
    TZybTranslator& t = *form.Translator;
    const QDialogButtonBox open(QDialogButtonBox::Cancel);
    const vx::FindDialog find;
    QStringList seen;
    const auto look = [&] { seen << vx::test::qtCancelText(); };
    t.OnLanguageChange = [&](QObject*) { look(); };
    t.SetLanguageByName("Russian"); // a window's translator leaves Qt alone
    t.SwitchesQtLanguage = true;
    t.SetLanguageByName("Russian");
    QCoreApplication::processEvents(); // an open window retranslates at the event loop's turn
    seen << open.button(QDialogButtonBox::Cancel)->text() << find.windowTitle();
    t.SetLanguageByName("English");
    QCoreApplication::processEvents();
    seen << find.windowTitle();
    t.SetLanguageByName("Russian");
    t.SetActiveLanguage(5); // no language: Qt's own English
    EXPECT_EQ(seen, (QStringList{"Cancel", "Отмена", "Отмена", "Найти", "Cancel", "Find", "Отмена",
                                 "Cancel"}));
}

TEST(Translator, ActiveLanguageByIndexAndName) {
    TfCrfLogin form;
    TZybTranslator& t = *form.Translator;
    int events = 0;
    t.OnLanguageChange = [&](QObject* sender) {
        EXPECT_EQ(sender, &t);
        ++events;
    };
    t.SetActiveLanguage(0);
    t.SetActiveLanguage(0);
    EXPECT_EQ(events, 2);
    EXPECT_EQ(t.GetActiveLanguageName(), "English");

    t.SetLanguageByName("russian");
    EXPECT_EQ(events, 2);
    EXPECT_EQ(t.GetActiveLanguage(), 0);
    t.SetLanguageByName("Russian");
    EXPECT_EQ(events, 3);
    EXPECT_EQ(t.property("ActiveLanguage").toInt(), 1);

    // An index out of range: no language, default texts, and applying changes nothing.
    form.setWindowTitle("Login");
    t.SetActiveLanguage(5);
    EXPECT_EQ(events, 4);
    EXPECT_EQ(t.GetActiveLanguage(), -1);
    EXPECT_EQ(t.property("ActiveLanguage").toInt(), -1);
    EXPECT_EQ(t.GetActiveLanguageName(), "");
    EXPECT_EQ(t.Translate("bOk.Caption", "d"), "d");
    EXPECT_NO_THROW(t.ApplyLanguage());
    EXPECT_EQ(form.windowTitle(), "Login");
    t.SetActiveLanguage(-1);
    EXPECT_EQ(t.GetActiveLanguage(), -1);

    QStringList names{"first"};
    t.Languages.GetLanguageNames(names);
    EXPECT_EQ(names, QStringList({"first", "English", "Russian"}));
    EXPECT_EQ(vx::test::errorText([&] { t.Languages.GetItem(2); }), "List index out of bounds (2)");
}

struct PathCase {
    const char* path;
    const char* text;
    bool set;
};

class PropPathTest : public testing::TestWithParam<PathCase> {
protected:
    TfMain window;
};

TEST_P(PropPathTest, WritesTheNamedPropertyOrPassesOver) {
    EXPECT_EQ(SetPropPathText(&window, QString::fromUtf8(GetParam().path),
                              QString::fromUtf8(GetParam().text)),
              GetParam().set);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, PropPathTest,
    testing::Values(PathCase{"Label5.Caption", "Script executor", true},
                    PathCase{"label5.caption", "Script executor", true},
                    PathCase{"TfMain.Caption", "Vornalex", true},
                    PathCase{"tfmain.Caption", "Vornalex", true},
                    PathCase{"lvConnections.Columns.Items[2].Caption", "DB", true},
                    PathCase{"pWelcome.Header.Title.Text", "Welcome", true},
                    PathCase{"gbOnError.Items", "Ask\r\nStop\r\nContinue\r\n", true},
                    PathCase{"Label5.Hint", "hint", true},
                    // Passed over: no such component or property, or not a text.
                    PathCase{"gbOnError.ItemIndex", "0", false},
                    PathCase{"NoSuchComponent.Caption", "x", false},
                    PathCase{"NoSuchComponent.Font.Name", "x", false},
                    PathCase{"Label5.NoSuchProperty", "x", false},
                    PathCase{"pWelcome.Header.Subtitle.Text", "x", false},
                    PathCase{"gbOnError.ItemIndex.Caption", "x", false},
                    PathCase{"connecting", "Connecting", false}, PathCase{"Label5.", "x", false},
                    // Components of the embedded login form belong to it.
                    PathCase{"Label1.Caption", "x", false},
                    PathCase{"TfCrfLogin.Caption", "x", false}));

TEST(PropPath, WritesReachTheWidgets) {
    TfMain window;
    SetPropPathText(&window, "lvConnections.Columns.Items[2].Caption", "DB");
    EXPECT_EQ(window.tree->headerItem()->text(2), "DB");
    SetPropPathText(&window, "pWelcome.Header.Title.Text", "Welcome");
    EXPECT_EQ(window.page->m_header->m_title->Text, "Welcome");
    SetPropPathText(&window, "TfMain.Caption", "Vornalex");
    EXPECT_EQ(window.windowTitle(), "Vornalex");
    SetPropPathText(&window, "gbOnError.Items", "Ask\r\nStop\r\nContinue\r\n");
    EXPECT_EQ(window.group->items(), QStringList({"Ask", "Stop", "Continue"}));
    EXPECT_EQ(window.group->itemIndex(), 2);
    SetPropPathText(&window, "gbOnError.Items", "A\nB\rC");
    EXPECT_EQ(window.group->items(), QStringList({"A", "B", "C"}));
    EXPECT_EQ(qobject_cast<QLabel*>(window.login->findComponent("Label1"))->text(), "");
}

struct PathErrorCase {
    const char* path;
    const char* error;
};

class PropPathErrorTest : public testing::TestWithParam<PathErrorCase> {};

TEST_P(PropPathErrorTest, Raises) {
    TfMain window;
    EXPECT_EQ(vx::test::errorText(
                  [&] { ResolvePropPath(&window, QString::fromLatin1(GetParam().path)); }),
              QString::fromLatin1(GetParam().error));
}

INSTANTIATE_TEST_SUITE_P(
    Paths, PropPathErrorTest,
    testing::Values(
        PathErrorCase{"Label5.NoSuchObject.Caption", "Property NoSuchObject does not exist"},
        PathErrorCase{"lvConnections.Columns.Items[x].Caption", "'x' is not a valid integer value"},
        PathErrorCase{"lvConnections.Columns.Items[].Caption", "'' is not a valid integer value"},
        PathErrorCase{"lvConnections.Columns.Items[6].Caption", "List index out of bounds (6)"},
        PathErrorCase{"lvConnections.Columns.Items[-1].Caption", "List index out of bounds (-1)"}));

TEST(Translator, ApplyStopsAtAFailingPathKeepingEarlierTexts) {
    TfMain window;
    TZybTranslator translator(&window);
    translator.LoadTable({{"Label5.Caption", "Script executor", "Исполнитель скрипта"},
                          {"lvConnections.Columns.Items[9].Caption", "x", "x"},
                          {"gbOnError.Caption", "On error", "При ошибке"}});
    EXPECT_EQ(vx::test::errorText([&] { translator.ApplyLanguage(); }),
              "List index out of bounds (9)");
    EXPECT_EQ(window.label->text(), "Script executor");
    EXPECT_EQ(window.group->title(), "");
}

} // namespace logintest

#include "TranslatorTest.moc"
