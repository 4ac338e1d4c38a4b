#pragma once

#include "FindOptions.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QLineEdit;
class QRadioButton;

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

private:
    QLineEdit* m_text;
    QCheckBox* m_matchCase;
    QCheckBox* m_wholeWord;
    QRadioButton* m_up;
    QRadioButton* m_down;
    // Kept as set; only the flags the dialog shows are taken from its controls.
    TFindOptions m_otherOptions;
};

} // namespace vx
