#include "Installation.h"

#include "DesktopEntry.h"
#include "Errors.h"
#include "Format.h"
#include "RegistryStore.h"
#include "SetupFiles.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>

namespace vx {

namespace {

constexpr unsigned ProgramMode = 0755;
constexpr unsigned DocumentMode = 0644;
// The maker's address, kept in the uninstall record.
const QString MakerAddress = QStringLiteral("https://vornalex.example.org/");
const QString Publisher = QStringLiteral("Zelmorik");

bool hasControlCharacter(const QString& text) {
    return std::any_of(text.begin(), text.end(),
                       [](QChar c) { return c.category() == QChar::Other_Control; });
}

} // namespace

Installation::Installation(InstallerEnvironment env, TextLookup text, ProgressLine progress)
    : m_env(std::move(env)), m_text(std::move(text)), m_progress(std::move(progress)) {}

void checkInstallFolders(const InstallChoices& choices, const TextLookup& text) {
    if (choices.installationDir.isEmpty() || !QDir::isAbsolutePath(choices.installationDir) ||
        hasControlCharacter(choices.installationDir) || hasControlCharacter(choices.menuDir))
        throw Error(text(QStringLiteral("badInstallDir")));
    // GLib's desktop reader takes a launcher's program path before it undoes "%%", finds no
    // such program and drops the entry from the menu: no "%" in the programs' folder.
    if (choices.installationDir.contains(u'%'))
        throw Error(text(QStringLiteral("percentInInstallDir")));
}

void Installation::run(const InstallChoices& choices) {
    checkInstallFolders(choices, m_text);
    const QString d = withSeparator(choices.installationDir);
    // Without an applications folder there is no menu folder, rather than one at the root.
    const QString m = m_env.menuRootDir.isEmpty()
                          ? QString()
                          : withSeparator(m_env.menuRootDir + u'/' + choices.menuDir);
    const QString& root = m_env.resourceRoot;
    int menuError = 0; // why the menu folder could not be made
    // A launcher that cannot be written is left out, and the progress lines say why.
    const auto skipped = [&](const QString& reason) {
        m_progress(format(m_text(QStringLiteral("progressSkipped")), {reason}));
    };
    const auto shortcut = [&](const QString& link, const QString& target, unsigned mode) {
        try {
            CreateShortcut(link, target, mode);
        } catch (const Error& e) {
            skipped(e.message());
        }
    };
    const auto menuEntry = [&](const QString& entry, const QString& target) {
        if (m.isEmpty())
            return;
        if (menuError != 0)
            skipped(cannotCreateText(m + entry, menuError));
        else
            shortcut(m + entry, target, DocumentMode);
    };
    const bool any = choices.application || choices.help;
    if (any) {
        m_progress(m_text(QStringLiteral("progressCreateDir")));
        const int folderError = makeFolders(d);
        if (!m.isEmpty())
            menuError = makeFolders(m);
        m_progress(m_text(QStringLiteral("progressCopyFiles")));
        // The first file names the installation folder's failure.
        if (folderError != 0)
            throw Error(cannotCreateText(d + installed::Uninstaller, folderError));
        ExtractSetupFile(QStringLiteral("vxuninst"), d + installed::Uninstaller, ProgramMode, root);
        menuEntry(installed::UninstallEntry, d + installed::Uninstaller);
        CopyFileChecked(m_env.installerPath, d + installed::InstallerCopy);
    }
    if (choices.application) {
        ExtractSetupFile(QStringLiteral("vxexe"), d + installed::Program, ProgramMode, root);
        menuEntry(installed::ProgramEntry, d + installed::Program);
        ExtractSetupFile(QStringLiteral("vxtools"), d + installed::Tools, DocumentMode, root);
        ExtractSetupFile(QStringLiteral("licence"), d + installed::Licence, DocumentMode, root);
        ExtractSetupFile(QStringLiteral("lic_rus"), d + installed::LicenceRussian, DocumentMode,
                         root);
        menuEntry(
            installed::LicenceEntry,
            d + (choices.languageIndex == 1 ? installed::LicenceRussian : installed::Licence));
    }
    if (choices.help) {
        ExtractSetupFile(QStringLiteral("vxhelp"), d + installed::HelpFolder, DocumentMode, root);
        menuEntry(installed::HelpEntry, d + installed::HelpFolder + installed::HelpStartPage);
    }
    // Also for a program left by an earlier installation; a desktop that is not there is not made.
    const QString& k = m_env.desktopDir;
    if (choices.desktopIcon && QFileInfo::exists(d + installed::Program)) {
        if (!k.isEmpty() && QFileInfo(k).isDir())
            shortcut(k + installed::ProgramEntry, d + installed::Program, ProgramMode);
        else
            skipped(cannotCreateText(k + installed::ProgramEntry, ENOENT));
    }
    if (any) {
        m_progress(m_text(QStringLiteral("progressCreateReg")));
        RegistryStore(m_env.registryFile)
            .writeValues(uninstallKeyPath(),
                         {{QStringLiteral("DisplayName"), ProductName},
                          {QStringLiteral("HelpLink"), MakerAddress},
                          {QStringLiteral("Publisher"), Publisher},
                          {QStringLiteral("UninstallString"), d + installed::Uninstaller},
                          {QStringLiteral("URLInfoAbout"), QString()},
                          {QStringLiteral("URLUpdateInfo"), QString()},
                          {QStringLiteral("InstallDir"), m},
                          {QStringLiteral("Language"), choices.language}});
    }
}

} // namespace vx
