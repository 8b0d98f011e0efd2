#include "curve_program.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "../../fit/sweeps.h"
#include "../../platform/float_text.h"
#include "../../platform/ondrel_error.h"

namespace ondrel {

namespace {

// How far a recorded sweep may reach past its half-cycle, in mV: the
// potential of a recording wanders by about this much.
constexpr double kReachMv = 5;

constexpr int kMostHalfCycles = 3;

// The potentials at which the program's half-cycles start and end, in mV,
// as the engine steps them: half-cycle 2 runs back for |Eswitch2 -
// Eswitch1|, half-cycle 3 forward again for |Efinal - Eswitch2|.
std::vector<double> programTurns(const TPilot& program) {
    const double start = program.Einitial * 1000, first = program.Eswitch1 * 1000;
    const double d = first >= start ? 1 : -1;
    std::vector<double> turns = {start, first};
    if (program.halfCycles >= 2)
        turns.push_back(first - d * std::fabs(program.Eswitch2 - program.Eswitch1) * 1000);
    if (program.halfCycles >= 3)
        turns.push_back(turns.back() + d * std::fabs(program.Efinal - program.Eswitch2) * 1000);
    return turns;
}

std::string millivolts(double value) {
    return FloatToGeneral(std::round(value * 10) / 10, 6, '.');
}

std::string joined(const std::vector<double>& potentials) {
    std::string text;
    for (double E : potentials)
        text += (text.empty() ? "" : " \u2192 ") + millivolts(E);
    return text + " mV";
}

std::vector<double> curveTurns(const Curve& curve, const std::vector<SweepRange>& sweeps) {
    std::vector<double> turns = {curve.front().potential};
    for (const SweepRange& sweep : sweeps)
        turns.push_back(curve[sweep.end - 1].potential);
    return turns;
}

}  // namespace

bool CurveLiesOnProgram(const Curve& curve, const TPilot& program) {
    const std::vector<SweepRange> sweeps = SplitSweeps(curve);
    const std::vector<double> turns = programTurns(program);
    const std::size_t halfCycles = turns.size() - 1;
    if (curve.empty() || sweeps.size() > halfCycles)
        return false;
    for (std::size_t s = 0; s < sweeps.size(); ++s) {
        const int direction = turns[s + 1] >= turns[s] ? 1 : -1;
        if (sweeps[s].direction != 0 && sweeps[s].direction != direction)
            return false;
        const double low = std::min(turns[s], turns[s + 1]) - kReachMv;
        const double high = std::max(turns[s], turns[s + 1]) + kReachMv;
        for (std::size_t i = sweeps[s].begin; i < sweeps[s].end; ++i)
            if (curve[i].potential < low || curve[i].potential > high)
                return false;
    }
    return true;
}

TPilot ProgramOfCurve(const Curve& curve, const TPilot& base) {
    const std::vector<SweepRange> sweeps = SplitSweeps(curve);
    if (curve.size() < 2 || sweeps.empty() || sweeps.front().direction == 0)
        throw Exception("The curve sweeps no potential range.");
    if (sweeps.size() > kMostHalfCycles)
        throw Exception("The curve sweeps " + std::to_string(sweeps.size()) +
                        " times, the program at most " + std::to_string(kMostHalfCycles) +
                        " half-cycles.");
    const std::vector<double> turns = curveTurns(curve, sweeps);
    TPilot program = base;
    program.halfCycles = static_cast<int>(sweeps.size());
    program.Einitial = turns[0] / 1000;
    program.Eswitch1 = turns[1] / 1000;
    // The later turning potentials the program does not reach keep their
    // values, so that a switch to more half-cycles finds them as they were.
    if (turns.size() > 2)
        program.Eswitch2 = turns[2] / 1000;
    if (turns.size() > 3)
        program.Efinal = turns[3] / 1000;
    return program;
}

std::string SweepText(const Curve& curve) {
    if (curve.empty())
        return "no points";
    return joined(curveTurns(curve, SplitSweeps(curve)));
}

std::string ProgramSweepText(const TPilot& program) {
    return joined(programTurns(program));
}

}  // namespace ondrel
