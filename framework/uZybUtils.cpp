#include "uZybUtils.h"

#include "Errors.h"
#include "Format.h"
#include "GuiThread.h"
#include "Launcher.h"
#include "Prompter.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString launchFailure = QStringLiteral("Ошибка запуска файла: %s (%s)");

QString systemErrorText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

QString expandEnvironment(const QString& text) {
    static const QRegularExpression reference(QStringLiteral(
        R"(%([A-Za-z_][A-Za-z0-9_]*)%|\$\{([A-Za-z_][A-Za-z0-9_]*)\}|\$([A-Za-z_][A-Za-z0-9_]*))"));
    const auto environment = QProcessEnvironment::systemEnvironment();
    QString out;
    qsizetype last = 0;
    for (auto it = reference.globalMatch(text); it.hasNext();) {
        const auto match = it.next();
        QString name = match.captured(1);
        if (name.isEmpty())
            name = match.captured(2);
        if (name.isEmpty())
            name = match.captured(3);
        out += text.mid(last, match.capturedStart() - last);
        // An unknown name stays as written, as the Windows shell leaves it.
        out += environment.contains(name) ? environment.value(name) : match.captured();
        last = match.capturedEnd();
    }
    return out + text.mid(last);
}

QString executablePath(const QString& fileName) {
    if (fileName.contains(QLatin1Char('/'))) {
        const QFileInfo info(fileName);
        return info.isFile() && info.isExecutable() ? info.absoluteFilePath() : QString();
    }
    return QStandardPaths::findExecutable(fileName);
}

bool looksLikeAddress(const QString& fileName) {
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    return scheme.match(fileName).hasMatch();
}

QString durationText(qint64 ms) {
    QString text = vx::format(QStringLiteral(".%.3d"), {ms % 1000});
    text.prepend(vx::format(QStringLiteral(":%.2d"), {ms / 1000 % 60}));
    text.prepend(vx::format(QStringLiteral("%d"), {ms / 60000 % 60}));
    if (ms / 3600000 > 0)
        text.prepend(vx::format(QStringLiteral("%d:"), {ms / 3600000}));
    return text;
}

QString tempRoot;
std::mutex tempRootLock;

QString launchFailureText(const QString& fileName, const QString& reason) {
    return vx::format(launchFailure, {fileName, reason});
}

// A document's opener that fails later names the file as a failure to start it does.
void openForLaunch(const QUrl& url, const QString& fileName) {
    OpenDocument(
        url, [fileName](const QString& reason) { ShowError(launchFailureText(fileName, reason)); });
}

void launchFile(const QString& fileName, const QString& verb, const QStringList& arguments) {
    const QString file = expandEnvironment(fileName);
    const QString action = verb.isEmpty() ? QStringLiteral("open") : verb;
    try {
        if (const QString program = executablePath(file); !program.isEmpty()) {
            vx::launcher().startDetached(program, arguments);
        } else if (action != QLatin1String("open")) {
            throw vx::Error(QStringLiteral("the action \"%1\" is not supported").arg(action));
        } else if (looksLikeAddress(file)) {
            openForLaunch(QUrl(file), fileName);
        } else if (QFileInfo::exists(file)) {
            openForLaunch(QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath()), fileName);
        } else {
            throw vx::Error(systemErrorText(ENOENT));
        }
    } catch (const vx::Error& e) {
        throw vx::Error(launchFailureText(fileName, e.message()));
    }
}

} // namespace

void OpenDocument(const QUrl& url, const std::function<void(const QString& reason)>& failed) {
    if (!vx::launcher().openUrl(url, [failed] { failed(LoadResString(&ZYB_NOTHING_OPENS)); }))
        throw vx::Error(LoadResString(&ZYB_NO_OPENER));
}

void ExecuteFile(const QString& fileName, const QString& verb, const QString& parameters) {
    launchFile(fileName, verb, QProcess::splitCommand(expandEnvironment(parameters)));
}

void ExecuteFile(const QString& fileName, const QStringList& arguments) {
    launchFile(fileName, QString(), arguments);
}

void ShowHtmlHelp(const QString& helpFolder, const QString& page) {
    const QString name = page.isEmpty() ? QStringLiteral("index.htm") : page;
    ExecuteFile(QDir(helpFolder).filePath(name), QString(), QString());
}

void SetTempRoot(const QString& root) {
    std::lock_guard lock(tempRootLock);
    tempRoot = root;
}

