#pragma once

#include "../platform/ondrel_error.h"

namespace ondrel {

inline constexpr const char* kEngineStopped = "Engine stopped by user";
inline constexpr const char* kNoCouples = "Pas de couples Redox !";
inline constexpr const char* kUnsupportedMethod = "Unsupported Method !";

// The user stopped the run; the points so far stay with the caller.
class EngineStopException : public Exception {
public:
    EngineStopException() : Exception(kEngineStopped) {}
};

// An engine failure the caller handles apart from the others.
class EngineErrorException : public Exception {
public:
    using Exception::Exception;
};

}  // namespace ondrel
