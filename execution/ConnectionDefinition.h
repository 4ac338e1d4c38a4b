#pragma once

#include <QString>
#include <QStringList>

namespace vx {
class Connection;
}

// One SQL Server connection as the login holds it. A worker thread connects from a copy of it and
// never reads the login's window.
struct ConnectionDefinition {
    QString server;
    QString database;
    QString user;
    QString password;           // plain
    bool trusted = false;       // Windows authentication: user and password are not sent
    int connectionTimeout = 15; // seconds
    int commandTimeout = 30;    // seconds

    // The ADO-style text that the data access reads; the database is named only with the catalog.
    // Values go in as they are, except those that would not read back unchanged (vx::adoValue):
    // a value holding ";" cannot change the connection's other fields.
    QString BuildConnectionString(bool catalog) const;
    QString GetConnectionString() const { return BuildConnectionString(true); }
    // Closes the connection, gives it this definition's timeouts and opens it with the database.
    // The driver's or server's failure propagates.
    void Connect(vx::Connection& connection) const;

    bool operator==(const ConnectionDefinition&) const = default;
};

// The login switches of a command line: -s server, -d database, -u user, -p password (each taking
// the next argument) and -t for Windows authentication.
struct LoginSwitches {
    QString server;
    QString database;
    QString user;
    QString password;
    bool trusted = false;

    // Writes the non-empty values into the definition: a server clears Windows authentication,
    // which -t then sets again.
    void applyTo(ConnectionDefinition& definition) const;
    // Whether the switches name enough to connect without asking the user.
    bool canConnect() const;
};

// Reads the switches from a program's arguments (the first is the program itself). Switches are
// compared exactly; every argument is examined, values too, and a later switch wins.
LoginSwitches parseLoginSwitches(const QStringList& arguments);

// The switches of the process's command line for the first caller, none afterwards: only the first
// login of the process uses them, so that later logins keep their own connections.
LoginSwitches takeLoginSwitches();
// Replaces the command line that takeLoginSwitches hands out, once more.
void setLoginArguments(const QStringList& arguments);
