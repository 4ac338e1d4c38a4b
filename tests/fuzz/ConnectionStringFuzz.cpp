// Every field of a connection reaches the driver exactly as typed (the server without outer
// blanks): through the connection string the definition builds, its reading, and the ODBC
// string, which is read here as the FreeTDS driver reads it. A value the ODBC string cannot
// carry is refused with an error, never passed on changed. Any text at all read as a connection
// string gives parameters or an error.

#include "ConnectionDefinition.h"
#include "ConnectionString.h"
#include "Errors.h"
#include "FuzzInput.h"

#include <QHash>

namespace {

// KEY=value;... where a value starting with "{" runs to the first "}" followed by ";" or the end.
QHash<QString, QString> readOdbc(const QString& text) {
    QHash<QString, QString> values;
    qsizetype pos = 0;
    while (pos < text.size()) {
        const qsizetype equals = text.indexOf(u'=', pos);
        VX_FUZZ_CHECK(equals > pos);
        const QString key = text.mid(pos, equals - pos);
        qsizetype end;
        QString value;
        if (text.at(equals + 1) == u'{') {
            end = equals + 2;
            while (!(text.at(end) == u'}' && (end + 1 == text.size() || text.at(end + 1) == u';')))
                ++end;
            value = text.mid(equals + 2, end - equals - 2);
            ++end;
        } else {
            end = text.indexOf(u';', equals + 1);
            VX_FUZZ_CHECK(end >= 0);
            value = text.mid(equals + 1, end - equals - 1);
        }
        VX_FUZZ_CHECK(!values.contains(key));
        values.insert(key, value);
        VX_FUZZ_CHECK(end < text.size() && text.at(end) == u';');
        pos = end + 1;
    }
    return values;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray input = vx::fuzz::bytes(data, size);
    try {
        vx::parseConnectionString(QString::fromUtf8(input));
    } catch (const vx::Error&) {
    }

    const QList<QString> fields = vx::fuzz::fields(input);
    ConnectionDefinition definition;
    definition.server = fields.value(0);
    definition.database = fields.value(1);
    definition.user = fields.value(2);
    definition.password = fields.value(3);
    definition.trusted = fields.size() > 4;

    const vx::ConnectionParameters read =
        vx::parseConnectionString(definition.GetConnectionString());
    VX_FUZZ_CHECK(read.server == definition.server.trimmed());
    VX_FUZZ_CHECK(read.database == definition.database);
    VX_FUZZ_CHECK(read.integratedSecurity == definition.trusted);
    if (!definition.trusted) {
        VX_FUZZ_CHECK(read.user == definition.user);
        VX_FUZZ_CHECK(read.password == definition.password);
    }

    QString odbc;
    try {
        odbc = vx::odbcConnectionString(read, "FreeTDS");
    } catch (const vx::Error&) {
        return 0; // a value with "}" that needs braces: refused
    }
    const QHash<QString, QString> driver = readOdbc(odbc);
    VX_FUZZ_CHECK(driver.value("SERVER") == read.server);
    VX_FUZZ_CHECK(driver.value("DATABASE") == read.database);
    if (definition.trusted) {
        VX_FUZZ_CHECK(driver.value("Trusted_Connection") == "Yes" && !driver.contains("UID") &&
                      !driver.contains("PWD"));
    } else {
        VX_FUZZ_CHECK(driver.value("UID") == read.user);
        VX_FUZZ_CHECK(driver.value("PWD") == read.password);
    }
    return 0;
}
