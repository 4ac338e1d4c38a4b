#include "DesktopEntry.h"

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

QString desktopEntryText(const DesktopEntry& entry) {
    const QFileInfo info(entry.target);
    QString exec = desktopExecArgument(entry.target);
    if (!(info.isFile() && info.isExecutable()))
        exec = QStringLiteral("xdg-open ") + exec;
    return QStringLiteral("[Desktop Entry]\nType=Application\nName=") + escapeValue(entry.name) +
           QStringLiteral("\nExec=") + escapeValue(exec) + QStringLiteral("\nPath=") +
           escapeValue(info.absolutePath() + u'/') + QStringLiteral("\nIcon=") +
           escapeValue(entry.icon) + QStringLiteral("\nCategories=") + entry.categories +
           QStringLiteral("\nTerminal=false\n");
}

QString menuDirectoryText(const QString& name, const QString& icon) {
    return QStringLiteral("[Desktop Entry]\nType=Directory\nName=") + escapeValue(name) +
           QStringLiteral("\nIcon=") + escapeValue(icon) + u'\n';
}

QString mergedMenuText(const QString& menuName, const QString& directoryFile,
                       const QStringList& entryFiles) {
    QString text =
        QStringLiteral("<!DOCTYPE Menu PUBLIC \"-//freedesktop//DTD Menu 1.0//EN\"\n"
                       "    \"http://www.freedesktop.org/standards/menu-spec/menu-1.0.dtd\">\n"
                       "<Menu>\n"
                       "    <Name>Applications</Name>\n"
                       "    <Menu>\n"
                       "        <Name>%1</Name>\n"
                       "        <Directory>%2</Directory>\n"
                       "        <Include>\n")
            .arg(menuName, directoryFile);
    for (const QString& file : entryFiles)
        text += QStringLiteral("            <Filename>") + file + QStringLiteral("</Filename>\n");
    return text + QStringLiteral("        </Include>\n    </Menu>\n</Menu>\n");
}

QString shQuote(const QString& text) {
    QString quoted = text;
    quoted.replace(u'\'', QStringLiteral("'\\''"));
    return u'\'' + quoted + u'\'';
}

} // namespace vx
