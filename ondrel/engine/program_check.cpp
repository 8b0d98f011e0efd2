#include "program_check.h"

#include <algorithm>
#include <cmath>

#include "../platform/float_text.h"

namespace ondrel {

namespace {

// The quiet time and the staircase's values.
std::string programExtrasProblem(const TPilot& pilot) {
    if (!(std::isfinite(pilot.quietTime) && pilot.quietTime >= 0))
        return "The quiet time must be a number of seconds of at least 0, not " +
               FloatToText(pilot.quietTime, '.') + ".";
    if (pilot.quietTime > kMaxProgramSeconds)
        return "The quiet time of " + FloatToText(pilot.quietTime, '.') +
               " s is longer than the 1E12 s (about 30000 years) a run can step.";
    if (!(std::isfinite(pilot.stepHeight) && pilot.stepHeight >= 0))
        return "The step height of a staircase must be a number of volts of at least 0, not " +
               FloatToText(pilot.stepHeight, '.') + ".";
    if (pilot.staircase() && !(pilot.samplingPoint > 0 && pilot.samplingPoint <= 1))
        return "The sampling point of a staircase must lie above 0 and at most at 1 (the end "
               "of each step), not " +
               FloatToText(pilot.samplingPoint, '.') + ".";
    return {};
}

// The staircase's steps, once its durations are known.
std::string staircaseProblem(const TPilot& pilot) {
    if (pilot.Stairs(0) < 1)
        return "The first half-cycle of the staircase (" +
               FloatToText(std::fabs(pilot.Eswitch1 - pilot.Einitial) * 1000, '.') +
               " mV) is shorter than its step height (" +
               FloatToText(pilot.stepHeight * 1000, '.') + " mV).";
    double stairs = 1;
    for (int s = 0; s < pilot.halfCycles; ++s)
        stairs += static_cast<double>(pilot.Stairs(s));
    if (stairs > kMaxProgramPoints)
        return "The staircase has more than 10000000 steps: it cannot be simulated.";
    return {};
}

}  // namespace

std::string ProgramProblem(TPilot pilot) {
    if (pilot.halfCycles < 1 || pilot.halfCycles > kMaxHalfCycles)
        return "The potential program needs at least 1 and at most " +
               std::to_string(kMaxHalfCycles) + " half-cycles, not " +
               std::to_string(pilot.halfCycles) + ".";
    if (!(pilot.scanRate > 0) || !std::isfinite(pilot.scanRate))
        return "The scan rate must be a positive number of V/s.";
    const double used[4] = {pilot.Einitial, pilot.Eswitch1, pilot.Eswitch2, pilot.Efinal};
    for (int i = 0; i < std::min(pilot.halfCycles + 1, 4); ++i) {
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
    if (std::string problem = programExtrasProblem(pilot); !problem.empty())
        return problem;
    pilot.ComputeDurations();
    if (!std::isfinite(pilot.totalTime))
        return "The scan rate " + FloatToText(pilot.scanRate, '.') +
               " V/s is too small: the program would last longer than can be counted.";
    // Past this the solvers' time and space steps leave the range where
    // their arithmetic holds (a grid of 10¹⁴⁰ cm for 10⁻³⁰⁰ V/s).
    if (pilot.totalTime + pilot.quietTime > kMaxProgramSeconds)
        return "The scan rate " + FloatToText(pilot.scanRate, '.') +
               " V/s is too small: the program would last " +
               FloatToGeneral(pilot.totalTime + pilot.quietTime, 3, '.') +
               " s, longer than the 1E12 s (about 30000 years) a run can step.";
    const double points = pilot.scanRate * pilot.totalTime * 1000;
    // One point per millivolt is kept in memory; past this the run could
    // not hold them, nor count its steps.
    if (points > kMaxProgramPoints)
        return "The potential program sweeps more than 10000 V: it cannot be simulated.";
    if (pilot.staircase())
        return staircaseProblem(pilot);
    if (WholeCount(points) < 1)
        return "The potential program sweeps less than 1 mV: there is nothing to simulate.";
    return {};
}

std::string ClassicProgramProblem(const TPilot& pilot) {
    const char* const choose =
        ": choose the implicit solver (Solver, beside the cell; --solver implicit).";
    if (pilot.halfCycles > 3)
        return "The classic engine runs 1, 2 or 3 half-cycles, not " +
               std::to_string(pilot.halfCycles) + choose;
    if (pilot.quietTime > 0)
        return std::string("The classic engine runs no quiet time") + choose;
    if (pilot.staircase())
        return std::string("The classic engine runs no staircase") + choose;
    return {};
}

}  // namespace ondrel
