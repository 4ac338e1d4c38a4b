#include "uTZybStorage.h"

#include "Errors.h"
#include "FindOptions.h"
#include "Form.h"
#include "RadioGroup.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

// Stands in for the window's translator: every write of the language counts, and may fail.
class Languages : public QObject {
    Q_OBJECT
    Q_PROPERTY(int ActiveLanguage READ activeLanguage WRITE setActiveLanguage)
public:
    using QObject::QObject;
    int activeLanguage() const { return m_language; }
    void setActiveLanguage(int language) {
        ++changes;
        if (!failure.isEmpty())
            throw vx::Error(failure);
        m_language = language;
    }
    int changes = 0;
    QString failure;

private:
    int m_language = 0;
};

class FindDialog : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString FindText MEMBER findText)
    Q_PROPERTY(vx::TFindOptions Options MEMBER options)
public:
    using QObject::QObject;
    QString findText;
    vx::TFindOptions options = vx::frDown;
};

class Title : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString Text MEMBER text)
    Q_PROPERTY(QObject* Back READ back) // leads back up: must not be followed forever
public:
    using QObject::QObject;
    QObject* back() const { return parent()->parent(); }
    QString text;
};

class Header : public QObject {
    Q_OBJECT
    Q_PROPERTY(Title* Title MEMBER title)
    Q_PROPERTY(QStringList Strings MEMBER strings)
public:
    using QObject::QObject;
    Title* title = new Title(this);
    QStringList strings;
};

class Page : public QObject {
    Q_OBJECT
    Q_PROPERTY(Header* Header MEMBER header)
public:
    using QObject::QObject;
    Header* header = new Header(this);
};

class MainWindow : public QWidget, public vx::Form {
public:
    MainWindow() {
        setObjectName("fVornalex");
        storage = addComponent(new TZybStorage(this), "ZybStorage");
        parallel = addComponent(new QCheckBox(this), "cbParallel");
        onError = addComponent(new vx::RadioGroup(this), "gbOnError");
        onError->setItems({"Ask", "Stop", "Continue"});
        onError->setItemIndex(0);
        timeout = addComponent(new QSpinBox(this), "seCommandTimeout");
        timeout->setRange(INT_MIN, INT_MAX);
        timeout->setValue(30);
        languages = addComponent(new Languages(this), "ZybTranslator");
        find = addComponent(new FindDialog(this), "dConnectFind");
        comments = addComponent(new QPlainTextEdit(this), "mComments");
        connections = addComponent(new QTreeWidget(this), "lvConnections");
        page = addComponent(new Page(this), "pWelcome");
        addComponent(new QLabel(this), "Label1");
    }

    TZybStorage* storage;
    QCheckBox* parallel;
    vx::RadioGroup* onError;
    QSpinBox* timeout;
    Languages* languages;
    FindDialog* find;
    QPlainTextEdit* comments;
    QTreeWidget* connections;
    Page* page;
};

class ZybStorageTest : public testing::Test {
protected:
    ZybStorageTest() { window.storage->IniFile = path(); }

