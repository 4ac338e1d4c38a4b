#include "FindDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace vx {

namespace {
const TFindOptions shownOptions = TFindOptions(frDown) | frMatchCase | frWholeWord;
}

FindDialog::FindDialog(QWidget* parent)
    : QDialog(parent), m_text(new QLineEdit(this)), m_matchCase(new QCheckBox(tr("Match &case"))),
      m_wholeWord(new QCheckBox(tr("Match &whole word only"))), m_up(new QRadioButton(tr("&Up"))),
      m_down(new QRadioButton(tr("&Down"))) {
    setWindowTitle(tr("Find"));
    setModal(false);
    auto* direction = new QGroupBox(tr("Direction"), this);
    auto* directionLayout = new QHBoxLayout(direction);
    directionLayout->addWidget(m_up);
    directionLayout->addWidget(m_down);
    m_down->setChecked(true);

    auto* buttons = new QDialogButtonBox(Qt::Vertical, this);
    QPushButton* next = buttons->addButton(tr("&Find Next"), QDialogButtonBox::ActionRole);
    next->setDefault(true);
    buttons->addButton(QDialogButtonBox::Cancel);
    connect(next, &QPushButton::clicked, this, [this] {
        if (OnFind)
            OnFind(this);
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    // The buddy makes "&n" the label's mnemonic instead of a shown ampersand.
    auto* textLabel = new QLabel(tr("Fi&nd what:"), this);
    textLabel->setBuddy(m_text);
    auto* layout = new QGridLayout(this);
    layout->addWidget(textLabel, 0, 0);
    layout->addWidget(m_text, 0, 1, 1, 2);
    layout->addWidget(m_matchCase, 1, 0, 1, 2);
    layout->addWidget(m_wholeWord, 2, 0, 1, 2);
    layout->addWidget(direction, 1, 2, 2, 1);
    layout->addWidget(buttons, 0, 3, 3, 1);
}

QString FindDialog::findText() const {
    return m_text->text();
}

void FindDialog::setFindText(const QString& text) {
    m_text->setText(text);
}

TFindOptions FindDialog::options() const {
    TFindOptions options = m_otherOptions;
    options.setFlag(frDown, m_down->isChecked());
    options.setFlag(frMatchCase, m_matchCase->isChecked());
    options.setFlag(frWholeWord, m_wholeWord->isChecked());
    return options;
}

void FindDialog::setOptions(TFindOptions options) {
    m_otherOptions = options & ~shownOptions;
    (options.testFlag(frDown) ? m_down : m_up)->setChecked(true);
    m_matchCase->setChecked(options.testFlag(frMatchCase));
    m_wholeWord->setChecked(options.testFlag(frWholeWord));
}

void FindDialog::Execute() {
    show();
    raise();
    activateWindow();
}

} // namespace vx
