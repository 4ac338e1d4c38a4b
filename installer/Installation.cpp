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

// The menu categories: the program is a database development tool; its help, licence and
// uninstaller belong in its sub-menu only, not among the desktop's development tools.
const QString ProgramCategories = QStringLiteral("Development;Database;");
const QString CompanionCategories = QStringLiteral("X-Vornalex;");

bool hasControlCharacter(const QString& text) {
    return std::any_of(text.begin(), text.end(),
                       [](QChar c) { return c.category() == QChar::Other_Control; });
}

// Adds the folders to those the record lists. An earlier installation's folders stay listed:
// this one may use them now.
void listMadeFolders(RegistryStore& store, const QStringList& made) {
    QStringList folders;
    for (const RegistryStore::Value& value : store.readValues(madeFoldersKeyPath()))
        folders.append(value.second);
    for (const QString& folder : made)
        if (!folders.contains(folder))
            folders.append(folder);
    QList<RegistryStore::Value> listed;
    for (qsizetype i = 0; i < folders.size(); ++i)
        listed.append({QString::number(i + 1), folders[i]});
    store.writeValues(madeFoldersKeyPath(), listed);
}

} // namespace

QString madeFoldersKeyPath() {
    return uninstallKeyPath() + QStringLiteral("Folders\\");
}

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
    const QString& root = m_env.resourceRoot;
    // A folder of launchers: "" when unknown (then nothing goes there, rather than to the root).
    struct EntryFolder {
        QString path;  // with a trailing "/"
        int error = 0; // why it could not be made
    };
    const auto known = [](const QString& folder) {
        return EntryFolder{folder.isEmpty() ? QString() : withSeparator(folder)};
    };
    EntryFolder menu = known(m_env.menuRootDir);
    // The sub-menu goes with the menu entries, and only where the user named one.
    const bool subMenu = !menu.path.isEmpty() && !choices.menuDir.isEmpty();
    EntryFolder directories = known(subMenu ? m_env.menuDirectoryDir : QString());
    EntryFolder merged = known(subMenu ? m_env.menuMergeDir : QString());
    // A desktop that is not there is not made.
    const QString& k = m_env.desktopDir;
    const EntryFolder desktop{k, !k.isEmpty() && QFileInfo(k).isDir() ? 0 : ENOENT};

    // A launcher that cannot be written is left out, and the progress lines say why.
    const auto launcher = [&](const EntryFolder& folder, const QString& file, const QString& text,
                              unsigned mode) {
        QString reason;
        if (folder.error != 0) {
            reason = cannotCreateText(folder.path + file, folder.error);
        } else if (folder.path.isEmpty()) {
            return;
        } else {
            try {
                writeFileAtomically(folder.path + file, text.toUtf8(), mode);
                return;
            } catch (const Error& e) {
                reason = e.message();
            }
        }
        m_progress(format(m_text(QStringLiteral("progressSkipped")), {reason}));
    };
    const auto entry = [&](const QString& name, const QString& target, const QString& categories) {
        return desktopEntryText({name, target, d + installed::Icon, categories});
    };

    QStringList made; // the folders this installation creates
    const bool any = choices.application || choices.help;
    if (any) {
        m_progress(m_text(QStringLiteral("progressCreateDir")));
        const int folderError = makeFolders(d, &made);
        for (EntryFolder* folder : {&menu, &directories, &merged})
            if (!folder->path.isEmpty())
                folder->error = makeFolders(folder->path, &made);
        m_progress(m_text(QStringLiteral("progressCopyFiles")));
        // The first file names the installation folder's failure.
        if (folderError != 0)
            throw Error(cannotCreateText(d + installed::Uninstaller, folderError));
        ExtractSetupFile(QStringLiteral("vxuninst"), d + installed::Uninstaller, ProgramMode, root);
        ExtractSetupFile(QStringLiteral("vxicon"), d + installed::Icon, DocumentMode, root);
        launcher(
            menu, installed::UninstallEntry,
            entry(QStringLiteral("Uninstall"), d + installed::Uninstaller, CompanionCategories),
            DocumentMode);
        CopyFileChecked(m_env.installerPath, d + installed::InstallerCopy);
    }
    if (choices.application) {
        ExtractSetupFile(QStringLiteral("vxexe"), d + installed::Program, ProgramMode, root);
        launcher(menu, installed::ProgramEntry,
                 entry(ProductName, d + installed::Program, ProgramCategories), DocumentMode);
        ExtractSetupFile(QStringLiteral("vxtools"), d + installed::Tools, DocumentMode, root);
        ExtractSetupFile(QStringLiteral("licence"), d + installed::Licence, DocumentMode, root);
        ExtractSetupFile(QStringLiteral("lic_rus"), d + installed::LicenceRussian, DocumentMode,
                         root);
        const QString& licence =
            choices.languageIndex == 1 ? installed::LicenceRussian : installed::Licence;
        launcher(menu, installed::LicenceEntry,
                 entry(QStringLiteral("licence"), d + licence, CompanionCategories), DocumentMode);
    }
    if (choices.help) {
        ExtractSetupFile(QStringLiteral("vxhelp"), d + installed::HelpFolder, DocumentMode, root);
        launcher(menu, installed::HelpEntry,
                 entry(QStringLiteral("Help"), d + installed::HelpFolder + installed::HelpStartPage,
                       CompanionCategories),
                 DocumentMode);
    }
    // Also for a program left by an earlier installation.
    if (choices.desktopIcon && QFileInfo::exists(d + installed::Program))
        launcher(desktop, installed::DesktopLauncher,
                 entry(ProductName, d + installed::Program, ProgramCategories), ProgramMode);
    if (any) {
        launcher(directories, installed::MenuDirectory,
                 menuDirectoryText(choices.menuDir, d + installed::Icon), DocumentMode);
        launcher(merged, installed::MergedMenu,
                 mergedMenuText(installed::MenuName, installed::MenuDirectory,
                                {installed::ProgramEntry, installed::HelpEntry,
                                 installed::LicenceEntry, installed::UninstallEntry}),
                 DocumentMode);

        m_progress(m_text(QStringLiteral("progressCreateReg")));
        RegistryStore store(m_env.registryFile);
        listMadeFolders(store, made);
        store.writeValues(uninstallKeyPath(),
                          {{QStringLiteral("DisplayName"), ProductName},
                           {QStringLiteral("HelpLink"), MakerAddress},
                           {QStringLiteral("Publisher"), Publisher},
                           {QStringLiteral("UninstallString"), d + installed::Uninstaller},
                           {QStringLiteral("URLInfoAbout"), QString()},
                           {QStringLiteral("URLUpdateInfo"), QString()},
                           {QStringLiteral("InstallDir"), menu.path},
                           {QStringLiteral("Language"), choices.language}});
    }
}

} // namespace vx
