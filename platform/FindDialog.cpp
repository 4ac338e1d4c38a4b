#include "FindDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTranslator>

namespace vx {

namespace {

const TFindOptions shownOptions = TFindOptions(frDown) | frMatchCase | frWholeWord;

// The dialog's captions in Russian, the words the desktop's own find dialogs use.
class RussianFindTexts : public QTranslator {
public:
    QString translate(const char* context, const char* source, const char*, int) const override {
        static const QHash<QByteArray, QString> texts{
            {"Find", QStringLiteral("Найти")},
            {"Fi&nd what:", QStringLiteral("&Что:")},
            {"Match &case", QStringLiteral("С у&четом регистра")},
            {"Match &whole word only", QStringLiteral("Только &слово целиком")},
            {"Direction", QStringLiteral("Направление")},
            {"&Up", QStringLiteral("&Вверх")},
            {"&Down", QStringLiteral("Вн&из")},
            {"&Find Next", QStringLiteral("&Найти далее")},
        };
        return qstrcmp(context, FindDialog::staticMetaObject.className()) == 0 ? texts.value(source)
                                                                               : QString();
    }
    bool isEmpty() const override { return false; }
};

} // namespace

FindDialog::FindDialog(QWidget* parent)
    : QDialog(parent), m_text(new QLineEdit(this)), m_textLabel(new QLabel(this)),
      m_matchCase(new QCheckBox), m_wholeWord(new QCheckBox), m_direction(new QGroupBox(this)),
      m_up(new QRadioButton), m_down(new QRadioButton),
      m_buttons(new QDialogButtonBox(Qt::Vertical, this)),
      m_next(m_buttons->addButton(QString(), QDialogButtonBox::ActionRole)) {
    setModal(false);
    auto* directionLayout = new QHBoxLayout(m_direction);
    directionLayout->addWidget(m_up);
    directionLayout->addWidget(m_down);
    m_down->setChecked(true);

    m_next->setDefault(true);
    m_buttons->addButton(QDialogButtonBox::Cancel);
    connect(m_next, &QPushButton::clicked, this, [this] {
        if (OnFind)
            OnFind(this);
    });
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    // The buddy makes "&n" the label's mnemonic instead of a shown ampersand.
    m_textLabel->setBuddy(m_text);
    auto* layout = new QGridLayout(this);
    layout->addWidget(m_textLabel, 0, 0);
    layout->addWidget(m_text, 0, 1, 1, 2);
    layout->addWidget(m_matchCase, 1, 0, 1, 2);
    layout->addWidget(m_wholeWord, 2, 0, 1, 2);
    layout->addWidget(m_direction, 1, 2, 2, 1);
    layout->addWidget(m_buttons, 0, 3, 3, 1);
    retranslate();
}

std::unique_ptr<QTranslator> FindDialog::translator(QLocale::Language language) {
    if (language == QLocale::Russian)
        return std::make_unique<RussianFindTexts>();
    return nullptr;
}

void FindDialog::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QDialog::changeEvent(event);
}

void FindDialog::retranslate() {
    setWindowTitle(tr("Find"));
    m_textLabel->setText(tr("Fi&nd what:"));
    m_matchCase->setText(tr("Match &case"));
    m_wholeWord->setText(tr("Match &whole word only"));
    m_direction->setTitle(tr("Direction"));
    m_up->setText(tr("&Up"));
    m_down->setText(tr("&Down"));
    m_next->setText(tr("&Find Next"));
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
