#include "Cp1251.h"
#include "DiskFull.h"
#include "FileBytes.h"
#include "ProgramSandbox.h"
#include "ScriptedPrompter.h"
#include "uTZybTranslator.h"
#include "ufVornalex.h"

#include <QAction>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>
#include <gtest/gtest.h>

namespace {

// The keys of the Russian layout that lie on A and S.
constexpr int keySelectAllRussian = 0x0424; // Ф
constexpr int keySaveRussian = 0x042B;      // Ы

class ScriptPageTest : public testing::Test {
protected:
    QString path(const QString& name = "a.sql") const { return m_dir.filePath(name); }
    QString caption() const { return window.pc->tabText(window.pc->indexOf(window.tsScript)); }
    void type(const QString& text) { QTest::keyClicks(window.mScript, text); }
    // A key press with Ctrl, as the editor gets it (also with codes QTest cannot type).
    void ctrl(int key, Qt::KeyboardModifiers more = {}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::ControlModifier | more);
        QCoreApplication::sendEvent(window.mScript, &press);
    }

    QTemporaryDir m_dir;
    vx::test::ProgramSandbox sandbox;
    vx::test::ScriptedPrompter prompter;
    TfVornalex window;
};

TEST_F(ScriptPageTest, TheCaptionFollowsEditsOpensSavesAndTheLanguage) {
    vx::test::writeFileBytes(path("a.sql"), "PRINT 1\n");
    QStringList captions;
    type("x");
    captions << caption();
    window.aScriptOpenAccept(path());
    captions << caption();
    EXPECT_EQ(window.mScript->toPlainText(), "PRINT 1\n") << "the text is replaced whole";
    EXPECT_EQ(window.ScriptDir, m_dir.path() + "/");
    window.mScript->moveCursor(QTextCursor::End);
    type("GO");
    QTest::keyClick(window.mScript, Qt::Key_Return);
    captions << caption();
    ctrl(Qt::Key_S);
    captions << caption();
    EXPECT_EQ(vx::test::fileBytes(path()), "PRINT 1\nGO\n");
    EXPECT_EQ(prompter.texts(), QStringList("File \"" + path() + "\" saved."));

    window.ZybTranslator->SetActiveLanguage(1);
    window.ZybTranslator->ApplyLanguage();
    window.UpdateScriptCaption(window.ScriptModified);
    captions << caption();
    type("y");
    captions << caption();
    EXPECT_EQ(captions, QStringList({"Script *", "Script a.sql", "Script a.sql *", "Script a.sql",
                                     "Скрипт a.sql", "Скрипт a.sql *"}));
    ctrl(keySaveRussian);
    EXPECT_EQ(prompter.texts().last(), "Файл \"" + path() + "\" сохранен.");
    EXPECT_TRUE(prompter.fileRequests().isEmpty()) << "a current file is saved without asking";
}

TEST_F(ScriptPageTest, SavingWithoutACurrentFileAsksForOneAndAppendsTheExtension) {
    type("PRINT 2");
    prompter.answerFileName(std::nullopt);
    ctrl(Qt::Key_S);
    ASSERT_EQ(prompter.fileRequests().size(), 1);
    EXPECT_EQ(prompter.fileRequests()[0].defaultSuffix, "sql");
    EXPECT_EQ(prompter.fileRequests()[0].filter, "SQL files (*.sql);;All files (*)");
    EXPECT_EQ(caption(), "Script *") << "a cancelled dialog changes nothing";
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList());

    prompter.answerFileName(path("c"));
    window.aScriptSave->trigger();
    EXPECT_EQ(vx::test::fileBytes(path("c.sql")), "PRINT 2");
    EXPECT_EQ(caption(), "Script c.sql");
    type(";");
    ctrl(Qt::Key_S);
    EXPECT_EQ(vx::test::fileBytes(path("c.sql")), QByteArray("PRINT 2;"));
    EXPECT_EQ(prompter.fileRequests().size(), 2);
}