    QString path() const { return m_dir.filePath("vornalex.ini"); }
    void writeFile(const QByteArray& text) const {
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    // As std::string, so that a failure shows the lines.
    std::string fileText() const {
        QFile file(path());
        return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : "<no file>";
    }
    // The text of the error the pass raised, empty when it raised none.
    static QString errorOf(const std::function<void()>& pass) {
        try {
            pass();
        } catch (const vx::Error& e) {
            return e.message();
        }
        return {};
    }
    QString read(const QStringList& entries, const QByteArray& file) {
        writeFile(file);
        window.storage->StoredProps = entries;
        return errorOf([&] { window.storage->ReadIni(); });
    }
    std::string written(const QStringList& entries) {
        window.storage->StoredProps = entries;
        EXPECT_EQ(errorOf([&] { window.storage->WriteIni(); }), "");
        return fileText();
    }

    QTemporaryDir m_dir;
    MainWindow window;
};

const QStringList mainEntries = {
    "cbParallel.Checked",     "gbOnError.ItemIndex",   "ZybTranslator.ActiveLanguage",
    "seCommandTimeout.Value", "fVornalex.WindowState", "dConnectFind.FindText",
    "dConnectFind.Options",   "mComments.Lines",
};

TEST_F(ZybStorageTest, WritesEachEntryIntoTheComponentsSection) {
    window.parallel->setChecked(true);
    window.onError->setItemIndex(2);
    window.languages->setActiveLanguage(1);
    window.timeout->setValue(-45);
    window.setWindowState(Qt::WindowMaximized);
    window.find->findText = "  Сервер №1 ";
    window.find->options = vx::frDown | vx::frMatchCase;
    window.comments->setPlainText("first\n\nthird");

    EXPECT_EQ(written(mainEntries), "[fVornalex.cbParallel]\nChecked=1\n"
                                    "[fVornalex.gbOnError]\nItemIndex=2\n"
                                    "[fVornalex.ZybTranslator]\nActiveLanguage=1\n"
                                    "[fVornalex.seCommandTimeout]\nValue=-45\n"
                                    "[fVornalex.fVornalex]\nWindowState=2\n"
                                    "[fVornalex.dConnectFind]\nFindText=\"  Сервер №1 \"\n"
                                    "Options=frDown,frMatchCase\n"
                                    "[fVornalex.mComments.Lines]\nString0=first\nString1=\n"
                                    "String2=third\n");

    MainWindow fresh;
    fresh.storage->IniFile = path();
    fresh.storage->StoredProps = mainEntries;
    fresh.storage->ReadIni();
    EXPECT_TRUE(fresh.parallel->isChecked());
    EXPECT_EQ(fresh.onError->itemIndex(), 2);
    EXPECT_EQ(fresh.languages->activeLanguage(), 1);
    EXPECT_EQ(fresh.timeout->value(), -45);
    EXPECT_TRUE(fresh.windowState().testFlag(Qt::WindowMaximized));
    EXPECT_EQ(fresh.find->findText, "  Сервер №1 ");
    EXPECT_EQ(fresh.find->options, vx::frDown | vx::frMatchCase);
    EXPECT_EQ(fresh.comments->toPlainText(), "first\n\nthird");
}

struct ReadCase {
    const char* entry;
    const char* file;
    int timeout;
    bool parallel;
    vx::TFindOptions options;
};

class ZybStorageRead : public ZybStorageTest, public testing::WithParamInterface<ReadCase> {};

// Starting from timeout 30, unticked, options frDown.
TEST_P(ZybStorageRead, TakesOnlyValuesThatFit) {
    const ReadCase& c = GetParam();
    read({c.entry}, c.file);
    EXPECT_EQ(window.timeout->value(), c.timeout);
    EXPECT_EQ(window.parallel->isChecked(), c.parallel);
    EXPECT_EQ(window.find->options, c.options);
}

INSTANTIATE_TEST_SUITE_P(
    Values, ZybStorageRead,
    testing::Values(
        ReadCase{"seCommandTimeout.Value", "[fVornalex.seCommandTimeout]\nValue=0x10\n", 16, false,
                 vx::frDown},
        ReadCase{"seCommandTimeout.Value", "[FVORNALEX.SECOMMANDTIMEOUT]\nvalue = $10\n", 16, false,
                 vx::frDown},
        ReadCase{"seCommandTimeout.Value", "[fVornalex.seCommandTimeout]\nValue=abc\n", 30, false,
                 vx::frDown},
        ReadCase{"SECOMMANDTIMEOUT.VALUE", "[fVornalex.SECOMMANDTIMEOUT]\nValue=7\n", 7, false,
                 vx::frDown},
        ReadCase{"cbParallel.Checked", "[fVornalex.cbParallel]\nChecked=1\n", 30, true, vx::frDown},
        ReadCase{"cbParallel.Checked", "[fVornalex.cbParallel]\nChecked=True\n", 30, false,
                 vx::frDown},
        ReadCase{"cbParallel.", "[fVornalex.cbParallel]\nChecked=1\n", 30, true, vx::frDown},
        ReadCase{"dConnectFind.Options",
                 "[fVornalex.dConnectFind]\nOptions=[frDown, frMatchCase]\n", 30, false,
                 vx::frDown | vx::frMatchCase},
        ReadCase{"dConnectFind.Options", "[fVornalex.dConnectFind]\nOptions=\n", 30, false, {}},
        ReadCase{"dConnectFind.Options", "[fVornalex.dConnectFind]\nOptions=frDown,frBogus\n", 30,
                 false, vx::frDown}));

TEST_F(ZybStorageTest, EntriesFindTheWindowWithCaseAndComponentsWithout) {
    auto* other = window.addComponent(new QCheckBox(&window), "FVORNALEX");
    other->setChecked(true);
    window.parallel->setText("Parallel");
    window.parallel->setToolTip("At once");
    window.parallel->setStatusTip("At once");
    EXPECT_EQ(written({"fvornalex.WindowState", "fvornalex.Checked", "cbparallel.", "Nope.Checked",
                       "cbParallel.Nope", "Label1.Font.Size", "NoPoint", ".Caption"}),
              "[fVornalex.fvornalex]\nChecked=1\n"
              "[fVornalex.cbparallel]\nHint=At once\nCaption=Parallel\nChecked=0\n");
}

TEST_F(ZybStorageTest, SubObjectsGetSectionsOfTheirOwnAndReferencesBackAreNotFollowed) {
    window.page->header->title->text = "Welcome";
    window.page->header->strings = {"a"};
    const QByteArray file = QByteArray::fromStdString(written({"pWelcome."}));
    EXPECT_EQ(file, "[fVornalex.pWelcome.Header.Title]\nText=Welcome\n"
                    "[fVornalex.pWelcome.Header.Strings]\nString0=a\n");

    window.page->header->title->text.clear();
    window.page->header->strings.clear();
    EXPECT_EQ(read({"pWelcome.Header"}, file), "");
    EXPECT_EQ(window.page->header->title->text, "Welcome");
    EXPECT_EQ(window.page->header->strings, QStringList({"a"}));
}

TEST_F(ZybStorageTest, StringListsTakeEveryValueAndAShorterListReadsBackShort) {
    read({"mComments.Lines"}, "[fVornalex.mComments.Lines]\nx=a\ny=b\nz=c\n");
    EXPECT_EQ(window.comments->toPlainText(), "a\nb\nc");

    window.comments->setPlainText("one\ntwo\nthree");
    written({"mComments.Lines"});
    window.comments->setPlainText("one\ntwo");
    written({"mComments.Lines"});
    window.comments->clear();
    window.storage->ReadIni();
    EXPECT_EQ(window.comments->toPlainText(), "one\ntwo");

    // A missing file holds no lines.
    QFile::remove(path());
    window.storage->ReadIni();
    EXPECT_EQ(window.comments->toPlainText(), "");
}

TEST_F(ZybStorageTest, CollectionsReplaceTheirSections) {
    window.connections->setHeaderLabels({"Name", "Server", "DB"});
    EXPECT_EQ(written({"lvConnections.Columns"}),
              "[fVornalex.lvConnections.Columns]\n"
              "Items0=fVornalex.lvConnections.Columns.Items0\n"
              "Items1=fVornalex.lvConnections.Columns.Items1\n"
              "Items2=fVornalex.lvConnections.Columns.Items2\n"
              "[fVornalex.lvConnections.Columns.Items0]\nCaption=Name\n"
              "[fVornalex.lvConnections.Columns.Items1]\nCaption=Server\n"
              "[fVornalex.lvConnections.Columns.Items2]\nCaption=DB\n");

    window.connections->setColumnCount(1);
    window.connections->setHeaderLabels({"Имя"});
    const std::string shorter = written({"lvConnections.Columns"});
    EXPECT_EQ(shorter, "[fVornalex.lvConnections.Columns]\n"
                       "Items0=fVornalex.lvConnections.Columns.Items0\n"
                       "[fVornalex.lvConnections.Columns.Items0]\nCaption=Имя\n");

    // Reading follows the section names that the values give.
    read({"lvConnections.Columns"}, "[fVornalex.lvConnections.Columns]\nfirst=one\nsecond=two\n"
                                    "[one]\nCaption=A\n[two]\nCaption=B\n");
    ASSERT_EQ(window.connections->columnCount(), 2);
    EXPECT_EQ(window.connections->headerItem()->text(1), "B");
}

TEST_F(ZybStorageTest, EventsFrameEachPassWithTheOpenFile) {
    QStringList calls;
    window.storage->IniSection = "main";
    window.storage->BeforeReadIni = [&](TZybStorage* sender, vx::IniFile& ini) {
        EXPECT_EQ(sender, window.storage);
        calls << "before read " + ini.readString("main", "script_dir", {});
    };
    window.storage->AfterReadIni = [&](TZybStorage* sender, vx::IniFile&) {
        calls << "after read, timeout " + QString::number(window.timeout->value()) + ", language " +
                     QString::number(window.languages->changes);
        EXPECT_EQ(sender->IniSection, "main");
    };
    window.storage->BeforeWriteIni = [&](TZybStorage*, vx::IniFile&) { calls << "before write"; };
    window.storage->AfterWriteIni = [&](TZybStorage* sender, vx::IniFile& ini) {
        calls << "after write";
        ini.writeString(sender->IniSection, "script_dir", "/scripts/");
    };

    read({"seCommandTimeout.Value", "ZybTranslator.ActiveLanguage"},
         "[main]\nscript_dir=/old/\n[fVornalex.seCommandTimeout]\nValue=12\n");
    written({"seCommandTimeout.Value"});
    EXPECT_EQ(calls, QStringList({"before read /old/", "after read, timeout 12, language 1",
                                  "before write", "after write"}));
    EXPECT_EQ(fileText(), "[main]\nscript_dir=/scripts/\n[fVornalex.seCommandTimeout]\nValue=12\n");

    // A missing file still runs every writer; without a file name nothing happens at all.
    QFile::remove(path());
    window.storage->StoredProps = {"ZybTranslator.ActiveLanguage", "seCommandTimeout.Value"};
    window.storage->ReadIni();
    EXPECT_EQ(window.languages->changes, 2);
    EXPECT_EQ(window.timeout->value(), 12);
    EXPECT_FALSE(QFile::exists(path()));
    calls.clear();
    window.storage->IniFile.clear();
    window.storage->ReadIni();
    window.storage->WriteIni();
    EXPECT_TRUE(calls.isEmpty());
    EXPECT_TRUE(QDir(m_dir.path()).isEmpty());
}

TEST_F(ZybStorageTest, ABadValueIsReportedAfterTheWholePass) {
    bool afterRan = false;
    window.storage->AfterReadIni = [&](TZybStorage*, vx::IniFile&) { afterRan = true; };
    window.languages->failure = "no such language";
    const QString error =
        read({"dConnectFind.Options", "ZybTranslator.ActiveLanguage", "gbOnError.ItemIndex",
              "fVornalex.WindowState", "cbParallel.Checked"},
             "[fVornalex.dConnectFind]\nOptions=frDown,frBogus\n"
             "[fVornalex.ZybTranslator]\nActiveLanguage=1\n[fVornalex.gbOnError]\nItemIndex=1\n"
             "[fVornalex.fVornalex]\nWindowState=7\n[fVornalex.cbParallel]\nChecked=1\n");
    EXPECT_EQ(error, "Invalid property element: frBogus\nno such language\nInvalid property value");
    EXPECT_EQ(window.find->options, vx::TFindOptions(vx::frDown));
    EXPECT_EQ(window.onError->itemIndex(), 1);
    EXPECT_TRUE(window.parallel->isChecked());
    EXPECT_TRUE(afterRan);
}

TEST_F(ZybStorageTest, ASilentAbortStopsThePass) {
    bool afterRan = false;
    window.storage->BeforeWriteIni = [](TZybStorage*, vx::IniFile&) { vx::abort(); };
    window.storage->AfterWriteIni = [&](TZybStorage*, vx::IniFile&) { afterRan = true; };
    window.storage->StoredProps = {"cbParallel.Checked"};
    EXPECT_THROW(window.storage->WriteIni(), vx::EAbort);
    EXPECT_FALSE(afterRan);
    EXPECT_FALSE(QFile::exists(path()));
}

TEST_F(ZybStorageTest, AFailedWriteStepLeavesItsOldKeys) {
    const QByteArray old = "[fVornalex.dConnectFind]\nFindText=old\n[connection0]\nname=Prod\n";
    writeFile(old);
    window.find->findText = "two\nlines";
    window.storage->AfterWriteIni = [&](TZybStorage*, vx::IniFile& ini) {
        ini.eraseSection("connection0");
        throw vx::Error("Choose connection.");
    };
    window.storage->StoredProps = {"dConnectFind.FindText", "cbParallel.Checked"};
    EXPECT_EQ(errorOf([&] { window.storage->WriteIni(); }),
              "The value of the INI key FindText holds a line break\nChoose connection.");
    EXPECT_EQ(fileText(), old.toStdString() + "[fVornalex.cbParallel]\nChecked=0\n");
}

TEST_F(ZybStorageTest, AFileThatCannotBeReadOrWrittenIsReported) {
    bool eventRan = false;
    window.storage->BeforeReadIni = [&](TZybStorage*, vx::IniFile&) { eventRan = true; };
    window.storage->AfterWriteIni = [&](TZybStorage*, vx::IniFile&) { eventRan = true; };
    window.storage->StoredProps = {"cbParallel.Checked"};

    ASSERT_TRUE(QDir(m_dir.path()).mkdir("vornalex.ini"));
    EXPECT_EQ(errorOf([&] { window.storage->ReadIni(); }), "Unable to read " + path());
    EXPECT_EQ(errorOf([&] { window.storage->WriteIni(); }), "Unable to read " + path());
    EXPECT_FALSE(eventRan);

    window.storage->IniFile = m_dir.filePath("missing/vornalex.ini");
    EXPECT_EQ(errorOf([&] { window.storage->WriteIni(); }),
              "Unable to write to " + m_dir.filePath("missing/vornalex.ini"));
    EXPECT_TRUE(eventRan);
}

TEST(ZybStorageOwner, MustBeAWindow) {
    const QString message = "Владельцем компонента должен быть наследник TCustomForm!";
    QObject plain;
    for (QObject* owner : {static_cast<QObject*>(nullptr), &plain}) {
        try {
            TZybStorage storage(owner);
            ADD_FAILURE() << "a storage without a window";
        } catch (const vx::Error& e) {
            EXPECT_EQ(e.message(), message);
        }
    }
    EXPECT_TRUE(plain.children().isEmpty());
}

} // namespace

#include "ZybStorageTest.moc"
