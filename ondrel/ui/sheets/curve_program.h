#pragma once

#include <string>

#include "../../curves/curve.h"
#include "../../model/pilot.h"

namespace ondrel {

// Whether a recorded curve lies on a potential program as the fit lays it
// on: no more sweeps than the program has half-cycles, each running the
// program's way, none reaching more than a few millivolts past its
// half-cycle.
bool CurveLiesOnProgram(const Curve& curve, const TPilot& program);

// The program's potentials taken from a recorded curve: its first point,
// the end of each sweep, its last point; as many half-cycles as it has
// sweeps. The rest (scan rate, cell) stays as in base. Throws Exception when
// the curve has no sweep or more than the program can hold.
TPilot ProgramOfCurve(const Curve& curve, const TPilot& base);

// The potentials a curve or a program runs through, in mV:
// "1100 → 1600 → 1100 mV".
std::string SweepText(const Curve& curve);
std::string ProgramSweepText(const TPilot& program);

}  // namespace ondrel
