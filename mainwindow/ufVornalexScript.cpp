// The script page: the script editor with its open and save actions, the file it came from and
// the tab caption that names it.

#include "ufVornalex.h"

#include "Format.h"
#include "Guard.h"
#include "Prompter.h"
#include "StepwiseTextFill.h"
#include "ThemeIcon.h"
#include "uTZybTranslator.h"
#include "uZybUtils.h"

#include <QAction>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTextDocument>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

// Files from this size on are read away from the GUI thread.
constexpr qint64 largeScript = 4 * 1024 * 1024;

// The memo's keys, with the letters of the Russian layout that lie on the same keys.
constexpr int keySelectAllRussian = 0x0424; // Ф
constexpr int keySaveRussian = 0x042B;      // Ы

vx::FileDialogRequest scriptFileRequest(const QString& fileName) {
    vx::FileDialogRequest request;
    request.fileName = fileName;
    request.filter = QStringLiteral("SQL files (*.sql);;All files (*)");
    request.defaultSuffix = QStringLiteral("sql");
    return request;
}

QString folderOf(const QString& fileName) {
    return QFileInfo(fileName).absolutePath() + QLatin1Char('/');
}

// Hands the editor's key presses to the window before the editor handles them.
class ScriptKeys : public QObject {
public:
    ScriptKeys(TfVornalex* window, QObject* editor) : QObject(editor), m_window(window) {
        editor->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            vx::guarded([&] { m_window->mScriptKeyDown(key->key(), key->modifiers()); });
        }
        return false;
    }

private:
    TfVornalex* m_window;
};

} // namespace

void TfVornalex::buildScriptPage() {
    const QStyle* s = style();
    aScriptOpen =
        addComponent(new QAction(vx::themeIcon("document-open", QStyle::SP_DialogOpenButton, s),
                                 QStringLiteral("Открыть скрипт..."), this),
                     QStringLiteral("aScriptOpen"));
    aScriptOpen->setToolTip(QStringLiteral("Open"));
    aScriptOpen->setStatusTip(QStringLiteral("Opens an existing file"));
    aScriptOpen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    aScriptOpen->setShortcutContext(Qt::WindowShortcut);
    addAction(aScriptOpen);
    connect(aScriptOpen, &QAction::triggered, this,
            [this] { vx::guarded([this] { aScriptOpenExecute(); }); });
    aScriptSave =
        addComponent(new QAction(vx::themeIcon("document-save-as", QStyle::SP_DialogSaveButton, s),
                                 QStringLiteral("Сохранить скрипт как..."), this),
                     QStringLiteral("aScriptSave"));
    aScriptSave->setToolTip(QStringLiteral("Save As"));
    aScriptSave->setStatusTip(QStringLiteral("Saves the active file with a new name"));
    connect(aScriptSave, &QAction::triggered, this,
            [this] { vx::guarded([this] { aScriptSaveExecute(); }); });

    ActionToolBar1 = addComponent(new QToolBar(tsScript), QStringLiteral("ActionToolBar1"));
    ActionToolBar1->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    ActionToolBar1->addSeparator();
    ActionToolBar1->addAction(aScriptOpen);
    ActionToolBar1->addAction(aScriptSave);
    ActionToolBar1->addSeparator();

    mScript = addComponent(new QPlainTextEdit(tsScript), QStringLiteral("mScript"));
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setPixelSize(13);
    mScript->setFont(font);
    mScript->setLineWrapMode(QPlainTextEdit::NoWrap);
    mScript->setFrameShape(QFrame::NoFrame);
    connect(mScript, &QPlainTextEdit::textChanged, this, [this] { mScriptChange(); });
    new ScriptKeys(this, mScript);
    m_scriptFill = new vx::StepwiseTextFill(mScript);

    auto* layout = new QVBoxLayout(tsScript);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(ActionToolBar1);
    layout->addWidget(mScript, 1);
}

void TfVornalex::aScriptOpenExecute() {
    if (const auto name = vx::prompter().openFileName(scriptFileRequest(ScriptFileName)))
        aScriptOpenAccept(*name);
}

void TfVornalex::aScriptSaveExecute() {
    if (const auto name = vx::prompter().saveFileName(scriptFileRequest(ScriptFileName)))
        aScriptSaveAccept(vx::withScriptExtension(*name));
}

void TfVornalex::aScriptOpenAccept(const QString& FileName) {
    ScriptDir = folderOf(FileName);
    const quint64 open = ++m_scriptOpens;
    if (QFileInfo(FileName).size() < largeScript) {
        ShowOpenedScript(FileName, vx::loadScript(FileName));
        return;
    }
    // Reading and decoding tens of megabytes would keep the window waiting for a second or more.
    auto* reading = new QFutureWatcher<vx::ScriptText>(this);
    connect(reading, &QFutureWatcherBase::finished, this, [this, reading, FileName, open] {
        reading->deleteLater();
        if (open == m_scriptOpens)
            vx::guarded([&] { ShowOpenedScript(FileName, reading->future().result()); });
    });
    reading->setFuture(vx::loadScriptInBackground(FileName));
}

void TfVornalex::ShowOpenedScript(const QString& FileName, vx::ScriptText Script) {
    const QString changes = vx::changesOnSave(FileName, Script);
    if (!changes.isEmpty())
        vx::prompter().show(vx::PromptIcon::Warning, vx::applicationTitle(), changes);
    // A large text goes in piece by piece; the file becomes current once it is in whole.
    m_scriptFill->start(std::move(Script.text), [this, FileName, format = Script.format] {
        m_scriptFormat = format;
        ScriptFileName = QFileInfo(FileName).absoluteFilePath();
        UpdateScriptCaption(false);
    });
}

void TfVornalex::aScriptSaveAccept(const QString& FileName) {
    const QString text = ScriptText();
    const QString path = QFileInfo(FileName).absoluteFilePath();
    ScriptDir = folderOf(path);
    vx::saveScript(path, text, m_scriptFormat);
    ScriptFileName = path;
    UpdateScriptCaption(false);
    ShowInfo(vx::format(LoadResString(&WP_FILE_SAVED), {path}));
}

void TfVornalex::mScriptChange() {
    UpdateScriptCaption(true);
}

void TfVornalex::mScriptKeyDown(int Key, Qt::KeyboardModifiers Shift) {
    if (!Shift.testFlag(Qt::ControlModifier))
        return;
    if (Key == Qt::Key_A || Key == keySelectAllRussian)
        mScript->selectAll();
    if (Key == Qt::Key_S || Key == keySaveRussian) {
        m_scriptFill->finish();
        if (!ScriptFileName.isEmpty())
            aScriptSaveAccept(ScriptFileName);
        else
            aScriptSaveExecute();
    }
}

void TfVornalex::UpdateScriptCaption(bool Modified) {
    ScriptModified = Modified;
    QString caption =
        ZybTranslator->Translate(QStringLiteral("tsScript.Caption"), QStringLiteral("Скрипт"));
    if (!ScriptFileName.isEmpty())
        caption += QLatin1Char(' ') + QFileInfo(ScriptFileName).fileName();
    if (ScriptModified)
        caption += QStringLiteral(" *");
    pc->setTabText(pc->indexOf(tsScript), caption);
}

QString TfVornalex::ScriptText() {
    m_scriptFill->finish();
    // toPlainText() would turn no-break spaces into spaces and line separators into line ends.
    // The raw text keeps every character; U+2029 in it only ever separates the editor's lines.
    QString text = mScript->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return text;
}
