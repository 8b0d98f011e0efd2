#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "../curves/curve.h"

namespace ondrel {

// The points [begin, end) of a curve that sweep one way: +1 rising, -1
// falling.
struct SweepRange {
    std::size_t begin = 0, end = 0;
    int direction = 0;
    bool operator==(const SweepRange&) const = default;
};

// The sweeps of a recorded curve in acquisition order. A sweep turns where
// the potential has come back more than turnMv from its extreme, so that
// noise on the potential does not split a sweep; the extreme point closes
// the sweep before it.
std::vector<SweepRange> SplitSweeps(const Curve& curve, double turnMv = 2.0);

// A simulated sweep on the solver's time steps, potentials monotonic in the
// sweep's direction: mV and µA.
struct SweepSamples {
    std::vector<double> potential;
    std::vector<double> current;
    int direction = 0;
};

// The current at a potential, linear between the two samples around it;
// nothing outside the sweep.
std::optional<double> InterpolateCurrent(const SweepSamples& sweep, double potentialMv);

// The standard deviation (µA) of a curve's noise, from the second
// differences of the current within its sweeps, whose spread a smooth
// voltammogram hardly adds to at a millivolt's spacing: the median absolute
// difference over 0.6745·√6, so that a spike or a switch does not weigh.
// Nothing when the curve has fewer than eight such differences.
std::optional<double> HighFrequencyNoise(const Curve& curve);

}  // namespace ondrel
