#include "FakeSqlTool.h"

#include <QDir>
#include <QFile>

namespace vx::test {

namespace {

const char* const settings[] = {"VX_FAKE_TOOL_RECORD", "VX_FAKE_TOOL_OUTPUT",
                                "VX_FAKE_TOOL_SLEEP_MS", "VX_FAKE_TOOL_SIGNAL",
                                "VX_FAKE_TOOL_EXIT"};

QByteArray readAll(const QString& fileName) {
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

FakeSqlTool::FakeSqlTool() : m_path(qgetenv("PATH")) {
    const QDir dir(m_dir.path());
    dir.mkdir(QStringLiteral("bin"));
    dir.mkdir(QStringLiteral("record"));
    for (const char* name : {"sqlcmd", "isqlw"})
        QFile::link(QStringLiteral(VX_FAKE_SQLTOOL), dir.filePath(QStringLiteral("bin/") + name));
    qputenv("PATH", QFile::encodeName(dir.filePath(QStringLiteral("bin"))) + ':' + m_path);
    qputenv("VX_FAKE_TOOL_RECORD", QFile::encodeName(dir.filePath(QStringLiteral("record"))));
}

FakeSqlTool::~FakeSqlTool() {
    qputenv("PATH", m_path);
    for (const char* name : settings)
        qunsetenv(name);
}

void FakeSqlTool::setOutput(const QByteArray& bytes) {
    const QString fileName = QDir(m_dir.path()).filePath(QStringLiteral("output"));
    QFile file(fileName);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
    qputenv("VX_FAKE_TOOL_OUTPUT", QFile::encodeName(fileName));
}

void FakeSqlTool::setExitCode(int code) {
    qputenv("VX_FAKE_TOOL_EXIT", QByteArray::number(code));
}

void FakeSqlTool::killItselfWith(int signal) {
    qputenv("VX_FAKE_TOOL_SIGNAL", QByteArray::number(signal));
}

void FakeSqlTool::sleepFor(int milliseconds) {
    qputenv("VX_FAKE_TOOL_SLEEP_MS", QByteArray::number(milliseconds));
}

QString FakeSqlTool::recordFile(const char* name) const {
    return QDir(m_dir.path()).filePath(QStringLiteral("record/") + QLatin1String(name));
}

bool FakeSqlTool::ran() const {
    return QFile::exists(recordFile("pid"));
}

QStringList FakeSqlTool::arguments() const {
    QStringList list;
    for (const QByteArray& argument : readAll(recordFile("arguments")).split('\0'))
        list << QString::fromUtf8(argument);
    list.removeLast(); // after the last terminator
    return list;
}

std::optional<QString> FakeSqlTool::password() const {
    if (!QFile::exists(recordFile("password")))
        return std::nullopt;
    return QString::fromUtf8(readAll(recordFile("password")));
}

QByteArray FakeSqlTool::script() const {
    return readAll(recordFile("script"));
}

qint64 FakeSqlTool::pid() const {
    return readAll(recordFile("pid")).toLongLong();
}

} // namespace vx::test
