#pragma once

#include <QList>
#include <QPaintDevice>
#include <QPolygonF>
#include <memory>

class QPainter;
class QRectF;

namespace ondrel {

class ClippingPaintEngine;

// A paint device that carries out the painter's clip on what is drawn, by
// its geometry, and draws the result with another painter: for paint
// devices that ignore clipping, as Qt's SVG generator does. The clip is the
// bounding rectangle of the painter's clip, which is what charts use (the
// plot area, a label's box). Fills are cut to the clip and strokes are cut
// into the pieces that lie inside it (ending flat, so that a line that
// crosses the clip squarely stops at it); text that reaches past the clip is
// drawn as its outline, cut the same way. Everything else goes on to the
// other painter as it came.
class ClippingPaintDevice final : public QPaintDevice {
public:
    // Draws on target, whose device gives this one its size and resolution.
    explicit ClippingPaintDevice(QPainter& target);
    ~ClippingPaintDevice() override;

    QPaintEngine* paintEngine() const override;

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    QPainter& target_;
    std::unique_ptr<ClippingPaintEngine> engine_;
};

// The parts of a polyline inside a rectangle, each a polyline of its own.
QList<QPolygonF> ClipPolyline(const QPolygonF& line, const QRectF& rect);

}  // namespace ondrel
