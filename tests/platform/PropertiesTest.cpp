#include "Properties.h"
#include "Collection.h"
#include "ErrorText.h"
#include "Errors.h"
#include "FindOptions.h"
#include "Form.h"
#include "RadioGroup.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

class Title : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString Text MEMBER m_text)
public:
    using QObject::QObject;
    QString m_text;
};

// One of our own components: Delphi-named properties of every kind, next to Qt's own.
class Finder : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString FindText MEMBER m_findText)
    Q_PROPERTY(vx::TFindOptions Options MEMBER m_options)
    Q_PROPERTY(Shape Kind MEMBER m_kind)
    Q_PROPERTY(Title* Title READ title)
    Q_PROPERTY(bool Down MEMBER m_down)
    Q_PROPERTY(qint64 Big MEMBER m_big)
public:
    enum Shape { skRound, skSquare };
    Q_ENUM(Shape)
    using QObject::QObject;
    Title* title() const { return m_title; }

    QString m_findText;
    vx::TFindOptions m_options = vx::frDown;
    Shape m_kind = skRound;
    Title* m_title = new Title(this);
    bool m_down = false;
    qint64 m_big = 0;
};

class TestWindow : public QWidget, public vx::Form {
    Q_OBJECT
    Q_PROPERTY(int Mode MEMBER m_mode)
public:
    TestWindow() {
        label = addComponent(new QLabel(this), "Label1");
        check = addComponent(new QCheckBox(this), "cbParallel");
        radio = addComponent(new QRadioButton(this), "rbInstall");
        button = addComponent(new QPushButton(this), "bOk");
        edit = addComponent(new QLineEdit(this), "eServer");
        combo = addComponent(new QComboBox(this), "cbScriptExecutor");
        list = addComponent(new QListWidget(this), "clbModules");
        spin = addComponent(new QSpinBox(this), "seCommandTimeout");
        memo = addComponent(new QPlainTextEdit(this), "mModuleComments");
        tree = addComponent(new QTreeWidget(this), "lvConnections");
        tabs = addComponent(new QTabWidget(this), "pc");
        page = addComponent(new QWidget, "tsSettings");
        tabs->addTab(page, "Настройки");
        action = addComponent(new QAction(this), "aExecute");
        group = addComponent(new vx::RadioGroup(this), "gbOnError");
        finder = addComponent(new Finder(this), "dConnectFind");
        tree->setColumnCount(3);
        spin->setRange(INT_MIN, INT_MAX);
    }

    int m_mode = 0;
    QLabel* label;
    QCheckBox* check;
    QRadioButton* radio;
    QPushButton* button;
    QLineEdit* edit;
    QComboBox* combo;
    QListWidget* list;
    QSpinBox* spin;
    QPlainTextEdit* memo;
    QTreeWidget* tree;
    QTabWidget* tabs;
    QWidget* page;
    QAction* action;
    vx::RadioGroup* group;
    Finder* finder;
};

// A component of the window by name; "window" is the window itself.
QObject* component(TestWindow& window, const char* name) {
    QObject* found = window.findComponent(QString::fromLatin1(name));
    return found ? found : &window;
}

vx::Property property(QObject* object, const char* name) {
    auto found = vx::findProperty(object, QString::fromLatin1(name));
    if (!found)
        throw vx::Error(QStringLiteral("no property ") + QString::fromLatin1(name));
    return *found;
}

class PropertiesTest : public testing::Test {
protected:
    TestWindow window;
};

