#include "DesktopEntry.h"

#include "SetupFiles.h"

#include <QFileInfo>

#include <algorithm>

namespace vx {

namespace {

// The string escapes of a desktop entry value.
QString escapeValue(QString value) {
    value.replace(u'\\', QStringLiteral("\\\\"));
    value.replace(u'\n', QStringLiteral("\\n"));
    value.replace(u'\t', QStringLiteral("\\t"));
    value.replace(u'\r', QStringLiteral("\\r"));
    return value;
}

} // namespace

QString desktopExecArgument(const QString& argument) {
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    QString text = argument;
    text.replace(u'%', QStringLiteral("%%"));
    if (std::none_of(text.begin(), text.end(), [](QChar c) { return reserved.contains(c); }))
        return text;
    QString quoted = QStringLiteral("\"");
    for (const QChar c : text) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        quoted += c;
    }
    return quoted + u'"';
}

QString desktopEntryText(const QString& name, const QString& target) {
    const QFileInfo info(target);
    QString exec = desktopExecArgument(target);
    if (!(info.isFile() && info.isExecutable()))
        exec = QStringLiteral("xdg-open ") + exec;
    return QStringLiteral("[Desktop Entry]\nType=Application\nName=") + escapeValue(name) +
           QStringLiteral("\nExec=") + escapeValue(exec) + QStringLiteral("\nPath=") +
           escapeValue(info.absolutePath() + u'/') + QStringLiteral("\nTerminal=false\n");
}

void CreateShortcut(const QString& link, const QString& target, unsigned mode) {
    writeFileAtomically(link, desktopEntryText(QFileInfo(link).completeBaseName(), target).toUtf8(),
                        mode);
}

QString shQuote(const QString& text) {
    QString quoted = text;
    quoted.replace(u'\'', QStringLiteral("'\\''"));
    return u'\'' + quoted + u'\'';
}

} // namespace vx
