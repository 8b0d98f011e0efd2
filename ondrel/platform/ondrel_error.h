#pragma once

#include <stdexcept>
#include <string>

namespace ondrel {

// The base of every error the program raises; its message is what the user
// is shown.
class Exception : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A text that is not a number where a number was expected.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

}  // namespace ondrel
