#pragma once

#include "OdbcConnection.h"
#include "tds_test_server.h"
#include "uTZybScriptRunner.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <utility>

// What the integration tests share: ADO-style connection strings for the test server, ODBC
// connections through the FreeTDS driver the server's own tests use, and a script runner whose
// events are written down in order.

namespace vx::test {

inline QString adoConnectionString(const tdsserver::TestServer& server, const QString& database,
                                   const QString& user = "sa", const QString& password = "pw") {
    return "Provider=SQLOLEDB.1;Persist Security Info=False;Data Source=" +
           QString::fromStdString(server.dataSource()) + ";Initial Catalog=" + database +
           ";User ID=" + user + ";Password=" + password;
}

// A closed ODBC connection. Set the driver before any connection of the test is made: it is read
// from the environment at each open.
inline std::unique_ptr<OdbcConnection> odbcConnection() {
    qputenv("VORNALEX_ODBC_DRIVER", QByteArray::fromStdString(tdsserver::freetdsDriverPath()));
    return std::make_unique<OdbcConnection>();
}

inline std::unique_ptr<OdbcConnection> openConnection(const tdsserver::TestServer& server,
                                                      const QString& database) {
    auto connection = odbcConnection();
    connection->open(adoConnectionString(server, database));
    return connection;
}

// A runner on a connection that records its events: P(pos,max,comment), M(line) and
// E(error,break,ask). An error is answered with the given flags, or left at the presets; a
// question is recorded as Q(question) and answered no.
class RecordingRunner {
public:
    explicit RecordingRunner(Connection& connection,
                             std::optional<std::pair<bool, bool>> errorAnswer = {}) {
        runner.Connection = &connection;
        runner.TabDelimiter = true;
        runner.OnProgress = [this](QObject*, int pos, int max, const QString& comment) {
            events << QString("P(%1,%2,%3)").arg(pos).arg(max).arg(comment);
        };
        runner.OnMessage = [this](QObject*, const QString& line) { events << "M(" + line + ")"; };
        runner.OnError = [this, errorAnswer](QObject*, const QString& error, bool& stop,
                                             bool& ask) {
            events << QString("E(%1,%2,%3)").arg(error).arg(stop).arg(ask);
            if (errorAnswer)
                std::tie(stop, ask) = *errorAnswer;
        };
        runner.OnAsk = [this](QObject*, const QString& question, TZybAskType, bool& answer) {
            events << "Q(" + question + ")";
            answer = false;
        };
    }

    bool run(const QStringList& lines) {
        events.clear();
        return runner.ExecuteLines(lines);
    }

    // The events other than progress reports.
    QStringList output() const {
        QStringList lines;
        for (const QString& event : events)
            if (!event.startsWith("P("))
                lines << event;
        return lines;
    }

    TZybScriptRunner runner;
    QStringList events;
};

// Errors are reported and the run goes on with the next batch.
inline const std::pair<bool, bool> continueOnError{false, false};

} // namespace vx::test
