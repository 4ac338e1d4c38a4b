#include "Errors.h"

#include "Format.h"

namespace vx {

void raiseListIndexError(qsizetype index) {
    throw Error(format(QStringLiteral("List index out of bounds (%d)"), {qint64(index)}));
}

QString exceptionMessage(const std::exception& e) {
    if (auto* error = dynamic_cast<const Error*>(&e))
        return error->message();
    return QString::fromUtf8(e.what());
}

} // namespace vx
