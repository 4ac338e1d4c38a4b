#include "ConnectionList.h"
#include "ConnectionListView.h"
#include "Errors.h"
#include "FindDialog.h"
#include "ModalDriver.h"
#include "ProgramSandbox.h"
#include "ScriptedPrompter.h"
#include "crfLogin.h"
#include "tds_test_server.h"
#include "uTZybStorage.h"
#include "uTZybTranslator.h"
#include "ufEditNamedObject.h"
#include "ufVornalex.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QProxyStyle>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>
#include <gtest/gtest.h>

#include <memory>

// The connection list and the settings file as the user reaches them through the main window.
namespace {

using vx::test::onNextModalOf;

// A stored password that decodes to "p\nw", which the file can keep only in this form.
const QByteArray storedPassword = "Q1X9ZP" + QByteArray(57, 'W') + "J";

QString rowText(const ConnectionEntry& entry) {
    QStringList fields = {entry.name, entry.checked ? "x" : "-"};
    for (const QString& item : entry.subItems)
        fields << item;
    return fields.join('|');
}

class ConnectionWindowTest : public testing::Test {
protected:
    static QStringList rowsOf(const TfVornalex& shown) {
        QStringList texts;
        for (const ConnectionEntry& entry : shown.Connections->rows())
            texts << rowText(entry);
        return texts;
    }
    QStringList rows() const { return rowsOf(window); }

    // Answers the next connection dialog: the name, the server and OK or Cancel; records the title.
    void answerConnection(const QString& name, const QString& server, bool ok) {
        onNextModalOf<TfZybCustomDialog>([=, this](TfZybCustomDialog* dialog) {
            titles << dialog->windowTitle();
            loginShown = dialog->isAncestorOf(window.Login) && window.Login->isVisible();
            SetNamedObjectName(window.aEditConnection->GetForm(), name);
            window.Login->SetServer(server);
            (ok ? dialog->OkButton() : dialog->CancelButton()).Button()->click();
        });
    }

