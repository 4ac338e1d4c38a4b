#pragma once

#include "FindOptions.h"

#include <QDialog>
#include <QLocale>
#include <functional>
#include <memory>

class QCheckBox;
class QDialogButtonBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTranslator;

namespace vx {

// The modeless find dialog: a text, match case, whole word and the direction. OnFind is raised
// each time the user asks for the next hit; FindText and Options then hold what the dialog shows.
class FindDialog : public QDialog {
    Q_OBJECT
    Q_PROPERTY(QString FindText READ findText WRITE setFindText)
    Q_PROPERTY(vx::TFindOptions Options READ options WRITE setOptions)
public:
    explicit FindDialog(QWidget* parent = nullptr);

    QString findText() const;
    void setFindText(const QString& text);
    TFindOptions options() const;
    void setOptions(TFindOptions options);

    // Shows the dialog without blocking, in front.
    void Execute();

    std::function<void(QObject* Sender)> OnFind;

    // The dialog's captions in that language, to install beside Qt's own translation as the
    // desktop's find dialog would speak it; none for English or a language it does not know.
    static std::unique_ptr<QTranslator> translator(QLocale::Language language);

protected:
    void changeEvent(QEvent* event) override;

private:
    void retranslate();

    QLineEdit* m_text;
    QLabel* m_textLabel;
    QCheckBox* m_matchCase;
    QCheckBox* m_wholeWord;
    QGroupBox* m_direction;
    QRadioButton* m_up;
    QRadioButton* m_down;
    QDialogButtonBox* m_buttons;
    QPushButton* m_next;
    // Kept as set; only the flags the dialog shows are taken from its controls.
    TFindOptions m_otherOptions;
};

} // namespace vx
