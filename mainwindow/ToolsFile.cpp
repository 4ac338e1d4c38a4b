#include "ToolsFile.h"

#include "ConnectionDefinition.h"
#include "Errors.h"
#include "Format.h"
#include "IniFile.h"
#include "uZybUtils.h"

#include <QProcess>

#include <array>

namespace vx {

namespace {

const QString toolsSection = QStringLiteral("Tools");
const QString namePrefix = QStringLiteral("name");

// How many arguments a piece of a format consumes: one per directive, none for "%%".
qsizetype directiveCount(const QString& piece) {
    qsizetype count = 0;
    for (qsizetype i = 0; i < piece.size(); ++i) {
        if (piece[i] != QLatin1Char('%'))
            continue;
        if (i + 1 < piece.size() && piece[i + 1] == QLatin1Char('%'))
            ++i;
        else
            ++count;
    }
    return count;
}

} // namespace

QList<ToolEntry> ToolsFile::read() const {
    const IniFile ini(m_fileName);
    QList<ToolEntry> tools;
    for (const IniFile::Entry& entry : ini.readSectionValues(toolsSection)) {
        if (!entry.key.startsWith(namePrefix, Qt::CaseSensitive))
            continue;
        const QString suffix = entry.key.mid(namePrefix.size());
        tools.append(
            {suffix, entry.value,
             ini.readString(toolsSection, QStringLiteral("app") + suffix, QString()),
             ini.readString(toolsSection, QStringLiteral("params") + suffix, QString()),
             ini.readString(toolsSection, QStringLiteral("paramsTrust") + suffix, QString())});
    }
    return tools;
}

void ToolsFile::write(const QList<ToolEntry>& tools) const {
    IniFile ini(m_fileName);
    ini.eraseSection(toolsSection);
    for (qsizetype i = 0; i < tools.size(); ++i) {
        const QString n = formatNumber(qint64(i));
        ini.writeString(toolsSection, namePrefix + n, tools[i].name);
        ini.writeString(toolsSection, QStringLiteral("app") + n, tools[i].app);
        ini.writeString(toolsSection, QStringLiteral("params") + n, tools[i].params);
        ini.writeString(toolsSection, QStringLiteral("paramsTrust") + n, tools[i].paramsTrust);
    }
    ini.save();
}

QStringList toolArguments(const QString& pattern, const ConnectionDefinition& connection) {
    const std::array<FormatArg, 4> values = {connection.server, connection.database,
                                             connection.user, connection.password};
    QStringList arguments;
    std::size_t next = 0;
    try {
        for (const QString& piece : QProcess::splitCommand(pattern)) {
            const auto count = std::size_t(directiveCount(piece));
            if (next + count > values.size())
                throw Error(QString());
            arguments.append(format(piece, std::span(values).subspan(next, count)));
            next += count;
        }
    } catch (const Error&) {
        throw Error(
            format(QStringLiteral("Format '%s' invalid or incompatible with argument"), {pattern}));
    }
    return arguments;
}

void startTool(const ToolEntry& tool, const ConnectionDefinition& connection) {
    ExecuteFile(tool.app,
                toolArguments(connection.trusted ? tool.paramsTrust : tool.params, connection));
}

} // namespace vx
