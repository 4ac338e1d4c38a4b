#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>

struct ConnectionDefinition;

namespace vx {

// The system's text for an error number as the logs show it: without trailing blanks, line breaks
// and full stops.
QString SysErrorMessage(int error);

// The full path of an external executor: found on PATH, else in the folders where the vendor's
// Linux tools install; empty when there is none. A name with a slash is a path.
QString findExecutor(const QString& program);

struct ToolCommand {
    QString program;
    QStringList arguments;
    QProcessEnvironment environment;
};

// How the SQL Server command-line tool runs a script file on a connection: -S and -d, then -E for
// Windows authentication or -U with the user, then -i and -o. The password goes in the environment
// (SQLCMDPASSWORD), never among the arguments, which every local user can read; sqlcmd gets -b
// when the run is to stop at the first error, so that its exit code tells.
ToolCommand sqlToolCommand(const QString& executor, const ConnectionDefinition& connection,
                           bool stopOnError, const QString& scriptFile, const QString& outputFile);

struct ToolExit {
    int code = 0;
    QString text; // the system's text for the code, or for the signal that ended the tool
    bool success = false;
};

// Runs the tool without a shell, with no input and its own output discarded, looking every
// `pollMilliseconds` whether it has ended or `stop` is set; a stopped tool is killed and reported
// with code 1, one killed by a signal as failed with code 128 + the signal. Raises vx::Error with
// the system's reason when the tool cannot be started.
ToolExit runTool(const ToolCommand& command, const std::atomic<bool>& stop,
                 int pollMilliseconds = 500);

// Hands every line of a tool's output file to `addLine` (text, is an error); nothing when the file
// does not exist, one error line with the reason and the file name when it cannot be read. The
// tools write UTF-8; a line that is not UTF-8 is read as Windows-1251, as the Windows tools wrote.
void LoadOutputFile(const QString& fileName,
                    const std::function<void(const QString& text, bool isError)>& addLine);

} // namespace vx