    static QByteArray bytes(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    void writeFile(const QString& path, const QByteArray& content) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    vx::test::ProgramSandbox sandbox;
    QTemporaryDir dir;
    const QString settingsPath = sandbox.settingsPath();
    vx::test::ScriptedPrompter prompter;
    TfVornalex window;
    QStringList titles;
    bool loginShown = false;
};

TEST_F(ConnectionWindowTest, AddCopyAndEditGoThroughTheConnectionDialog) {
    answerConnection("A", "S", true);
    window.aConnectAdd->trigger();
    EXPECT_EQ(rows(), QStringList{"A|-|S||||False"});
    EXPECT_EQ(window.Connections->focused(), 0);
    EXPECT_TRUE(window.Connections->selectedRows().isEmpty());
    EXPECT_TRUE(loginShown);
    EXPECT_FALSE(window.Login->isVisible()) << "the login goes back hidden to the window";

    window.Connections->setChecked(0, true);
    answerConnection("A", "S", true);
    window.aConnectDuplicate->trigger();
    answerConnection("B", "S2", false);
    window.aConnectEdit->trigger();
    EXPECT_EQ(rows(), (QStringList{"A|x|S||||False", "A|-|S||||False"}));
    EXPECT_EQ(window.Connections->focused(), 1);

    window.Connections->setChecked(1, true);
    answerConnection("B", "S2", true);
    emit window.lvConnections->listDoubleClicked();
    EXPECT_EQ(rows(), (QStringList{"A|x|S||||False", "B|x|S2||||False"}));

    window.ZybTranslator->SetActiveLanguage(1);
    answerConnection("C", "S3", false);
    window.aConnectAdd->trigger();
    EXPECT_EQ(titles, (QStringList{"Connection: new", "Connection: new", "Connection: edit",
                                   "Connection: edit", "Подсоединение: создать"}));

    window.Connections->setFocused(-1);
    window.aConnectDuplicate->trigger();
    window.aConnectEdit->trigger();
    EXPECT_EQ(prompter.texts(),
              (QStringList{"Выберите подсоединение.", "Выберите подсоединение."}));
    EXPECT_EQ(titles.size(), 5) << "no dialog without a focused row";
}

TEST_F(ConnectionWindowTest, TheEditorMendsABadFlagAndRefusesAPasswordTheFileCannotKeep) {
    window.Connections->append({"A", false, {"srv", "", "", "", "yes"}});
    window.Connections->setFocused(0);
    onNextModalOf<TfZybCustomDialog>([this](TfZybCustomDialog* dialog) {
        EXPECT_FALSE(window.Login->GetTrusted());
        window.Login->SetPassword(QString(64, u'p'));
        dialog->OkButton().Button()->click();
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(prompter.prompts().size(), 1);
        window.Login->SetPassword("p");
        dialog->OkButton().Button()->click();
    });
    window.aConnectEdit->trigger();
    EXPECT_EQ(rows(), QStringList{"A|-|srv|||p|False"});
}

TEST_F(ConnectionWindowTest, PastedLineBreaksStayOutOfTheFields) {
    onNextModalOf<TfZybCustomDialog>([this](TfZybCustomDialog* dialog) {
        QGuiApplication::clipboard()->setText(QString::fromUtf8("x\r\ny\tz\u2028\x01"));
        for (QLineEdit* field :
             {window.aEditConnection->GetForm()->eName, window.Login->eServer,
              window.Login->eDB->lineEdit(), window.Login->eUser, window.Login->ePassword})
            field->paste();
        dialog->OkButton().Button()->click();
    });
    window.aConnectAdd->trigger();
    const QString kept = QString::fromUtf8("xy\tz\x01");
    EXPECT_EQ(rows().join('|'),
              QStringList({kept, "-", kept, kept, kept, kept, "False"}).join('|'));
}

// Inside the editor the keys act on the editor, whichever login field has the focus; the login's
// fields are never hidden on their own.
TEST_F(ConnectionWindowTest, EscapeAndReturnInTheLoginFieldsCancelOrConfirmTheEditor) {
    const std::pair<const char*, QWidget*> fields[] = {
        {"server", window.Login->eServer},
        {"database", window.Login->eDB->lineEdit()},
        {"user", window.Login->eUser},
        {"password", window.Login->ePassword},
    };
    for (const auto& [name, target] : fields) {
        QWidget* field = target;
        for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_Return}) {
            SCOPED_TRACE(std::string(name) + (key == Qt::Key_Escape ? " Escape" : " Return"));
            const int before = window.Connections->count();
            bool dialogLeftOpen = true;
            bool loginShown = false;
            onNextModalOf<TfZybCustomDialog>([&](TfZybCustomDialog* dialog) {
                QTest::keyClick(field, key);
                dialogLeftOpen = dialog->isVisible();
                loginShown = window.Login->isVisibleTo(dialog);
                if (dialogLeftOpen)
                    dialog->CancelButton().Button()->click();
            });
            window.aConnectAdd->trigger();
            EXPECT_FALSE(dialogLeftOpen);
            EXPECT_TRUE(loginShown);
            EXPECT_EQ(window.Connections->count(), before + (key == Qt::Key_Return ? 1 : 0));
        }
    }
}

TEST_F(ConnectionWindowTest, TheEmbeddedLoginListsTheServersDatabases) {
    tdsserver::TestServer server({std::vector<tdsserver::User>{{"sa", "secret", {}}}});
    server.createDatabase("sales");
    server.createDatabase("stock");
    QStringList listed;
    onNextModalOf<TfZybCustomDialog>([&](TfZybCustomDialog* dialog) {
        SetNamedObjectName(window.aEditConnection->GetForm(), "shop");
        window.Login->SetServer(QString::fromStdString(server.dataSource()));
        window.Login->SetUser("sa");
        window.Login->SetPassword("secret");
        window.Login->eDBDropDown();
        for (int i = 0; i < window.Login->eDB->count(); ++i)
            listed << window.Login->eDB->itemText(i);
        window.Login->eDB->setCurrentIndex(2);
        dialog->OkButton().Button()->click();
    });
    window.aConnectAdd->trigger();
    EXPECT_EQ(listed, (QStringList{"master", "sales", "stock"}));
    EXPECT_EQ(rows(), QStringList{"shop|-|" + QString::fromStdString(server.dataSource()) +
                                  "|stock|sa|secret|False"});
}

TEST_F(ConnectionWindowTest, DeleteAsksWithTheNumberOfSelectedRows) {
    for (const char* name : {"A", "B", "C", "D", "E"})
        window.Connections->append({name});
    for (int row : {0, 2, 3})
        window.Connections->setSelected(row, true);
    prompter.answerOkCancel(false);
    window.aConnectDelete->trigger();
    EXPECT_EQ(window.Connections->count(), 5);
    prompter.answerOkCancel(true);
    window.aConnectDelete->trigger();
    EXPECT_EQ(prompter.texts(), (QStringList{"Delete connecions (3)?", "Delete connecions (3)?"}));
    EXPECT_EQ(rows(), (QStringList{"B|-|||||False", "E|-|||||False"}));

    window.Connections->selectionModel()->clearSelection();
    window.aConnectDelete->trigger();
    EXPECT_EQ(prompter.prompts().size(), 2) << "no question without a selection";
}

