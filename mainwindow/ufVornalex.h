#pragma once

#include "ConnectionDefinition.h"
#include "ConnectionList.h"
#include "Form.h"
#include "ScriptFile.h"
#include "ToolsFile.h"
#include "uZybLoadRes.h"

#include <QElapsedTimer>
#include <QIcon>
#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QString>

#include <deque>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QSpinBox;
class QTabWidget;
class QToolBar;
class TConnectionList;
class TConnectionListView;
class TZybListDialogAction;
class TZybNamedObjectDialogAction;
class TZybStorage;
class TZybTranslator;
class TZybVersionDialog;
class TfCrfLogin;
class TfSQLLoaderResult;

// Messages of the window, translated by these names.
inline constexpr TResStringRec WP_SCRIPT_IS_EMPTY{"Не задан скрипт."};
inline constexpr TResStringRec WP_NO_CHECKED_CONNECTIONS{"Нет выбранных подсоединений."};
inline constexpr TResStringRec WP_FILE_SAVED{"Файл \"%s\" сохранен."};
inline constexpr TResStringRec VX_DELETE_CONNECTION{"Delete connections (%d)?"};
inline constexpr TResStringRec VX_CHOOSE_SERVER{"Choose connection."};

namespace vx {
class Connection;
class IniFile;
class FindDialog;
class RadioGroup;
class StepwiseTextFill;
class ValueListEditor;
} // namespace vx

// The main window: the settings page with the connection list and the run options, the script
// page, the results pages of the last run, and the tools menu. Its components are named members,
// registered under their names so that the translator and the settings storage reach them.
//
// The class is declared here by concern; each concern builds its own widgets in its builder and
// keeps its handlers in a source file of its own:
//   start-up, settings page, language, help   ufVornalex.cpp
//   connection list                           ufVornalexConnections.cpp
//   settings file contents and list files     ufVornalexSettings.cpp
//   run control and results pages             ufVornalexRun.cpp
//   script page                               ufVornalexScript.cpp
//   tools menu and tools file                 ufVornalexTools.cpp
class TfVornalex : public QMainWindow, public vx::Form {
    Q_OBJECT

public:
    // Reads the settings file (vx::settingsFilePath: tests name theirs in VORNALEX_SETTINGS, see
    // tests/support/ProgramSandbox.h); the destructor writes it back.
    explicit TfVornalex(QWidget* owner = nullptr);
    ~TfVornalex() override;

    // ---- Start-up, settings page, language, help ---------------------------------------------

    QToolBar* ActionToolBar2;
    QAction* aLanguage;
    QAction* aHelp;
    QAction* aAbout;
    QTabWidget* pc;
    QWidget* tsSettings;
    QWidget* tsScript;
    QWidget* tsResults;

    // Run options, copied into every results page at the start of a run.
    vx::RadioGroup* gbOnError;
    QLabel* lScriptExecutor;
    // Item 0 is the internal runner; each further item holds the program it runs as its data.
    QComboBox* cbScriptExecutor;
    QLabel* lConnectionTimeout;
    QSpinBox* seConnectionTimeout;
    QLabel* lCommandTimeout;
    QSpinBox* seCommandTimeout;
    QCheckBox* cbParallel;
    QLabel* lParallel;
    QSpinBox* seParallelCount;
    QCheckBox* cbNoRecords;
    QCheckBox* cbPrintMessages;
    QCheckBox* cbAutoConnect;
    QCheckBox* cbCheckDBO;
    QCheckBox* cbTabDelimiter;

    TZybTranslator* ZybTranslator;
    TZybStorage* ZybStorage;
    TZybVersionDialog* ZybVersionDialog;
    QMenu* ppmLanguage;
    // The connection of the connection editor, which lists a server's databases through it.
    const std::unique_ptr<vx::Connection> cLogin;
    // The connection editor embedded in the connection dialog.
    TfCrfLogin* Login;

    // Start-up, called by the constructor: the messages' names, the settings file, the executor
    // list, then the settings with the language.
    void FormCreate();
    // Writes the settings; never over a settings file that could not be read at start-up.
    void FormDestroy();
    void TranslateResString(TZybResProc* Sender, const QString& Name, QString& Text);
    // Pops up the language menu at the mouse cursor.
    void aLanguageExecute();
    void LanguageMenuClick(QAction* item);
    // Applies the language; the executor list keeps its choice.
    void ZybTranslatorLanguageChange(QObject* Sender);
    // Opens the active language's help page in the browser.
    void aHelpExecute();
    void aAboutExecute();
    void FillScriptExecutors();

    // ---- Connection list ---------------------------------------------------------------------

