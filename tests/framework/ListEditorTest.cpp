#include "ErrorText.h"
#include "Errors.h"
#include "ModalDriver.h"
#include "ScriptedPrompter.h"
#include "uZybDesignUtils.h"
#include "ufEditList.h"

#include <QApplication>
#include <QHelpEvent>
#include <QMap>
#include <QToolTip>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {

using vx::test::onNextModalOf;

struct Seen {
    QString caption;
    QString text;
    int parentPanelHeight = 0;
};

class ListEditor : public testing::Test {
protected:
    ListEditor() {
        action = new TZybListDialogAction(&owner);
        form = action->GetForm();
        action->EditFormBeforeShow = [this](QObject* sender) {
            EXPECT_EQ(sender, form);
            events << QString("before %1").arg(action->GetActiveItem());
        };
        action->EditFormAfterShow = [this](QObject* sender) {
            EXPECT_EQ(sender, form);
            events << QString("after %1").arg(action->GetActiveItem());
        };
    }

    // Answers the next entry dialog: types the name, then OK or Cancel.
    void answerEntry(const QString& name, bool ok) {
        onNextModalOf<TfZybCustomDialog>([this, name, ok](TfZybCustomDialog* dialog) {
            seen = {dialog->windowTitle(), dialog->StaticText->text(),
                    dialog->ParentPanel->height()};
            SetNamedObjectName(form->aNamedObject->GetForm(), name);
            (ok ? dialog->OkButton() : dialog->CancelButton()).Button()->click();
        });
    }

    QList<TZybListEntry> entries() const { return action->List().Entries(); }

    vx::test::ScriptedPrompter prompter;
    QWidget owner;
    TZybListDialogAction* action;
    TfEditList* form;
    QStringList events;
    Seen seen;
    QObject a, b, c;
};

TEST_F(ListEditor, EditsTheListInsideItsDialog) {
    action->SetList({{"A", &a}, {"B", &b}});
    QList<TZybListEntry> atOk;
    action->OnOk = [&](QObject*) { atOk = entries(); };
    onNextModalOf<TfZybCustomDialog>([&](TfZybCustomDialog* dialog) {
        EXPECT_EQ(dialog->ParentPanel->findChild<TfEditList*>(), form);
        answerEntry("C", true);
        form->aNew->trigger();
        action->List().SetObject(2, &c);
        action->SetActiveItem(0);
        answerEntry("A2", true);
        emit form->ListBox->itemDoubleClicked(form->ListBox->item(0));
        form->aMoveDown->trigger();
        dialog->OkButton().Button()->click();
    });
    EXPECT_TRUE(action->Execute());
    const QList<TZybListEntry> expected{{"B", &b}, {"A2", &a}, {"C", &c}};
    EXPECT_EQ(atOk, expected);
    EXPECT_EQ(events, QStringList({"before -1", "after 2", "before 0", "after 0"}));
    EXPECT_EQ(form->parentWidget(), nullptr) << "the list window is given back";
}

TEST_F(ListEditor, AddsANewEntryOnlyOnOk) {
    answerEntry("A", false);
    form->aNew->trigger();
    EXPECT_TRUE(entries().isEmpty());
    EXPECT_EQ(action->GetActiveItem(), -1);
    EXPECT_EQ(events, QStringList("before -1"));

    answerEntry("A", true);
    form->aNew->trigger();
    EXPECT_EQ(entries(), QList<TZybListEntry>({{"A", nullptr}}));
    EXPECT_EQ(action->GetActiveItem(), 0);
    EXPECT_EQ(events, QStringList({"before -1", "before -1", "after 0"}));
}

TEST_F(ListEditor, RefusesAnEmptyNameAndKeepsTheDialogOpen) {
    onNextModalOf<TfZybCustomDialog>([&](TfZybCustomDialog* dialog) {
        QLineEdit* name = form->aNamedObject->GetForm()->eName;
        name->clear();
        dialog->OkButton().Button()->click();
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(prompter.texts(), QStringList("Name not entered."));
        name->setText(" ");
        dialog->OkButton().Button()->click();
    });
    form->aNew->trigger();
    EXPECT_EQ(entries(), QList<TZybListEntry>({{" ", nullptr}}));
}

TEST_F(ListEditor, EditsRenamesTheSelectedEntryOnly) {
    action->SetList({{"A", &a}, {"B", &b}});
    form->aEdit->trigger(); // no selection: nothing opens
    action->SetActiveItem(1);
    answerEntry("A", true); // a repeated name is a name
    form->aEdit->trigger();
    EXPECT_EQ(entries(), QList<TZybListEntry>({{"A", &a}, {"A", &b}}));
    EXPECT_EQ(events, QStringList({"before 1", "after 1"}));
}