TEST_F(ConnectionWindowTest, HeaderClicksDropsAndFindReachTheList) {
    window.Connections->append({"B", false, {"x", "", "", "", "False"}});
    window.Connections->append({"E", false, {"a", "", "", "", "False"}});
    auto order = [this] {
        QString names;
        for (const ConnectionEntry& entry : window.Connections->rows())
            names += entry.name;
        return names;
    };
    // The first click sorts descending, the next on the same column ascending, another column
    // keeps the direction.
    QStringList orders;
    for (int column : {0, 0, 1, 1}) {
        emit window.lvConnections->header()->sectionClicked(column);
        orders << order();
    }
    EXPECT_EQ(orders, (QStringList{"EB", "BE", "EB", "BE"}));

    window.ZybTranslator->SetActiveLanguage(0);
    window.ZybTranslator->ApplyLanguage();
    EXPECT_EQ(window.lvConnections->model()->headerData(5, Qt::Horizontal), "Windows auth");

    window.Connections->setSelected(0, true);
    emit window.lvConnections->dropped(1);
    EXPECT_EQ(order(), "EB");
    EXPECT_EQ(window.Connections->selectedRows(), QList<int>{1});

    window.dConnectFind->setFindText("e");
    window.dConnectFind->setOptions(vx::frDown);
    window.dConnectFind->OnFind(window.dConnectFind);
    EXPECT_EQ(window.Connections->selectedRows(), QList<int>{0});
    EXPECT_EQ(window.Connections->focused(), 1) << "the focus frame stays";
}

// Records the header captions as the style draws them, by their left edges.
class DrawnTexts : public QProxyStyle {
public:
    void drawItemText(QPainter* painter, const QRect& rect, int flags, const QPalette& palette,
                      bool enabled, const QString& text,
                      QPalette::ColorRole role = QPalette::NoRole) const override {
        texts[rect.left()] = text;
        QProxyStyle::drawItemText(painter, rect, flags, palette, enabled, text, role);
    }
    mutable QMap<int, QString> texts;
};

// The tooltip that the widget shows for the point, or "" for none.
QString tipAt(QWidget* over, const QPoint& point) {
    QToolTip::hideText();
    QTest::qWaitFor([] { return !QToolTip::isVisible(); });
    QHelpEvent hover(QEvent::ToolTip, point, over->mapToGlobal(point));
    QCoreApplication::sendEvent(over, &hover);
    return QToolTip::isVisible() ? QToolTip::text() : QString();
}

class ListTextsCut : public ConnectionWindowTest,
                     public testing::WithParamInterface<const char*> {};

// At the window's own size the automatically sized columns cut long texts: a cut header ends with
// "…", and a cut header or name shows whole in its tooltip; a whole one has none.
TEST_P(ListTextsCut, EndWithAnEllipsisAndShowWholeInTheirTooltips) {
    window.ZybTranslator->SetLanguageByName(GetParam());
    window.Connections->append(
        {"Connection to the sales database", true, {"127.0.0.1,1433", "a", "demo", "pw", "False"}});
    window.show();
    QTest::qWait(50);
    TConnectionListView* list = window.lvConnections;
    QHeaderView* header = list->header();
    DrawnTexts drawn;
    header->setStyle(&drawn);
    header->grab();
    QStringList cut;
    QStringList wrong;
    for (int column = 0; column < header->count(); ++column) {
        const QString caption = list->model()->headerData(column, Qt::Horizontal).toString();
        const QRect section(header->sectionViewportPosition(column), 0, header->sectionSize(column),
                            header->height());
        const QString shown = drawn.texts.lowerBound(section.left()).value();
        const QString tip = tipAt(header->viewport(), section.center());
        // Texts near their section's width are left out: the margins are the style's.
        const int width = header->fontMetrics().horizontalAdvance(caption);
        if (width > section.width() && column != TConnectionList::PasswordColumn)
            cut << caption;
        if ((cut.contains(caption) && (!shown.endsWith(u'…') || tip != caption)) ||
            (width + 20 < section.width() && (shown != caption || !tip.isEmpty())))
            wrong << caption + " drawn " + shown + ", tooltip " + tip;
    }
    EXPECT_FALSE(cut.isEmpty()) << "the window's own size cuts a header";
    EXPECT_TRUE(wrong.isEmpty()) << wrong.join('\n').toStdString();
    const QModelIndex name = list->model()->index(0, 0);
    const QModelIndex database = list->model()->index(0, 2);
    EXPECT_EQ(tipAt(list->viewport(), list->visualRect(name).center()).toStdString(),
              "Connection to the sales database");
    EXPECT_EQ(tipAt(list->viewport(), list->visualRect(database).center()).toStdString(), "");
    header->setStyle(nullptr);
}