    QToolBar* ActionToolBar3;
    // The rows with their selection and focus; what runs and tools read (see ConnectionList.h).
    TConnectionList* Connections;
    // Shows Connections: name, server, database, user, password (hidden), Windows authentication.
    TConnectionListView* lvConnections;
    QAction* aConnectAdd;
    QAction* aConnectDuplicate;
    QAction* aConnectEdit;
    QAction* aConnectDelete;
    QAction* aConnectCheck;
    QAction* aConnectFind;
    QAction* aConnectMoveTop;
    QAction* aConnectMoveBottom;
    TZybNamedObjectDialogAction* aEditConnection;
    vx::FindDialog* dConnectFind;
    // The column of the last sort, -1 before the first; the factor of every comparison, +1 or -1.
    int SortColumn = -1;
    int SortDirection = -1;

    // Copies a row into a login window; a bad Windows-authentication text raises.
    void ConnectionToLogin(int Row, TfCrfLogin* ALogin) const;
    // Add (false, true), copy (true, true) and edit (true, false) through the connection dialog.
    void EditConnection(bool FromFocused, bool IsNew);
    void aConnectDeleteExecute();
    void aConnectFindExecute();
    void dConnectFindFind();
    void lvConnectionsColumnClick(int Column);
    void lvConnectionsDragDrop(int TargetRow);
    // Once the window stands: the list's columns take their final widths.
    void WMUser();

    // ---- Settings file contents and list files -----------------------------------------------

    QAction* aListSave;
    QAction* aListLoad;

    // The storage's events: the script folder and the connection sections.
    void ZybStorageAfterWriteIni(TZybStorage* Sender, vx::IniFile& IniFile);
    void ZybStorageAfterReadIni(TZybStorage* Sender, vx::IniFile& IniFile);
    void aListSaveExecute();
    // Does nothing while a run goes on (aExecute disabled): a run reads the list as it goes.
    void aListLoadExecute();
    // Writes the settings file, unless it exists and could not be read: the defaults and an
    // empty list would replace what the user has. At the window's end and for Save list.
    void WriteSettingsFile();

    // ---- Run control -------------------------------------------------------------------------

    QAction* aExecute;
    QAction* aStop;
    // One tab per results page of the last run.
    QTabWidget* pcResult;
    // Tab images: 0 created or running, 1 ended with "Completed.", 2 stopped or failed (the page's
    // last line is "Interrupted."), whatever the sequential chain does next.
    QList<QIcon> ilResult;
    QProgressBar* pbTotal;
    QLabel* stTime;
    // Since the Execute action passed its script check.
    QElapsedTimer StartTick;

    // Starts a run of the script on the ticked connections: a page each at once (parallel), or
    // one page that runs them one after another (sequential).
    void aExecuteExecute();
    // Asks every page to stop; the run ends through the pages' ends.
    void aStopExecute();
    // A new tab of pcResult holding a new results page set up from the options Execute took; the
    // tab and the page are captioned Caption.
    QWidget* CreateResultPage(const QString& Caption);
    // The sequential page's end of a connection: the next ticked one, or the end of the run.
    void RunNextSequential(QObject* Sender);
    // A parallel page's end.
    void ParallelRunFinished(QObject* Sender);
    void RunFinished();
    void UpdateElapsed();
    // The results page of a tab of pcResult.
    TfSQLLoaderResult* ResultPage(int Tab) const;

    // ---- Script page -------------------------------------------------------------------------

    QToolBar* ActionToolBar1;
    QPlainTextEdit* mScript;
    QAction* aScriptOpen;
    QAction* aScriptSave;
    // The text changed since it was last opened or saved.
    bool ScriptModified = false;
    // The folder of the script file last opened or saved, with its trailing separator; kept in
    // the settings file.
    QString ScriptDir;
    // The current script file: the one last opened or saved; empty before.
    QString ScriptFileName;

    // The open dialog, then aScriptOpenAccept with the chosen file.
    void aScriptOpenExecute();
    // The save-as dialog, then aScriptSaveAccept with the chosen file (".sql" appended to a name
    // without an extension).
    void aScriptSaveExecute();
    // Replaces the script by the file's text; a file that cannot be read changes only ScriptDir.
    void aScriptOpenAccept(const QString& FileName);
    // Writes the script to the file in one step, in the encoding and line ends it was opened
    // with, and tells so; on failure the old file and the caption stay.
    void aScriptSaveAccept(const QString& FileName);
    void mScriptChange();
    // Ctrl with A (or Ф, the same key in the Russian layout) selects the whole script; Ctrl with S
    // (Ы) saves it, through the save-as dialog while no file is current. The editor still gets
    // the key.
    void mScriptKeyDown(int Key, Qt::KeyboardModifiers Shift);
    // Sets ScriptModified and shows it in the tab: the translated "Script", the current file's
    // name, " *" when modified. Call it again after a language change.
    void UpdateScriptCaption(bool Modified);
    // The whole script, also while a large file is still going into the editor (it goes in at
    // once then). What a run or a save must read instead of the editor.
    QString ScriptText();

