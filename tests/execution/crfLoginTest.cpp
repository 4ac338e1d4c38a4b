#include "crfLogin.h"
#include "DataAccess.h"
#include "Errors.h"
#include "FakeConnection.h"
#include "ModalDriver.h"
#include "QtPrinting.h"
#include "ScriptedPrompter.h"
#include "TextFit.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QThread>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

class LoginTest : public testing::Test {
protected:
    LoginTest() {
        setLoginArguments({"vornalex"});
        login.Connection = connection.get();
    }

    void fill(const QString& server, const QString& database, const QString& user,
              const QString& password, bool trusted = false) {
        login.SetServer(server);
        login.SetDatabase(database);
        login.SetUser(user);
        login.SetPassword(password);
        login.SetTrusted(trusted);
    }

    vx::test::ScriptedPrompter prompter;
    vx::test::FakeServer server;
    std::unique_ptr<vx::Connection> connection = vx::createConnection();
    TfCrfLogin login;
};

TEST_F(LoginTest, OwnsItsComponentsByName) {
    for (const char* name : {"Label1", "Label2", "Label3", "Label4", "eServer", "eDB", "eUser",
                             "ePassword", "cbTrustConnection", "bOk", "bCancel"})
        EXPECT_NE(login.findComponent(QString::fromLatin1(name).toLower()), nullptr) << name;
    EXPECT_EQ(login.width(), 298);
    EXPECT_EQ(login.ePassword->echoMode(), QLineEdit::Password);
}

TEST_F(LoginTest, SpeaksEnglishAndRussian) {
    login.SetLanguage("Russian");
    EXPECT_EQ(login.windowTitle(), "Подсоединение к серверу");
    const auto captions = [&] {
        return QStringList{login.Label1->text(),
                           login.Label2->text(),
                           login.Label3->text(),
                           login.Label4->text(),
                           login.cbTrustConnection->text(),
                           login.bOk->text(),
                           login.bCancel->text()};
    };
    EXPECT_EQ(captions(), (QStringList{"Сервер", "База", "Пользователь", "Пароль",
                                       "Использовать логин Windows", "Ok", "Отмена"}));
    login.SetLanguage("English");
    EXPECT_EQ(login.windowTitle(), "Login");
    EXPECT_EQ(captions(), (QStringList{"Server", "Database", "User", "Password", "Trust Connection",
                                       "Ok", "Cancel"}));
}

class LoginTexts : public LoginTest, public testing::WithParamInterface<const char*> {};

TEST_P(LoginTexts, TheDialogShowsItsWholeTexts) {
    login.SetLanguage(GetParam());
    login.show();
    QApplication::processEvents();
    const QStringList clipped = vx::test::clippedTexts(&login);
    EXPECT_TRUE(clipped.isEmpty()) << clipped.join('\n').toStdString();
}

INSTANTIATE_TEST_SUITE_P(Languages, LoginTexts, testing::Values("English", "Russian"));

TEST_F(LoginTest, RefusesToStoreAPasswordThatWouldReadBackScrambled) {
    login.SetPassword(QString(63, 'x'));
    EXPECT_NO_THROW(login.CheckPasswordStorable());
    login.SetPassword(QString(65, 'x'));
    EXPECT_NO_THROW(login.CheckPasswordStorable());
    login.SetPassword(QString(64, 'x'));
    login.SetLanguage("English");
    try {
        login.CheckPasswordStorable();
        FAIL() << "a 64-character password was accepted";
    } catch (const vx::Error& e) {
        EXPECT_TRUE(e.message().startsWith("A password of exactly 64 characters"));
    }
}

TEST_F(LoginTest, WindowsAuthenticationLocksUserAndPassword) {
    fill("srv", "db", "sa", "pw", true);
    EXPECT_EQ(login.GetConnectionString(), "Provider=SQLOLEDB.1;Persist Security Info=False;"
                                           "Data Source=srv;Initial Catalog=db;"
                                           "Integrated Security=SSPI;");
    const QColor grey = login.palette().color(QPalette::Button);
    for (QLineEdit* edit : {login.eUser, login.ePassword}) {
        EXPECT_TRUE(edit->isReadOnly());
        EXPECT_EQ(edit->palette().color(QPalette::Base), grey);
    }
    EXPECT_EQ(login.GetUser(), "sa");

    login.cbTrustConnection->click();
    for (QLineEdit* edit : {login.eUser, login.ePassword}) {
        EXPECT_FALSE(edit->isReadOnly());
        EXPECT_EQ(edit->palette().color(QPalette::Base), QColor(Qt::white));
    }
    EXPECT_TRUE(login.GetConnectionString().endsWith(";User ID=sa;Password=pw"));
}