INSTANTIATE_TEST_SUITE_P(Languages, ListTextsCut, testing::Values("English", "Russian"));

TEST_F(ConnectionWindowTest, SettingsFileKeepsTheListAndABadValueLosesNothing) {
    window.ScriptDir = "/scripts/";
    window.Connections->append({"P", true, {"srv1", "master", "sa", "sa", "False"}});
    window.Connections->append({"Тест", false, {"srv2", "", "", "", "True"}});
    window.ZybStorage->WriteIni();
    const QByteArray written = bytes(settingsPath);
    EXPECT_TRUE(written.contains("[fVornalex.dConnectFind]\nFindText=\nOptions=frDown\n"));
    EXPECT_TRUE(written.endsWith("[main]\nscript_dir=/scripts/\n[connection0]\nname=P\nchecked=1\n"
                                 "server=srv1\ndb=master\nuser=sa\n"
                                 "pwd=B72P299ZKPTMZM299K9Z92ZZ9JZ7TMZXKRZ729KPBQZCT2ZQTKX7TTXQTKX"
                                 "B9K9I\nTrustConnect=False\n[connection1]\nname=Тест\nchecked=0\n"
                                 "server=srv2\ndb=\nuser=\npwd=2929X44529KVZPTQTWKW4M299KKZ952BZC"
                                 "TV2QZR2X9JTXX1ZCZ429KR2CZPBQXG\nTrustConnect=True\n"))
        << written.toStdString();

    QByteArray edited = written;
    edited.replace("Options=frDown", "Options=frDown,frBogus");
    writeFile(settingsPath, edited);
    TfVornalex other;
    other.ZybStorage->IniFile = settingsPath;
    EXPECT_THROW(other.ZybStorage->ReadIni(), vx::Error);
    EXPECT_EQ(other.Connections->rows(), window.Connections->rows());
    EXPECT_EQ(other.ScriptDir, "/scripts/");
}

// A value the file cannot keep is left out and named; it never costs the other rows.
TEST_F(ConnectionWindowTest, AValueWithALineBreakIsNamedAndLosesNoOtherConnection) {
    window.Connections->append({"A", true, {"srv", "", "", "", "False"}});
    window.ZybStorage->WriteIni();
    window.Connections->append({"a\nb", false, {"s\r\n", "d", "u", "p\nw", "False"}});
    window.Connections->append({"C", false, {"srv3", "", "", "", "True"}});
    EXPECT_NO_THROW(window.ZybStorage->WriteIni());
    EXPECT_EQ(prompter.texts(), QStringList{"The connection \"a\nb\" was saved without its name, "
                                            "server, pwd: the settings file cannot keep a line "
                                            "break."});

    TfVornalex other;
    other.ZybStorage->IniFile = settingsPath;
    other.ZybStorage->ReadIni();
    EXPECT_EQ(rowsOf(other),
              (QStringList{"A|x|srv||||False", "|-||d|u||False", "C|-|srv3||||True"}));
}

