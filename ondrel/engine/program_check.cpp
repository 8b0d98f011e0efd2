#include "program_check.h"

#include <algorithm>
#include <cmath>

#include "../platform/float_text.h"

namespace ondrel {

std::int64_t WholeCount(double exact) {
    const double nearest = std::round(exact);
    if (std::fabs(exact - nearest) <= 1e-12 * std::max(1.0, std::fabs(exact)))
        return static_cast<std::int64_t>(nearest);
    return static_cast<std::int64_t>(std::trunc(exact));
}

std::string ProgramProblem(TPilot pilot) {
    if (pilot.halfCycles < 1 || pilot.halfCycles > 3)
        return "The potential program needs 1, 2 or 3 half-cycles, not " +
               std::to_string(pilot.halfCycles) + ".";
    if (!(pilot.scanRate > 0) || !std::isfinite(pilot.scanRate))
        return "The scan rate must be a positive number of V/s.";
    const double used[4] = {pilot.Einitial, pilot.Eswitch1, pilot.Eswitch2, pilot.Efinal};
    for (int i = 0; i < pilot.halfCycles + 1; ++i) {
        if (!std::isfinite(used[i]))
            return "The potentials of the program must be numbers.";
        // Points keep their potential as a 32-bit count of millivolts.
        if (std::fabs(used[i]) * 1000 >= kMaxStoredMillivolts)
            return "The potential " + FloatToText(used[i], '.') +
                   " V does not fit the stored points (at most ±2147483 V).";
    }
    if (pilot.Einitial == pilot.Eswitch1)
        return "The first half-cycle is empty: the initial potential equals the first switching "
               "potential (" +
               FloatToText(pilot.Einitial, '.') + " V).";
    pilot.ComputeDurations();
    if (!std::isfinite(pilot.totalTime))
        return "The scan rate " + FloatToText(pilot.scanRate, '.') +
               " V/s is too small: the program would last longer than can be counted.";
    // Past this the solvers' time and space steps leave the range where
    // their arithmetic holds (a grid of 10¹⁴⁰ cm for 10⁻³⁰⁰ V/s).
    if (pilot.totalTime > kMaxProgramSeconds)
        return "The scan rate " + FloatToText(pilot.scanRate, '.') +
               " V/s is too small: the program would last " +
               FloatToGeneral(pilot.totalTime, 3, '.') +
               " s, longer than the 1E12 s (about 30000 years) a run can step.";
    const double points = pilot.scanRate * pilot.totalTime * 1000;
    // One point per millivolt is kept in memory; past this the run could
    // not hold them, nor count its steps.
    if (points > kMaxProgramPoints)
        return "The potential program sweeps more than 10000 V: it cannot be simulated.";
    if (WholeCount(points) < 1)
        return "The potential program sweeps less than 1 mV: there is nothing to simulate.";
    return {};
}

}  // namespace ondrel
