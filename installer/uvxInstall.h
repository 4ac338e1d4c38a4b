#pragma once

#include "Form.h"
#include "Installation.h"
#include "InstallerEnvironment.h"

#include <QStringList>
#include <QWidget>

#include <memory>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QRadioButton;
class QToolButton;
class TZybLoadStringHandler;
class TZybTranslator;
class TZybWizard;
class TZybWizardCustomPage;
class TZybWizardInteriorPage;
class TZybWizardWelcomePage;

// The installer's window: a wizard of four pages (welcome with the language and the choice
// between installing and uninstalling, the licence, the installation parameters, progress). It
// installs through vx::Installation and uninstalls through vx::Uninstallation, started once the
// progress page shows, and closes when the chosen action has succeeded.
//
// The environment names every folder the window reads and writes (temporary folder, registry
// store, installation defaults, the embedded setup files); the arguments are the program's
// command line, where a first argument "-u" opens the window on the uninstallation. Start-up
// runs in the constructor; a failure there is shown in the error box and the window still
// opens. Every message goes through the prompter, every help page through the launcher.
class TfvxInstall : public QWidget, public vx::Form {
    Q_OBJECT

public:
    TfvxInstall(vx::InstallerEnvironment env, const QStringList& arguments,
                QWidget* parent = nullptr);
    ~TfvxInstall() override;

    TZybWizard* ZybWizard1;
    TZybTranslator* Translator;

    TZybWizardWelcomePage* pWelcome;
    QLabel* Label6;
    QComboBox* cbLanguage;
    QFrame* Bevel1;
    QRadioButton* rbInstall;
    QRadioButton* rbUninstall;

    TZybWizardInteriorPage* pLicence;
    QPlainTextEdit* mAgreement;
    QCheckBox* cbLicence;

    TZybWizardInteriorPage* pInstall;
    QLabel* lContent;
    QListWidget* clbModules;
    QLabel* stModuleComment;
    QPlainTextEdit* mModuleComments;
    QLabel* lPath;
    QLineEdit* eInstallationDir;
    QToolButton* sbInstallationDir;
    QLabel* lMenu;
    QLineEdit* eMenuDir;
    QCheckBox* cbDesktopIcon;

    TZybWizardInteriorPage* pProgress;
    QPlainTextEdit* mProgress;

    // Read at start-up from the environment and the uninstall record.
    QString TempDir;           // with a trailing "/"
    QString ProgramFilesDir;   // no trailing "/"; "" when unknown
    QString CommonProgramsDir; // no trailing "/"; "" when unknown
    QString CommonDesktopDir;  // with a trailing "/"; "" when unknown
    bool Installed = false;    // the record holds "UninstallString"; read again to uninstall

    // The active language's line of the key with the product name for its "%s".
    QString FormatProjectText(const QString& key) const;
    // Keeps the chosen language in the uninstall record, creating it; a failure is silent.
    void SaveLanguage();

private:
    void buildWizard();
    void buildWelcomePage();
    void buildLicencePage();
    void buildInstallPage();
    void buildProgressPage();
    void buildTranslator();

    void FormCreate(const QStringList& arguments);
    void FillLanguages();
    void ReadSystemSettings();
    void ApplyLanguage();
    // Sizes the captions, check boxes, radio buttons and navigation buttons to their texts in the
    // active language and moves the controls beside them out of their way.
    void fitCaptions();
    void ShowModuleComment();
    // The parameters page's choices as the installation takes them.
    vx::InstallChoices choices() const;

    void rbActionClick();
    void pLicenceEnterPage();
    void cbLicenceClick();
    void sbInstallationDirClick();
    void ZybWizard1SelectNextPage(TZybWizardCustomPage* FromPage, TZybWizardCustomPage*& ToPage);
    void ZybWizard1CancelButtonClick();
    void ZybWizard1HelpButtonClick(bool& Stop);
    void pProgressEnterPage();
    void WMStartAction();
    void InstallProduct();
    void UninstallProduct();
    void addProgressLine(const QString& line);
    // Saves the setup file `name` to `fileName` in TempDir, which the window removes at its end.
    void extractToTemp(const QString& name, const QString& fileName);

    vx::InstallerEnvironment m_env;
    QList<std::pair<QString, QString>> m_tempCopies; // setup file name, copy
    // Answers the loads of the messages named in the translator with its lines.
    std::unique_ptr<TZybLoadStringHandler> m_resStringHandler;
};
