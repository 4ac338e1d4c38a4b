#pragma once

#include "DataAccess.h"

#include <memory>

namespace vx {

// A connection through unixODBC (ODBC 3) and the driver of odbcDriver(). Batches go out as UTF-16;
// informational messages are the diagnostic records with native error 0 and SQLSTATE 01000, with
// the driver's "[FreeTDS][SQL Server]" prefix removed; errors carry the first record that is not a
// warning; a call that fails on a connection the driver finds dead says "Communication link
// failure" (SQLSTATE 08S01) rather than a generic text. The statement is forward-only and
// read-only, so results stream from the server; the columns of a fixed or known longest size are
// bound, so that a row comes in one fetch.
class OdbcConnection : public Connection {
public:
    OdbcConnection();
    ~OdbcConnection() override;

    void open(const QString& connectionString) override;
    void close() override;
    bool isOpen() const override;
    std::unique_ptr<RecordSet> execute(const QString& batch, ExecuteMode mode) override;
    QStringList takeMessages() override;
    void cancel() override;

    struct Private;

private:
    std::unique_ptr<Private> d;
};

} // namespace vx
