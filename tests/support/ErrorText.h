#pragma once

#include "Errors.h"

#include <QString>
#include <functional>

namespace vx::test {

// The message of the vx::Error that the step raises; empty when it raises none.
inline QString errorText(const std::function<void()>& step) {
    try {
        step();
    } catch (const vx::Error& e) {
        return e.message();
    }
    return {};
}

} // namespace vx::test
