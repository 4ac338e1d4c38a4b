#include "ufZybCustomDialog.h"

#include "Guard.h"
#include "uZybDialogActions.h"

#include <QKeyEvent>
#include <QVBoxLayout>

namespace {

constexpr int TextStripHeight = 25;
constexpr int TopRightWidth = 91;
constexpr int ButtonStripHeight = 35;

} // namespace

TfZybCustomDialog::TfZybCustomDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint),
      pTop(addComponent(new QWidget(this), "pTop")),
      Panel1(addComponent(new QWidget(pTop), "Panel1")),
      StaticText(addComponent(new QLabel(Panel1), "StaticText")),
      pTopRight(addComponent(new QWidget(pTop), "pTopRight")),
      ParentPanel(addComponent(new QWidget(this), "ParentPanel")),
      pButton(addComponent(new TZybDlgButtonPanel(this), "pButton")) {
    setObjectName("fZybCustomDialog");
    setWindowTitle("Caption");

    pTop->setFixedHeight(TextStripHeight);
    auto* topLayout = new QHBoxLayout(pTop);
    topLayout->setContentsMargins(0, 0, 0, 0);
    topLayout->setSpacing(0);
    topLayout->addWidget(Panel1, 1);
    topLayout->addWidget(pTopRight);
    StaticText->move(5, 7);
    SetText("Text");
    pTopRight->setFixedWidth(TopRightWidth);
    (new QVBoxLayout(pTopRight))->setContentsMargins(0, 0, 0, 0);
    pTopRight->hide();

    auto* content = new QVBoxLayout(ParentPanel);
    content->setContentsMargins(5, 5, 5, 5);

    pButton->setFixedHeight(ButtonStripHeight);
    pButton->SetAlign(TZybDlgButtonPanel::alBottom);
    TZybDlgButton* ok = pButton->Buttons().Add();
    ok->Button()->setText("OK");
    ok->Button()->setDefault(true);
    ok->OnClick = [this] { ZybDlgButtonPanel1DlgButton1Click(); };
    TZybDlgButton* cancel = pButton->Buttons().Add();
    cancel->Button()->setText(QStringLiteral("Отмена"));
    cancel->OnClick = [this] { pButtonDlgButton2Click(); };

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(pTop);
    layout->addWidget(ParentPanel, 1);
    layout->addWidget(pButton);
}

void TfZybCustomDialog::SetTextVisible(bool visible) {
    m_textVisible = visible;
    pTop->setVisible(visible);
}

void TfZybCustomDialog::SetText(const QString& text) {
    StaticText->setText(text);
    StaticText->adjustSize();
}

void TfZybCustomDialog::ZybDlgButtonPanel1DlgButton1Click() {
    bool canClose = true;
    if (BeforeOk)
        BeforeOk(this, canClose);
    if (canClose)
        done(mrOk);
}

void TfZybCustomDialog::pButtonDlgButton2Click() {
    bool canClose = true;
    if (Action)
        Action->DoBeforeCancel(canClose);
    if (canClose)
        done(mrCancel);
}

void TfZybCustomDialog::reject() {
    done(mrCancel);
}

void TfZybCustomDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous() || !Action)
        return;
    vx::guarded([this] { Action->DoShow(); });
    QMetaObject::invokeMethod(this, &TfZybCustomDialog::WMAfterShow, Qt::QueuedConnection);
}

void TfZybCustomDialog::WMAfterShow() {
    if (Action)
        vx::guarded([this] { Action->DoAfterShow(); });
}

void TfZybCustomDialog::keyPressEvent(QKeyEvent* event) {
    // Esc is the Cancel button; Qt would reject the dialog as the close box does.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        CancelButton().Button()->click();
        return;
    }
    QDialog::keyPressEvent(event);
}
