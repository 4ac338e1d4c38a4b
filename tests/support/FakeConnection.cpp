#include "FakeConnection.h"

namespace vx::test {

FakeBatch& FakeBatch::result(QList<FieldInfo> fields, QList<Row> rows) {
    Result result;
    result.fields = std::move(fields);
    result.rows = std::move(rows);
    m_steps.append(std::move(result));
    return *this;
}

FakeBatch& FakeBatch::generatedResult(QList<FieldInfo> fields, qint64 rowCount,
                                      RowGenerator generator) {
    Result result;
    result.fields = std::move(fields);
    result.generatedRows = rowCount;
    result.generator = std::move(generator);
    m_steps.append(std::move(result));
    return *this;
}

FakeBatch& FakeBatch::noColumns() {
    m_steps.append(Result{});
    return *this;
}

FakeBatch& FakeBatch::failAfterRows(qint64 rows, const QString& text, int nativeError) {
    for (auto it = m_steps.rbegin(); it != m_steps.rend(); ++it)
        if (auto* result = std::get_if<Result>(&*it)) {
            result->failAfter = rows;
            result->failText = text;
            result->failNativeError = nativeError;
            break;
        }
    return *this;
}

FakeBatch& FakeBatch::message(const QString& text) {
    m_steps.append(Message{text});
    return *this;
}

FakeBatch& FakeBatch::error(const QString& text, int nativeError) {
    m_steps.append(Failure{text, nativeError});
    return *this;
}

FakeBatch& FakeBatch::action(std::function<void()> step) {
    m_steps.append(std::move(step));
    return *this;
}

namespace {

// Walks a scripted batch the way a driver walks the server's reply.
class FakeRecordSet : public RecordSet {
public:
    FakeRecordSet(FakeConnection& connection, FakeBatch batch)
        : m_connection(connection), m_batch(std::move(batch)) {}

    // Moves to the first result; false when the batch has none.
    bool start() { return advance(0); }

    // Reads the whole reply without handing out anything but messages and errors.
    void drain() {
        if (!start())
            return;
        do {
            while (!eof())
                moveNext();
        } while (nextRecordset());
    }

    int fieldCount() const override { return m_result ? int(m_result->fields.size()) : 0; }
    const FieldInfo& field(int index) const override { return m_result->fields.at(index); }

    bool eof() override { return !m_result || m_row >= rowCount(); }

    const FieldValue& value(int index) override {
        if (eof())
            throw DbError("Either BOF or EOF is True, or the current record has been deleted.");
        if (m_result->generator) {
            if (m_generatedRow != m_row) {
                m_values.resize(m_result->fields.size());
                m_result->generator(m_row, m_values);
                m_generatedRow = m_row;
            }
            return m_values.at(index);
        }
        return m_result->rows.at(m_row).at(index);
    }

    void moveNext() override {
        if (eof())
            return;
        ++m_row;
        enterRow();
    }

    bool nextRecordset() override {
        if (m_step >= m_batch.steps().size())
            return false;
        return advance(m_step + 1);
    }

    void limitValueLength(int, int) override {}

private:
    qint64 rowCount() const {
        return m_result->generator ? m_result->generatedRows : m_result->rows.size();
    }

    void enterRow() {
        if (m_connection.cancelled()) {
            m_result = nullptr;
            m_step = m_batch.steps().size();
            throw DbError(QStringLiteral("Operation canceled"), "HY008", 0);
        }
        if (m_result->failAfter >= 0 && m_row >= m_result->failAfter && m_row <= rowCount()) {
            const FakeBatch::Result* failed = m_result;
            m_result = nullptr;
            m_step = m_batch.steps().size();
            throw DbError(failed->failText, "42000", failed->failNativeError);
        }
    }

    bool advance(qsizetype from) {
        m_result = nullptr;
        for (m_step = from; m_step < m_batch.steps().size(); ++m_step) {
            const FakeBatch::Step& step = m_batch.steps().at(m_step);
            if (const auto* result = std::get_if<FakeBatch::Result>(&step)) {
                m_result = result;
                m_row = 0;
                m_generatedRow = -1;
                enterRow();
                return true;
            }
            if (const auto* message = std::get_if<FakeBatch::Message>(&step)) {
                m_connection.addMessage(message->text);
            } else if (const auto* failure = std::get_if<FakeBatch::Failure>(&step)) {
                m_step = m_batch.steps().size();
                throw DbError(failure->text, "42000", failure->nativeError);
            } else {
                std::get<std::function<void()>>(step)();
            }
        }
        return false;
    }

