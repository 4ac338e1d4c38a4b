#include "OdbcConnection.h"

namespace vx {

struct OdbcConnection::Private {};

OdbcConnection::OdbcConnection() : d(std::make_unique<Private>()) {}
OdbcConnection::~OdbcConnection() = default;

void OdbcConnection::open(const QString&) {
    throw Error("ODBC connections are not built yet.");
}
void OdbcConnection::close() {}
bool OdbcConnection::isOpen() const {
    return false;
}
std::unique_ptr<RecordSet> OdbcConnection::execute(const QString&, ExecuteMode) {
    throw Error("ODBC connections are not built yet.");
}
QStringList OdbcConnection::takeMessages() {
    return {};
}

} // namespace vx
