#pragma once

#include <cstdint>

namespace tolvek {

// Milliseconds since system start, as a 32-bit counter that wraps.
std::uint32_t GetTickCount();

}  // namespace tolvek
