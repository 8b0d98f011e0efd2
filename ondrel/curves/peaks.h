#pragma once

#include <string>
#include <vector>

#include "curve.h"

namespace ondrel {

// A peak as the peak grids list it: its number from 1, potential in mV and
// current in µA.
struct Peak {
    int index;
    double Ep;
    double Ip;
    bool operator==(const Peak&) const = default;
};

// The derivative a search worked on and the peaks it found. A peak lies
// between derivative points p and p + 1 whose product is strictly negative,
// a maximum while the potential rises or a minimum while it falls.
struct PeakSearch {
    Curve derivative;
    std::vector<Peak> peaks;
};

// A recorded curve: Savitzky-Golay derivative of width w, Ep at the
// interpolated zero crossing, Ip the mean of the two source currents that
// straddle it. Throws as Derive does.
PeakSearch FindMeasuredPeaks(const Curve& curve, int w);

// A simulated curve: first differences at the mid-potentials; Ep and Ip the
// means of the two curve points at the sign change.
PeakSearch FindSimulatedPeaks(const Curve& curve);

using GridRows = std::vector<std::vector<std::string>>;

// The peak grid: "index", "Ep", "Ip", then Ep with 5 and Ip with 4
// significant digits.
GridRows PeakRows(const std::vector<Peak>& peaks, char separator);

// The derivative grid: "# Pt", "E", "dI/dE", then a row for every point a
// peak test looked at. Measured rows are numbered from 0; simulated rows
// from 1 with the mid-potential in the default float format.
GridRows MeasuredDerivativeRows(const Curve& derivative, char separator);
GridRows SimulatedDerivativeRows(const Curve& derivative, char separator);

}  // namespace ondrel
