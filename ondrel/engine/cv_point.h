#pragma once

#include <cstdint>

namespace ondrel {

// One stored point of a voltammogram: potential in mV (truncated), current
// in A.
struct CVpoint {
    std::int32_t potential;
    float current;
    bool operator==(const CVpoint&) const = default;
};

}  // namespace ondrel
