#pragma once

#include <string>

#include "pilot.h"

namespace ondrel {

inline constexpr double kMaxProgramPoints = 1e7;  // mV swept

// Why a potential program cannot be stepped, or empty: a half-cycle count
// outside 1..3, a scan rate that is not a positive number, or a sweep
// shorter than 1 mV or longer than 10000 V.
std::string ProgramProblem(TPilot pilot);

}  // namespace ondrel
