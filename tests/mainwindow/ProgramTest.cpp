#include "ProcessSignals.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <csignal>

namespace {

using vx::test::catchesSignal;

class ProgramEnd : public testing::TestWithParam<int> {
protected:
    // Starts the program offscreen on the settings file and waits until it takes the signal.
    void start(const QString& settings) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("VORNALEX_SETTINGS", settings);
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        program.setProcessEnvironment(environment);
        program.start(VX_PROGRAM, {});
        ASSERT_TRUE(program.waitForStarted(30000));
        // The handler is installed once the window stands; a signal before it would kill the
        // program.
        for (int wait = 0; wait < 3000 && !catchesSignal(program.processId(), GetParam()); ++wait)
            QThread::msleep(20);
        ASSERT_TRUE(catchesSignal(program.processId(), GetParam()));
    }

    QTemporaryDir folder;
    QProcess program;
};

TEST_P(ProgramEnd, ATerminationSignalClosesTheWindowAndWritesTheSettings) {
    const QString settings = folder.filePath("vornalex.ini");
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    ASSERT_NO_FATAL_FAILURE(start(settings));
    ::kill(pid_t(program.processId()), GetParam());

    ASSERT_TRUE(program.waitForFinished(60000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    QFile written(settings);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_TRUE(written.readAll().contains("[fVornalex.seCommandTimeout]\nValue=30\n"));
}

// Nobody may be left to answer an error box: the failure goes to standard error and the exit
// status says so.
TEST_P(ProgramEnd, SettingsThatCannotBeWrittenAfterASignalAreReportedOnStandardError) {
    ASSERT_TRUE(QDir(folder.path()).mkdir("gone"));
    const QString settings = folder.filePath("gone/vornalex.ini");
    ASSERT_NO_FATAL_FAILURE(start(settings));
    ASSERT_TRUE(QDir(folder.filePath("gone")).removeRecursively());
    ::kill(pid_t(program.processId()), GetParam());

    const bool finished = program.waitForFinished(60000);
    if (!finished)
        program.kill();
    ASSERT_TRUE(finished) << "the program waits for an answer";
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 1);
    const QByteArray errors = program.readAllStandardError();
    EXPECT_TRUE(errors.contains("Vornalex: Unable to write to " + settings.toUtf8() + "\n"))
        << errors.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Signals, ProgramEnd, testing::Values(SIGTERM, SIGINT),
                         [](const testing::TestParamInfo<int>& info) {
                             return std::string(info.param == SIGTERM ? "SIGTERM" : "SIGINT");
                         });

} // namespace
