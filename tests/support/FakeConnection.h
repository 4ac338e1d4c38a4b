#pragma once

#include "DataAccess.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <mutex>
#include <variant>

namespace vx::test {

// What the fake server answers to one batch: results, messages and errors in the order the server
// would send them. A reader meets them as it walks the record set: messages join the
// connection's message list, an error is raised and ends the batch.
class FakeBatch {
public:
    using Row = QList<FieldValue>;
    // Fills the values of row `row` (from 0); `values` holds one slot per field.
    using RowGenerator = std::function<void(qint64 row, Row& values)>;

    // A result with columns and the given rows.
    FakeBatch& result(QList<FieldInfo> fields, QList<Row> rows = {});
    // A result whose rows are made one at a time when read, never held.
    FakeBatch& generatedResult(QList<FieldInfo> fields, qint64 rowCount, RowGenerator generator);
    // A result without columns (a statement's row count).
    FakeBatch& noColumns();
    // The last result fails with this error when the reader moves past its first `rows` rows.
    FakeBatch& failAfterRows(qint64 rows, const QString& text, int nativeError = 8134);
    FakeBatch& message(const QString& text);
    FakeBatch& error(const QString& text, int nativeError = 50000);
    // Runs when the reader reaches this point (for tests that must act in the middle of a batch).
    FakeBatch& action(std::function<void()> step);

    struct Result {
        QList<FieldInfo> fields;
        QList<Row> rows;
        qint64 generatedRows = 0;
        RowGenerator generator;
        qint64 failAfter = -1;
        QString failText;
        int failNativeError = 0;
    };
    struct Message {
        QString text;
    };
    struct Failure {
        QString text;
        int nativeError;
    };
    using Step = std::variant<Result, Message, Failure, std::function<void()>>;
    const QList<Step>& steps() const { return m_steps; }

private:
    QList<Step> m_steps;
};

// The fake server behind every FakeConnection made from it: scripted answers per batch text, a
// record of every open and every batch, thread-safe. While it exists it is the process's
// connection factory (createConnection() makes FakeConnections); destroy it after the last of
// its connections.
class FakeServer {
public:
    struct Execution {
        int connection; // 1 for the first connection made, 2 for the next, ...
        QString batch;
        ExecuteMode mode;
    };

    FakeServer();
    ~FakeServer();
    FakeServer(const FakeServer&) = delete;
    FakeServer& operator=(const FakeServer&) = delete;

    // The answer to a batch whose text, without blanks and line ends at its end, equals `batch`.
    // Other batches succeed without results.
    void respond(const QString& batch, FakeBatch answer);
    // The answer to the database list query.
    void setDatabases(const QStringList& names);
    // Every later open() fails with this message; an empty one lets them succeed again.
    void failOpen(const QString& message);

    std::unique_ptr<Connection> connect();

    QList<Execution> executions() const;
    // The texts of every executed batch, in order.
    QStringList batches() const;
    // The connection string of every open(), in order.
    QStringList openedConnectionStrings() const;
    // Connections that are open now.
    int openConnections() const;
    // How often a connection was asked to cancel its batch.
    int cancelRequests() const;

private:
    friend class FakeConnection;
    int newConnectionNumber();
    void opening(const QString& connectionString);
    void closing();
    FakeBatch answer(int connection, const QString& batch, ExecuteMode mode);

    mutable std::mutex m_mutex;
    QMap<QString, FakeBatch> m_answers;
    QString m_openFailure;
    QList<Execution> m_executions;
    QStringList m_openedStrings;
    int m_connections = 0;
    int m_openConnections = 0;
    int m_cancelRequests = 0;
};

class FakeConnection : public Connection {
public:
    explicit FakeConnection(FakeServer& server);
    ~FakeConnection() override;

    void open(const QString& connectionString) override;
    void close() override;
    bool isOpen() const override { return m_open; }
    std::unique_ptr<RecordSet> execute(const QString& batch, ExecuteMode mode) override;
    QStringList takeMessages() override;
    // Counted by the server. The result being read then fails at its next row, as a server's does;
    // a batch that should fail elsewhere on it says so with an action. Any thread.
    void cancel() override;

    // The record set's route back: messages it meets, and whether its batch was cancelled.
    void addMessage(const QString& text) { m_messages << text; }
    bool cancelled() const { return m_cancelled; }

private:
    FakeServer& m_server;
    int m_number;
    bool m_open = false;
    QStringList m_messages;
    std::atomic<bool> m_cancelled{false};
};

} // namespace vx::test
