#pragma once

#include <cstdint>
#include <string>

#include "../model/pilot.h"

namespace ondrel {

inline constexpr double kMaxProgramPoints = 1e7;            // mV swept, or steps of a staircase
inline constexpr double kMaxStoredMillivolts = 2147483647;  // a stored point's potential
inline constexpr double kMaxProgramSeconds = 1e12;

// Why a potential program cannot be stepped, with the value named, or
// empty: a half-cycle count outside 1..kMaxHalfCycles, a scan rate that is
// not a positive number or so small that the program lasts more than
// 10¹² s, a potential that is no number or does not fit the stored
// millivolts, an empty first half-cycle, a sweep shorter than 1 mV or
// longer than 10000 V, a quiet time that is not a number of seconds of at
// least 0, a step height that is not one of volts of at least 0, a sampling
// point outside (0, 1], a staircase whose first half-cycle is shorter than
// its step or that has more than 10⁷ steps.
std::string ProgramProblem(TPilot pilot);

// What the classic engine cannot run of a program that the implicit solver
// can (more than three half-cycles, a quiet time, a staircase), naming the
// implicit solver; empty where it can.
std::string ClassicProgramProblem(const TPilot& pilot);

}  // namespace ondrel