// What the program sets comes back whole: only what the user types or pastes is filtered.
TEST_F(LoginTest, DefinitionCarriesTheFieldsAndTheConnectionsTimeouts) {
    fill("s\trv", "d\nb", "s\x01a", "p\tw");
    connection->setConnectionTimeout(5);
    connection->setCommandTimeout(0);
    EXPECT_EQ(login.definition(),
              (ConnectionDefinition{"s\trv", "d\nb", "s\x01a", "p\tw", false, 5, 0}));
}

struct FocusCase {
    const char* server;
    const char* database;
    const char* user;
    bool trusted;
    const char* focused;
};

class FormShowTest : public LoginTest, public testing::WithParamInterface<FocusCase> {};

TEST_P(FormShowTest, FocusesTheFirstFieldToFill) {
    const FocusCase& c = GetParam();
    fill(c.server, c.database, c.user, "", c.trusted);
    login.show();
    ASSERT_NE(login.focusWidget(), nullptr);
    EXPECT_EQ(login.focusWidget()->objectName(), c.focused);
}

INSTANTIATE_TEST_SUITE_P(Fields, FormShowTest,
                         testing::Values(FocusCase{"srv", "", "", false, "eDB"},
                                         FocusCase{"srv", "db", "", false, "eUser"},
                                         FocusCase{"srv", "db", "sa", false, "ePassword"},
                                         FocusCase{"srv", "db", "sa", true, "cbTrustConnection"},
                                         FocusCase{"", "db", "sa", false, "ePassword"}));

TEST_F(LoginTest, DialogAsksAgainAfterAFailureUntilConnected) {
    fill("srv", "db", "sa", "wrong");
    server.failOpen("Login failed for user 'sa'.");
    vx::test::onNextModalOf<TfCrfLogin>([&](TfCrfLogin* dialog) {
        dialog->bOk->click();
        vx::test::onNextModalOf<TfCrfLogin>([&](TfCrfLogin* again) {
            server.failOpen({});
            again->ePassword->setText("right");
            again->bOk->click();
        });
    });
    EXPECT_TRUE(login.Login());
    EXPECT_TRUE(connection->isOpen());
    ASSERT_EQ(prompter.prompts().size(), 1);
    EXPECT_EQ(prompter.prompts()[0].icon, vx::PromptIcon::Error);
    EXPECT_EQ(prompter.prompts()[0].text, "Login failed for user 'sa'.");
    const QStringList opened = server.openedConnectionStrings();
    ASSERT_EQ(opened.size(), 2);
    EXPECT_TRUE(opened[0].endsWith("Password=wrong"));
    EXPECT_TRUE(opened[1].endsWith("Password=right"));
}

TEST_F(LoginTest, CancelGivesUp) {
    fill("srv", "db", "sa", "pw");
    vx::test::onNextModalOf<TfCrfLogin>([](TfCrfLogin* dialog) { dialog->bCancel->click(); });
    EXPECT_FALSE(login.Login());
    EXPECT_TRUE(server.openedConnectionStrings().isEmpty());
}

TEST_F(LoginTest, EmbeddedModeTriesOnce) {
    QWidget host;
    login.setParent(&host);
    const auto release = qScopeGuard([&] { login.setParent(nullptr); });
    login.SetDialogMode(false);
    EXPECT_FALSE(login.IsDialogMode());
    // The stored height, or what the style's fields need.
    EXPECT_EQ(login.height(), std::max(125, login.minimumSizeHint().height()));
    fill("srv", "db", "sa", "pw");
    server.failOpen("Cannot open database \"db\".");
    EXPECT_FALSE(login.Login());
    EXPECT_EQ(server.openedConnectionStrings().size(), 1);
    EXPECT_EQ(prompter.texts(), QStringList{"Cannot open database \"db\"."});
    EXPECT_FALSE(connection->isOpen());

    server.failOpen({});
    EXPECT_TRUE(login.Login());
    login.SetDialogMode(true);
    EXPECT_TRUE(login.IsDialogMode());
}

TEST_F(LoginTest, WorkerThreadLoginShowsTheDialogOnTheGuiThread) {
    fill("srv", "db", "sa", "pw");
    QThread* shownOn = nullptr;
    vx::test::onNextModalOf<TfCrfLogin>([&](TfCrfLogin* dialog) {
        shownOn = QThread::currentThread();
        dialog->bOk->click();
    });
    bool connected = false;
    QEventLoop loop;
    QThread* worker = QThread::create([&] { connected = login.Login(); });
    QObject::connect(worker, &QThread::finished, &loop, &QEventLoop::quit);
    worker->start();
    loop.exec();
    worker->wait();
    delete worker;
    EXPECT_TRUE(connected);
    EXPECT_EQ(shownOn, qApp->thread());
    EXPECT_TRUE(connection->isOpen());
}

