#pragma once

#include <string>
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

    // The readout lines for index idx of the shown record.
    std::vector<std::string> ReadoutLines(int idx) const;

    // Draws each device column that many samples share as its span (first,
    // lowest, highest, last) rather than segment by segment: the same
    // pixels at a cost that follows the plot's width. On unless a test
    // compares the two.
    void SetColumnSpans(bool on) { columnSpans_ = on; }

    int m_nFirst = 0;
    int m_nLast = 0;
    double m_dYMin[2] = {};
    double m_dYMax[2] = {};
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
    void drawLabels(DrawingSurface& dc);

    CVelmoraDoc& document_;
    bool columnSpans_ = true;
    // Scratch of the phase dots: the run each plot row was last set in.
    std::vector<int> dotRun_;
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
