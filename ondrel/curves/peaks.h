#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "curve.h"

namespace ondrel {

// A current maximum met while the potential rises, or a minimum met while
// it falls.
enum class PeakKind { Maximum, Minimum };

// A peak as the peak grids list it: its number from 1, potential in mV and
// current in µA; and what sets it apart from the curve's noise.
struct Peak {
    int index;
    double Ep;
    double Ip;
    PeakKind kind = PeakKind::Maximum;
    // The first of the two curve points the peak lies between.
    std::size_t point = 0;
    // The extremum of the curve as the derivative sees it (the running sum
    // of the derivative: for a measured curve, smoothed), µA.
    double top = 0;
    // How far that extremum stands out of the curve around it, µA.
    double prominence = 0;
    bool operator==(const Peak&) const = default;
};

// The derivative a search worked on and the peaks it found. A peak lies
// between derivative points p and p + 1 whose product is strictly negative,
// a maximum while the potential rises or a minimum while it falls.
struct PeakSearch {
    Curve derivative;
    std::vector<Peak> peaks;
    // The curve as the derivative sees it, its running sum:
    // level[p + 1] - level[p] is derivative point p, and level[p + 1] the
    // extremum of a peak between derivative points p and p + 1.
    std::vector<double> level;
    // How many curve points the derivative lacks at each end (m).
    std::size_t offset = 0;
    // The standard deviation of the noise left in level, µA.
    double noise = 0;
    // Made on a recorded curve by a Savitzky-Golay derivative.
    bool recorded = false;
};

// The threshold of prominence by default, in multiples of the noise: noise
// of 1000 points stays below 6, the peaks of a clean curve far above.
inline constexpr double kDefaultProminence = 10;

// The peaks whose prominence reaches threshold times the search's noise,
// numbered again from 1; a threshold of 0 keeps every peak.
std::vector<Peak> ProminentPeaks(const PeakSearch& search, double threshold);

// The peaks to show of a search made on curve: with a threshold of 0 every
// peak as found; otherwise the prominent ones, those of a recorded curve
// placed on their fitted tops (FitPeakTops), where noise moves the zero of
// the derivative by millivolts.
std::vector<Peak> ShownPeaks(const Curve& curve, const PeakSearch& search, double threshold);

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