    FakeConnection& m_connection;
    FakeBatch m_batch;
    qsizetype m_step = 0;
    const FakeBatch::Result* m_result = nullptr;
    qint64 m_row = 0;
    qint64 m_generatedRow = -1;
    FakeBatch::Row m_values;
};

QString batchKey(const QString& batch) {
    qsizetype end = batch.size();
    while (end > 0 && batch.at(end - 1).isSpace())
        --end;
    return batch.left(end);
}

} // namespace

FakeServer::FakeServer() {
    setConnectionFactory([this] { return connect(); });
}

FakeServer::~FakeServer() {
    setConnectionFactory({});
}

void FakeServer::respond(const QString& batch, FakeBatch answer) {
    std::lock_guard lock(m_mutex);
    m_answers.insert(batchKey(batch), std::move(answer));
}

void FakeServer::setDatabases(const QStringList& names) {
    QList<FakeBatch::Row> rows;
    for (const QString& name : names)
        rows.append({name});
    respond(databaseListQuery, FakeBatch().result({{"name", adVarWChar, 128}}, rows));
}

void FakeServer::failOpen(const QString& message) {
    std::lock_guard lock(m_mutex);
    m_openFailure = message;
}

std::unique_ptr<Connection> FakeServer::connect() {
    return std::make_unique<FakeConnection>(*this);
}

QList<FakeServer::Execution> FakeServer::executions() const {
    std::lock_guard lock(m_mutex);
    return m_executions;
}

QStringList FakeServer::batches() const {
    QStringList result;
    for (const Execution& execution : executions())
        result << execution.batch;
    return result;
}

QStringList FakeServer::openedConnectionStrings() const {
    std::lock_guard lock(m_mutex);
    return m_openedStrings;
}

int FakeServer::openConnections() const {
    std::lock_guard lock(m_mutex);
    return m_openConnections;
}

int FakeServer::cancelRequests() const {
    std::lock_guard lock(m_mutex);
    return m_cancelRequests;
}

int FakeServer::newConnectionNumber() {
    std::lock_guard lock(m_mutex);
    return ++m_connections;
}

void FakeServer::opening(const QString& connectionString) {
    std::lock_guard lock(m_mutex);
    m_openedStrings << connectionString;
    if (!m_openFailure.isEmpty())
        throw DbError(m_openFailure, "08001", 0);
    ++m_openConnections;
}

void FakeServer::closing() {
    std::lock_guard lock(m_mutex);
    --m_openConnections;
}

FakeBatch FakeServer::answer(int connection, const QString& batch, ExecuteMode mode) {
    std::lock_guard lock(m_mutex);
    m_executions.append({connection, batch, mode});
    return m_answers.value(batchKey(batch));
}

FakeConnection::FakeConnection(FakeServer& server)
    : m_server(server), m_number(server.newConnectionNumber()) {}

FakeConnection::~FakeConnection() {
    close();
}

void FakeConnection::open(const QString& connectionString) {
    close();
    m_server.opening(connectionString);
    m_open = true;
}

void FakeConnection::close() {
    if (m_open)
        m_server.closing();
    m_open = false;
}

std::unique_ptr<RecordSet> FakeConnection::execute(const QString& batch, ExecuteMode mode) {
    if (!m_open)
        throw DbError("The connection is not open.", "08003", 0);
    m_messages.clear();
    m_cancelled = false;
    auto records = std::make_unique<FakeRecordSet>(*this, m_server.answer(m_number, batch, mode));
    if (mode == ExecuteMode::NoRecords) {
        records->drain();
        return nullptr;
    }
    if (!records->start())
        return nullptr;
    return records;
}

QStringList FakeConnection::takeMessages() {
    return std::exchange(m_messages, {});
}

void FakeConnection::cancel() {
    m_cancelled = true;
    std::lock_guard lock(m_server.m_mutex);
    ++m_server.m_cancelRequests;
}

} // namespace vx::test
