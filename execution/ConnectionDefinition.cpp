#include "ConnectionDefinition.h"

#include "ConnectionString.h"
#include "DataAccess.h"

#include <QCoreApplication>
#include <mutex>
#include <optional>

namespace {

std::mutex argumentsLock;
std::optional<QStringList> pendingArguments;
bool argumentsTaken = false;

} // namespace

QString ConnectionDefinition::BuildConnectionString(bool catalog) const {
    QString text =
        "Provider=SQLOLEDB.1;Persist Security Info=False;Data Source=" + vx::adoValue(server) + ";";
    if (catalog)
        text += "Initial Catalog=" + vx::adoValue(database) + ";";
    if (trusted)
        text += "Integrated Security=SSPI;";
    else
        text += "User ID=" + vx::adoValue(user) + ";Password=" + password;
    return text;
}

void ConnectionDefinition::Connect(vx::Connection& connection) const {
    connection.close();
    connection.setConnectionTimeout(connectionTimeout);
    connection.setCommandTimeout(commandTimeout);
    connection.open(GetConnectionString());
}

void LoginSwitches::applyTo(ConnectionDefinition& definition) const {
    if (!server.isEmpty()) {
        definition.server = server;
        definition.trusted = false;
    }
    if (!database.isEmpty())
        definition.database = database;
    if (!user.isEmpty())
        definition.user = user;
    if (!password.isEmpty())
        definition.password = password;
    if (trusted)
        definition.trusted = true;
}

bool LoginSwitches::canConnect() const {
    return !server.isEmpty() && !database.isEmpty() && (trusted || !user.isEmpty());
}

LoginSwitches parseLoginSwitches(const QStringList& arguments) {
    LoginSwitches switches;
    const std::pair<const char*, QString LoginSwitches::*> valued[] = {
        {"-s", &LoginSwitches::server},
        {"-d", &LoginSwitches::database},
        {"-u", &LoginSwitches::user},
        {"-p", &LoginSwitches::password},
    };
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("-t"))
            switches.trusted = true;
        for (const auto& [name, field] : valued) {
            if (arguments[i] == QLatin1String(name) && i + 1 < arguments.size())
                switches.*field = arguments[i + 1];
        }
    }
    return switches;
}

LoginSwitches takeLoginSwitches() {
    const std::lock_guard lock(argumentsLock);
    if (argumentsTaken)
        return {};
    argumentsTaken = true;
    return parseLoginSwitches(pendingArguments ? *pendingArguments : QCoreApplication::arguments());
}

void setLoginArguments(const QStringList& arguments) {
    const std::lock_guard lock(argumentsLock);
    pendingArguments = arguments;
    argumentsTaken = false;
}
