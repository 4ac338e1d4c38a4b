#include "DataAccess.h"

#include "OdbcConnection.h"

#include <mutex>

namespace vx {

namespace {
std::mutex factoryMutex;
ConnectionFactory installedFactory;
} // namespace

QStringList listDatabases(Connection& connection) {
    QStringList names;
    std::unique_ptr<RecordSet> records = connection.execute(databaseListQuery);
    while (records && records->fieldCount() == 0 && records->nextRecordset()) {
    }
    if (!records || records->fieldCount() == 0)
        return names;
    for (; !records->eof(); records->moveNext())
        if (const auto* name = std::get_if<QString>(&records->value(0)))
            names << *name;
    return names;
}

std::unique_ptr<Connection> createConnection() {
    ConnectionFactory factory;
    {
        std::lock_guard lock(factoryMutex);
        factory = installedFactory;
    }
    if (factory)
        return factory();
    return std::make_unique<OdbcConnection>();
}

void setConnectionFactory(ConnectionFactory factory) {
    std::lock_guard lock(factoryMutex);
    installedFactory = std::move(factory);
}

} // namespace vx