TEST_F(LoginTest, CommandLineConnectsTheFirstLoginOnly) {
    setLoginArguments({"vornalex", "-s", "S", "-d", "D", "-u", "U", "-p", "P"});
    fill("srv", "db", "sa", "pw", true);
    EXPECT_TRUE(login.Login());
    EXPECT_EQ(login.definition(), (ConnectionDefinition{"S", "D", "U", "P"}));
    EXPECT_EQ(server.openedConnectionStrings(), QStringList{login.GetConnectionString()});

    TfCrfLogin later;
    later.Connection = connection.get();
    later.SetServer("other");
    vx::test::onNextModalOf<TfCrfLogin>([](TfCrfLogin* dialog) { dialog->bCancel->click(); });
    EXPECT_FALSE(later.Login());
    EXPECT_EQ(later.GetServer(), "other");
}

TEST_F(LoginTest, CommandLineFailureIsShownAndTheDialogFollows) {
    vx::setApplicationTitle("Vornalex");
    setLoginArguments({"vornalex", "-s", "S", "-d", "D", "-t"});
    server.failOpen("Unable to connect: Adaptive Server is unavailable or does not exist");
    vx::test::onNextModalOf<TfCrfLogin>([](TfCrfLogin* dialog) { dialog->bCancel->click(); });
    EXPECT_FALSE(login.Login());
    ASSERT_EQ(prompter.prompts().size(), 1);
    EXPECT_EQ(prompter.prompts()[0].caption, "Vornalex");
    EXPECT_EQ(prompter.prompts()[0].text,
              "Unable to connect: Adaptive Server is unavailable or does not exist");
    EXPECT_TRUE(login.GetTrusted());
    EXPECT_EQ(login.GetServer(), "S");
}

TEST_F(LoginTest, ConnectNeedsAConnection) {
    login.Connection = nullptr;
    try {
        login.Connect();
        FAIL() << "connected without a connection";
    } catch (const vx::Error& e) {
        EXPECT_EQ(e.message(), "Подключение не найдено.");
    }
    EXPECT_THROW(login.eDBDropDown(), vx::Error);
    EXPECT_THROW(login.Login(), vx::Error);
}

TEST_F(LoginTest, DatabaseListComesFromTheServerWithoutCatalog) {
    server.setDatabases({"master", "sales", "tempdb"});
    fill("srv", "sal", "sa", "pw");
    login.eDBDropDown();
    EXPECT_EQ(login.eDB->count(), 3);
    EXPECT_EQ(login.eDB->itemText(1), "sales");
    EXPECT_EQ(login.eDB->maxVisibleItems(), 3);
    EXPECT_EQ(login.GetDatabase(), "sal");
    EXPECT_EQ(server.openedConnectionStrings(), QStringList{login.BuildConnectionString(false)});
    EXPECT_FALSE(connection->isOpen());

    login.eDB->setCurrentIndex(1);
    EXPECT_EQ(login.GetDatabase(), "sales");
    login.SetDatabase("x");
    EXPECT_EQ(login.eDB->currentIndex(), -1);
    EXPECT_EQ(login.GetDatabase(), "x");
}

TEST_F(LoginTest, RefusedDatabaseListLeavesOneEmptyItemAndShowsTheError) {
    vx::setApplicationTitle("Vornalex");
    server.setDatabases({"master"});
    login.eDBDropDown();
    server.failOpen("Login failed for user 'sa'.");
    login.eDB->showPopup();
    login.eDB->hidePopup();
    EXPECT_EQ(login.eDB->count(), 1);
    EXPECT_EQ(login.eDB->itemText(0), QString());
    ASSERT_EQ(prompter.prompts().size(), 1);
    EXPECT_EQ(prompter.prompts()[0].caption, "Vornalex");
    EXPECT_EQ(prompter.prompts()[0].text, "Login failed for user 'sa'.");
}

TEST_F(LoginTest, ADatabaseListFailingOnTheServerLeavesTheConnectionClosed) {
    server.respond(vx::databaseListQuery,
                   vx::test::FakeBatch().error("The user does not have permission."));
    EXPECT_THROW(login.eDBDropDown(), vx::DbError);
    EXPECT_FALSE(connection->isOpen());
    EXPECT_EQ(server.openConnections(), 0);
}

} // namespace
