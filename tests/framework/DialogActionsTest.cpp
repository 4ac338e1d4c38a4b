#include "ErrorText.h"
#include "ModalDriver.h"
#include "ScriptedPrompter.h"
#include "uTUniqueReader.h"
#include "uZybDialogActions.h"

#include <QLineEdit>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {

using vx::test::onNextModalOf;
using Step = std::function<void(TfZybCustomDialog*)>;

void clickOk(TfZybCustomDialog* dialog) {
    dialog->OkButton().Button()->click();
}

void clickCancel(TfZybCustomDialog* dialog) {
    dialog->CancelButton().Button()->click();
}

// A window holding the content between two other controls, as a settings page would.
struct Host {
    Host() {
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(new QWidget);
        layout->addWidget(content);
        layout->addWidget(new QWidget);
        content->setObjectName("Edit1");
        content->resize(380, 240);
        window.show();
    }
    QWidget window;
    QLineEdit* content = new QLineEdit(&window);
};

// Records the action's events with their senders.
struct Recorder {
    explicit Recorder(TZybCustomDialogAction& action) {
        auto note = [this](const char* name) {
            return [this, name](QObject* sender) { events << name, senders << sender; };
        };
        action.BeforeExecute = note("BeforeExecute");
        action.AfterExecute = note("AfterExecute");
        action.OnOk = note("OnOk");
        action.OnShow = note("OnShow");
        action.AfterShow = note("AfterShow");
        action.BeforeOk = [this](QObject* sender, bool&) {
            events << "BeforeOk", senders << sender;
        };
        action.BeforeCancel = [this](QObject* sender, bool&) {
            events << "BeforeCancel", senders << sender;
        };
        action.OnGetReadOnly = [this](QObject* sender, bool&) {
            events << "OnGetReadOnly", senders << sender;
        };
    }
    QStringList events;
    QList<QObject*> senders;
};

// An action lending the host's content to its dialog.
class DialogAction : public testing::Test {
protected:
    DialogAction() {
        action.Control = host.content;
        action.CopyControl = false;
    }

    Host host;
    TZybControlDialogAction action{&host.window};
};

TEST_F(DialogAction, RaisesItsEventsInOrderOnOk) {
    Recorder recorder(action);
    QObject* frame = nullptr;
    onNextModalOf<TfZybCustomDialog>([&](TfZybCustomDialog* dialog) {
        frame = dialog;
        clickOk(dialog);
    });
    EXPECT_TRUE(action.Execute());
    EXPECT_EQ(action.ModalResult, 1);
    EXPECT_EQ(recorder.events, QStringList({"BeforeExecute", "OnGetReadOnly", "OnShow", "AfterShow",
                                            "BeforeOk", "OnOk", "AfterExecute"}));
    for (int i = 0; i < recorder.senders.size(); ++i)
        EXPECT_EQ(recorder.senders[i], recorder.events[i] == "BeforeOk" ? frame : &action)
            << recorder.events[i].toStdString();
    EXPECT_EQ(action.Dialog(), nullptr);
}

TEST_F(DialogAction, RaisesNoOkEventsOnCancel) {
    Recorder recorder(action);
    onNextModalOf<TfZybCustomDialog>(clickCancel);
    EXPECT_FALSE(action.Execute());
    EXPECT_EQ(action.ModalResult, 2);
    EXPECT_EQ(recorder.events, QStringList({"BeforeExecute", "OnGetReadOnly", "OnShow", "AfterShow",
                                            "BeforeCancel", "AfterExecute"}));
}

TEST_F(DialogAction, VetoedOkAndCancelKeepTheDialogOpen) {
    vx::test::ScriptedPrompter prompter;
    int okAsked = 0, cancelAsked = 0;
    action.BeforeOk = [&](QObject*, bool& canClose) {
        if (++okAsked == 1)
            canClose = false;
        else
            throw vx::Error("Name not entered.");
    };
    action.BeforeCancel = [&](QObject*, bool& canClose) {
        ++cancelAsked;
        canClose = false;
    };
    onNextModalOf<TfZybCustomDialog>([&](TfZybCustomDialog* dialog) {
        clickOk(dialog);
        clickOk(dialog);
        clickCancel(dialog);
        QTest::keyClick(dialog, Qt::Key_Escape);
        EXPECT_TRUE(dialog->isVisible());
        dialog->close();
    });
    EXPECT_FALSE(action.Execute());
    EXPECT_EQ(action.ModalResult, 2) << "the close box cancels without asking";
    EXPECT_EQ(okAsked, 2);
    EXPECT_EQ(cancelAsked, 2);
    EXPECT_EQ(prompter.texts(), QStringList("Name not entered."));
}