TEST_F(ScriptPageTest, CtrlWithTheSelectKeyOfEitherLayoutSelectsAll) {
    window.mScript->setPlainText("one\ntwo");
    for (const auto& [key, more] : QList<std::pair<int, Qt::KeyboardModifiers>>{
             {Qt::Key_A, Qt::ShiftModifier}, {keySelectAllRussian, {}}}) {
        window.mScript->moveCursor(QTextCursor::Start);
        ctrl(key, more);
        EXPECT_EQ(window.mScript->textCursor().selectedText(),
                  QString("one") + QChar(0x2029) + "two")
            << key;
    }
    QTest::keyClick(window.mScript, Qt::Key_S);
    EXPECT_TRUE(prompter.fileRequests().isEmpty()) << "S without Ctrl only types";
}

TEST_F(ScriptPageTest, FailuresShowTheErrorAndLoseNothing) {
    const QByteArray old = "PRINT 'old'\r\n";
    vx::test::writeFileBytes(path("a.sql"), old);
    window.aScriptOpenAccept(path());
    QDir(m_dir.path()).mkdir("sub");
    prompter.answerFileName(m_dir.filePath("sub/missing.sql"));
    window.aScriptOpen->trigger();
    EXPECT_EQ(prompter.texts(),
              QStringList("Cannot open file \"" + m_dir.filePath("sub/missing.sql") +
                          "\". No such file or directory"));
    EXPECT_EQ(window.ScriptDir, m_dir.filePath("sub") + "/");
    EXPECT_EQ(window.mScript->toPlainText(), "PRINT 'old'\n");
    EXPECT_EQ(caption(), "Script a.sql");

    window.mScript->insertPlainText(QString(100000, 'x'));
    {
        const vx::test::DiskFull full;
        ctrl(Qt::Key_S);
    }
    ASSERT_EQ(prompter.texts().size(), 2);
    EXPECT_TRUE(prompter.texts()[1].startsWith("Cannot create file \"" + path() + "\""));
    EXPECT_EQ(vx::test::fileBytes(path()), old);
    EXPECT_EQ(caption(), "Script a.sql *");
}

TEST_F(ScriptPageTest, AWindows1251FileIsSavedBackInItsEncodingAndLineEnds) {
    const QByteArray cp1251 = "PRINT '\xCF\xF0\xE8\xE2\xE5\xF2'\r\nGO\r\n";
    vx::test::writeFileBytes(path("a.sql"), cp1251);
    window.aScriptOpenAccept(path());
    EXPECT_EQ(window.mScript->toPlainText(), "PRINT 'Привет'\nGO\n");
    QFile::remove(path());
    ctrl(Qt::Key_S);
    EXPECT_EQ(vx::test::fileBytes(path()), cp1251);
}

