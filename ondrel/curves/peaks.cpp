#include "peaks.h"

#include <algorithm>
#include <cmath>

#include "../platform/float_text.h"
#include "peak_tops.h"
#include "prominence.h"
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

// Each peak's extremum and prominence on the search's level.
void measureProminence(PeakSearch& search) {
    for (Peak& peak : search.peaks) {
        const std::size_t top = peak.point - search.offset + 1;
        peak.top = search.level[top];
        peak.prominence = Prominence(search.level, top, peak.kind == PeakKind::Maximum);
    }
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
        search.peaks.push_back(
            {static_cast<int>(search.peaks.size()) + 1, Ep, Ip, kindOf(d[p]), p + m});
    }
    // The running sum of a quadratic Savitzky-Golay derivative is the curve
    // smoothed by a parabolic window of weights K_J (J = -m .. m - 1) that
    // sum to 1.
    const double normaliser = static_cast<double>(m * (m + 1) * (2 * m + 1)) / 3;
    std::vector<double> weights;
    double partial = 0, squares = 0;
    for (int J = -static_cast<int>(m); J < static_cast<int>(m); ++J) {
        partial -= J / normaliser;
        weights.push_back(partial);
        squares += partial * partial;
    }
    std::vector<double>& level = search.level;
    level.assign(d.size() + 1, 0);
    for (std::size_t j = 0; j < weights.size(); ++j)
        level[0] += weights[j] * curve[j].current;
    for (std::size_t p = 0; p < d.size(); ++p)
        level[p + 1] = level[p] + d[p].current;
    search.offset = m;
    search.recorded = true;
    measureProminence(search);
    search.noise = CurveNoise(curve) * std::sqrt(squares);
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
                                (curve[p].current + curve[p + 1].current) / 2, kindOf(d[p]), p});
    }
    // First differences sum back to the curve itself.
    for (const CurvePoint& point : curve)
        search.level.push_back(point.current);
    measureProminence(search);
    search.noise = CurveNoise(curve);
    return search;
}

std::vector<Peak> ProminentPeaks(const PeakSearch& search, double threshold) {
    std::vector<Peak> kept;
    for (const Peak& peak : search.peaks) {
        if (threshold > 0 && peak.prominence < threshold * search.noise)
            continue;
        kept.push_back(peak);
        kept.back().index = static_cast<int>(kept.size());
    }
    return kept;
}

std::vector<Peak> ShownPeaks(const Curve& curve, const PeakSearch& search, double threshold) {
    if (!(threshold > 0))
        return search.peaks;
    std::vector<Peak> kept = ProminentPeaks(search, threshold);
    return search.recorded ? FitPeakTops(curve, search, std::move(kept)) : kept;
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
