#pragma once

#include "ControlLoan.h"
#include "Form.h"
#include "uZybDialogActions.h"
#include "uZybLoadRes.h"

#include <QLabel>
#include <QLineEdit>
#include <QWidget>

// The editors' words, translatable by these names.
inline constexpr TResStringRec ZYB_NAMEDOBJECT_CAPTION{"Name"};
inline constexpr TResStringRec ZYB_NAMEDOBJECT_EDIT_CAPTION{"%s"};
inline constexpr TResStringRec ZYB_NAMEDOBJECT_EDIT_TEXT{"Enter %s properties:"};
inline constexpr TResStringRec ZYB_NEW{"new"};
inline constexpr TResStringRec ZYB_EDIT{"edit"};
inline constexpr TResStringRec ZYB_NAMEDOBJECT_ERROR_EMPTYNAME{"Name not entered."};

// The "Name" line of a named object, with room below it for a control of the object's other
// properties.
class TfEditNamedObject : public QWidget, public vx::Form {
    Q_OBJECT
public:
    static constexpr int NameLineHeight = 33;

    explicit TfEditNamedObject(QWidget* parent = nullptr);

    QWidget* pTop;
    QLabel* lName;
    QLineEdit* eName;
};

QString GetNamedObjectName(const TfEditNamedObject* Form);
void SetNamedObjectName(TfEditNamedObject* Form, const QString& Text);

// A dialog that edits one named object: the name line and, below it, the caller's ExtraControl
// (lent for the run and given back hidden to where it came from). The dialog opens at the size
// the user last left it.
class TZybNamedObjectDialogAction : public TZybControlDialogAction {
    Q_OBJECT
public:
    explicit TZybNamedObjectDialogAction(QObject* owner = nullptr);

    TfEditNamedObject* GetForm() const;

    QPointer<QWidget> ExtraControl; // not owned

protected:
    void PrepareDialog() override;
    void FinishDialog() override;

private:
    vx::ControlLoan m_extraLoan;
};
