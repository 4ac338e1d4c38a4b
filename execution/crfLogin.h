#pragma once

#include "ConnectionDefinition.h"
#include "Form.h"

#include <QDialog>
#include <QString>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TZybTranslator;

namespace vx {
class Connection;
}

// The stored form of a connection password: 64 characters of a fixed alphabet plus a length mark,
// made from the password's Windows-1251 byte codes. A password the form cannot carry whole (over
// 31 characters, or a character outside Windows-1251 or below code 19) is returned plain; a text of
// exactly 64 characters is taken as already stored and returned unchanged.
QString EncodePassword(const QString& password);
// The password of a stored form; any text that is not 64 characters long is a plain password and
// is returned unchanged. Takes any text without failing.
QString DecodePassword(const QString& stored);

// The definition of one SQL Server connection and its login window: a modal dialog with OK and
// Cancel (dialog mode), or a borderless panel inside another dialog (embedded mode). The window's
// controls hold the connection's fields.
class TfCrfLogin : public QDialog, public vx::Form {
    Q_OBJECT

public:
    explicit TfCrfLogin(QWidget* owner = nullptr);

    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QLineEdit* eServer;
    QComboBox* eDB;
    QLineEdit* eUser;
    QLineEdit* ePassword;
    QCheckBox* cbTrustConnection;
    QPushButton* bOk;
    QPushButton* bCancel;
    TZybTranslator* Translator;

    // The connection that Connect opens and the database list uses; not owned.
    vx::Connection* Connection = nullptr;

    QString GetServer() const;
    void SetServer(const QString& server);
    QString GetDatabase() const;
    void SetDatabase(const QString& database);
    QString GetUser() const;
    void SetUser(const QString& user);
    QString GetPassword() const;
    void SetPassword(const QString& password);
    bool GetTrusted() const;
    void SetTrusted(bool trusted);

    // The fields as they stand, with the connection's timeouts: what a worker thread connects
    // from. GUI thread only.
    ConnectionDefinition definition() const;

    QString BuildConnectionString(bool catalog) const;
    QString GetConnectionString() const;

    // Opens the connection with the fields as they stand; the failure propagates. Safe on any
    // thread: the fields are read on the GUI thread, the connection opens on the caller's.
    void Connect();
    // True when connected: through the first login's command-line switches, else through the
    // window (dialog mode asks again after each failure until the user cancels; embedded mode
    // tries once). Called from a worker thread, the window is shown on the GUI thread.
    bool Login();
    bool LoginFromCommandLine();

    bool IsDialogMode() const;
    void SetDialogMode(bool dialog);
    void SetLanguage(const QString& name);
    void UpdateAuthControls();
    // Moves the focus to the first field that still needs input.
    void FormShow();
    // Fills the database list from the server; on failure the list holds one empty item.
    void eDBDropDown();

    // Raises a clear message when the password cannot be kept in the settings file: a password of
    // exactly 64 characters would read back as a stored form. For the connection editor.
    void CheckPasswordStorable() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void setDefinition(const ConnectionDefinition& definition);
    vx::Connection& connection() const;
    // Shows the window for one attempt; the fields entered, or nothing when the user gave up.
    std::optional<ConnectionDefinition> askForLogin();
};
