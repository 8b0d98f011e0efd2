// The plot's drawing: traces, grid, labels and titles, in the order a
// paint carries them out.
#include "plot_view.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "../analysis/analysis.h"
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
    if (!printing) {
        // The last readout goes before anything is drawn over it.
        for (const TextBox& box : readoutBoxes_)
            dc.FillRect(box.left, box.top, box.right, box.bottom, kWindowColour);
        readoutBoxes_.clear();
    }
    marginTexts_.clear();

    const bool reversed = d.m_dwFlags & kFlagReversed;
    const bool dual = d.m_dwFlags & kFlagDual;
    const int traces = shownTraces();
    for (int t = 0; t < traces; ++t) {
        const Rgb colour = t == 0 ? kChannel0Colour : t == 1 ? kChannel1Colour : kCoherenceColour;
        const Rgb pen = monochrome ? kBlack : colour;
        dc.SetPen(pen);
        dc.SetTextColour(pen);

        std::string title;
        if (scope())
            title = (t == 0) != reversed ? "L:mV" : "R:mV";
        else if (t == 2)
            title = "coherence";
        else if (dual)
            title = t == 0 ? std::string(reversed ? "R/L ratio" : "L/R ratio") +
                                 (d.m_bRatioInDb ? " dB" : "")
                           : (reversed ? "R:L phase difference" : "L:R phase difference");
        else
            title = std::string(reversed ? "R FFT amp.:" : "L FFT amp. :") + AmplitudeUnit(d);
        dc.TextOut(W - 2 * M, -((t + 1) * M) / 4, title, TextAlign::Centre);

        // Trace 0's labels in the left margin, the others' in the right one,
        // side by side when there are two there.
        const int labelX = t == 0        ? M / 2
                           : traces == 3 ? W - M + (t == 2 ? M / 5 : M / 2 + M / 5)
                                         : (W - M) * t + M / 2;
        const double scale = labelScale(t);
        for (int j = 0; j <= 5; ++j) {
            const double value = (m_dYMin[t] + (m_dYMax[t] - m_dYMin[t]) * j * 0.2) * scale;
            dc.TextOut(labelX, M - H + j * Truncated(m_dGridStepY) + M / 8, FormatC("%5g", value),
                       TextAlign::Centre);
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
    // On a logarithmic axis the columns are only where the plot is cleared;
    // the vertical lines stand at the decades.
    if (!LogAxis() || column == 0) {
        dc.MoveTo(gx0, -M);
        dc.LineTo(gx0, M - H);
    }
    for (int r = 0; r <= 5; ++r) {
        const int y = Truncated(-M - r * m_dGridStepY);
        dc.MoveTo(gx0, y);
        dc.LineTo(gx1, y);
    }
    if (gx1 >= W - M) {
        dc.MoveTo(gx1, -M);
        dc.LineTo(gx1, M - H);
    }
    if (LogAxis())
        drawDecadeTicks(dc, gx0, gx1, gx1 >= W - M);
    dc.SetPen(tracePen);
    dc.MoveTo(penX, penY);
}

// Within one column: a full line at each decade, a short tick at the top
// and bottom edges at each of its multiples 2..9.
void PlotView::drawDecadeTicks(DrawingSurface& dc, int gx0, int gx1, bool lastColumn) {
    const int H = m_nHeight, M = m_nMargin;
    const int tick = std::max(M / 12, 2);
    for (const auto& [bin, frequency] : decadeBins(false)) {
        const int x = IndexToX(bin);
        if (x < gx0 || x > gx1 || (x == gx1 && !lastColumn))
            continue;
        const double mantissa =
            frequency / std::pow(10.0, std::floor(std::log10(frequency) + 1e-9));
        if (std::fabs(mantissa - 1) < 1e-6) {
            dc.MoveTo(x, -M);
            dc.LineTo(x, M - H);
        } else {
            dc.MoveTo(x, -M);
            dc.LineTo(x, -M - tick);
            dc.MoveTo(x, M - H);
            dc.LineTo(x, M - H + tick);
        }
    }
}

std::vector<std::pair<double, double>> PlotView::decadeBins(bool labels) const {
    const CVelmoraDoc& d = document_;
    const double binWidth = static_cast<double>(d.m_nSamplingRate) / d.m_nWindowSamples;
    const double low = FirstShown() * binWidth, high = (m_nLast - 1) * binWidth;
    std::vector<std::pair<double, double>> bins;
    if (!(high > low) || low <= 0)
        return bins;
    const auto collect = [&](std::initializer_list<int> multiples) {
        bins.clear();
        for (int e = static_cast<int>(std::floor(std::log10(low))); std::pow(10.0, e) <= high; ++e)
            for (int m : multiples) {
                const double f = m * std::pow(10.0, e);
                if (f >= low - 1e-9 && f <= high + 1e-9)
                    bins.emplace_back(f / binWidth, f);
            }
    };
    if (!labels) {
        collect({1, 2, 3, 4, 5, 6, 7, 8, 9});
        return bins;
    }
    collect({1});
    if (bins.size() < 2)
        collect({1, 2, 5});
    if (bins.size() < 2)
        collect({1, 2, 3, 4, 5, 6, 7, 8, 9});
    return bins;
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
    const int start = FirstShown();
    for (int i = start; i < m_nLast;) {
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
        if (i == start)
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
    const double guess = LogAxis() ? std::ceil(std::min(IndexAt(x + 1), 2e9))
                                   : std::ceil((x + 1 - m_nMargin) * perUnit + shift) + m_nFirst;
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
        for (int i = FirstShown(); i < m_nLast; ++i) {
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
    for (int i = FirstShown(); i < m_nLast;) {
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
    if (!scope() && (d.m_dwFlags & kFlagDual) && d.m_nTransferEstimate == TransferEstimate::H1)
        title += ", H1";
    if (!scope() && d.m_nWindowFunction != WindowFunction::Rectangular) {
        // The window and its noise bandwidth, which noise levels depend on.
        const double enbw = d.EquivalentNoiseBandwidthBins();
        title += FormatC(", %s window: ENBW ", WindowName(d.m_nWindowFunction)) +
                 FormatC("%.2f bins = ", enbw) + FormatC("%.4g Hz", enbw * rate / N);
    }
    dc.TextOut(W / 2, 0, title, TextAlign::Centre);

    drawXLabels(dc);
    marginText(dc, W / 2, M / 2 - H, scope() ? "mSec" : "Frequency (Hz)", kGridColour);
    marginText(dc, W - 2 * M, M / 2 - H, FormatC("Sampling rate= %d Hz", rate), kBlack);
    dc.SetTextColour(kBlack);
    dc.TextOut(W / 6, -(M / 2),
               (d.m_dwFlags & kFlagAverage) ? FormatC("FFT Averaging on: n=%d", d.m_nAverageCount)
                                            : std::string("FFT Averaging off"),
               TextAlign::Centre);
}

// Five divisions of the index range, or the decades of a logarithmic axis.
void PlotView::drawXLabels(DrawingSurface& dc) {
    const CVelmoraDoc& d = document_;
    const int H = m_nHeight, M = m_nMargin;
    const int N = d.m_nWindowSamples;
    const int rate = d.m_nSamplingRate;
    if (LogAxis()) {
        for (const auto& [bin, frequency] : decadeBins(true))
            marginText(dc, IndexToX(bin), M - H - 10, FormatC("%g", frequency), kGridColour);
        return;
    }
    for (int j = 0; j <= 5; ++j) {
        const double index = m_nFirst + (m_nLast - m_nFirst) * j * 0.2;
        const double value = scope() ? index / rate * 1000 : index * rate / N;
        marginText(dc, M + j * Truncated(m_dGridStepX), M - H - 10, FormatC("%5g", value),
                   kGridColour);
    }
}

void PlotView::marginText(DrawingSurface& dc, int x, int y, const std::string& text, Rgb colour) {
    dc.SetTextColour(colour);
    const TextBox box = dc.TextOut(x, y, text, TextAlign::Centre);
    marginTexts_.push_back({x, y, text, colour, box});
}

}  // namespace velmora