TEST_F(DialogAction, ReadOnlyDisablesOkOnly) {
    for (bool fromHandler : {false, true}) {
        action.ReadOnly = !fromHandler;
        action.OnGetReadOnly = [&](QObject*, bool& readOnly) {
            if (fromHandler)
                readOnly = true;
        };
        onNextModalOf<TfZybCustomDialog>([&](TfZybCustomDialog* dialog) {
            EXPECT_FALSE(dialog->OkButton().Button()->isEnabled());
            QTest::keyClick(dialog, Qt::Key_Return);
            EXPECT_TRUE(dialog->isVisible());
            clickCancel(dialog);
        });
        EXPECT_FALSE(action.Execute());
        EXPECT_EQ(action.ModalResult, 2);
    }
}

// Content that keeps its own size between runs, as the editors' windows do.
struct Form : QWidget {
    Form() { resize(380, 240); }
};

TEST_F(DialogAction, SizesTheFrameFromTheContent) {
    Form form;
    action.Control = &form;
    struct Seen {
        QSize client;
        int parentPanel;
    } seen{};
    auto look = [&](TfZybCustomDialog* dialog) {
        seen = {dialog->size(), dialog->ParentPanel->height()};
        clickCancel(dialog);
    };

    onNextModalOf<TfZybCustomDialog>(look);
    action.Execute();
    EXPECT_EQ(seen.client, QSize(380, 310));
    EXPECT_EQ(seen.parentPanel, 250);

    action.DialogTextVisible = false;
    onNextModalOf<TfZybCustomDialog>(look);
    action.Execute();
    EXPECT_EQ(seen.client, QSize(380, 285));

    action.DialogTextVisible = true;
    action.SetDialogText(QString(100, 'W'));
    int textWidth = 0;
    onNextModalOf<TfZybCustomDialog>([&](TfZybCustomDialog* dialog) {
        textWidth = dialog->StaticText->width();
        look(dialog);
    });
    action.Execute();
    ASSERT_GT(textWidth, 380);
    EXPECT_EQ(seen.client.width(), textWidth + 10);

    action.SetDialogText("short");
    action.ControlHeightForced = true;
    action.ControlHeight = 2000;
    int outerHeight = 0;
    onNextModalOf<TfZybCustomDialog>([&](TfZybCustomDialog* dialog) {
        outerHeight = dialog->frameGeometry().height();
        look(dialog);
    });
    action.Execute();
    EXPECT_EQ(outerHeight, form.screen()->availableGeometry().height() - 40);
}

TEST_F(DialogAction, RemembersTheSizeTheUserLeft) {
    Form form;
    action.Control = &form;
    onNextModalOf<TfZybCustomDialog>([&](TfZybCustomDialog* dialog) {
        dialog->resize(500, 400);
        QTimer::singleShot(0, dialog, [dialog] { clickOk(dialog); });
    });
    action.Execute();
    EXPECT_EQ(action.ControlWidth, 500);
    EXPECT_EQ(action.ControlHeight, 400 - 25 - 35 - 10);

    QSize second;
    onNextModalOf<TfZybCustomDialog>([&](TfZybCustomDialog* dialog) {
        second = dialog->size();
        clickCancel(dialog);
    });
    action.Execute();
    EXPECT_EQ(second, QSize(500, 400));
}

enum class Ending { Ok, Cancel, BeforeExecuteFails, OnOkFails, AfterExecuteFails };

class DialogActionLending : public DialogAction, public testing::WithParamInterface<Ending> {};

