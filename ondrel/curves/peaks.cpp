#include "peaks.h"

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
        search.peaks.push_back({static_cast<int>(search.peaks.size()) + 1, Ep, Ip});
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
                                (curve[p].current + curve[p + 1].current) / 2});
    }
    return search;
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
