#include "plot_view.h"

#if defined(__SSE2__) && !defined(VELMORA_PORTABLE)
#define VELMORA_SSE2 1
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>

#include "../capture/velmora_doc.h"
#include "c_numbers.h"
#include "clipboard_text.h"

namespace velmora {

namespace {

constexpr double kUnset = 9e49;
constexpr int kDragThreshold = 7;  // pixels; a smaller rectangle is a click

int truncated(double v) {
    return static_cast<int>(v);
}

}  // namespace

SampleExtremes PortableExtremesOf(const double* samples, int count) {
    constexpr double inf = std::numeric_limits<double>::infinity();
    SampleExtremes e{inf, -inf, false};
    for (int i = 0; i < count; ++i) {
        const double v = samples[i];
        e.least = v < e.least ? v : e.least;
        e.most = v > e.most ? v : e.most;
        e.notANumber |= v != v;
    }
    return e;
}

SampleExtremes ExtremesOf(const double* samples, int count) {
#if !defined(VELMORA_SSE2)
    return PortableExtremesOf(samples, count);
#else
    // minpd and maxpd keep the accumulator when a sample is not a number,
    // as v < least ? v : least does. Four accumulators of each, so that no
    // comparison waits for the one before.
    constexpr double inf = std::numeric_limits<double>::infinity();
    __m128d least[4], most[4];
    for (int k = 0; k < 4; ++k) {
        least[k] = _mm_set1_pd(inf);
        most[k] = _mm_set1_pd(-inf);
    }
    __m128d unordered = _mm_setzero_pd();
    int i = 0;
    for (; i + 8 <= count; i += 8) {
        for (int k = 0; k < 4; ++k) {
            const __m128d v = _mm_loadu_pd(samples + i + 2 * k);
            least[k] = _mm_min_pd(v, least[k]);
            most[k] = _mm_max_pd(v, most[k]);
            unordered = _mm_or_pd(unordered, _mm_cmpunord_pd(v, v));
        }
    }
    double lanes[2];
    SampleExtremes e{inf, -inf, _mm_movemask_pd(unordered) != 0};
    for (int k = 0; k < 4; ++k) {
        _mm_storeu_pd(lanes, least[k]);
        e.least = std::min({e.least, lanes[0], lanes[1]});
        _mm_storeu_pd(lanes, most[k]);
        e.most = std::max({e.most, lanes[0], lanes[1]});
    }
    const SampleExtremes rest = PortableExtremesOf(samples + i, count - i);
    e.least = rest.least < e.least ? rest.least : e.least;
    e.most = rest.most > e.most ? rest.most : e.most;
    e.notANumber |= rest.notANumber;
    return e;
#endif
}

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
    return (document_.m_dwFlags & kFlagDual) ? 2 : 1;
}

const double* PlotView::traceSamples(int trace) const {
    const CVelmoraDoc& d = document_;
    if (scope())
        return d.m_pTime[trace];
    if (trace == 1)
        return d.m_pPhase;
    return (d.m_dwFlags & kFlagDual) ? d.m_pRatio : d.m_pMagnitude;
}

double PlotView::traceValue(int trace, double sample) const {
    const CVelmoraDoc& d = document_;
    if (scope())
        return sample;
    if (trace == 1)
        return sample * (180.0 / std::numbers::pi);
    // No capture summed yet (averaging on, the device failed at Start):
    // nothing to show rather than a division by zero.
    if (d.m_nAverageCount == 0)
        return 0;
    return sample / d.m_nAverageCount;
}

double PlotView::labelScale(int trace) const {
    const CVelmoraDoc& d = document_;
    if (scope())
        return 1 / (32.767 * d.m_dWeight[trace]);
    if (d.m_dwFlags & kFlagDual)
        return 1;
    return 2 / (32.767 * d.m_dWeight[0] * d.m_nWindowSamples);
}

int PlotView::IndexToX(double i) const {
    if (m_nLast == m_nFirst)
        return m_nMargin;
    const double x = m_nMargin + (i - m_nFirst) * (m_nWidth - 2 * m_nMargin) / (m_nLast - m_nFirst);
    return truncated(std::clamp(x, -1e9, 1e9));
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
    return truncated(std::clamp(y, bottom, top));
}

void PlotView::applyZoomOut() {
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
    for (int t = 0; t < shownTraces(); ++t) {
        m_dYMin[t] = scope() ? d.m_nScopeYMin[t] : d.m_dSpecYMin[t];
        m_dYMax[t] = scope() ? d.m_nScopeYMax[t] : d.m_dSpecYMax[t];
    }
}

