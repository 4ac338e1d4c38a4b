#include "ufEditNamedObject.h"

#include "SingleLine.h"

#include <QHBoxLayout>
#include <QScopeGuard>
#include <QVBoxLayout>

namespace {
constexpr int NameLabelWidth = 42;
} // namespace

TfEditNamedObject::TfEditNamedObject(QWidget* parent)
    : QWidget(parent), pTop(addComponent(new QWidget(this), "pTop")),
      lName(addComponent(new QLabel("Name", pTop), "lName")),
      eName(addComponent(new QLineEdit(pTop), "eName")) {
    setObjectName("fEditNamedObject");
    setWindowTitle("fEditNamedObject");
    pTop->setFixedHeight(NameLineHeight);
    lName->setMinimumWidth(NameLabelWidth);
    lName->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    eName->setFixedHeight(21);
    // The edit starts 56 from the left and stretches with the window, 31 short of its right edge.
    auto* line = new QHBoxLayout(pTop);
    line->setContentsMargins(8, 4, 31, 8);
    line->setSpacing(6);
    line->addWidget(lName);
    line->addWidget(eName, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(pTop, 0, Qt::AlignTop);
    resize(380, NameLineHeight);
}

QString GetNamedObjectName(const TfEditNamedObject* Form) {
    return Form->eName->text();
}

void SetNamedObjectName(TfEditNamedObject* Form, const QString& Text) {
    vx::setFieldText(Form->eName, Text);
}

TZybNamedObjectDialogAction::TZybNamedObjectDialogAction(QObject* owner)
    : TZybControlDialogAction(owner) {
    CreateControlForm<TfEditNamedObject>();
}

TfEditNamedObject* TZybNamedObjectDialogAction::GetForm() const {
    return static_cast<TfEditNamedObject*>(Control.data());
}

void TZybNamedObjectDialogAction::PrepareDialog() {
    TfEditNamedObject* form = GetForm();
    form->lName->setText(LoadResString(&ZYB_NAMEDOBJECT_CAPTION));
    if (ExtraControl) {
        m_extraLoan.lend(ExtraControl, form);
        ControlWidth = ExtraControl->width();
        ControlHeight = form->pTop->height() + ExtraControl->height();
        ControlHeightForced = true;
        static_cast<QBoxLayout*>(form->layout())->addWidget(ExtraControl, 1);
        ExtraControl->show();
    } else {
        form->resize(form->width(), form->pTop->height());
    }
    TZybControlDialogAction::PrepareDialog();
}

void TZybNamedObjectDialogAction::FinishDialog() {
    const auto giveBack = qScopeGuard([this] {
        const QPointer<QWidget> extra = m_extraLoan.control();
        m_extraLoan.giveBack();
        if (!extra) // none lent, or gone with its home
            return;
        extra->hide();
        extra->resize(ControlWidth, extra->height());
    });
    TZybControlDialogAction::FinishDialog();
}
