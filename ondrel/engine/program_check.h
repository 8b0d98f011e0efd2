#pragma once

#include <cstdint>
#include <string>

#include "../model/pilot.h"

namespace ondrel {

inline constexpr double kMaxProgramPoints = 1e7;            // mV swept
inline constexpr double kMaxStoredMillivolts = 2147483647;  // a stored point's potential
inline constexpr double kMaxProgramSeconds = 1e12;

// A count computed in floating point (points of a program, steps of a
// half-cycle), truncated toward zero, but taken whole when rounding has left
// it a hair below a whole number: 1000 for 999.9999999999999, so that no
// half-cycle loses its last step to the arithmetic.
std::int64_t WholeCount(double exact);

// Why a potential program cannot be stepped, with the value named, or
// empty: a half-cycle count outside 1..3, a scan rate that is not a positive
// number or so small that the program lasts more than 10¹² s, a potential that
// is no number or does not fit the stored millivolts, an empty first
// half-cycle, or a sweep shorter than 1 mV or longer than 10000 V.
std::string ProgramProblem(TPilot pilot);

}  // namespace ondrel