TEST_P(DialogActionLending, GivesTheControlBack) {
    const Ending ending = GetParam();
    QWidget topRight(&host.window);
    topRight.hide();
    action.TopRightControl = &topRight;
    auto fail = [](QObject*) { throw vx::Error("handler failed"); };
    if (ending == Ending::BeforeExecuteFails)
        action.BeforeExecute = fail;
    if (ending == Ending::OnOkFails)
        action.OnOk = fail;
    if (ending == Ending::AfterExecuteFails)
        action.AfterExecute = fail;
    if (ending != Ending::BeforeExecuteFails)
        onNextModalOf<TfZybCustomDialog>([&](TfZybCustomDialog* dialog) {
            EXPECT_EQ(host.content->parentWidget(), dialog->ParentPanel);
            EXPECT_EQ(topRight.parentWidget(), dialog->pTopRight);
            ending == Ending::Cancel ? clickCancel(dialog) : clickOk(dialog);
        });

    const bool fails = ending != Ending::Ok && ending != Ending::Cancel;
    if (fails)
        EXPECT_THROW(action.Execute(), vx::Error);
    else
        action.Execute();

    EXPECT_EQ(host.content->parentWidget(), &host.window);
    EXPECT_EQ(host.window.layout()->indexOf(host.content), 1);
    EXPECT_TRUE(host.content->isVisible());
    EXPECT_EQ(topRight.parentWidget(), &host.window);
    EXPECT_TRUE(topRight.isHidden());
    EXPECT_EQ(action.Dialog(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Endings, DialogActionLending,
                         testing::Values(Ending::Ok, Ending::Cancel, Ending::BeforeExecuteFails,
                                         Ending::OnOkFails, Ending::AfterExecuteFails));

TEST_F(DialogAction, FailsWithoutControl) {
    vx::test::ScriptedPrompter prompter;
    action.Control = nullptr;
    QStringList events;
    action.BeforeExecute = [&](QObject*) { events << "BeforeExecute"; };
    action.AfterExecute = [&](QObject*) { events << "AfterExecute"; };
    EXPECT_EQ(vx::test::errorText([&] { action.Execute(); }), "Property \"Control\" not assigned.");
    EXPECT_EQ(events, QStringList("AfterExecute"));
    EXPECT_EQ(action.Dialog(), nullptr);

    action.trigger();
    EXPECT_EQ(prompter.texts(), QStringList("Property \"Control\" not assigned."));
}

TEST_F(DialogAction, ShowsACopyOfTheControlWhenAsked) {
    action.CopyControl = true;
    EXPECT_EQ(vx::test::errorText([&] { action.Execute(); }),
              "Cannot copy the control Edit1: no copy is known for class QLineEdit.");
    EXPECT_EQ(host.content->parentWidget(), &host.window);

    TUniqueReader::RegisterClass(QLineEdit::staticMetaObject, [](const QWidget& source) {
        auto* copy = new QLineEdit(static_cast<const QLineEdit&>(source).text());
        copy->setObjectName(source.objectName());
        return copy;
    });
    host.content->setText("typed");
    QPointer<QLineEdit> shown;
    onNextModalOf<TfZybCustomDialog>([&](TfZybCustomDialog* dialog) {
        shown = qobject_cast<QLineEdit*>(action.ShownControl());
        ASSERT_TRUE(shown);
        EXPECT_EQ(shown->parentWidget(), dialog->ParentPanel);
        EXPECT_EQ(shown->objectName(), "Edit11");
        EXPECT_EQ(shown->text(), "typed");
        clickOk(dialog);
    });
    action.Execute();
    EXPECT_EQ(host.content->parentWidget(), &host.window);
    EXPECT_TRUE(shown.isNull()) << "the copy dies with the frame";

    QSet<QString> taken{"panel1", "edit1"};
    EXPECT_EQ(TUniqueReader::UniqueName("Panel1", taken), "Panel11");
    taken.insert("panel11");
    EXPECT_EQ(TUniqueReader::UniqueName("Panel1", taken), "Panel12");
    EXPECT_EQ(TUniqueReader::UniqueName("Edit2", taken), "Edit2");
}

} // namespace