// What a settings file holds comes back after a start and the save at close, whatever the
// encoding of its parts and whatever its passwords decode to.
TEST_F(ConnectionWindowTest, EveryStoredConnectionComesBackAfterTheSaveAtClose) {
    const QByteArray mark = "\xEF\xBB\xBF";
    const struct {
        const char* what;
        QByteArray bytes;
        QStringList rows;
        QByteArray written; // a part of the file written at close
    } cases[] = {
        {"a mark on Windows-1251 text",
         mark + "[connection0]\nname=\xD1\xE5\xF0\xE2\xE5\xF0\n",
         {"Сервер|-|||||"},
         "[connection0]\nname=Сервер\n"},
        {"a UTF-8 file appended to a Windows-1251 one",
         "[connection0]\r\nname=\xD1\r\n" + mark + "[connection1]\nname=b\n",
         {"С|-|||||", "b|-|||||"},
         "[connection1]\nname=b\n"},
        {"a password that decodes to a line break",
         "[connection0]\nname=a\npwd=" + storedPassword + "\n",
         {"a|-||||p\nw|"},
         "\npwd=" + storedPassword + "\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        sandbox.writeFile("settings.ini", c.bytes);
        auto opened = std::make_unique<TfVornalex>();
        EXPECT_EQ(rowsOf(*opened), c.rows);
        opened.reset();
        EXPECT_TRUE(bytes(settingsPath).contains(c.written)) << bytes(settingsPath).toStdString();
        EXPECT_EQ(rowsOf(TfVornalex()), c.rows);
    }
    EXPECT_TRUE(prompter.texts().isEmpty());
}

TEST_F(ConnectionWindowTest, ACopyKeepsAPasswordThatOnlyItsStoredFormCanKeep) {
    sandbox.writeFile("settings.ini", "[connection0]\nname=a\npwd=" + storedPassword + "\n");
    auto opened = std::make_unique<TfVornalex>();
    opened->Connections->setFocused(0);
    onNextModalOf<TfZybCustomDialog>(
        [](TfZybCustomDialog* dialog) { dialog->OkButton().Button()->click(); });
    opened->aConnectDuplicate->trigger();
    opened.reset();
    EXPECT_EQ(bytes(settingsPath).count("\npwd=" + storedPassword + "\n"), 2);
    EXPECT_TRUE(prompter.texts().isEmpty());
}

TEST_F(ConnectionWindowTest, ASettingsFileThatCouldNotBeReadIsNotWrittenOver) {
    ASSERT_TRUE(QDir().mkdir(settingsPath)); // exists, but no file can be read from it
    TfVornalex unreadable;
    EXPECT_NO_THROW(unreadable.WriteSettingsFile());
    EXPECT_TRUE(QFileInfo(settingsPath).isDir());

    TfVornalex fresh;
    fresh.ZybStorage->IniFile = dir.filePath("new.ini");
    fresh.ZybStorage->ReadIni();
    fresh.WriteSettingsFile();
    EXPECT_TRUE(bytes(dir.filePath("new.ini")).contains("[main]\nscript_dir="));
}

TEST_F(ConnectionWindowTest, ListFilesCopyTheWholeSettingsFileAndReportFailures) {
    window.Connections->append({"A", true, {"srv", "", "", "", "False"}});
    const QString list = dir.filePath("list.ini");

    prompter.answerFileName(std::nullopt);
    window.aListSave->trigger();
    prompter.answerFileName(std::nullopt);
    window.aListLoad->trigger();
    EXPECT_FALSE(QFile::exists(settingsPath));
    EXPECT_EQ(window.Connections->count(), 1);

    prompter.answerFileName(list);
    window.aListSave->trigger();
    EXPECT_EQ(bytes(list), bytes(settingsPath));
    EXPECT_EQ(prompter.fileRequests().last().defaultSuffix, "ini");

    // A list with other settings replaces the list and the settings.
    QByteArray other = bytes(list);
    other.replace("name=A", "name=Z")
        .replace("[fVornalex.seCommandTimeout]\nValue=30",
                 "[fVornalex.seCommandTimeout]\nValue=99");
    writeFile(list, other + "[connection9]\nname=Y\n");
    prompter.answerFileName(list);
    window.aListLoad->trigger();
    EXPECT_EQ(rows(), (QStringList{"Z|x|srv||||False", "Y|-|||||"}));
    EXPECT_EQ(window.seCommandTimeout->value(), 99);
    EXPECT_EQ(bytes(settingsPath), bytes(list));

    // Loading the settings file itself leaves it whole.
    const QByteArray settings = bytes(settingsPath);
    prompter.answerFileName(settingsPath);
    window.aListLoad->trigger();
    EXPECT_EQ(bytes(settingsPath), settings);
    EXPECT_EQ(window.Connections->count(), 2);

    // Failed copies are reported and change nothing.
    prompter.answerFileName(dir.filePath("missing.ini"));
    window.aListLoad->trigger();
    EXPECT_EQ(bytes(settingsPath), settings);
    prompter.answerFileName(dir.filePath("no folder/list.ini"));
    window.aListSave->trigger();
    EXPECT_EQ(window.Connections->count(), 2);
    ASSERT_EQ(prompter.prompts().size(), 2);
    for (const auto& prompt : prompter.prompts())
        EXPECT_TRUE(prompt.text.startsWith("Unable to copy ")) << prompt.text.toStdString();

    // While a run goes on, no list comes in.
    window.aExecute->setEnabled(false);
    EXPECT_FALSE(window.aListLoad->isEnabled());
    const auto requests = prompter.fileRequests().size();
    window.aListLoad->trigger();
    EXPECT_EQ(prompter.fileRequests().size(), requests);
    window.aExecute->setEnabled(true);
    EXPECT_TRUE(window.aListLoad->isEnabled());
}

} // namespace
