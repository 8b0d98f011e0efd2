// The shown ranges: the requests a paint carries out (zoom out, reset,
// autorange) and the drag zoom.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "../analysis/analysis.h"
#include "../capture/velmora_doc.h"
#include "clipboard_text.h"
#include "plot_view.h"

namespace velmora {

namespace {

constexpr double kUnset = 9e49;
constexpr int kDragThreshold = 7;  // pixels; a smaller rectangle is a click

}  // namespace

void PlotView::applyZoomOut() {
    if (!scope() && ShownInDecibels(document_)) {
        // In dB, three times the span below the same top.
        m_dYMin[0] = m_dYMax[0] - 3 * (m_dYMax[0] - m_dYMin[0]);
        return;
    }
    if (!scope()) {
        m_dYMax[0] *= 3.0;
        return;
    }
    for (int t = 0; t < shownTraces(); ++t) {
        const double d = (m_dYMax[t] - m_dYMin[t]) * 1.5;
        m_dYMin[t] -= d;
        m_dYMax[t] += d;
    }
}

void PlotView::applyReset() {
    const CVelmoraDoc& d = document_;
    m_nFirst = 0;
    m_nLast = FullRangeEnd(document_);
    for (int t = 0; t < std::min(shownTraces(), 2); ++t) {
        m_dYMin[t] = scope() ? d.m_nScopeYMin[t] : d.m_dSpecYMin[t];
        m_dYMax[t] = scope() ? d.m_nScopeYMax[t] : d.m_dSpecYMax[t];
    }
    m_dYMin[2] = 0;  // the coherence
    m_dYMax[2] = 1;
}

void PlotView::applyAutoRange() {
    const int traces = scope() ? shownTraces() : 1;
    for (int t = 0; t < traces; ++t) {
        double max = -kUnset, min = kUnset;
        for (int i = FirstShown(); i < m_nLast; ++i) {
            const double v = traceValue(t, traceSamples(t)[i]);
            if (v > max)
                max = v;
            if (v < min)
                min = v;
        }
        const double d = (max - min) * 0.1;
        max += d;
        min -= d;
        if (min == max) {
            min = -1000.0;
            max = 1000.0;
        }
        m_dYMin[t] = min;
        m_dYMax[t] = max;
    }
    if (!scope()) {
        m_dYMin[0] = 0.0;
        m_dYMin[1] = -180.0;
        m_dYMax[1] = 180.0;
    }
    if (!scope() && ShownInDecibels(document_)) {
        // Levels in dB have no natural zero: the top and the depth shown
        // follow the levels.
        double least = kDecibelCeiling, most = kDecibelFloor;
        for (int i = FirstShown(); i < m_nLast; ++i) {
            const double v = traceValue(0, traceSamples(0)[i]);
            least = std::min(least, v);
            most = std::max(most, v);
        }
        const DecibelSpan span = DecibelRange(least, most, DefaultDecibelSpan(document_));
        m_dYMin[0] = span.bottom;
        m_dYMax[0] = span.top;
    }
}

void PlotView::OnLButtonDown(PixelPoint point) {
    CVelmoraDoc& d = document_;
    if (d.m_dwFlags & kFlagDragging)
        return;
    d.m_dwFlags |= kFlagDragging;
    m_ptDragStart = point;
    m_ptLastMouse.x = -1;
}

bool PlotView::OnLButtonUp(PixelPoint point) {
    CVelmoraDoc& d = document_;
    if (!(d.m_dwFlags & kFlagDragging))
        return false;
    d.m_dwFlags &= ~kFlagDragging;
    const int x0 = std::min(point.x, m_ptDragStart.x), x1 = std::max(point.x, m_ptDragStart.x);
    const int y0 = std::min(point.y, m_ptDragStart.y), y1 = std::max(point.y, m_ptDragStart.y);
    if (x1 - x0 <= kDragThreshold || y1 - y0 <= kDragThreshold)
        return false;

    const int M = m_nMargin;
    const std::int64_t span = m_nLast - m_nFirst;
    const std::int64_t PW = m_nWidth - 2 * M, PH = m_nHeight - 2 * M;
    if (PW <= 0 || PH <= 0)
        return false;
    const int oldFirst = m_nFirst, oldLast = m_nLast;
    if (LogAxis()) {
        // The bins under the drag's edges, on the logarithmic axis.
        const double first = IndexAt(Truncated(x0 * m_dUnitsPerPixelX));
        const double last = IndexAt(Truncated(x1 * m_dUnitsPerPixelX));
        m_nFirst = static_cast<int>(std::clamp(std::floor(first), 0.0, 1e9));
        m_nLast = static_cast<int>(
            std::clamp(std::ceil(last), 0.0, static_cast<double>(FullRangeEnd(document_))));
    } else {
        auto indexAt = [&](int px) {
            return (Truncated(px * m_dUnitsPerPixelX) - M) * span / PW + oldFirst;
        };
        m_nFirst = static_cast<int>(std::max<std::int64_t>(indexAt(x0), 0));
        m_nLast = static_cast<int>(std::min<std::int64_t>(indexAt(x1), FullRangeEnd(document_)));
    }
    // One index may not span a grid division, nor the range be empty: the
    // x range stays.
    const int low = LogAxis() ? FirstShown() : 0;  // the widest step
    if (m_nLast <= FirstShown() || IndexToX(low + 1) - IndexToX(low) >= m_dGridStepX - 1) {
        m_nFirst = oldFirst;
        m_nLast = oldLast;
    }

    const int traces = scope() ? shownTraces() : 1;
    for (int t = 0; t < traces; ++t) {
        const double oldMin = m_dYMin[t], oldMax = m_dYMax[t];
        const double lowerBound = scope() ? d.m_nScopeYMin[t] : d.m_dSpecYMin[0];
        const double upperBound = scope() ? d.m_nScopeYMax[t] : d.m_dSpecYMax[0];
        m_dYMin[t] = std::max(
            oldMax - (Truncated(y1 * m_dUnitsPerPixelY) - M) * (oldMax - oldMin) / PH, lowerBound);
        m_dYMax[t] = std::min(
            oldMax - (Truncated(y0 * m_dUnitsPerPixelY) - M) * (oldMax - oldMin) / PH, upperBound);
    }
    return true;
}

}  // namespace velmora
