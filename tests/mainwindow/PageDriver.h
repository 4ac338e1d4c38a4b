#pragma once

#include "LogView.h"
#include "QtPrinting.h"
#include "RunChannel.h"
#include "ScriptedPrompter.h"
#include "crfLogin.h"
#include "ufSQLLoaderResult.h"

#include <QTest>
#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>

namespace vx {
inline void PrintTo(const LogLine& line, std::ostream* out) {
    *out << (line.isError ? "red \"" : "\"") << line.text.toStdString() << '"';
}
} // namespace vx

namespace vx::test {

inline LogLine red(const QString& text) {
    return {text, true};
}

// The lines of a log as they stand, each with its colour.
inline QList<LogLine> logLines(const LogDocument& log) {
    QList<LogLine> lines;
    for (qsizetype i = 0; i < log.lineCount(); ++i)
        lines.append(log.line(i));
    return lines;
}

inline QList<LogLine> logLines(const LogView& log) {
    return logLines(log.document());
}

// How the error mode meets a failure: the mode, the user's answer when it asks, and whether the
// run goes on.
struct ErrorModeCase {
    const char* name;
    int mode;
    std::optional<bool> answer;
    bool goesOn;
};

inline void PrintTo(const ErrorModeCase& c, std::ostream* out) {
    *out << c.name;
}

inline auto errorModeCases() {
    return ::testing::Values(ErrorModeCase{"Stop", emStop, std::nullopt, false},
                             ErrorModeCase{"Continue", emContinue, std::nullopt, true},
                             ErrorModeCase{"AskOk", emAsk, true, true},
                             ErrorModeCase{"AskCancel", emAsk, false, false});
}

inline std::string errorModeCaseName(const ::testing::TestParamInfo<ErrorModeCase>& info) {
    return info.param.name;
}

// The log of the script "PRINT 'one'", a failing batch, "PRINT 'three'".
inline QList<LogLine> scriptErrorLog(const QString& connected, const QString& error, bool goesOn) {
    QList<LogLine> lines = {{connected}, {"one"}, red(error), {""}};
    lines += goesOn ? QList<LogLine>{{"three"}, {"Completed."}} : QList<LogLine>{{"Interrupted."}};
    return lines;
}

// Drives one results page as the main window does: fills its settings and connection, starts a
// run and waits for its reported end.
struct PageDriver {
    TfSQLLoaderResult page;
    int finishes = 0;

    explicit PageDriver(const QString& caption = QStringLiteral("srv1 page")) {
        page.setWindowTitle(caption);
        page.AutoConnect = true;
        page.PrintMessages = true;
        page.Login->SetServer(QStringLiteral("srv1"));
        page.Login->SetDatabase(QStringLiteral("sales"));
        page.Login->SetUser(QStringLiteral("sa"));
        page.Login->SetPassword(QStringLiteral("secret"));
        page.OnFinish = [this](QObject* sender) {
            EXPECT_EQ(sender, &page);
            ++finishes;
        };
    }

    void setErrorMode(const ErrorModeCase& c, ScriptedPrompter& prompter) {
        page.OnErrorMode = c.mode;
        if (c.answer)
            prompter.answerOkCancel(*c.answer);
    }

    void start(const QStringList& script) {
        page.ZybScriptRunner->Script = script;
        page.StartRun();
    }
    // Generous: runs share eight cores with the other tests.
    bool waitUntilFinished(int milliseconds = 60000) {
        return QTest::qWaitFor([this] { return page.Finished; }, milliseconds);
    }
    bool run(const QStringList& script) {
        start(script);
        return waitUntilFinished();
    }

    QList<LogLine> log() const { return logLines(*page.reResult); }
};

} // namespace vx::test
