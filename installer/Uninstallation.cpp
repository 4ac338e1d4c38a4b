#include "Uninstallation.h"

#include "DesktopEntry.h"
#include "Errors.h"
#include "Launcher.h"
#include "RegistryStore.h"
#include "SetupFiles.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace vx {

QString uninstallScript(const UninstallPlan& plan) {
    QStringList lines{
        QStringLiteral("#!/bin/sh"),
        QStringLiteral("# ") + ProductName +
            QStringLiteral(" uninstallation, written by its installer"),
    };
    if (plan.waitPid > 0)
        lines << QStringLiteral("n=0")
              << QStringLiteral("while kill -0 ") + QString::number(plan.waitPid) +
                     QStringLiteral(" 2>/dev/null && [ \"$n\" -lt 600 ]; do sleep 0.1; "
                                    "n=$((n+1)); done");
    const auto remove = [&](const QString& folder, const QString& file) {
        if (!folder.isEmpty())
            lines.append(QStringLiteral("rm -f -- ") + shQuote(folder + file));
    };
    const auto removeFolder = [&](const QString& folder) {
        if (!folder.isEmpty())
            lines.append(QStringLiteral("rmdir -- ") + shQuote(folder) +
                         QStringLiteral(" 2>/dev/null"));
    };
    const QString& d = plan.installDir;
    remove(d, installed::InstallerCopy);
    remove(d, installed::Uninstaller);
    for (const QString& page : plan.helpPages)
        remove(d, installed::HelpFolder + page);
    removeFolder(d.isEmpty() ? d : d + installed::HelpFolder);
    for (const QString& file : {installed::Program, installed::Icon, installed::Settings,
                                installed::Licence, installed::LicenceRussian, installed::Tools})
        remove(d, file);
    remove(plan.desktopDir, installed::DesktopLauncher);
    for (const QString& entry : {installed::ProgramEntry, installed::HelpEntry,
                                 installed::UninstallEntry, installed::LicenceEntry})
        remove(plan.menuDir, entry);
    remove(plan.menuDirectoryDir, installed::MenuDirectory);
    remove(plan.menuMergeDir, installed::MergedMenu);
    // A folder's sub-folders are longer paths: they go before it.
    QStringList folders = plan.madeFolders;
    if (!folders.contains(d))
        folders.append(d);
    std::stable_sort(folders.begin(), folders.end(),
                     [](const QString& a, const QString& b) { return a.size() > b.size(); });
    for (const QString& folder : folders)
        removeFolder(folder);
    lines.append(QStringLiteral("rm -f -- ") + shQuote(plan.script));
    removeFolder(QFileInfo(plan.script).path() + u'/');
    lines.append(QStringLiteral("exit 0")); // folders that others still use stay: no failure
    return lines.join(u'\n') + u'\n';
}

Uninstallation::Uninstallation(InstallerEnvironment env, TextLookup text, ProgressLine progress)
    : m_env(std::move(env)), m_text(std::move(text)), m_progress(std::move(progress)) {}

bool Uninstallation::installed() const {
    return RegistryStore(m_env.registryFile)
        .valueExists(uninstallKeyPath(), QStringLiteral("UninstallString"));
}

bool Uninstallation::run() {
    RegistryStore store(m_env.registryFile);
    if (!store.valueExists(uninstallKeyPath(), QStringLiteral("UninstallString")))
        return false;
    m_progress(m_text(QStringLiteral("progressDelReg")));
    const QFileInfo installer(m_env.installerPath);
    const QString ownFolder = installer.absolutePath() + u'/';
    QString m = store.readString(uninstallKeyPath(), QStringLiteral("InstallDir"));
    const QString uninstaller =
        store.readString(uninstallKeyPath(), QStringLiteral("UninstallString"));
    QString d = uninstaller.left(uninstaller.lastIndexOf(u'/') + 1);
    if (m.isEmpty())
        m = ownFolder;
    if (d.isEmpty())
        d = ownFolder;
    m_progress(m_text(QStringLiteral("progressDelFiles")));

    UninstallPlan plan;
    plan.installDir = existingFolderForm(d);
    plan.menuDir = existingFolderForm(m);
    plan.menuDirectoryDir = existingFolderForm(m_env.menuDirectoryDir);
    plan.menuMergeDir = existingFolderForm(m_env.menuMergeDir);
    plan.desktopDir = existingFolderForm(m_env.desktopDir);
    for (const RegistryStore::Value& value : store.readValues(madeFoldersKeyPath()))
        if (const QString folder = existingFolderForm(value.second); !folder.isEmpty())
            plan.madeFolders.append(folder);
    plan.helpPages = setupFolderEntries(QStringLiteral("vxhelp"), m_env.resourceRoot);
    plan.script = m_env.tempDir + installer.completeBaseName() + QStringLiteral(".sh");
    plan.waitPid = m_env.waitPid;
    writeFileAtomically(plan.script, uninstallScript(plan).toUtf8(), 0700);
    try {
        launcher().startDetached(QStringLiteral("/bin/sh"), {plan.script});
    } catch (const Error& e) {
        QFile::remove(plan.script);
        throw Error(plan.script + QStringLiteral(": ") + e.message());
    }
    store.deleteKey(uninstallKeyPath());
    return true;
}

} // namespace vx
