#pragma once

#include "InstallerEnvironment.h"

#include <QString>
#include <functional>

namespace vx {

// What the installation and the uninstallation put where: D is the installation folder, K the
// desktop folder, each with a trailing "/"; the menu entries go to the user's applications folder,
// gathered in a sub-menu by a caption in the ".directory" folder and a menu file merged into the
// desktop's menu. Their file names carry the maker's prefix, as desktop menus want of files in
// shared folders. Both runs use these names, so what one installs the other removes.
namespace installed {
inline const QString Uninstaller = QStringLiteral("vxuninst");
// The installer keeps one copy of itself under this name, whatever the download is called.
inline const QString InstallerCopy = QStringLiteral("Vornalex_Install");
inline const QString Program = ProductName;
inline const QString Icon = ProductName + QStringLiteral(".png");
inline const QString HelpFolder = ProductName + QStringLiteral(".help/");
inline const QString HelpStartPage = QStringLiteral("index.htm");
inline const QString Tools = QStringLiteral("vxTools.ini");
inline const QString Licence = QStringLiteral("licence.txt");
inline const QString LicenceRussian = QStringLiteral("lic_rus.txt");
inline const QString Settings = ProductName + QStringLiteral(".ini"); // the program's own file
inline const QString DesktopLauncher = ProductName + QStringLiteral(".desktop");
inline const QString MenuName = QStringLiteral("zelmorik-vornalex");
inline const QString ProgramEntry = MenuName + QStringLiteral(".desktop");
inline const QString HelpEntry = MenuName + QStringLiteral("-help.desktop");
inline const QString LicenceEntry = MenuName + QStringLiteral("-licence.desktop");
inline const QString UninstallEntry = MenuName + QStringLiteral("-uninstall.desktop");
inline const QString MenuDirectory = MenuName + QStringLiteral(".directory");
inline const QString MergedMenu = QStringLiteral("user-") + MenuName + QStringLiteral(".menu");
} // namespace installed

// The choices of the installer's parameters page.
struct InstallChoices {
    QString installationDir; // as typed: must be an absolute path
    QString menuDir;         // the sub-menu's caption as typed; "" for none
    bool application = true; // module 0: the program, its tools file and the licences
    bool help = true;        // module 1: the help pages
    bool desktopIcon = true;
    int languageIndex = 0; // 1 (Russian) points the licence entry at the Russian text
    QString language;      // the language's name, kept in the record
};

// Translator keys of the progress lines and of the refusal of a folder, looked up by the caller.
using TextLookup = std::function<QString(const QString& key)>;
using ProgressLine = std::function<void(const QString& line)>;

// Raises the text of "badInstallDir" for an installation folder that is empty or relative, or for
// a control character in either folder, and that of "percentInInstallDir" for a "%" in the
// installation folder: such folders would scatter files or break the launchers.
void checkInstallFolders(const InstallChoices& choices, const TextLookup& text);

// The record's sub-key that lists the folders the installations made (values "1", "2", ...):
// the uninstallation removes them when they are empty, and no folder that was there before.
QString madeFoldersKeyPath();

// The installation run: folders, files with their modes, menu and desktop entries and the
// uninstall record, reporting each phase as a progress line ("progressCreateDir",
// "progressCopyFiles", "progressCreateReg"). It returns only when every step succeeded; the
// caller then reports success. A failing step raises vx::Error naming the file and the system's
// reason; what was written stays, and the record is written only after every file. A menu or
// desktop entry that cannot be written (its folder included, a missing desktop too) is no such
// step: it is left out with a "progressSkipped" line naming the file and the reason, and the
// record is still written, so the installation can be uninstalled.
// A folder that checkInstallFolders() refuses is refused up front with its text.
class Installation {
public:
    Installation(InstallerEnvironment env, TextLookup text, ProgressLine progress);

    void run(const InstallChoices& choices);

private:
    InstallerEnvironment m_env;
    TextLookup m_text;
    ProgressLine m_progress;
};

} // namespace vx
