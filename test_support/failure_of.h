#pragma once

#include <exception>
#include <functional>
#include <string>

namespace test_support {

// What action threw, or "no failure" when it returned.
inline std::string FailureOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& error) {
        return error.what();
    }
    return "no failure";
}

}  // namespace test_support
