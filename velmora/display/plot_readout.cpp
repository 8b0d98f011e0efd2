// The values under the mouse, written in the margin below the plot, and the
// drag outline.
#include <algorithm>
#include <cmath>

#include "../analysis/analysis.h"
#include "../capture/velmora_doc.h"
#include "c_numbers.h"
#include "plot_view.h"

namespace velmora {

std::string PlotView::thdLine() const {
    const ThdResult& thd = document_.Thd();
    if (!thd.found)
        return "THD: no tone";
    const CVelmoraDoc& d = document_;
    const std::string level =
        FormatC(d.m_nAmplitudeScale == AmplitudeScale::Millivolts ? "%.4g " : "%.2f ",
                ShownLevel(d, thd.amplitudeMv)) +
        AmplitudeUnit(d);
    return FormatC("THD %.3f%%", 100 * thd.thd) +
           FormatC("  THD+N %.3f%%", 100 * thd.thdPlusNoise) +
           FormatC("  of %.1f Hz, ", thd.frequency) + level;
}

std::vector<std::string> PlotView::ReadoutLines(int idx) const {
    const CVelmoraDoc& d = document_;
    const bool reversed = d.m_dwFlags & kFlagReversed;
    const char* near = reversed ? "R" : "L";
    const char* far = reversed ? "L" : "R";
    const double rate = d.m_nSamplingRate;
    const int N = d.m_nWindowSamples;
    auto mv = [&](int channel) { return SampleMv(d, channel, idx); };

    if (scope()) {
        const bool dual = d.m_dwFlags & kFlagDual;
        std::vector<std::string> lines = {FormatC(dual ? "t:%5gms" : "t:%.2fms", idx * 1000 / rate),
                                          std::string(near) + FormatC(":%5gmV", mv(0))};
        if (dual)
            lines.push_back(std::string(far) + FormatC(":%5gmV", mv(1)));
        return lines;
    }
    if (!(d.m_dwFlags & kFlagDual)) {
        std::vector<std::string> lines = {
            FormatC("freq.%.1fHz", rate * idx / N),
            std::string(near) + FormatC(" mag.%5g ", ShownAmplitude(d, idx)) + AmplitudeUnit(d)};
        if (d.m_bShowThd)
            lines.push_back(thdLine());
        return lines;
    }
    std::string frequency = FormatC("freq.%5gHz", rate * idx / N);
    if (shownTraces() == 3)
        frequency += FormatC("  coherence %.4f", CoherenceValue(d, idx));
    return {
        frequency,
        std::string(near) + "/" + far + FormatC(" ratio:%5g", ShownRatio(d, idx)) +
            (d.m_bRatioInDb ? " dB" : ""),
        std::string(near) + ":" + far + FormatC(" phase diff.%5g degrees", PhaseDegrees(d, idx))};
}

// The last readout is cleared, and the margin's texts it covered are given
// back.
void PlotView::eraseReadout(DrawingSurface& dc) {
    if (readoutBoxes_.empty())
        return;
    for (const TextBox& box : readoutBoxes_)
        dc.FillRect(box.left, box.top, box.right, box.bottom, kWindowColour);
    for (const MarginText& text : marginTexts_)
        for (const TextBox& box : readoutBoxes_)
            if (text.box.intersects(box)) {
                dc.SetTextColour(text.colour);
                dc.TextOut(text.x, text.y, text.text, TextAlign::Centre);
                break;
            }
    readoutBoxes_.clear();
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
    double index = -1.0;
    if (W - 2 * M > 0)
        index = LogAxis() ? IndexAt(point.x * m_dUnitsPerPixelX) + 0.5
                          : (point.x * m_dUnitsPerPixelX - M) * (m_nLast - m_nFirst) / (W - 2 * M) +
                                m_nFirst + 0.5;
    // Only an index near the range can convert to an integer safely.
    if (index > FirstShown() - 1.0 && index < m_nLast + 1.0) {
        const int idx = Truncated(index);
        if (idx >= FirstShown() && idx < m_nLast) {
            eraseReadout(dc);
            dc.SetTextColour(kReadoutColour);
            // Line by line below the x labels, clear of them; the third (a
            // long one, the THD's) below the axis title's row too.
            const int lineHeight = dc.TextHeight();
            const int top = M - H - 11 - lineHeight;
            const int belowTitle = M / 2 - H - lineHeight - 1;
            const std::vector<std::string> lines = ReadoutLines(idx);
            for (int k = 0; k < static_cast<int>(lines.size()); ++k) {
                const int y =
                    k < 2 ? top - k * lineHeight
                          : std::min(top - k * lineHeight, belowTitle - (k - 2) * lineHeight);
                readoutBoxes_.push_back(dc.TextOut(W / 10, y, lines[k], TextAlign::Left));
            }
        }
    }
    m_ptLastMouse = point;
}

}  // namespace velmora
