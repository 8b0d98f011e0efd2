#include "pilot.h"

#include <algorithm>
#include <cmath>

namespace ondrel {

std::int64_t WholeCount(double exact) {
    const double nearest = std::round(exact);
    if (std::fabs(exact - nearest) <= 1e-12 * std::max(1.0, std::fabs(exact)))
        return static_cast<std::int64_t>(nearest);
    return static_cast<std::int64_t>(std::trunc(exact));
}

double TPilot::HalfCycleStart(int s) const {
    if (s == 0)
        return Einitial;
    return s % 2 == 1 ? Eswitch1 : Eswitch2;
}

double TPilot::HalfCycleEnd(int s) const {
    if (s >= 2 && s == halfCycles - 1)
        return Efinal;
    return s % 2 == 0 ? Eswitch1 : Eswitch2;
}

std::int64_t TPilot::Stairs(int s) const {
    const double steps = std::fabs(HalfCycleEnd(s) - HalfCycleStart(s)) / stepHeight;
    // Beyond any program that can be stepped (the checks refuse it), and
    // still a count.
    constexpr double kBeyond = 1e15;
    if (!(steps < kBeyond))
        return static_cast<std::int64_t>(kBeyond);
    return WholeCount(steps);
}

void TPilot::ComputeDurations() {
    if (halfCycles < 1 || halfCycles > kMaxHalfCycles)
        return;
    duration.assign(static_cast<std::size_t>(halfCycles), 0.0);
    totalTime = staircase() ? StairDuration() : 0;
    for (int s = 0; s < halfCycles; ++s) {
        duration[s] = staircase() ? static_cast<double>(Stairs(s)) * StairDuration()
                                  : std::fabs(HalfCycleEnd(s) - HalfCycleStart(s)) / scanRate;
        totalTime += duration[s];
    }
}

}  // namespace ondrel