void PlotView::applyAutoRange() {
    const int traces = scope() ? shownTraces() : 1;
    for (int t = 0; t < traces; ++t) {
        double max = -kUnset, min = kUnset;
        for (int i = m_nFirst; i < m_nLast; ++i) {
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
            dc.TextOut((W - M) * t + M / 2, M - H + j * truncated(m_dGridStepY) + M / 8,
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
    const int gx0 = truncated(column * m_dGridStepX + 0.5) + M;
    const int gx1 = truncated((column + 1) * m_dGridStepX + 0.5) + M;
    dc.FillRect(gx0, -M, gx1, M - H - 1, kWindowColour);
    dc.SetPen(kGridColour);
    dc.MoveTo(gx0, -M);
    dc.LineTo(gx0, M - H);
    for (int r = 0; r <= 5; ++r) {
        const int y = truncated(-M - r * m_dGridStepY);
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
            nextGridX = truncated((column + 1) * m_dGridStepX + 0.5) + M;
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
    const double toDegrees = 180.0 / std::numbers::pi;
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
        dc.TextOut(M + j * truncated(m_dGridStepX), M - H - 10, FormatC("%5g", value),
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

std::vector<std::string> PlotView::ReadoutLines(int idx) const {
    const CVelmoraDoc& d = document_;
    const bool reversed = d.m_dwFlags & kFlagReversed;
    const std::string blanks10(10, ' '), blanks20(20, ' ');
    const char* near = reversed ? "R" : "L";
    const char* far = reversed ? "L" : "R";
    const double rate = d.m_nSamplingRate;
    const int N = d.m_nWindowSamples;
    auto mv = [&](int channel) {
        return d.m_pTime[channel][idx] / (32.767 * d.m_dWeight[channel]);
    };

    if (scope()) {
        const bool dual = d.m_dwFlags & kFlagDual;
        std::vector<std::string> lines = {
            FormatC(dual ? "t:%5gms" : "t:%.2fms", idx * 1000 / rate) + blanks10,
            std::string(near) + FormatC(":%5gmV", mv(0)) + blanks20};
        if (dual)
            lines.push_back(std::string(far) + FormatC(":%5gmV", mv(1)) + blanks20);
        return lines;
    }
    const double n = d.m_nAverageCount;
    if (!(d.m_dwFlags & kFlagDual))
        return {FormatC("freq.%.1fHz", rate * idx / N) + blanks10,
                std::string(near) +
                    FormatC(" mag.%5g mV",
                            n == 0 ? 0.0
                                   : d.m_pMagnitude[idx] / n * 2 / (32.767 * d.m_dWeight[0] * N)) +
                    blanks20};
    return {FormatC("freq.%5gHz", rate * idx / N) + blanks10,
            std::string(near) + "/" + far +
                FormatC(" ratio:%5g", n == 0 ? 0.0 : d.m_pRatio[idx] / n) + blanks10,
            std::string(near) + ":" + far +
                FormatC(" phase diff.%5g degrees", d.m_pPhase[idx] * (180.0 / std::numbers::pi)) +
                blanks10};
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
        const int idx = truncated(index);
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
    auto indexAt = [&](int px) {
        return (truncated(px * m_dUnitsPerPixelX) - M) * span / PW + oldFirst;
    };
    m_nFirst = static_cast<int>(std::max<std::int64_t>(indexAt(x0), 0));
    m_nLast = static_cast<int>(std::min<std::int64_t>(indexAt(x1), FullRangeEnd(document_)));
    // One index may not span a grid division, nor the range be empty: the
    // x range stays.
    if (m_nLast <= m_nFirst || IndexToX(1) - IndexToX(0) >= m_dGridStepX - 1) {
        m_nFirst = oldFirst;
        m_nLast = oldLast;
    }

    const int traces = scope() ? shownTraces() : 1;
    for (int t = 0; t < traces; ++t) {
        const double oldMin = m_dYMin[t], oldMax = m_dYMax[t];
        const double lowerBound = scope() ? d.m_nScopeYMin[t] : d.m_dSpecYMin[0];
        const double upperBound = scope() ? d.m_nScopeYMax[t] : d.m_dSpecYMax[0];
        m_dYMin[t] = std::max(
            oldMax - (truncated(y1 * m_dUnitsPerPixelY) - M) * (oldMax - oldMin) / PH, lowerBound);
        m_dYMax[t] = std::min(
            oldMax - (truncated(y0 * m_dUnitsPerPixelY) - M) * (oldMax - oldMin) / PH, upperBound);
    }
    return true;
}

}  // namespace velmora