TEST_F(PropertiesTest, FindsOwnedComponentsWithoutRegardToCaseAndOnlyItsOwn) {
    EXPECT_EQ(window.findComponent("label1"), window.label);
    EXPECT_EQ(window.findComponent("CBPARALLEL"), window.check);
    EXPECT_EQ(window.findComponent("Label9"), nullptr);

    // A form embedded in the window keeps its own components to itself.
    auto* nested = new TestWindow;
    nested->setParent(&window);
    window.addComponent(nested, "Login");
    nested->addComponent(new QLabel(nested), "Label5");
    EXPECT_EQ(window.findComponent("Label5"), nullptr);
    EXPECT_EQ(window.findComponent("login"), nested);

    delete window.label;
    EXPECT_EQ(window.findComponent("Label1"), nullptr);
    EXPECT_FALSE(window.components().contains(nullptr));
}

struct NamesCase {
    const char* component;
    QStringList names;
};

class PublishedNamesTest : public testing::TestWithParam<NamesCase> {};

TEST_P(PublishedNamesTest, ListsDelphiNamesInPublishedOrder) {
    TestWindow window;
    QStringList names;
    for (const vx::Property& p : vx::publishedProperties(component(window, GetParam().component)))
        names.append(p.name());
    EXPECT_EQ(names, GetParam().names);
}

INSTANTIATE_TEST_SUITE_P(
    Components, PublishedNamesTest,
    testing::Values(NamesCase{"window", {"Hint", "Caption", "WindowState", "Mode"}},
                    NamesCase{"eServer", {"Hint"}}, NamesCase{"Label1", {"Hint", "Caption"}},
                    NamesCase{"cbParallel", {"Hint", "Caption", "Checked"}},
                    NamesCase{"bOk", {"Hint", "Caption"}},
                    NamesCase{"cbScriptExecutor", {"Hint", "Items", "ItemIndex"}},
                    NamesCase{"seCommandTimeout", {"Hint", "Value"}},
                    NamesCase{"lvConnections", {"Hint", "Columns"}},
                    NamesCase{"tsSettings", {"Hint", "Caption"}},
                    NamesCase{"aExecute", {"Hint", "Caption"}},
                    NamesCase{"gbOnError", {"Hint", "Caption", "Items", "ItemIndex"}},
                    // Unsupported kinds (a 64-bit integer) are not published.
                    NamesCase{"dConnectFind", {"FindText", "Options", "Kind", "Title", "Down"}}));

struct TextCase {
    const char* component;
    const char* property;
    const char* written;
    const char* read; // the text read back
};

class PropertyTextTest : public testing::TestWithParam<TextCase> {};

TEST_P(PropertyTextTest, WritesAndReadsBack) {
    TestWindow window;
    const TextCase& c = GetParam();
    const vx::Property p = property(component(window, c.component), c.property);
    p.setText(QString::fromUtf8(c.written));
    EXPECT_EQ(p.text(), QString::fromUtf8(c.read));
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, PropertyTextTest,
    testing::Values(
        TextCase{"Label1", "caption", "Сервер", "Сервер"},
        TextCase{"cbParallel", "Checked", "1", "1"}, TextCase{"rbInstall", "Checked", "1", "1"},
        TextCase{"window", "WindowState", "2", "2"}, TextCase{"window", "WindowState", "1", "1"},
        TextCase{"window", "Caption", "Vornalex", "Vornalex"},
        TextCase{"seCommandTimeout", "Value", "-30", "-30"},
        TextCase{"seCommandTimeout", "Value", "0x10", "16"},
        TextCase{"seCommandTimeout", "Value", " $10 ", "16"},
        TextCase{"dConnectFind", "Options", "frDown,frMatchCase", "frDown,frMatchCase"},
        TextCase{"dConnectFind", "Options", "[frMatchCase, frdown]", "frDown,frMatchCase"},
        TextCase{"dConnectFind", "Options", "", ""}, TextCase{"dConnectFind", "Kind", "1", "1"},
        TextCase{"dConnectFind", "FindText", "", ""}, TextCase{"dConnectFind", "Down", "1", "1"},
        TextCase{"tsSettings", "Caption", "Settings", "Settings"},
        TextCase{"aExecute", "Hint", "Open|Opens an existing file", "Open|Opens an existing file"},
        TextCase{"bOk", "Hint", "Ok", "Ok"}));

