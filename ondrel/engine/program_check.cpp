#include "program_check.h"

#include <cmath>

namespace ondrel {

std::string ProgramProblem(TPilot pilot) {
    if (pilot.halfCycles < 1 || pilot.halfCycles > 3)
        return "The potential program needs 1, 2 or 3 half-cycles, not " +
               std::to_string(pilot.halfCycles) + ".";
    if (!(pilot.scanRate > 0) || !std::isfinite(pilot.scanRate))
        return "The scan rate must be a positive number of V/s.";
    for (double e : {pilot.Einitial, pilot.Eswitch1, pilot.Eswitch2, pilot.Efinal})
        if (!std::isfinite(e))
            return "The potentials of the program must be numbers.";
    pilot.ComputeDurations();
    const double points = std::trunc(pilot.scanRate * pilot.totalTime * 1000);
    if (points < 1)
        return "The potential program sweeps less than 1 mV: there is nothing to simulate.";
    // One point per millivolt is kept in memory; past this the run could
    // not hold them, nor count its steps.
    if (points > kMaxProgramPoints)
        return "The potential program sweeps more than 10000 V: it cannot be simulated.";
    return {};
}

}  // namespace ondrel
