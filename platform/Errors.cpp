#include "Errors.h"

namespace vx {

QString exceptionMessage(const std::exception& e) {
    if (auto* error = dynamic_cast<const Error*>(&e))
        return error->message();
    return QString::fromUtf8(e.what());
}

} // namespace vx