TEST_F(PropertiesTest, TextsReachTheQtProperties) {
    property(window.check, "Checked").setText("1");
    EXPECT_TRUE(window.check->isChecked());
    property(&window, "WindowState").setText("2");
    EXPECT_TRUE(window.windowState().testFlag(Qt::WindowMaximized));
    property(window.page, "Caption").setText("Settings");
    EXPECT_EQ(window.tabs->tabText(0), "Settings");
    property(window.action, "Hint").setText("Open|Opens an existing file");
    EXPECT_EQ(window.action->toolTip(), "Open");
    EXPECT_EQ(window.action->statusTip(), "Opens an existing file");
    window.label->setToolTip("Server name");
    EXPECT_EQ(property(window.label, "Hint").text(), "Server name");
    property(window.finder, "Options").setText("frMatchCase");
    EXPECT_EQ(window.finder->m_options, vx::TFindOptions(vx::frMatchCase));
}

struct BadTextCase {
    const char* component;
    const char* property;
    const char* written;
    const char* error;
};

class BadPropertyTextTest : public testing::TestWithParam<BadTextCase> {};

TEST_P(BadPropertyTextTest, RaisesAndLeavesTheValue) {
    TestWindow window;
    const BadTextCase& c = GetParam();
    const vx::Property p = property(component(window, c.component), c.property);
    const QString before = p.text();
    EXPECT_EQ(vx::test::errorText([&] { p.setText(QString::fromLatin1(c.written)); }),
              QString::fromLatin1(c.error));
    EXPECT_EQ(p.text(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Values, BadPropertyTextTest,
    testing::Values(
        BadTextCase{"cbParallel", "Checked", "True", "'True' is not a valid integer value"},
        BadTextCase{"cbParallel", "Checked", "2", "Invalid property value"},
        BadTextCase{"window", "WindowState", "3", "Invalid property value"},
        BadTextCase{"seCommandTimeout", "Value", "", "'' is not a valid integer value"},
        BadTextCase{"seCommandTimeout", "Value", "12abc", "'12abc' is not a valid integer value"},
        BadTextCase{"seCommandTimeout", "Value", "99999999999",
                    "'99999999999' is not a valid integer value"},
        BadTextCase{"dConnectFind", "Options", "frDown,frBogus",
                    "Invalid property element: frBogus"},
        BadTextCase{"dConnectFind", "Kind", "2", "Invalid property value"}));

TEST_F(PropertiesTest, StringListsReplaceTheWidgetsItems) {
    window.combo->addItems({"Internal", "sqlcmd"});
    window.combo->setCurrentIndex(1);
    property(window.combo, "Items").setStrings({"Внутренний", "sqlcmd", "osql"});
    EXPECT_EQ(property(window.combo, "Items").strings(),
              QStringList({"Внутренний", "sqlcmd", "osql"}));
    EXPECT_EQ(property(window.combo, "ItemIndex").text(), "-1");
    property(window.combo, "ItemIndex").setText("5");
    EXPECT_EQ(window.combo->currentIndex(), -1);

    // A check list stays a check list.
    window.list->addItem("Application");
    window.list->item(0)->setFlags(window.list->item(0)->flags() | Qt::ItemIsUserCheckable);
    window.list->item(0)->setCheckState(Qt::Checked);
    property(window.list, "Items").setStrings({"Приложение", "Справка"});
    ASSERT_EQ(window.list->count(), 2);
    EXPECT_EQ(window.list->item(1)->checkState(), Qt::Unchecked);
    EXPECT_TRUE(window.list->item(1)->flags().testFlag(Qt::ItemIsUserCheckable));

    property(window.memo, "Lines").setStrings({"Application.", "Help."});
    EXPECT_EQ(window.memo->toPlainText(), "Application.\nHelp.");
    EXPECT_EQ(property(window.memo, "Lines").strings(), QStringList({"Application.", "Help."}));
}

TEST_F(PropertiesTest, RadioGroupKeepsItsChoiceWhenItsItemsChange) {
    window.group->setColumns(3);
    window.group->setItems({"Спрашивать", "Прерывать", "Продолжать"});
    property(window.group, "ItemIndex").setText("2");
    property(window.group, "Items").setStrings({"Ask", "Stop", "Continue"});
    EXPECT_EQ(window.group->itemIndex(), 2);
    EXPECT_EQ(window.group->findChildren<QRadioButton*>().size(), 3);
    window.group->setItems({"Ask", "Stop"});
    EXPECT_EQ(window.group->itemIndex(), 1);
    window.group->setItemIndex(7);
    EXPECT_EQ(window.group->itemIndex(), 1);
    window.group->setItemIndex(-1);
    EXPECT_EQ(window.group->itemIndex(), -1);
}

TEST_F(PropertiesTest, CollectionsAndSubObjects) {
    const vx::Property columns = property(window.tree, "columns");
    ASSERT_EQ(columns.kind(), vx::PropKind::Collection);
    vx::Collection* collection = columns.collection();
    ASSERT_EQ(collection->count(), 3);
    property(collection->at(2), "Caption").setText("DB");
    EXPECT_EQ(window.tree->headerItem()->text(2), "DB");
    EXPECT_EQ(columns.collection(), collection);
    EXPECT_EQ(vx::test::errorText([&] { collection->at(3); }), "List index out of bounds (3)");
    property(collection->add(), "Caption").setText("User");
    EXPECT_EQ(window.tree->headerItem()->text(3), "User");
    collection->clear();
    EXPECT_EQ(window.tree->columnCount(), 0);

    const vx::Property title = property(window.finder, "Title");
    ASSERT_EQ(title.kind(), vx::PropKind::Object);
    EXPECT_EQ(title.object(), window.finder->title());
    property(title.object(), "text").setText("Welcome");
    EXPECT_EQ(window.finder->title()->m_text, "Welcome");
}

TEST_F(PropertiesTest, DescribesKindsAndElements) {
    EXPECT_EQ(property(window.check, "Checked").elementNames(), QStringList({"False", "True"}));
    EXPECT_EQ(property(&window, "WindowState").elementNames(),
              QStringList({"wsNormal", "wsMinimized", "wsMaximized"}));
    EXPECT_TRUE(property(window.finder, "Options").elementNames().contains("frFindNext"));
    EXPECT_EQ(property(window.memo, "Lines").kind(), vx::PropKind::Strings);
    EXPECT_EQ(vx::test::errorText([&] { property(window.memo, "Lines").text(); }),
              "Invalid property type: Lines");
    EXPECT_FALSE(vx::findProperty(window.label, "Tag"));
    EXPECT_FALSE(vx::findProperty(window.label, "text")); // Qt's own name is not published
}

// What a class publishes is looked up once; each lookup still reaches its own object, and what
// depends on the object's place (a tab's caption) still follows the object.
TEST_F(PropertiesTest, ObjectsOfOneClassKeepTheirOwnProperties) {
    Finder other;
    property(window.finder, "FindText").setText("first");
    property(&other, "findtext").setText("second");
    EXPECT_EQ(window.finder->m_findText, "first");
    EXPECT_EQ(property(&other, "FindText").text(), "second");

    QWidget loose;
    EXPECT_EQ(property(window.page, "Caption").text(), "Настройки");
    EXPECT_FALSE(vx::findProperty(&loose, "Caption"));
    EXPECT_TRUE(vx::findProperty(&loose, "Hint"));
}

TEST(DelphiClassName, DropsTheNamespace) {
    vx::RadioGroup group;
    EXPECT_EQ(vx::delphiClassName(&group), "RadioGroup");
}

} // namespace

#include "PropertiesTest.moc"