QString GetTempDir() {
    QString root;
    {
        std::lock_guard lock(tempRootLock);
        root = tempRoot.isEmpty() ? QDir::tempPath() : tempRoot;
    }
    const QString folder = QDir(root).filePath(QStringLiteral("vornalex-%1").arg(geteuid()));
    const QByteArray path = QFile::encodeName(folder);
    if (mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        throw vx::Error(vx::format(QStringLiteral("Unable to create the temporary folder %s (%s)"),
                                   {folder, systemErrorText(errno)}));
    // A folder left by someone else, or a link, would let another user read or replace our files.
    struct stat info {};
    if (lstat(path.constData(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != geteuid() ||
        (info.st_mode & 077) != 0)
        throw vx::Error(
            vx::format(QStringLiteral("The temporary folder %s is not private"), {folder}));
    return folder + QLatin1Char('/');
}

QString GetTempFile(const QString& folder, const QString& prefix) {
    QString dir = folder.isEmpty() ? GetTempDir() : folder;
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    const QString stem = dir + prefix.left(3);
    const quint32 start = QRandomGenerator::global()->bounded(0x10000u);
    for (quint32 i = 0; i < 0x10000; ++i) {
        const quint32 unique = ((start + i) & 0xFFFF) | 1; // never 0, as the system never uses it
        const QString name = stem + QString::number(unique, 16).toUpper() + QStringLiteral(".TMP");
        const int fd = open(QFile::encodeName(name).constData(),
                            O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
        if (fd >= 0) {
            close(fd);
            return name;
        }
        if (errno != EEXIST)
            throw vx::Error(
                vx::format(QStringLiteral("Unable to create a temporary file in %s (%s)"),
                           {dir, systemErrorText(errno)}));
    }
    throw vx::Error(vx::format(QStringLiteral("Unable to create a temporary file in %s (%s)"),
                               {dir, systemErrorText(EEXIST)}));
}

bool FileEof(QIODevice& file) {
    char byte;
    return file.peek(&byte, 1) != 1;
}

QByteArray FileReadLine(QIODevice& file) {
    // Looks ahead a block at a time: output files of external tools run to millions of lines.
    QByteArray line;
    char block[512];
    for (qint64 got; (got = file.peek(block, sizeof block)) > 0;) {
        const char* end = std::find_if(block, block + got,
                                       [](char c) { return c == '\r' || c == '\n' || c == '\0'; });
        line.append(block, end - block);
        if (end == block + got) {
            file.skip(got);
            continue;
        }
        file.skip(end - block + 1);
        char next;
        if (*end == '\r' && file.peek(&next, 1) == 1 && next == '\n')
            file.skip(1);
        break;
    }
    return line;
}

void SplitText(const QString& delimiter, const QString& text, QStringList& list) {
    if (text.isEmpty())
        return;
    if (delimiter.isEmpty()) {
        list.append(text);
        return;
    }
    qsizetype position = 0;
    while (position < text.size()) {
        const qsizetype hit = text.indexOf(delimiter, position);
        if (hit < 0) {
            list.append(text.mid(position));
            return;
        }
        list.append(text.mid(position, hit - position));
        position = hit + delimiter.size();
    }
}

QString FormatMilliseconds(qint32 milliseconds) {
    // Widened first, so that the most negative count can be negated.
    const qint64 ms = milliseconds;
    if (ms < 0)
        return QLatin1Char('-') + durationText(-ms);
    return durationText(ms);
}

namespace {

void showBox(vx::PromptIcon icon, const QString& text) {
    vx::runOnGuiThread([&] { vx::prompter().show(icon, vx::applicationTitle(), text); });
}

bool isWordCharacter(QChar ch) {
    const char16_t c = ch.unicode();
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

} // namespace

void ShowInfo(const QString& text) {
    showBox(vx::PromptIcon::Information, text);
}

void ShowError(const QString& text) {
    showBox(vx::PromptIcon::Error, text);
}

bool AskOkCancel(const QString& question) {
    bool answer = false;
    vx::runOnGuiThread([&] {
        answer =
            vx::prompter().askOkCancel(vx::PromptIcon::Question, vx::applicationTitle(), question);
    });
    return answer;
}

bool TextMatchesFind(const QString& text, const QString& findText, vx::TFindOptions options) {
    if (text.isEmpty() || findText.isEmpty())
        return false;
    // Character-by-character folding keeps lengths equal, unlike full-text upper-casing.
    const Qt::CaseSensitivity sensitivity =
        options.testFlag(vx::frMatchCase) ? Qt::CaseSensitive : Qt::CaseInsensitive;
    const bool wholeWord = options.testFlag(vx::frWholeWord);
    for (qsizetype hit = text.indexOf(findText, 0, sensitivity); hit >= 0;
         hit = text.indexOf(findText, hit + 1, sensitivity)) {
        if (!wholeWord)
            return true;
        const qsizetype end = hit + findText.size();
        const bool startsWord = hit == 0 || !isWordCharacter(text[hit - 1]);
        const bool endsWord = end == text.size() || !isWordCharacter(text[end]);
        if (startsWord && endsWord)
            return true;
    }
    return false;
}
