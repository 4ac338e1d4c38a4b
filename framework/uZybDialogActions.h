#pragma once

#include "ControlLoan.h"
#include "ufZybCustomDialog.h"

#include <QAction>
#include <QPointer>
#include <functional>
#include <memory>

using TZybGetReadOnlyEvent = std::function<void(QObject* Sender, bool& AREadOnly)>;

// An action that shows the dialog frame around some content and reports the run through events,
// in this order: BeforeExecute, OnGetReadOnly, OnShow, AfterShow (once the window stands),
// BeforeOk or BeforeCancel (at each press; either may refuse), OnOk (only after OK, while the
// window still exists), AfterExecute. BeforeOk gets the frame window as sender, every other event
// the action. Triggering the action runs it inside the exception guard; Execute() lets a failure
// go to its caller.
class TZybCustomDialogAction : public QAction {
    Q_OBJECT
    Q_PROPERTY(QString DialogCaption MEMBER DialogCaption)
    Q_PROPERTY(QString DialogText READ GetDialogText WRITE SetDialogText)
public:
    using TNotifyEvent = std::function<void(QObject* Sender)>;
    using TCloseQueryEvent = TfZybCustomDialog::TCloseQueryEvent;

    explicit TZybCustomDialogAction(QObject* owner = nullptr);
    ~TZybCustomDialogAction() override;

    // Runs the dialog modally; true when it ended with OK.
    bool Execute();

    // The frame of the current run; none between runs.
    TfZybCustomDialog* Dialog() const { return m_dialog; }

    QString GetDialogText() const { return m_dialogText; }
    // Shown at once in an open dialog.
    void SetDialogText(const QString& text);

    QString DialogCaption;
    bool DialogTextVisible = true;
    int ControlHeight = 240; // height of the content area
    int ControlWidth = 380;  // client width of the window
    bool ControlHeightForced = false;
    bool ReadOnly = false;             // disables OK
    QPointer<QWidget> TopRightControl; // shown at the right end of the text line; not owned
    int ModalResult = 0;               // of the last run: 0 none, 1 OK, 2 Cancel

    TNotifyEvent BeforeExecute;
    TNotifyEvent AfterExecute;
    TNotifyEvent OnOk;
    TCloseQueryEvent BeforeOk;
    TCloseQueryEvent BeforeCancel;
    TNotifyEvent OnShow;
    TNotifyEvent AfterShow;
    TZybGetReadOnlyEvent OnGetReadOnly;

    // Raised by the frame.
    virtual void DoBeforeCancel(bool& CanClose);
    virtual void DoAfterShow();
    virtual void DoShow();

protected:
    virtual void PrepareDialog();
    virtual void FinishDialog();
    virtual void DoOk();
    virtual void ApplyReadOnly();

private:
    void FitIntoWorkArea();

    QPointer<TfZybCustomDialog> m_dialog;
    QString m_dialogText;
    vx::ControlLoan m_topRightLoan;
};

// A dialog action whose content is a given control, or a copy of it. The control is lent to the
// frame for the run and given back to its place afterwards, whatever the outcome; the size the
// user left the window at is kept for the next run.
class TZybControlDialogAction : public TZybCustomDialogAction {
    Q_OBJECT
public:
    explicit TZybControlDialogAction(QObject* owner = nullptr);

    QPointer<QWidget> Control; // not owned, unless made by CreateControlForm
    bool CopyControl = true;   // show a copy of Control instead of Control itself
    // What the current run shows: Control or its copy.
    QWidget* ShownControl() const { return m_shownControl; }

    // Makes a window of the given class the content, owned by the action and shown itself.
    template <class Form> Form* CreateControlForm() {
        auto* form = new Form();
        m_ownedControl.reset(form);
        Control = form;
        CopyControl = false;
        return form;
    }

protected:
    void PrepareDialog() override;
    void FinishDialog() override;

private:
    std::unique_ptr<QWidget> m_ownedControl;
    QPointer<QWidget> m_shownControl;
    vx::ControlLoan m_loan;
};

// A deep copy of the control, with the control's parent and names unique in its window.
QWidget* CloneControl(QWidget* Control);
