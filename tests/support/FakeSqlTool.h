#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <optional>

namespace vx::test {

// The stand-in for the SQL Server command-line tool (fake_sqltool/main.cpp), first on PATH as
// "sqlcmd" and "isqlw" while this object lives. Each run records its arguments, the password it
// was given and its script, writes the output file set here, sleeps, then ends with the exit code
// or the signal set here. Settings travel in the environment, which the tool inherits.
class FakeSqlTool {
public:
    FakeSqlTool();
    ~FakeSqlTool();
    FakeSqlTool(const FakeSqlTool&) = delete;
    FakeSqlTool& operator=(const FakeSqlTool&) = delete;

    // Without output the tool writes no output file.
    void setOutput(const QByteArray& bytes);
    void setExitCode(int code);
    void killItselfWith(int signal);
    void sleepFor(int milliseconds);

    bool ran() const;
    QStringList arguments() const;
    // SQLCMDPASSWORD as the tool saw it; nothing when it was not set.
    std::optional<QString> password() const;
    QByteArray script() const;
    qint64 pid() const;

private:
    QString recordFile(const char* name) const;

    QTemporaryDir m_dir;
    QByteArray m_path;
};

} // namespace vx::test
