#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace ondrel {

// The potential program of a voltammogram: linear half-cycles at a constant
// scan rate, or a staircase along the same path, after an optional quiet
// time at the initial potential.
//
// Half-cycle 1 runs from Einitial towards Eswitch1; the following ones run
// back and forth, each against the direction of the one before: half-cycle
// 2 from Eswitch1 towards Eswitch2, 3 from Eswitch2 towards Eswitch1, 4 from
// Eswitch1 towards Eswitch2, and so on, as an instrument's cycles between
// two vertices do. From three half-cycles on, the last one runs towards
// Efinal instead of its vertex (with three, Eswitch2 to Efinal).
struct TPilot {
    double Einitial = 1.1;  // V
    double Eswitch1 = 1.6;  // V
    double Eswitch2 = 1.1;  // V
    double Efinal = 1.0;    // V
    double scanRate = 1.1;  // V/s
    int halfCycles = 2;
    std::vector<double> duration{};  // of each half-cycle, s
    double totalTime = 0;            // s, the quiet time not included
    // The cell, acting in the implicit solver: the uncompensated resistance
    // while irComp is set, the double-layer capacitance while icComp is.
    int irComp = 0;
    int icComp = 0;
    double capacitance = 0;  // µF/cm² of electrode
    double resistance = 0;   // ohm
    // A hold at Einitial before the program (s): simulated, not recorded;
    // the program's time and its stored points start after it.
    double quietTime = 0;
    // A staircase instead of a linear sweep where stepHeight > 0 (V): the
    // potential steps by stepHeight every stepHeight / scanRate seconds and
    // holds between steps; the current is sampled at samplingPoint (a share
    // above 0 and at most 1) of each step's duration, as instruments sample
    // it. The first step holds Einitial; each half-cycle then steps
    // Stairs(s) times from its start towards its end.
    double stepHeight = 0;
    double samplingPoint = 1;

    // Fills duration (one per half-cycle) and totalTime; leaves them for a
    // half-cycle count outside 1..kMaxHalfCycles. A staircase's half-cycle
    // lasts its steps; its first step, at Einitial, adds one step's time to
    // totalTime.
    void ComputeDurations();

    bool staircase() const { return stepHeight > 0; }
    // Half-cycle s (0-based): the potential it starts from, the one it runs
    // towards, and its direction relative to half-cycle 1 (+1, -1).
    double HalfCycleStart(int s) const;
    double HalfCycleEnd(int s) const;
    static int HalfCycleSign(int s) { return s % 2 == 0 ? 1 : -1; }
    // A staircase's steps in half-cycle s: whole steps of stepHeight that
    // fit between its start and its end (a last part shorter than a step is
    // left out), and its step duration (s).
    std::int64_t Stairs(int s) const;
    double StairDuration() const { return stepHeight / scanRate; }

    bool operator==(const TPilot&) const = default;
};

// The most half-cycles a program may have.
inline constexpr int kMaxHalfCycles = 100000;

// A count computed in floating point (points of a program, steps of a
// half-cycle), truncated toward zero, but taken whole when rounding has left
// it a hair below a whole number: 1000 for 999.9999999999999, so that no
// half-cycle loses its last step to the arithmetic.
std::int64_t WholeCount(double exact);

// The technique names by method code; only 0 is simulated.
inline constexpr std::array<const char*, 7> kTechniqueNames = {
    "CV", "COTTRELL", "CHRONOCOULOMETRY", "CHRONOPOTENTIOMETRY", "RDE", "NORMALPULSE", "DIFFPULSE"};

}  // namespace ondrel
