#include "uZybDialogActions.h"

#include "Errors.h"
#include "Guard.h"
#include "uTUniqueReader.h"

#include <QLayout>
#include <QScopeGuard>
#include <QScreen>
#include <QTimer>

namespace {

constexpr int ParentPanelBorder = 5;
constexpr int StaticTextBorder = 5;
constexpr int WorkAreaReserve = 40;

// The first control in the tab order inside the content, or the content itself.
void focusContent(QWidget* content) {
    for (QWidget* w = content->nextInFocusChain(); w != content; w = w->nextInFocusChain())
        if (content->isAncestorOf(w) && w->isEnabled() && w->isVisibleTo(content) &&
            (w->focusPolicy() & Qt::TabFocus)) {
            w->setFocus(Qt::OtherFocusReason);
            return;
        }
    content->setFocus(Qt::OtherFocusReason);
}

} // namespace

TZybCustomDialogAction::TZybCustomDialogAction(QObject* owner) : QAction(owner) {
    connect(this, &QAction::triggered, this, [this] { vx::guarded([this] { Execute(); }); });
}

TZybCustomDialogAction::~TZybCustomDialogAction() {
    delete m_dialog;
}

bool TZybCustomDialogAction::Execute() {
    ModalResult = 0;
    m_dialog = new TfZybCustomDialog(qobject_cast<QWidget*>(parent()));
    std::exception_ptr failure;
    try {
        PrepareDialog();
        ApplyReadOnly();
        ModalResult = m_dialog->exec();
        if (ModalResult == TfZybCustomDialog::mrOk)
            DoOk();
    } catch (...) {
        failure = std::current_exception();
    }
    {
        const auto freeDialog = qScopeGuard([this] { delete m_dialog; });
        FinishDialog();
    }
    if (failure)
        std::rethrow_exception(failure);
    return ModalResult == TfZybCustomDialog::mrOk;
}

void TZybCustomDialogAction::SetDialogText(const QString& text) {
    m_dialogText = text;
    // Drawn at once, without running the event loop under whoever set the text.
    if (m_dialog) {
        m_dialog->SetText(text);
        m_dialog->StaticText->repaint();
    }
}

void TZybCustomDialogAction::PrepareDialog() {
    if (BeforeExecute)
        BeforeExecute(this);
    TfZybCustomDialog& dialog = *m_dialog;
    dialog.Action = this;
    dialog.setWindowTitle(DialogCaption);
    dialog.SetTextVisible(DialogTextVisible);
    dialog.SetText(m_dialogText);
    int clientWidth = ControlWidth;
    if (clientWidth < dialog.StaticText->width())
        clientWidth = dialog.StaticText->width() + 2 * StaticTextBorder;
    dialog.pTopRight->setVisible(TopRightControl);
    if (TopRightControl) {
        m_topRightLoan.lend(TopRightControl, dialog.pTopRight);
        dialog.pTopRight->setFixedWidth(TopRightControl->width());
        dialog.pTopRight->layout()->addWidget(TopRightControl);
        TopRightControl->show();
    }
    dialog.BeforeOk = BeforeOk;
    const int strips =
        (dialog.TextVisible() ? dialog.pTop->height() : 0) + dialog.pButton->height();
    dialog.resize(clientWidth, strips + ControlHeight + 2 * ParentPanelBorder);
    FitIntoWorkArea();
}

// Lower than the screen's work area if need be, centred on the screen.
void TZybCustomDialogAction::FitIntoWorkArea() {
    TfZybCustomDialog& dialog = *m_dialog;
    dialog.winId(); // the frame's size is known once the window exists
    const QRect workArea = dialog.screen()->availableGeometry();
    const int frameHeight = dialog.frameGeometry().height() - dialog.height();
    if (workArea.height() < dialog.frameGeometry().height())
        dialog.resize(dialog.width(), workArea.height() - WorkAreaReserve - frameHeight);
    QRect frame = dialog.frameGeometry();
    frame.moveCenter(workArea.center());
    dialog.move(frame.topLeft());
}

void TZybCustomDialogAction::ApplyReadOnly() {
    bool readOnly = ReadOnly;
    if (OnGetReadOnly)
        OnGetReadOnly(this, readOnly);
    m_dialog->OkButton().Button()->setEnabled(!readOnly);
}

void TZybCustomDialogAction::FinishDialog() {
    const auto giveBack = qScopeGuard([this] {
        m_topRightLoan.giveBack();
        if (m_dialog)
            m_dialog->pTopRight->hide();
    });
    if (AfterExecute)
        AfterExecute(this);
}

void TZybCustomDialogAction::DoOk() {
    if (OnOk)
        OnOk(this);
}

void TZybCustomDialogAction::DoBeforeCancel(bool& CanClose) {
    if (BeforeCancel)
        BeforeCancel(this, CanClose);
}

void TZybCustomDialogAction::DoAfterShow() {
    if (AfterShow)
        AfterShow(this);
}

void TZybCustomDialogAction::DoShow() {
    if (OnShow)
        OnShow(this);
}

TZybControlDialogAction::TZybControlDialogAction(QObject* owner) : TZybCustomDialogAction(owner) {}

void TZybControlDialogAction::PrepareDialog() {
    m_shownControl = nullptr;
    if (!Control)
        throw vx::Error("Property \"Control\" not assigned.");
    if (!ControlHeightForced)
        ControlHeight = Control->height();
    TZybCustomDialogAction::PrepareDialog();
    QWidget* parentPanel = Dialog()->ParentPanel;
    QWidget* shown;
    if (CopyControl) {
        shown = CloneControl(Control);
        shown->setParent(parentPanel);
    } else {
        m_loan.lend(Control, parentPanel);
        shown = Control;
    }
    m_shownControl = shown;
    parentPanel->layout()->addWidget(shown);
    shown->show();
    QTimer::singleShot(0, shown, [shown] { focusContent(shown); });
}

void TZybControlDialogAction::FinishDialog() {
    const auto giveBack = qScopeGuard([this] { m_loan.giveBack(); });
    TZybCustomDialogAction::FinishDialog();
    if (m_shownControl && Dialog()) {
        ControlWidth = Dialog()->width();
        ControlHeight = m_shownControl->height();
    }
}

QWidget* CloneControl(QWidget* Control) {
    return TUniqueReader::ReadComponent(*Control);
}
