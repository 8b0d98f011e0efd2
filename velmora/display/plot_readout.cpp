// The values under the mouse, written at the bottom of the plot, and the
// drag outline.
#include "../analysis/analysis.h"
#include "../capture/velmora_doc.h"
#include "c_numbers.h"
#include "plot_view.h"

namespace velmora {

std::vector<std::string> PlotView::ReadoutLines(int idx) const {
    const CVelmoraDoc& d = document_;
    const bool reversed = d.m_dwFlags & kFlagReversed;
    const std::string blanks10(10, ' '), blanks20(20, ' ');
    const char* near = reversed ? "R" : "L";
    const char* far = reversed ? "L" : "R";
    const double rate = d.m_nSamplingRate;
    const int N = d.m_nWindowSamples;
    auto mv = [&](int channel) { return SampleMv(d, channel, idx); };

    if (scope()) {
        const bool dual = d.m_dwFlags & kFlagDual;
        std::vector<std::string> lines = {
            FormatC(dual ? "t:%5gms" : "t:%.2fms", idx * 1000 / rate) + blanks10,
            std::string(near) + FormatC(":%5gmV", mv(0)) + blanks20};
        if (dual)
            lines.push_back(std::string(far) + FormatC(":%5gmV", mv(1)) + blanks20);
        return lines;
    }
    if (!(d.m_dwFlags & kFlagDual))
        return {FormatC("freq.%.1fHz", rate * idx / N) + blanks10,
                std::string(near) + FormatC(" mag.%5g mV", AmplitudeMv(d, idx)) + blanks20};
    return {FormatC("freq.%5gHz", rate * idx / N) + blanks10,
            std::string(near) + "/" + far + FormatC(" ratio:%5g", RatioValue(d, idx)) + blanks10,
            std::string(near) + ":" + far +
                FormatC(" phase diff.%5g degrees", PhaseDegrees(d, idx)) + blanks10};
}

void PlotView::ShowReadout(DrawingSurface& dc, bool leftButton, PixelPoint point) {
    if (point == PixelPoint{0, 0})
        point = m_ptLastMouse;
    CVelmoraDoc& d = document_;
    if (leftButton && (d.m_dwFlags & kFlagDragging)) {
        if (m_ptLastMouse.x > 0)
            dc.InvertRectOutline(m_ptDragStart.x, m_ptDragStart.y, m_ptLastMouse.x,
                                 m_ptLastMouse.y);
        dc.InvertRectOutline(m_ptDragStart.x, m_ptDragStart.y, point.x, point.y);
    }

    const int W = m_nWidth, H = m_nHeight, M = m_nMargin;
    const double index =
        W - 2 * M > 0 ? (point.x * m_dUnitsPerPixelX - M) * (m_nLast - m_nFirst) / (W - 2 * M) +
                            m_nFirst + 0.5
                      : -1.0;
    // Only an index near the range can convert to an integer safely.
    if (index > m_nFirst - 1.0 && index < m_nLast + 1.0) {
        const int idx = Truncated(index);
        if (idx >= m_nFirst && idx < m_nLast) {
            dc.SetTextColour(kReadoutColour);
            const std::vector<std::string> lines = ReadoutLines(idx);
            for (std::size_t k = 0; k < lines.size(); ++k)
                dc.TextOut(W / 10, ((3 - static_cast<int>(k)) * M) / 4 - H, lines[k],
                           TextAlign::Left);
        }
    }
    m_ptLastMouse = point;
}

}  // namespace velmora
