#pragma once

#include <QString>

// The login builds an ADO-style connection string ("Provider=SQLOLEDB.1;Persist Security
// Info=False;Data Source=srv;Initial Catalog=db;User ID=u;Password=p"); the ODBC layer maps it onto
// the driver's keywords.
//
// The ODBC driver is named by the environment variable VORNALEX_ODBC_DRIVER: either a driver name
// registered with unixODBC (odbcinst.ini) or the path of the driver library. Default: "FreeTDS".

namespace vx {

struct ConnectionParameters {
    QString server; // host, host,port or host\instance; outer blanks removed
    QString database;
    bool hasDatabase = false; // "Initial Catalog" given (the database list connects without)
    QString user;
    QString password;
    bool integratedSecurity = false; // Windows authentication
};

// Reads the ADO-style text. Keywords are compared without regard to case; blanks around them do
// not count. Recognised: Provider and Persist Security Info (ignored), Data Source, Initial
// Catalog, User ID, Password, Integrated Security (SSPI or true). A ";" ends a value only where a
// keyword and "=" follow it, or at the end, so values may hold ";". A value in double quotes, its
// own quotes doubled, is read without them and may hold anything. Password stands last, as the
// login writes it, and takes the rest of the text unchanged. Raises vx::Error for an unknown
// keyword or a part without "=".
ConnectionParameters parseConnectionString(const QString& text);

// A value as the ADO-style text carries it so that parseConnectionString gives it back
// unchanged: as it is, unless a ";" in it would end it early or it starts with a double quote;
// then in double quotes, its own double quotes doubled. The password, standing last, needs none.
QString adoValue(const QString& value);

// The ODBC connection string for the driver: DRIVER, SERVER, DATABASE (when given), UID and PWD or
// Trusted_Connection=Yes, TDS_Version and ClientCharset=UTF-8. A value holding ";" or "{", or with
// blanks at either end, is put in braces; one that needs braces and holds "}" cannot be passed to
// the driver and raises vx::Error naming the keyword (never the value).
QString odbcConnectionString(const ConnectionParameters& parameters, const QString& driver);

// The driver from VORNALEX_ODBC_DRIVER, or "FreeTDS".
QString odbcDriver();

} // namespace vx
