#pragma once

#include <string>
#include <vector>

#include "curve.h"

namespace ondrel {

// A current maximum met while the potential rises, or a minimum met while
// it falls.
enum class PeakKind { Maximum, Minimum };

// A peak as the peak grids list it: its number from 1, potential in mV and
// current in µA.
struct Peak {
    int index;
    double Ep;
    double Ip;
    PeakKind kind = PeakKind::Maximum;
    bool operator==(const Peak&) const = default;
};

// The two peaks of one redox couple: the maximum of the rising sweep and the
// minimum of the falling one.
struct CouplePeaks {
    Peak maximum, minimum;
    double deltaEp() const { return maximum.Ep - minimum.Ep; }
    double halfWavePotential() const { return (maximum.Ep + minimum.Ep) / 2; }
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

// Pairs every maximum with a minimum, nearest potentials first; a peak
// without a partner is left out. In the order of the maxima.
std::vector<CouplePeaks> PairPeaks(const std::vector<Peak>& peaks);

// One line for each couple: "ΔEp = 59.1 mV   E½ = 1300 mV   |Ipa/Ipc| = 1"
// (the ratio only when the minimum's current is not zero).
std::vector<std::string> CoupleLines(const std::vector<CouplePeaks>& couples, char separator);

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