TEST_F(ListEditor, MovesAndDeletesTheSelectedEntry) {
    action->SetList({{"A", &a}, {"B", &b}, {"C", &c}});
    action->SetActiveItem(0);
    form->aMoveUp->trigger();
    EXPECT_EQ(entries(), QList<TZybListEntry>({{"A", &a}, {"B", &b}, {"C", &c}}));
    form->aMoveDown->trigger();
    EXPECT_EQ(entries(), QList<TZybListEntry>({{"B", &b}, {"A", &a}, {"C", &c}}));
    EXPECT_EQ(action->GetActiveItem(), 1);
    action->SetActiveItem(2);
    form->aMoveDown->trigger();
    EXPECT_EQ(entries(), QList<TZybListEntry>({{"B", &b}, {"A", &a}, {"C", &c}}));
    form->aMoveUp->trigger();
    EXPECT_EQ(entries(), QList<TZybListEntry>({{"B", &b}, {"C", &c}, {"A", &a}}));

    form->aDelete->trigger();
    EXPECT_EQ(entries(), QList<TZybListEntry>({{"B", &b}, {"A", &a}}));
    EXPECT_EQ(action->GetActiveItem(), -1);
    form->aDelete->trigger();
    form->aMoveDown->trigger();
    EXPECT_EQ(entries().size(), 2);
    EXPECT_TRUE(prompter.texts().isEmpty());
}

TEST_F(ListEditor, WithoutASelectionTheToolbarDoesNothing) {
    action->SetList({{"A", &a}, {"B", &b}});
    // What focus does to the list box when the dialog opens.
    form->ListBox->selectionModel()->setCurrentIndex(form->ListBox->model()->index(0, 0),
                                                     QItemSelectionModel::NoUpdate);
    EXPECT_EQ(action->GetActiveItem(), -1);
    action->EditFormBeforeShow = [](QObject*) { throw vx::Error("an entry was edited"); };
    for (QAction* step : {form->aEdit, form->aDelete, form->aMoveDown, form->aMoveUp})
        step->trigger();
    EXPECT_EQ(entries(), QList<TZybListEntry>({{"A", &a}, {"B", &b}}));
    EXPECT_TRUE(prompter.texts().isEmpty());

    action->SetActiveItem(1);
    action->SetActiveItem(-1);
    EXPECT_EQ(action->GetActiveItem(), -1);
    form->aDelete->trigger();
    EXPECT_EQ(entries().size(), 2);
}

TEST_F(ListEditor, TheNamedListRaisesTheIndexErrorOutsideItsEntries) {
    action->SetList({{"A", &a}});
    TZybNamedList list = action->List();
    for (int index : {-1, 1}) {
        const QString error = QString("List index out of bounds (%1)").arg(index);
        EXPECT_EQ(vx::test::errorText([&] { list.Strings(index); }), error);
        EXPECT_EQ(vx::test::errorText([&] { list.Objects(index); }), error);
        EXPECT_EQ(vx::test::errorText([&] { list.SetObject(index, &b); }), error);
    }
    EXPECT_EQ(entries(), QList<TZybListEntry>({{"A", &a}}));
}

TEST_F(ListEditor, OnlyTheEditingButtonsShowAHint) {
    owner.show();
    form->show();
    QStringList hints; // the hidden tip stays visible a moment: the silent buttons come first
    for (QAction* button :
         {form->aMoveUp, form->aMoveDown, form->aNew, form->aEdit, form->aDelete}) {
        QWidget* widget = form->ActionToolBar1->widgetForAction(button);
        QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), widget->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(widget, &help);
        hints << (QToolTip::isVisible() ? QToolTip::text() : QString());
        QToolTip::hideText();
    }
    EXPECT_EQ(hints, QStringList({"", "", "Создать", "Редактировать", "Удалить"}));
}

TEST_F(ListEditor, MoveEnabledShowsOrHidesTheMoveButtons) {
    EXPECT_TRUE(action->GetMoveEnabled());
    action->SetMoveEnabled(false);
    EXPECT_FALSE(form->aMoveUp->isVisible());
    EXPECT_FALSE(form->aMoveDown->isVisible());
    for (QAction* other : {form->aNew, form->aEdit, form->aDelete})
        EXPECT_TRUE(other->isVisible());
}

TEST_F(ListEditor, TitlesTheEntryDialog) {
    answerEntry("A", true);
    form->aNew->trigger();
    EXPECT_EQ(seen.caption, "Named object: new");
    EXPECT_EQ(seen.text, "Enter Named object properties:");
    EXPECT_EQ(seen.parentPanelHeight, 33 + 10) << "the name line alone";

    action->setProperty("NamedObjectTitle", "Tool");
    answerEntry("A", true);
    form->aEdit->trigger();
    EXPECT_EQ(seen.caption, "Tool: edit");
    EXPECT_EQ(seen.text, "Enter Tool properties:");
}

