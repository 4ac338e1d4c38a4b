#pragma once

#include "Installation.h"
#include "InstallerEnvironment.h"

#include <QString>
#include <QStringList>

namespace vx {

// What one uninstall script removes; the folders are "" when they are not there, and their lines
// are then left out.
struct UninstallPlan {
    QString installDir;       // D, with a trailing "/"
    QString menuDir;          // the menu entries' folder, with a trailing "/"
    QString menuDirectoryDir; // the sub-menu caption's folder, with a trailing "/"
    QString menuMergeDir;     // the merged menu file's folder, with a trailing "/"
    QString desktopDir;       // K, with a trailing "/"
    QStringList helpPages;    // the files of the help folder
    QStringList madeFolders;  // what the installations made, each with a trailing "/"
    QString script;           // the script's own path, removed last, then its folder when empty
    // The script starts deleting once this process has ended (waiting 60 s at most); 0: at once.
    qint64 waitPid = 0;
};

// The sh script that removes exactly the installed files and entries, then D and the folders the
// installations made where they are empty, deepest first: every operand quoted and preceded by
// "--", single files only, never a recursive removal.
QString uninstallScript(const UninstallPlan& plan);

// The uninstallation run. The caller asks installed() first and confirms with the user; run()
// then reads the record afresh (another installer may have uninstalled meanwhile): without one
// it returns false and touches nothing. Otherwise it reports "progressDelReg" and
// "progressDelFiles", writes the script into the private temporary folder, starts it detached
// through /bin/sh (it waits for this process to end), deletes the record last and returns true.
// A failing step raises vx::Error with the reason and the record stays, so the uninstallation can
// be tried again.
class Uninstallation {
public:
    Uninstallation(InstallerEnvironment env, TextLookup text, ProgressLine progress);

    // The record names an installation (it holds "UninstallString"), read from the store now.
    bool installed() const;
    bool run();

private:
    InstallerEnvironment m_env;
    TextLookup m_text;
    ProgressLine m_progress;
};

} // namespace vx
