#pragma once

#include <string>
#include <utility>
#include <vector>

#include "drawing_surface.h"

namespace velmora {

class CVelmoraDoc;

struct PixelPoint {
    int x = 0;
    int y = 0;
    bool operator==(const PixelPoint&) const = default;
};

// The display state of the view and its drawing: the shown index and value
// ranges, the geometry of the last paint, the readout and the drag zoom.
// Range requests flagged in the document are carried out at the start of
// the next OnDraw.
class PlotView {
public:
    explicit PlotView(CVelmoraDoc& document) : document_(document) {}

    // Draws the whole plot. client is the view's size in pixels; printing,
    // the surface's own size is the page's printable area and no readout
    // is written.
    void OnDraw(DrawingSurface& dc, int clientWidth, int clientHeight, bool printing = false);

    // Mouse move (and the end of OnDraw with no button and the point
    // (0, 0), which stands for the last mouse position): moves the drag
    // outline and writes the values under the cursor on a client surface.
    void ShowReadout(DrawingSurface& dc, bool leftButton, PixelPoint point);
    void OnLButtonDown(PixelPoint point);
    // Ends a drag; true when it zoomed and the view must repaint, erasing.
    bool OnLButtonUp(PixelPoint point);

    int IndexToX(double i) const;
    int ValueToY(double v, int trace) const;
    // IndexToX's inverse: the fractional index at x units, on either axis.
    double IndexAt(double x) const;
    // The first index drawn: m_nFirst, or at least bin 1 on a logarithmic
    // frequency axis, which has no place for DC.
    int FirstShown() const;
    bool LogAxis() const;

    // The readout lines for index idx of the shown record.
    std::vector<std::string> ReadoutLines(int idx) const;

    // Draws each device column that many samples share as its span (first,
    // lowest, highest, last) rather than segment by segment: the same
    // pixels at a cost that follows the plot's width. On unless a test
    // compares the two.
    void SetColumnSpans(bool on) { columnSpans_ = on; }

    int m_nFirst = 0;
    int m_nLast = 0;
    // Trace 0, trace 1, and the coherence (0..1) beside the H1 estimate.
    double m_dYMin[3] = {};
    double m_dYMax[3] = {};
    int m_nWidth = 0;
    int m_nHeight = 0;
    int m_nMargin = 0;
    double m_dGridStepX = 0;
    double m_dGridStepY = 0;
    double m_dUnitsPerPixelX = 1;
    double m_dUnitsPerPixelY = 1;
    PixelPoint m_ptLastMouse{-1, -1};
    PixelPoint m_ptDragStart;

    static constexpr Rgb kGridColour = MakeRgb(0, 128, 0);
    static constexpr Rgb kChannel0Colour = MakeRgb(224, 0, 0);
    static constexpr Rgb kChannel1Colour = MakeRgb(0, 0, 224);
    static constexpr Rgb kTitleColour = MakeRgb(64, 0, 64);
    static constexpr Rgb kReadoutColour = MakeRgb(0, 128, 224);
    static constexpr Rgb kCoherenceColour = MakeRgb(224, 128, 0);

private:
    bool scope() const;
    int shownTraces() const;
    // The array a trace is drawn from, and what one of its samples shows.
    const double* traceSamples(int trace) const;
    double traceValue(int trace, double sample) const;
    double labelScale(int trace) const;

    void applyZoomOut();
    void applyReset();
    void applyAutoRange();
    void setGeometry(const DrawingSurface& dc, int clientWidth, int clientHeight, bool printing);
    void drawTrace(DrawingSurface& dc, int trace, Rgb pen);
    // One past the last index from i on that is drawn at x.
    template <typename XAt>
    int runEnd(int i, int x, double shift, const XAt& xAt) const;
    template <typename XAt, typename YOf>
    void drawDots(DrawingSurface& dc, const double* samples, double shift, const XAt& xAt,
                  const YOf& yOf);
    void drawGridColumn(DrawingSurface& dc, int column, Rgb tracePen, int penX, int penY);
    void drawDecadeTicks(DrawingSurface& dc, int gx0, int gx1, bool lastColumn);
    void drawLabels(DrawingSurface& dc);
    void drawXLabels(DrawingSurface& dc);
    // Texts in the margins below the plot are kept, so that the readout can
    // give back what it covered when it moves.
    void marginText(DrawingSurface& dc, int x, int y, const std::string& text, Rgb colour);
    // Bins of the decades (and, where there are few, the halves and fifths)
    // within the shown range, with their frequencies.
    std::vector<std::pair<double, double>> decadeBins(bool labels) const;
    std::string thdLine() const;
    void eraseReadout(DrawingSurface& dc);

    CVelmoraDoc& document_;
    bool columnSpans_ = true;
    // Scratch of the phase dots: the run each plot row was last set in.
    std::vector<int> dotRun_;
    struct MarginText {
        int x, y;
        std::string text;
        Rgb colour;
        TextBox box;
    };
    std::vector<MarginText> marginTexts_;
    // Where the readout's lines were written last.
    std::vector<TextBox> readoutBoxes_;
};

// A double as an int, truncated toward zero; the plot's coordinates are
// all made so.
inline int Truncated(double v) {
    return static_cast<int>(v);
}

// A device length in pixels as 0.01-inch units: pixels to hundredths of a
// millimetre, then to hundredths of an inch, truncated.
int PixelsToUnits(int pixels, double dotsPerInch);

}  // namespace velmora
