#pragma once

#include <optional>
#include <string>
#include <vector>

#include "curve.h"
#include "peaks.h"

namespace ondrel {

// The widest separation of the two peaks of one redox couple that is read as
// a couple, mV: a slow couple reaches a few hundred.
inline constexpr double kMaxPeakSeparation = 400;

// The two peaks of one redox couple: the maximum of the rising sweep and the
// minimum of the falling one, below it.
struct CouplePeaks {
    Peak maximum, minimum;
    // |Ipa/Ipc| from the peaks' heights above their baselines; empty where
    // the curve gives none.
    std::optional<double> ratio;
    double deltaEp() const { return maximum.Ep - minimum.Ep; }
    double halfWavePotential() const { return (maximum.Ep + minimum.Ep) / 2; }
};

// Pairs maxima with minima below them by at most kMaxPeakSeparation,
// nearest potentials first; a peak without a partner is left out. In the
// order of the maxima, without ratios.
std::vector<CouplePeaks> PairPeaks(const std::vector<Peak>& peaks);

// The couples of the peaks of curve (in curve order) with their current
// ratios, each peak measured from its baseline (PeakHeights); no ratio for
// a couple whose later peak follows a peak without a partner, whose unseen
// other wave would lie under it.
std::vector<CouplePeaks> FindCouples(const Curve& curve, const std::vector<Peak>& peaks);

// One line for each couple: "ΔEp = 59.1 mV   E½ = 1300 mV   |Ipa/Ipc| = 1"
// (the ratio only where there is one).
std::vector<std::string> CoupleLines(const std::vector<CouplePeaks>& couples, char separator);

// The couples as a table: "Epa (mV)", "Epc (mV)", "ΔEp (mV)", "E½ (mV)",
// "|Ipa/Ipc|", then a row for each ("-" for a missing ratio).
std::vector<std::vector<std::string>> CoupleRows(const std::vector<CouplePeaks>& couples,
                                                 char separator);

}  // namespace ondrel
