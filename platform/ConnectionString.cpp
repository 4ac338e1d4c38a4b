#include "ConnectionString.h"

#include "Errors.h"
#include "Format.h"

#include <QRegularExpression>

namespace vx {

namespace {

enum class Keyword {
    Provider,
    PersistSecurityInfo,
    DataSource,
    InitialCatalog,
    UserId,
    Password,
    IntegratedSecurity
};

std::optional<Keyword> keywordOf(const QString& name) {
    static const QList<std::pair<QString, Keyword>> keywords = {
        {"provider", Keyword::Provider},
        {"persist security info", Keyword::PersistSecurityInfo},
        {"data source", Keyword::DataSource},
        {"initial catalog", Keyword::InitialCatalog},
        {"user id", Keyword::UserId},
        {"password", Keyword::Password},
        {"integrated security", Keyword::IntegratedSecurity},
    };
    const QString key = name.simplified().toLower();
    for (const auto& [text, keyword] : keywords)
        if (text == key)
            return keyword;
    return std::nullopt;
}

// Where the value that starts at `from` ends: at a ";" followed by "keyword =" or by blanks to the
// end of the text.
qsizetype valueEnd(const QString& text, qsizetype from) {
    static const QRegularExpression boundary(QStringLiteral(";(?=\\s*$|\\s*[A-Za-z][A-Za-z_ ]*=)"));
    const QRegularExpressionMatch match = boundary.match(text, from);
    return match.hasMatch() ? match.capturedStart() : text.size();
}

struct ValueSpan {
    QString value;
    qsizetype end; // the ";" after it, or the end of the text
};

// A value in double quotes, when its closing quote stands before a ";" that ends a value or at the
// end of the text.
std::optional<ValueSpan> quotedValue(const QString& text, qsizetype from) {
    if (from >= text.size() || text[from] != u'"')
        return std::nullopt;
    QString value;
    qsizetype i = from + 1;
    for (; i < text.size(); ++i) {
        if (text[i] == u'"') {
            if (i + 1 < text.size() && text[i + 1] == u'"') {
                value += u'"';
                ++i;
                continue;
            }
            break;
        }
        value += text[i];
    }
    const qsizetype after = i + 1;
    if (i >= text.size() || (after < text.size() && valueEnd(text, after) != after))
        return std::nullopt;
    return ValueSpan{value, after};
}

ValueSpan readValue(const QString& text, qsizetype from) {
    if (std::optional<ValueSpan> quoted = quotedValue(text, from))
        return *quoted;
    const qsizetype end = valueEnd(text, from);
    return {text.mid(from, end - from), end};
}

bool truthValue(const QString& value) {
    const QString v = value.trimmed().toLower();
    if (v == "sspi" || v == "true" || v == "yes")
        return true;
    if (v.isEmpty() || v == "false" || v == "no")
        return false;
    throw Error(
        format("Integrated Security=%s is not supported in the connection string.", {value}));
}

void append(QString& odbc, const QString& keyword, const QString& value, const QString& what) {
    const bool needsBraces =
        value.contains(';') || value.contains('{') ||
        (!value.isEmpty() && (value.front().isSpace() || value.back().isSpace()));
    if (needsBraces && value.contains('}'))
        throw Error(
            format("The %s cannot be passed to the ODBC driver: it holds \"}\" together with "
                   "\";\", \"{\" or blanks at its ends.",
                   {what}));
    odbc += keyword + '=' + (needsBraces ? '{' + value + '}' : value) + ';';
}

} // namespace

ConnectionParameters parseConnectionString(const QString& text) {
    ConnectionParameters parameters;
    qsizetype pos = 0;
    while (pos < text.size()) {
        const qsizetype equals = text.indexOf('=', pos);
        if (equals < 0) {
            if (!text.mid(pos).trimmed().isEmpty())
                throw Error(format("The connection string has a part without \"=\": %s",
                                   {text.mid(pos).trimmed()}));
            break;
        }
        const QString name = text.mid(pos, equals - pos);
        const std::optional<Keyword> keyword = keywordOf(name);
        if (!keyword)
            throw Error(format("Unknown keyword in the connection string: %s", {name.trimmed()}));
        if (*keyword == Keyword::Password) {
            parameters.password = text.mid(equals + 1);
            break;
        }
        const auto [value, end] = readValue(text, equals + 1);
        pos = end + 1;
        switch (*keyword) {
        case Keyword::DataSource:
            parameters.server = value.trimmed();
            break;
        case Keyword::InitialCatalog:
            parameters.database = value;
            parameters.hasDatabase = true;
            break;
        case Keyword::UserId:
            parameters.user = value;
            break;
        case Keyword::IntegratedSecurity:
            parameters.integratedSecurity = truthValue(value);
            break;
        case Keyword::Provider:
        case Keyword::PersistSecurityInfo:
        case Keyword::Password:
            break;
        }
    }
    return parameters;
}

QString adoValue(const QString& value) {
    // Read as the text has it: followed by the ";" that ends every value but the password.
    if (!value.startsWith(u'"') && valueEnd(value + u';', 0) == value.size())
        return value;
    return u'"' + QString(value).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

QString odbcConnectionString(const ConnectionParameters& parameters, const QString& driver) {
    QString odbc;
    // A registered name and a library path alike are given in braces.
    if (driver.contains('}'))
        throw Error(format("The ODBC driver name cannot hold \"}\": %s", {driver}));
    odbc += "DRIVER={" + driver + "};";
    append(odbc, "SERVER", parameters.server, "server name");
    if (parameters.hasDatabase && !parameters.database.isEmpty())
        append(odbc, "DATABASE", parameters.database, "database name");
    if (parameters.integratedSecurity) {
        odbc += "Trusted_Connection=Yes;";
    } else {
        append(odbc, "UID", parameters.user, "user name");
        append(odbc, "PWD", parameters.password, "password");
    }
    odbc += "TDS_Version=7.4;ClientCharset=UTF-8;";
    return odbc;
}

QString odbcDriver() {
    const QString driver = qEnvironmentVariable("VORNALEX_ODBC_DRIVER");
    return driver.isEmpty() ? QStringLiteral("FreeTDS") : driver;
}

} // namespace vx
