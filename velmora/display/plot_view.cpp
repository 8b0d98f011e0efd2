// The plot's drawing: traces, grid, labels and titles, in the order a
// paint carries them out.
#include "plot_view.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "../analysis/units.h"
#include "../capture/velmora_doc.h"
#include "c_numbers.h"
#include "sample_extremes.h"

namespace velmora {

void PlotView::OnDraw(DrawingSurface& dc, int clientWidth, int clientHeight, bool printing) {
    CVelmoraDoc& d = document_;
    if (d.m_dwFlags & kFlagZoomOutY) {
        applyZoomOut();
        d.m_dwFlags &= ~kFlagZoomOutY;
    }
    if (d.m_dwFlags & kFlagResetView) {
        applyReset();
        d.m_dwFlags &= ~kFlagResetView;
    }
    if (d.m_dwFlags & kFlagAutoRangeY) {
        applyAutoRange();
        d.m_dwFlags &= ~kFlagAutoRangeY;
    }

    setGeometry(dc, clientWidth, clientHeight, printing);
    const int W = m_nWidth, H = m_nHeight, M = m_nMargin;
    const bool monochrome = dc.Caps().colourBits == 1;
    if (monochrome)
        d.m_dwFlags |= kFlagMonochrome;
    else
        d.m_dwFlags &= ~kFlagMonochrome;

    const bool reversed = d.m_dwFlags & kFlagReversed;
    const bool dual = d.m_dwFlags & kFlagDual;
    for (int t = 0; t < shownTraces(); ++t) {
        const Rgb pen = monochrome ? kBlack : t == 0 ? kChannel0Colour : kChannel1Colour;
        dc.SetPen(pen);
        dc.SetTextColour(pen);

        const char* title;
        if (scope())
            title = (t == 0) != reversed ? "L:mV" : "R:mV";
        else if (dual)
            title = t == 0 ? (reversed ? "R/L ratio" : "L/R ratio")
                           : (reversed ? "R:L phase difference" : "L:R phase difference");
        else
            title = reversed ? "R FFT amp.:mV" : "L FFT amp. :mV";
        dc.TextOut(W - 2 * M, -((t + 1) * M) / 4, title, TextAlign::Centre);

        const double scale = labelScale(t);
        for (int j = 0; j <= 5; ++j) {
            const double value = (m_dYMin[t] + (m_dYMax[t] - m_dYMin[t]) * j * 0.2) * scale;
            dc.TextOut((W - M) * t + M / 2, M - H + j * Truncated(m_dGridStepY) + M / 8,
                       FormatC("%5g", value), TextAlign::Centre);
        }
        drawTrace(dc, t, pen);
    }
    drawLabels(dc);
    if (!printing)
        ShowReadout(dc, false, {0, 0});
}

void PlotView::drawGridColumn(DrawingSurface& dc, int column, Rgb tracePen, int penX, int penY) {
    const int W = m_nWidth, H = m_nHeight, M = m_nMargin;
    const int gx0 = Truncated(column * m_dGridStepX + 0.5) + M;
    const int gx1 = Truncated((column + 1) * m_dGridStepX + 0.5) + M;
    dc.FillRect(gx0, -M, gx1, M - H - 1, kWindowColour);
    dc.SetPen(kGridColour);
    dc.MoveTo(gx0, -M);
    dc.LineTo(gx0, M - H);
    for (int r = 0; r <= 5; ++r) {
        const int y = Truncated(-M - r * m_dGridStepY);
        dc.MoveTo(gx0, y);
        dc.LineTo(gx1, y);
    }
    if (gx1 >= W - M) {
        dc.MoveTo(gx1, -M);
        dc.LineTo(gx1, M - H);
    }
    dc.SetPen(tracePen);
    dc.MoveTo(penX, penY);
}

void PlotView::drawTrace(DrawingSurface& dc, int t, Rgb pen) {
    const CVelmoraDoc& d = document_;
    const int W = m_nWidth, H = m_nHeight, M = m_nMargin;
    if (W - 2 * M <= 0 || H - 2 * M <= 0)
        return;  // no room for a plot
    const double* samples = traceSamples(t);
    // In the scope the right input's trace is drawn shifted by its delay.
    const int rightTrace = (d.m_dwFlags & kFlagReversed) ? 0 : 1;
    const double shift = scope() && t == rightTrace ? d.m_nSamplingRate * d.m_dRDelay : 0.0;
    auto xAt = [&](int i) { return std::max(IndexToX(i - shift), M); };
    auto yOf = [&](double sample) { return ValueToY(traceValue(t, sample), t); };

    if (!scope() && t == 1) {
        drawDots(dc, samples, shift, xAt, yOf);
        return;
    }

    int lastX = M, nextGridX = M, column = 0;
    int penX = 0, penY = 0;
    for (int i = m_nFirst; i < m_nLast;) {
        const int x = xAt(i);
        // The indices drawn at this x: all of them, or one by one.
        const int end = columnSpans_ ? runEnd(i, x, shift, xAt) : i + 1;
        const int firstY = yOf(samples[i]);
        int low = firstY, high = firstY;
        if (end - i > 1) {
            // y is monotonic in the value, so the values' extremes give the
            // y's extremes; a value that is not a number lies on the bottom.
            const SampleExtremes e = ExtremesOf(samples + i, end - i);
            if (e.least <= e.most) {
                const int a = yOf(e.least), b = yOf(e.most);
                low = std::min({low, a, b});
                high = std::max({high, a, b});
            }
            if (e.notANumber)
                low = std::min(low, M - H);
        }
        if (t == 0 && lastX <= nextGridX && nextGridX < x && x < W - M - 3) {
            drawGridColumn(dc, column, pen, penX, penY);
            nextGridX = Truncated((column + 1) * m_dGridStepX + 0.5) + M;
            ++column;
        }
        if (i == m_nFirst)
            dc.MoveTo(x, firstY);
        else
            dc.LineTo(x, firstY);
        penX = x;
        penY = firstY;
        if (end - i > 1) {
            // The column's whole span, once; the pen then rests on the last
            // value, where drawing point by point would have left it.
            penY = yOf(samples[end - 1]);
            dc.MoveTo(x, low);
            dc.LineTo(x, high);
            dc.MoveTo(x, penY);
        }
        lastX = x;
        i = end;
    }
}

template <typename XAt>
int PlotView::runEnd(int i, int x, double shift, const XAt& xAt) const {
    // x rises with the index: estimate where it passes x, then settle the
    // estimate against the exact mapping.
    const double perUnit = static_cast<double>(m_nLast - m_nFirst) / (m_nWidth - 2 * m_nMargin);
    const double guess = std::ceil((x + 1 - m_nMargin) * perUnit + shift) + m_nFirst;
    int end = static_cast<int>(
        std::clamp(guess, static_cast<double>(i + 1), static_cast<double>(m_nLast)));
    while (end > i + 1 && xAt(end - 1) > x)
        --end;
    while (end < m_nLast && xAt(end) <= x)
        ++end;
    return end;
}

template <typename XAt, typename YOf>
void PlotView::drawDots(DrawingSurface& dc, const double* samples, double shift, const XAt& xAt,
                        const YOf& yOf) {
    const int H = m_nHeight, M = m_nMargin;
    if (!columnSpans_) {
        for (int i = m_nFirst; i < m_nLast; ++i) {
            const int x = xAt(i), y = yOf(samples[i]);
            dc.MoveTo(x, y);
            dc.SetPixel(x, y, kChannel1Colour);
        }
        return;
    }
    // Each pixel once, a column at a time: the x each plot row was last set
    // at tells whether it is set already. The rows are worked out here as
    // ValueToY does, with the view's fields held in locals.
    const int rows = std::max(H - 2 * M + 1, 1);
    dotRun_.assign(static_cast<std::size_t>(rows), std::numeric_limits<int>::min());
    int* const rowX = dotRun_.data();
    const double top = -M, bottom = M - H, yMax = m_dYMax[1];
    const double span = m_dYMax[1] - m_dYMin[1];
    const double height = H - 2 * M;
    const double toDegrees = kDegreesPerRadian;
    std::vector<int> ys, column;
    for (int i = m_nFirst; i < m_nLast;) {
        const int x = xAt(i);
        const int end = runEnd(i, x, shift, xAt);
        const std::size_t n = static_cast<std::size_t>(end - i);
        ys.resize(n);
        column.resize(n);
        // Branch-free, so that it vectorises: the rows of the run's dots.
        for (std::size_t j = 0; j < n; ++j) {
            double y = -M - (yMax - samples[i + j] * toDegrees) * height / span;
            y = y == y ? y : bottom;
            y = y < bottom ? bottom : y > top ? top : y;
            ys[j] = static_cast<int>(y);
        }
        std::size_t count = 0;
        for (std::size_t j = 0; j < n; ++j) {
            int& row = rowX[ys[j] - (M - H)];
            column[count] = ys[j];
            count += row != x;
            row = x;
        }
        i = end;
        dc.SetPixels(x, column.data(), count, kChannel1Colour);
        dc.MoveTo(x, ys[n - 1]);
    }
}

void PlotView::drawLabels(DrawingSurface& dc) {
    const CVelmoraDoc& d = document_;
    const int W = m_nWidth, H = m_nHeight, M = m_nMargin;
    const int N = d.m_nWindowSamples;
    const int rate = d.m_nSamplingRate;

    dc.SetTextColour(kTitleColour);
    std::string title;
    if (scope())
        title = FormatC("Oscilloscope mode: %d ch(s)", shownTraces());
    else
        title = (d.m_dwFlags & kFlagDual) ? "FFT transfer function" : "FFT mode";
    dc.TextOut(W / 2, 0, title, TextAlign::Centre);

    dc.SetTextColour(kGridColour);
    for (int j = 0; j <= 5; ++j) {
        const double index = m_nFirst + (m_nLast - m_nFirst) * j * 0.2;
        const double value = scope() ? index / rate * 1000 : index * rate / N;
        dc.TextOut(M + j * Truncated(m_dGridStepX), M - H - 10, FormatC("%5g", value),
                   TextAlign::Centre);
    }
    dc.TextOut(W / 2, M / 2 - H, scope() ? "mSec" : "Frequency (Hz)", TextAlign::Centre);

    dc.SetTextColour(kBlack);
    dc.TextOut(W - 2 * M, M / 2 - H, FormatC("Sampling rate= %d Hz", rate), TextAlign::Centre);
    dc.TextOut(W / 6, -(M / 2),
               (d.m_dwFlags & kFlagAverage) ? FormatC("FFT Averaging on: n=%d", d.m_nAverageCount)
                                            : std::string("FFT Averaging off"),
               TextAlign::Centre);
}

}  // namespace velmora
