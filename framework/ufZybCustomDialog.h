#pragma once

#include "Form.h"
#include "uTZybDlgButtonPanel.h"

#include <QDialog>
#include <QLabel>
#include <functional>

class TZybCustomDialogAction;

// The frame of the dialog actions: a line of text at the top (with room for one more control at
// its right), the content in the middle and the OK/Cancel strip at the bottom. OK asks BeforeOk,
// Cancel and Esc ask the action's BeforeCancel; either may keep the window open. The close box
// ends the dialog with Cancel without asking.
class TfZybCustomDialog : public QDialog, public vx::Form {
    Q_OBJECT
public:
    using TCloseQueryEvent = std::function<void(QObject* Sender, bool& CanClose)>;

    // Modal results of the frame.
    static constexpr int mrOk = 1;
    static constexpr int mrCancel = 2;

    explicit TfZybCustomDialog(QWidget* parent = nullptr);

    QWidget* pTop;
    QWidget* Panel1;
    QLabel* StaticText;
    QWidget* pTopRight;
    QWidget* ParentPanel; // the content goes here, 5 pixels from each edge
    TZybDlgButtonPanel* pButton;

    TZybDlgButton& OkButton() const { return *pButton->Buttons().Items(0); }
    TZybDlgButton& CancelButton() const { return *pButton->Buttons().Items(1); }

    // Shows or hides the whole text strip, top-right area included.
    void SetTextVisible(bool visible);
    bool TextVisible() const { return m_textVisible; }
    // Puts the text into the text line, which sizes itself to it.
    void SetText(const QString& text);

    // Asked with this window as sender before OK is accepted.
    TCloseQueryEvent BeforeOk;
    // The action that shows the window.
    TZybCustomDialogAction* Action = nullptr;

    void ZybDlgButtonPanel1DlgButton1Click();
    void pButtonDlgButton2Click();

public slots:
    // The close box: Cancel without asking.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void WMAfterShow();

    bool m_textVisible = true;
};
