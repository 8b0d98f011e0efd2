#include "couples.h"

#include <algorithm>
#include <cmath>

#include "../platform/float_text.h"
#include "peak_baselines.h"

namespace ondrel {

namespace {

// The places of the paired peaks in peaks, maximum first, in the order of
// the maxima.
std::vector<std::pair<std::size_t, std::size_t>> pairs(const std::vector<Peak>& peaks) {
    struct Candidate {
        double separation;
        std::size_t maximum, minimum;
    };
    std::vector<Candidate> candidates;
    for (std::size_t a = 0; a < peaks.size(); ++a)
        for (std::size_t c = 0; c < peaks.size(); ++c) {
            if (peaks[a].kind != PeakKind::Maximum || peaks[c].kind != PeakKind::Minimum)
                continue;
            const double separation = peaks[a].Ep - peaks[c].Ep;
            if (separation > 0 && separation <= kMaxPeakSeparation)
                candidates.push_back({separation, a, c});
        }
    std::stable_sort(
        candidates.begin(), candidates.end(),
        [](const Candidate& x, const Candidate& y) { return x.separation < y.separation; });
    std::vector<bool> taken(peaks.size(), false);
    std::vector<std::pair<std::size_t, std::size_t>> paired;
    for (const Candidate& candidate : candidates) {
        if (taken[candidate.maximum] || taken[candidate.minimum])
            continue;
        taken[candidate.maximum] = taken[candidate.minimum] = true;
        paired.emplace_back(candidate.maximum, candidate.minimum);
    }
    std::sort(paired.begin(), paired.end());
    return paired;
}

std::string ratioText(const CouplePeaks& couple, char separator) {
    return FloatToGeneral(*couple.ratio, 3, separator);
}

}  // namespace

std::vector<CouplePeaks> PairPeaks(const std::vector<Peak>& peaks) {
    std::vector<CouplePeaks> couples;
    for (const auto& [maximum, minimum] : pairs(peaks))
        couples.push_back({peaks[maximum], peaks[minimum], std::nullopt});
    return couples;
}

std::vector<CouplePeaks> FindCouples(const Curve& curve, const std::vector<Peak>& peaks) {
    const std::vector<std::optional<double>> heights = PeakHeights(curve, peaks);
    const auto paired = pairs(peaks);
    // A peak without a partner has its other wave somewhere unseen (a
    // shoulder lost in the noise), under every peak that follows it.
    std::vector<bool> partnered(peaks.size(), false);
    for (const auto& [maximum, minimum] : paired)
        partnered[maximum] = partnered[minimum] = true;
    const std::size_t firstLone =
        std::find(partnered.begin(), partnered.end(), false) - partnered.begin();
    std::vector<CouplePeaks> couples;
    for (const auto& [maximum, minimum] : paired) {
        CouplePeaks couple{peaks[maximum], peaks[minimum], std::nullopt};
        const auto &anodic = heights[maximum], &cathodic = heights[minimum];
        // Each peak must stand out of its baseline its own way.
        if (anodic && cathodic && *anodic > 0 && *cathodic < 0 &&
            std::max(maximum, minimum) < firstLone)
            couple.ratio = *anodic / -*cathodic;
        couples.push_back(couple);
    }
    return couples;
}

std::vector<std::string> CoupleLines(const std::vector<CouplePeaks>& couples, char separator) {
    std::vector<std::string> lines;
    for (const CouplePeaks& couple : couples) {
        std::string line =
            "\u0394Ep = " + FloatToGeneral(couple.deltaEp(), 4, separator) +
            " mV   E\u00BD = " + FloatToGeneral(couple.halfWavePotential(), 5, separator) + " mV";
        if (couple.ratio)
            line += "   |Ipa/Ipc| = " + ratioText(couple, separator);
        lines.push_back(std::move(line));
    }
    return lines;
}

std::vector<std::vector<std::string>> CoupleRows(const std::vector<CouplePeaks>& couples,
                                                 char separator) {
    std::vector<std::vector<std::string>> rows = {
        {"Epa (mV)", "Epc (mV)", "\u0394Ep (mV)", "E\u00BD (mV)", "|Ipa/Ipc|"}};
    for (const CouplePeaks& couple : couples)
        rows.push_back({FloatToGeneral(couple.maximum.Ep, 5, separator),
                        FloatToGeneral(couple.minimum.Ep, 5, separator),
                        FloatToGeneral(couple.deltaEp(), 4, separator),
                        FloatToGeneral(couple.halfWavePotential(), 5, separator),
                        couple.ratio ? ratioText(couple, separator) : "-"});
    return rows;
}

}  // namespace ondrel
