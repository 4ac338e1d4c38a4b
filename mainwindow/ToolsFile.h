#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

struct ConnectionDefinition;

// One tool while the tools dialog is open, attached to the tool's entry of the dialog's list.
class TZybToolObject : public QObject {
public:
    QString App;
    QString Params;
    QString ParamsTrust;
};

namespace vx {

// One external tool of the tools file: its four keys "name", "app", "params" and "paramsTrust"
// share the suffix after "name" (usually the tool's number).
struct ToolEntry {
    QString suffix;
    QString name;
    QString app;    // a program name or path; environment references are expanded on start
    QString params; // argument format for SQL Server login: %s for server, database, user, password
    QString paramsTrust; // the same for Windows authentication

    bool operator==(const ToolEntry&) const = default;
};

// The tools file ("vxTools.ini"): section "Tools" of an INI file whose other sections belong to
// others and are kept. Read anew at every use, so that an edit made elsewhere counts at once.
class ToolsFile {
public:
    explicit ToolsFile(QString fileName) : m_fileName(std::move(fileName)) {}

    const QString& fileName() const { return m_fileName; }

    // The tools in the order of their "name" keys in the file (the prefix compared with case, so
    // "Name0" is no tool), each with the keys of its own suffix; a missing file or section has
    // none. A file that exists but cannot be read raises.
    QList<ToolEntry> read() const;

    // Replaces section "Tools" by the tools numbered from 0 in list order, each written as name,
    // app, params, paramsTrust, and saves the file in one step: on failure it raises "Unable to
    // write to %s" and the old file stays whole.
    void write(const QList<ToolEntry>& tools) const;

private:
    QString m_fileName;
};

// The arguments of a tool for a connection: the format is split like a command line (double
// quotes group), then each %s takes the next of server, database, user and password inside its own
// argument, so that a value with blanks, quotes or percent signs stays one argument, never read by
// a shell or expanded. A format that is not valid for these four texts raises "Format '%s' invalid
// or incompatible with argument".
QStringList toolArguments(const QString& format, const ConnectionDefinition& connection);

// Starts the tool for the connection without waiting: "paramsTrust" for Windows authentication,
// else "params". Raises "Ошибка запуска файла: %s (%s)" when the program cannot be started.
void startTool(const ToolEntry& tool, const ConnectionDefinition& connection);

} // namespace vx
