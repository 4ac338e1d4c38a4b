#pragma once

#include <QString>
#include <exception>
#include <string>

namespace vx {

// The system's failure: carries the text shown to the user.
class Error : public std::exception {
public:
    explicit Error(QString message)
        : m_message(std::move(message)), m_utf8(m_message.toStdString()) {}
    const QString& message() const noexcept { return m_message; }
    const char* what() const noexcept override { return m_utf8.c_str(); }

private:
    QString m_message;
    std::string m_utf8;
};

// A silent stop: unwinds to the nearest guard without showing anything.
class EAbort : public std::exception {
public:
    const char* what() const noexcept override { return "Operation aborted"; }
};

[[noreturn]] inline void abort() {
    throw EAbort();
}

// Raises the failure of a list reached outside 0..count-1: "List index out of bounds (%d)".
[[noreturn]] void raiseListIndexError(qsizetype index);

// The text of any exception, for logs and error boxes.
QString exceptionMessage(const std::exception& e);

} // namespace vx
