#pragma once

#include "uTZybDlgButtonPanel.h"

#include <QDialog>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QTabWidget>
#include <QTableWidget>

// The about box that TZybVersionDialog fills and shows.
class TfAbout : public QDialog {
    Q_OBJECT

public:
    explicit TfAbout(QWidget* parent = nullptr);

    // Shows or hides the link strip and lines its links up with the value column.
    void SetLinkVisible(bool visible);

    TZybDlgButtonPanel* ZybDlgButtonPanel;
    QTabWidget* PageControl;
    QWidget* tsVersionInfo;
    QGroupBox* GroupBox1;
    QFrame* Bevel2;
    QLabel* Image;
    QWidget* Panel1;
    QLabel* Label1;
    QTableWidget* vlAppInfo;
    QWidget* pLink;
    QLabel* lLinkCaption;
    QLabel* lLink;
    QLabel* lMailCaption;
    QLabel* lMail;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class TZybVersionDialog;

    void FormShow();
    void lLinkClick();
    void lMailClick();

    bool m_linkVisible = false;
    QString m_mail;
    QString m_link;
};
