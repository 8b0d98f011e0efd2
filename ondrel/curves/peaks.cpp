#include "peaks.h"

#include <algorithm>
#include <cmath>

#include "../platform/float_text.h"
#include "savitzky_golay.h"

namespace ondrel {

namespace {

// Whether the current has a maximum between derivative points a and b while
// the potential rises, or a minimum while it falls.
bool peakBetween(const CurvePoint& a, const CurvePoint& b) {
    if (!(a.current * b.current < 0))
        return false;
    return (a.current > 0 && b.potential > a.potential) ||
           (a.current < 0 && b.potential < a.potential);
}

// A derivative falling through zero marks a maximum.
PeakKind kindOf(const CurvePoint& before) {
    return before.current > 0 ? PeakKind::Maximum : PeakKind::Minimum;
}

GridRows derivativeHeader() {
    return {{"# Pt", "E", "dI/dE"}};
}

}  // namespace

PeakSearch FindMeasuredPeaks(const Curve& curve, int w) {
    PeakSearch search;
    Derive(curve, search.derivative, w);
    const std::size_t m = static_cast<std::size_t>(w / 2);
    const Curve& d = search.derivative;
    for (std::size_t p = 0; p + 1 < d.size(); ++p) {
        if (!peakBetween(d[p], d[p + 1]))
            continue;
        const double Ep = d[p].potential + (d[p + 1].potential - d[p].potential) * d[p].current /
                                               (d[p].current - d[p + 1].current);
        const double Ip = (curve[p + m].current + curve[p + m + 1].current) / 2;
        search.peaks.push_back({static_cast<int>(search.peaks.size()) + 1, Ep, Ip, kindOf(d[p])});
    }
    return search;
}

PeakSearch FindSimulatedPeaks(const Curve& curve) {
    PeakSearch search;
    Curve& d = search.derivative;
    for (std::size_t i = 1; i < curve.size(); ++i)
        d.push_back({(curve[i - 1].potential + curve[i].potential) / 2,
                     curve[i].current - curve[i - 1].current});
    for (std::size_t p = 0; p + 1 < d.size(); ++p) {
        if (!peakBetween(d[p], d[p + 1]))
            continue;
        search.peaks.push_back({static_cast<int>(search.peaks.size()) + 1,
                                (curve[p].potential + curve[p + 1].potential) / 2,
                                (curve[p].current + curve[p + 1].current) / 2, kindOf(d[p])});
    }
    return search;
}

std::vector<CouplePeaks> PairPeaks(const std::vector<Peak>& peaks) {
    struct Candidate {
        double distance;
        std::size_t maximum, minimum;
    };
    std::vector<Candidate> candidates;
    for (std::size_t a = 0; a < peaks.size(); ++a)
        for (std::size_t c = 0; c < peaks.size(); ++c)
            if (peaks[a].kind == PeakKind::Maximum && peaks[c].kind == PeakKind::Minimum)
                candidates.push_back({std::abs(peaks[a].Ep - peaks[c].Ep), a, c});
    std::stable_sort(
        candidates.begin(), candidates.end(),
        [](const Candidate& x, const Candidate& y) { return x.distance < y.distance; });
    std::vector<bool> taken(peaks.size(), false);
    std::vector<std::pair<std::size_t, std::size_t>> pairs;
    for (const Candidate& candidate : candidates) {
        if (taken[candidate.maximum] || taken[candidate.minimum])
            continue;
        taken[candidate.maximum] = taken[candidate.minimum] = true;
        pairs.emplace_back(candidate.maximum, candidate.minimum);
    }
    std::sort(pairs.begin(), pairs.end());
    std::vector<CouplePeaks> couples;
    for (const auto& [maximum, minimum] : pairs)
        couples.push_back({peaks[maximum], peaks[minimum]});
    return couples;
}

std::vector<std::string> CoupleLines(const std::vector<CouplePeaks>& couples, char separator) {
    std::vector<std::string> lines;
    for (const CouplePeaks& couple : couples) {
        std::string line =
            "\u0394Ep = " + FloatToGeneral(couple.deltaEp(), 4, separator) +
            " mV   E\u00BD = " + FloatToGeneral(couple.halfWavePotential(), 5, separator) + " mV";
        if (couple.minimum.Ip != 0)
            line += "   |Ipa/Ipc| = " +
                    FloatToGeneral(std::abs(couple.maximum.Ip / couple.minimum.Ip), 3, separator);
        lines.push_back(std::move(line));
    }
    return lines;
}

GridRows PeakRows(const std::vector<Peak>& peaks, char separator) {
    GridRows rows = {{"index", "Ep", "Ip"}};
    for (const Peak& peak : peaks)
        rows.push_back({std::to_string(peak.index), FloatToGeneral(peak.Ep, 5, separator),
                        FloatToGeneral(peak.Ip, 4, separator)});
    return rows;
}

GridRows MeasuredDerivativeRows(const Curve& derivative, char separator) {
    GridRows rows = derivativeHeader();
    for (std::size_t p = 0; p + 1 < derivative.size(); ++p)
        rows.push_back({std::to_string(p), FloatToGeneral(derivative[p].potential, 5, separator),
                        FloatToGeneral(derivative[p].current, 5, separator)});
    return rows;
}

GridRows SimulatedDerivativeRows(const Curve& derivative, char separator) {
    GridRows rows = derivativeHeader();
    for (std::size_t p = 0; p < derivative.size(); ++p)
        rows.push_back({std::to_string(p + 1), FloatToText(derivative[p].potential, separator),
                        FloatToGeneral(derivative[p].current, 5, separator)});
    return rows;
}

}  // namespace ondrel