TEST_F(ListEditor, TakesItsWordsFromTheirResourceStrings) {
    static const bool registered = [] {
        for (auto [rec, name] :
             {std::pair{&ZYB_NAMEDOBJECT_CAPTION, "ZYB_NAMEDOBJECT_CAPTION"},
              {&ZYB_NAMEDOBJECT_EDIT_CAPTION, "ZYB_NAMEDOBJECT_EDIT_CAPTION"},
              {&ZYB_NAMEDOBJECT_EDIT_TEXT, "ZYB_NAMEDOBJECT_EDIT_TEXT"},
              {&ZYB_NEW, "ZYB_NEW"},
              {&ZYB_EDIT, "ZYB_EDIT"},
              {&ZYB_NAMEDOBJECT_ERROR_EMPTYNAME, "ZYB_NAMEDOBJECT_ERROR_EMPTYNAME"}})
            ZybResProc().AddResString(rec, name);
        return true;
    }();
    ASSERT_TRUE(registered);
    const QMap<QString, QString> russian{
        {"ZYB_NAMEDOBJECT_CAPTION", "Название"},
        {"ZYB_NAMEDOBJECT_EDIT_CAPTION", "<%s>"},
        {"ZYB_NAMEDOBJECT_EDIT_TEXT", "Введите свойства записи (%s):"},
        {"ZYB_NEW", "создать"},
        {"ZYB_NAMEDOBJECT_ERROR_EMPTYNAME", "Название должно быть задано."}};
    TZybLoadStringHandler handler([&](TZybResProc*, const QString& name, QString& text) {
        text = russian.value(name, text);
    });

    action->SetNamedObjectTitle("Приложение");
    onNextModalOf<TfZybCustomDialog>([&](TfZybCustomDialog* dialog) {
        EXPECT_EQ(form->aNamedObject->GetForm()->lName->text(), "Название");
        dialog->OkButton().Button()->click();
        dialog->CancelButton().Button()->click();
    });
    form->aNew->trigger();
    EXPECT_EQ(form->aNamedObject->DialogCaption, "<Приложение>: создать");
    EXPECT_EQ(form->aNamedObject->GetDialogText(), "Введите свойства записи (Приложение):");
    EXPECT_EQ(prompter.texts(), QStringList("Название должно быть задано."));
}

TEST_F(ListEditor, TranslationTablesReachItsTexts) {
    for (const char* name : {"DialogCaption", "DialogText", "NamedObjectTitle"})
        ASSERT_TRUE(SetPropText(action, name, QString("%1 text").arg(name)));
    EXPECT_EQ(action->DialogCaption, "DialogCaption text");
    EXPECT_EQ(action->GetDialogText(), "DialogText text");
    EXPECT_EQ(action->GetNamedObjectTitle(), "NamedObjectTitle text");
}

TEST_F(ListEditor, LendsTheItemControlAndGivesItBackHidden) {
    QWidget page;
    auto* layout = new QVBoxLayout(&page);
    auto* item = new QWidget;
    item->resize(369, 125);
    layout->addWidget(new QWidget);
    layout->addWidget(item);
    item->hide();
    page.show();
    action->ItemControl = item;
    TZybNamedObjectDialogAction& entryAction = *form->aNamedObject;

    for (bool fail : {false, true}) {
        entryAction.AfterExecute = [fail](QObject*) {
            if (fail)
                throw vx::Error("handler failed");
        };
        onNextModalOf<TfZybCustomDialog>([&](TfZybCustomDialog* dialog) {
            EXPECT_EQ(item->parentWidget(), entryAction.GetForm());
            EXPECT_TRUE(item->isVisible());
            seen.parentPanelHeight = dialog->ParentPanel->height();
            dialog->CancelButton().Button()->click();
        });
        form->aNew->trigger();
        EXPECT_EQ(seen.parentPanelHeight, 33 + 125 + 10);
        EXPECT_EQ(entryAction.ControlHeight, 33 + 125);
        EXPECT_TRUE(entryAction.ControlHeightForced);
        EXPECT_EQ(item->parentWidget(), &page);
        EXPECT_EQ(layout->indexOf(item), 1);
        EXPECT_TRUE(item->isHidden());
    }
    EXPECT_EQ(prompter.texts(), QStringList("handler failed"));
}

TEST_F(ListEditor, AnItemControlWhosePageWentWhileLentGoesWithIt) {
    auto* page = new QWidget;
    QPointer<QWidget> item = new QWidget(page);
    action->ItemControl = item;
    onNextModalOf<TfZybCustomDialog>([&](TfZybCustomDialog* dialog) {
        delete page;
        dialog->CancelButton().Button()->click();
    });
    form->aNew->trigger();
    EXPECT_TRUE(item.isNull());
    EXPECT_TRUE(prompter.texts().isEmpty());
}

} // namespace
