#include "ProcessSignals.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <csignal>

namespace {

using vx::test::catchesSignal;

class ProgramEnd : public testing::TestWithParam<int> {};

TEST_P(ProgramEnd, ATerminationSignalClosesTheWindowAndWritesTheSettings) {
    QTemporaryDir folder;
    const QString settings = folder.filePath("vornalex.ini");
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("VORNALEX_SETTINGS", settings);
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    program.setProcessEnvironment(environment);
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.start(VX_PROGRAM, {});
    ASSERT_TRUE(program.waitForStarted(30000));

    // The handler is installed once the window stands; a signal before it would kill the program.
    for (int wait = 0; wait < 3000 && !catchesSignal(program.processId(), GetParam()); ++wait)
        QThread::msleep(20);
    ASSERT_TRUE(catchesSignal(program.processId(), GetParam()));
    ::kill(pid_t(program.processId()), GetParam());

    ASSERT_TRUE(program.waitForFinished(60000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    QFile written(settings);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_TRUE(written.readAll().contains("[fVornalex.seCommandTimeout]\nValue=30\n"));
}

INSTANTIATE_TEST_SUITE_P(Signals, ProgramEnd, testing::Values(SIGTERM, SIGINT),
                         [](const testing::TestParamInfo<int>& info) {
                             return std::string(info.param == SIGTERM ? "SIGTERM" : "SIGINT");
                         });

} // namespace
