#pragma once

#include <array>

namespace ondrel {

// The potential program of a cyclic voltammogram: one to three linear
// half-cycles at a constant scan rate.
struct TPilot {
    double Einitial = 1.1;  // V
    double Eswitch1 = 1.6;  // V
    double Eswitch2 = 1.1;  // V
    double Efinal = 1.0;    // V
    double scanRate = 1.1;  // V/s
    int halfCycles = 2;
    std::array<double, 3> duration{};  // t1..t3, s
    double totalTime = 0;              // s
    // The cell, acting in the implicit solver: the uncompensated resistance
    // while irComp is set, the double-layer capacitance while icComp is.
    int irComp = 0;
    int icComp = 0;
    double capacitance = 0;  // µF/cm² of electrode
    double resistance = 0;   // ohm

    // Fills duration[0..halfCycles-1] and totalTime; leaves them for a
    // half-cycle count outside 1..3.
    void ComputeDurations();

    bool operator==(const TPilot&) const = default;
};

// The technique names by method code; only 0 is simulated.
inline constexpr std::array<const char*, 7> kTechniqueNames = {
    "CV", "COTTRELL", "CHRONOCOULOMETRY", "CHRONOPOTENTIOMETRY", "RDE", "NORMALPULSE", "DIFFPULSE"};

}  // namespace ondrel
