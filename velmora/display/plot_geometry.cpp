// Where the plot puts things: the drawing area in 0.01-inch units, indices
// to x, values to y, and what each trace shows.
#include <algorithm>
#include <cmath>

#include "../analysis/analysis.h"
#include "../analysis/units.h"
#include "../capture/velmora_doc.h"
#include "plot_view.h"

namespace velmora {

int PixelsToUnits(int pixels, double dotsPerInch) {
    const double hundredthsOfMm = std::round(pixels * 2540.0 / dotsPerInch);
    // The guard keeps exact quotients such as 22860 / 25.4 from landing a
    // rounding error below their integer.
    return static_cast<int>(hundredthsOfMm * 0.03937007874015748 + 1e-9);
}

bool PlotView::scope() const {
    return document_.m_dwFlags & kFlagScope;
}

int PlotView::shownTraces() const {
    const CVelmoraDoc& d = document_;
    if (!(d.m_dwFlags & kFlagDual))
        return 1;
    // The transfer function's H1 estimate brings its coherence.
    return !scope() && d.m_nTransferEstimate == TransferEstimate::H1 && d.m_pCoherence ? 3 : 2;
}

const double* PlotView::traceSamples(int trace) const {
    const CVelmoraDoc& d = document_;
    if (scope())
        return d.m_pTime[trace];
    if (trace == 1)
        return d.m_pPhase;
    if (trace == 2)
        return d.m_pCoherence;
    return (d.m_dwFlags & kFlagDual) ? d.m_pRatio : d.m_pMagnitude;
}

double PlotView::traceValue(int trace, double sample) const {
    const CVelmoraDoc& d = document_;
    if (scope() || trace == 2)
        return sample;
    if (trace == 1)
        return sample * kDegreesPerRadian;
    // No capture summed yet (averaging on, the device failed at Start):
    // nothing to show rather than a division by zero.
    if (d.m_nAverageCount == 0)
        return 0;
    if (ShownInDecibels(d))
        return (d.m_dwFlags & kFlagDual) ? RatioShown(d, sample) : SpectrumValue(d, sample);
    return sample / d.m_nAverageCount;
}

double PlotView::labelScale(int trace) const {
    const CVelmoraDoc& d = document_;
    if (scope())
        return 1 / (kCountsPerMillivolt * d.m_dWeight[trace]);
    if ((d.m_dwFlags & kFlagDual) || ShownInDecibels(d))
        return 1;
    return 2 / (kCountsPerMillivolt * d.m_dWeight[0] * d.m_nWindowSamples);
}

bool PlotView::LogAxis() const {
    return !scope() && document_.m_bLogFrequency;
}

int PlotView::FirstShown() const {
    return LogAxis() ? std::max(m_nFirst, 1) : m_nFirst;
}

int PlotView::IndexToX(double i) const {
    if (LogAxis()) {
        const int low = FirstShown();
        if (m_nLast <= low)
            return m_nMargin;
        // Bins at equal ratios of frequency lie at equal distances.
        const double fraction =
            i > 0 ? std::log(i / low) / std::log(static_cast<double>(m_nLast) / low) : -1e9;
        return Truncated(std::clamp(m_nMargin + fraction * (m_nWidth - 2 * m_nMargin), -1e9, 1e9));
    }
    if (m_nLast == m_nFirst)
        return m_nMargin;
    const double x = m_nMargin + (i - m_nFirst) * (m_nWidth - 2 * m_nMargin) / (m_nLast - m_nFirst);
    return Truncated(std::clamp(x, -1e9, 1e9));
}

double PlotView::IndexAt(double x) const {
    const double fraction = (x - m_nMargin) / (m_nWidth - 2 * m_nMargin);
    if (LogAxis()) {
        const int low = FirstShown();
        return low * std::pow(static_cast<double>(m_nLast) / low, fraction);
    }
    return m_nFirst + fraction * (m_nLast - m_nFirst);
}

int PlotView::ValueToY(double v, int trace) const {
    const int M = m_nMargin, H = m_nHeight;
    const double y = -M - (m_dYMax[trace] - v) * (H - 2 * M) / (m_dYMax[trace] - m_dYMin[trace]);
    // Clamped to the plot before it becomes an integer: non-finite values
    // land on the top or bottom edge (not a number on the bottom one).
    if (std::isnan(y))
        return M - H;
    // A window lower than its margins has its edges the other way round.
    const double bottom = std::min(M - H, -M), top = std::max(M - H, -M);
    return Truncated(std::clamp(y, bottom, top));
}

void PlotView::setGeometry(const DrawingSurface& dc, int clientWidth, int clientHeight,
                           bool printing) {
    const DeviceCaps caps = dc.Caps();
    const int areaWidth = printing ? caps.widthPixels : clientWidth;
    const int areaHeight = printing ? caps.heightPixels : clientHeight;
    m_nWidth = PixelsToUnits(areaWidth, caps.dotsPerInchX);
    m_nHeight = PixelsToUnits(areaHeight, caps.dotsPerInchY);
    m_nMargin = m_nWidth / 9;
    m_dUnitsPerPixelX = clientWidth > 0 ? static_cast<double>(m_nWidth) / clientWidth : 1;
    m_dUnitsPerPixelY = clientHeight > 0 ? static_cast<double>(m_nHeight) / clientHeight : 1;
    m_dGridStepY = (m_nHeight - 2 * m_nMargin) * 0.2;
    m_dGridStepX = (m_nWidth - 2 * m_nMargin) * 0.2;
}

}  // namespace velmora