TEST_F(ScriptPageTest, EveryCharacterOpenedOrTypedIsWhatASaveWritesAndARunGets) {
    const QString nbsp(QChar(0x00A0));
    const QString lineSeparator(QChar(0x2028));
    struct Case {
        QByteArray opened;
        QString text;
        QByteArray saved; // with a no-break space typed at the end
    };
    const QList<Case> cases = {
        {"SELECT 'x\xC2\xA0y'\xE2\x80\xA8--\nGO\n",
         "SELECT 'x" + nbsp + "y'" + lineSeparator + "--\nGO\n",
         "SELECT 'x\xC2\xA0y'\xE2\x80\xA8--\nGO\n\xC2\xA0"},
        {"PRINT '\xCF\xA0\xF0'\r\n", "PRINT 'П" + nbsp + "р'\n", "PRINT '\xCF\xA0\xF0'\r\n\xA0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.opened.toStdString());
        vx::test::writeFileBytes(path(), c.opened);
        window.aScriptOpenAccept(path());
        EXPECT_EQ(window.ScriptText(), c.text) << "the script a run sends";
        ctrl(Qt::Key_S);
        EXPECT_EQ(vx::test::fileBytes(path()), c.opened);

        window.mScript->moveCursor(QTextCursor::End);
        type(nbsp);
        EXPECT_EQ(window.ScriptText(), c.text + nbsp);
        ctrl(Qt::Key_S);
        EXPECT_EQ(vx::test::fileBytes(path()), c.saved);
    }
    EXPECT_EQ(prompter.prompts().size(), 4) << "only the saves' messages";
}

struct ChangesWarning {
    const char* language;
    const char* text; // %1 the file
    const char* caption;
};

class ChangesOnSave : public ScriptPageTest, public testing::WithParamInterface<ChangesWarning> {};

TEST_P(ChangesOnSave, AFileThatASaveWouldChangeIsNamedInAWarningWhenItOpens) {
    window.ZybTranslator->SetLanguageByName(GetParam().language);
    vx::test::writeFileBytes(path(), "PRINT 1\r\nGO\nPRINT 2\xE2\x80\xA9\n");
    window.aScriptOpenAccept(path());
    ASSERT_EQ(prompter.prompts().size(), 1);
    EXPECT_EQ(prompter.prompts()[0].icon, vx::PromptIcon::Warning);
    EXPECT_EQ(prompter.prompts()[0].caption, vx::applicationTitle());
    EXPECT_EQ(prompter.prompts()[0].text.toStdString(),
              QString::fromUtf8(GetParam().text).arg(path()).toStdString());
    EXPECT_EQ(window.ScriptText(), "PRINT 1\nGO\nPRINT 2\n\n") << "the file opens all the same";
    EXPECT_EQ(caption(), QString::fromUtf8(GetParam().caption));
}

INSTANTIATE_TEST_SUITE_P(
    Languages, ChangesOnSave,
    testing::Values(
        ChangesWarning{"English",
                       "The file \"%1\" will not be saved back exactly as it was read: its line "
                       "ends are mixed, and a save writes each as CR LF; it holds paragraph "
                       "separators (U+2029, U+FDD0 or U+FDD1), which the editor shows and a save "
                       "writes as line ends.",
                       "Script a.sql"},
        ChangesWarning{"Russian",
                       "Файл \"%1\" не будет сохранен в точности таким, каким был прочитан: в нем "
                       "смешаны разные концы строк, и при сохранении каждый будет записан как CR "
                       "LF; в нем есть разделители абзацев (U+2029, U+FDD0 или U+FDD1), которые "
                       "редактор показывает, а при сохранении записывает как концы строк.",
                       "Скрипт a.sql"}));

TEST_F(ScriptPageTest, ALargeFileIsReadAwayFromTheWindowAndAWholeTextIsWhatARunGets) {
    QByteArray big;
    while (big.size() < 5 * 1024 * 1024)
        big += "PRINT '\xCF\xF0\xE8\xE2\xE5\xF2'\r\nGO\r\n";
    vx::test::writeFileBytes(path("big.sql"), big);
    const auto waitFor = [](const std::function<bool()>& condition) {
        const QDeadlineTimer failsafe(60000);
        while (!condition() && !failsafe.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        return condition();
    };

    window.aScriptOpenAccept(path("big.sql"));
    window.aScriptOpenAccept(path("big.sql"));
    ASSERT_TRUE(waitFor([&] { return !window.mScript->toPlainText().isEmpty(); }));
    const QString whole = window.ScriptText();
    EXPECT_TRUE(whole == vx::fromCp1251(big).replace("\r\n", "\n")) << "the whole text";
    EXPECT_EQ(window.ScriptFileName, path("big.sql"));
    EXPECT_EQ(caption(), "Script big.sql");

    // A small file opened while a large one is still being read wins.
    vx::test::writeFileBytes(path(), "PRINT 'small'");
    window.aScriptOpenAccept(path("big.sql"));
    window.aScriptOpenAccept(path());
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    EXPECT_EQ(window.ScriptText(), "PRINT 'small'");
    EXPECT_EQ(caption(), "Script a.sql");
}

} // namespace
