// The script page: the script editor with its open and save actions.

#include "ufVornalex.h"

#include "ThemeIcon.h"

#include <QAction>
#include <QPlainTextEdit>
#include <QToolBar>
#include <QVBoxLayout>

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
    aScriptSave =
        addComponent(new QAction(vx::themeIcon("document-save-as", QStyle::SP_DialogSaveButton, s),
                                 QStringLiteral("Сохранить скрипт как..."), this),
                     QStringLiteral("aScriptSave"));
    aScriptSave->setToolTip(QStringLiteral("Save As"));
    aScriptSave->setStatusTip(QStringLiteral("Saves the active file with a new name"));

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

    auto* layout = new QVBoxLayout(tsScript);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(ActionToolBar1);
    layout->addWidget(mScript, 1);
}