    // ---- Tools menu and tools file -----------------------------------------------------------

    QAction* aTools;
    QMenu* pmTools;
    QAction* N1;
    QAction* aToolsSettle1;
    TZybListDialogAction* aToolsConfigure;
    // One tool's program and parameters, shown only inside the tools dialog.
    vx::ValueListEditor* vleTool;
    QString ToolsIniPath;

    // The tools menu for the first selected row; "Choose connection." when no row is selected.
    void aToolsExecute();
    // OnTools of a parallel results page (Sender): the menu for the connection the page ran on,
    // whatever the list holds at its index by now.
    void ResultToolsClick(QObject* Sender);
    // Rebuilds the tool items from the tools file, in file order before the fixed items, and pops
    // the menu up; a tool chosen from it starts for the connection that `Connection` gives then.
    void ShowToolsMenu(std::function<ConnectionDefinition()> Connection);
    // Starts the item's tool with the tools file's keys of the item's suffix, read anew.
    void ToolMenuClick(QAction* Item);
    // The tools dialog: reading the file into the list, one tool's values in and out of vleTool,
    // and writing the list back on OK.
    void aToolsConfigureBeforeExecute();
    void aToolsConfigureEditFormBeforeShow();
    void aToolsConfigureEditFormAfterShow();
    void aToolsConfigureOk();

protected:
    // Stops every page and lets the event loop turn until their workers have ended (a worker
    // blocked on a server is let go within about a second), so that the settings are written last.
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMainWindow();
    void buildToolBar();
    void buildSettingsPage();
    void buildTranslator();
    // The connection list with its tool bar, for the top of the settings page.
    QWidget* buildConnectionList();
    void buildSettingsFile();
    void buildResultsPage();
    void buildScriptPage();
    void buildTools();

    // Run control. A run is active from Execute to RunFinished; Execute stays disabled while a run
    // is active or any page runs (re-executed pages too), and Stop is enabled then.
    struct PendingStart {
        int index;
        ConnectionEntry entry;
    };
    void StartPendingPages();
    void StartParallelPage(const PendingStart& start);
    void UpdateRunActions();
    bool AnyPageRunning() const;
    void SetTabImage(QObject* page, int image);
    bool m_runActive = false;
    // Parallel pages of the run whose end has not been reported yet, started or still to start:
    // the run ends when it reaches 0, whatever re-executed pages do meanwhile.
    int m_pagesOutstanding = 0;
    // Ticked connections of a parallel run whose pages are not made yet: pages are made a few at a
    // time between the event loop's turns, so that hundreds of them never freeze the window.
    std::deque<PendingStart> m_pendingStarts;
    // Tabs of an earlier run, out of pcResult and hidden, still to be freed.
    std::vector<QPointer<QWidget>> m_oldPages;
    void FreeOldPages();
    // What every page of a run takes from the window, read once by Execute like the script and
    // the rows: options changed while the pages are made reach none of them.
    struct RunOptions {
        QStringList script;
        bool tabDelimiter = false;
        int connectionTimeout = 0;
        int commandTimeout = 0;
        int errorMode = 0;
        bool printMessages = false;
        bool noRecords = false;
        bool checkDBO = false;
        bool autoConnect = false;
        // For parallel pages; the sequential page always uses the internal runner.
        QString executorApp;
        QString language;
    };
    RunOptions m_runOptions;

    // Answers the loads of the window's named messages with its translator's lines.
    std::unique_ptr<TZybLoadStringHandler> m_resStringHandler;
    // The settings file was read (or did not exist yet): writing it back loses nothing.
    bool m_settingsRead = false;

    // Tools: the connection of the menu's last opening; the tools of the dialog's list, alive
    // until its next opening.
    std::function<ConnectionDefinition()> m_toolsConnection;
    std::vector<std::unique_ptr<TZybToolObject>> m_toolObjects;

    // Script page: how the current file stood on disk, and the filling of the editor.
    vx::ScriptFormat m_scriptFormat;
    vx::StepwiseTextFill* m_scriptFill;
    // Counts the opens, so that a large file read in the background after a later open started
    // is dropped.
    quint64 m_scriptOpens = 0;
    // Puts an opened file's text into the editor and makes the file current.
    void ShowOpenedScript(const QString& FileName, vx::ScriptText Script);
};
