#include "ExternalTool.h"

#include "ConnectionDefinition.h"
#include "Cp1251.h"
#include "Errors.h"
#include "uZybUtils.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringDecoder>

#include <cerrno>
#include <cstring>

namespace vx {

namespace {

const QString passwordVariable = QStringLiteral("SQLCMDPASSWORD");
// Stop at the first error: the tool exits with a code other than 0.
const QString stopOnErrorSwitch = QStringLiteral("-b");

QString trimmedSystemText(const char* text) {
    QString message = QString::fromLocal8Bit(text);
    qsizetype end = message.size();
    while (end > 0 && (message[end - 1].isSpace() || message[end - 1] == QLatin1Char('.')))
        --end;
    return message.left(end);
}

bool isSqlcmd(const QString& executor) {
    return QFileInfo(executor).completeBaseName().compare(QLatin1String("sqlcmd"),
                                                          Qt::CaseInsensitive) == 0;
}

QString outputLineText(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(bytes);
    return utf8.hasError() ? fromCp1251(bytes) : text;
}

} // namespace

QString SysErrorMessage(int error) {
    char buffer[256];
    return trimmedSystemText(strerror_r(error, buffer, sizeof buffer));
}

QString findExecutor(const QString& program) {
    if (program.contains(QLatin1Char('/'))) {
        const QFileInfo file(program);
        return file.isFile() && file.isExecutable() ? file.absoluteFilePath() : QString();
    }
    const QString found = QStandardPaths::findExecutable(program);
    if (!found.isEmpty())
        return found;
    return QStandardPaths::findExecutable(program, {QStringLiteral("/opt/mssql-tools18/bin"),
                                                    QStringLiteral("/opt/mssql-tools/bin")});
}

ToolCommand sqlToolCommand(const QString& executor, const ConnectionDefinition& connection,
                           bool stopOnError, const QString& scriptFile, const QString& outputFile) {
    ToolCommand command{
        executor,
        {QStringLiteral("-S"), connection.server, QStringLiteral("-d"), connection.database},
        QProcessEnvironment::systemEnvironment()};
    if (connection.trusted) {
        command.arguments << QStringLiteral("-E");
        command.environment.remove(passwordVariable);
    } else {
        command.arguments << QStringLiteral("-U") << connection.user;
        command.environment.insert(passwordVariable, connection.password);
    }
    if (stopOnError && isSqlcmd(executor))
        command.arguments << stopOnErrorSwitch;
    command.arguments << QStringLiteral("-i") << scriptFile << QStringLiteral("-o") << outputFile;
    return command;
}

ToolExit runTool(const ToolCommand& command, const std::atomic<bool>& stop, int pollMilliseconds) {
    const QString program = findExecutor(command.program);
    if (program.isEmpty())
        throw Error(SysErrorMessage(ENOENT));
    QProcess process;
    process.setProgram(program);
    process.setArguments(command.arguments);
    process.setProcessEnvironment(command.environment);
    // A tool that asks for input must not wait for a terminal; pipes nobody reads would fill up.
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start();
    if (!process.waitForStarted(-1))
        throw Error(process.errorString());
    while (!process.waitForFinished(pollMilliseconds) && process.state() != QProcess::NotRunning) {
        if (stop) {
            process.kill();
            process.waitForFinished(-1);
            return {1, SysErrorMessage(1), false};
        }
    }
    if (process.exitStatus() == QProcess::CrashExit) {
        // After a crash QProcess reports the signal as the exit code.
        const int signal = process.exitCode();
        const char* description = sigdescr_np(signal);
        return {128 + signal,
                description ? trimmedSystemText(description) : QString::number(signal), false};
    }
    const int code = process.exitCode();
    return {code, SysErrorMessage(code), code == 0};
}

void LoadOutputFile(const QString& fileName,
                    const std::function<void(const QString& text, bool isError)>& addLine) {
    if (!QFileInfo::exists(fileName))
        return;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        addLine(file.errorString() + QStringLiteral(": ") + fileName, true);
        return;
    }
    while (!FileEof(file))
        addLine(outputLineText(FileReadLine(file)), false);
}

} // namespace vx
