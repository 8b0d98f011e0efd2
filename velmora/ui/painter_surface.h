#pragma once

#include <QColor>
#include <QFont>
#include <QLine>
#include <QList>
#include <QPoint>
#include <QPolygon>

#include "../display/drawing_surface.h"

class QImage;
class QPainter;
class QPaintDevice;

namespace velmora {

// The drawing layer over a QPainter: screen canvases, printers and images
// alike. Logical units map to device pixels by the device's resolution;
// lines are aliased, one pixel wide, ends included.
class PainterSurface final : public DrawingSurface {
public:
    // canvas, when given, is the image the painter paints on: single
    // pixels are then written straight into it, unclipped.
    PainterSurface(QPainter& painter, const DeviceCaps& caps, QImage* canvas = nullptr);
    ~PainterSurface() override;

    DeviceCaps Caps() const override { return caps_; }
    void SetPen(Rgb colour) override;
    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void FillRect(int x0, int y0, int x1, int y1, Rgb colour) override;
    void SetPixel(int x, int y, Rgb colour) override;
    void SetPixels(int x, const int* ys, std::size_t count, Rgb colour) override;
    void SetTextColour(Rgb colour) override;
    TextBox TextOut(int x, int y, const std::string& text, TextAlign align) override;
    int TextHeight() const override;
    void InvertRectOutline(int x0, int y0, int x1, int y1) override;

private:
    QPoint device(int x, int y) const;
    // Lines and pixels are gathered and drawn in one call each, before any
    // other drawing and at the end. On a canvas, vertical lines and pixels
    // are stored straight into it.
    void flush();
    void flushPath();
    void flushPixels();
    void usePen(const QColor& colour);
    void storeColumn(int x, int y0, int y1, QRgb rgb);

    QPainter& painter_;
    QImage* canvas_;
    DeviceCaps caps_;
    double pixelsPerUnitX_, pixelsPerUnitY_;
    QPoint position_;
    QList<QLine> lines_;
    QPolygon lineEnds_;
    QPolygon pixels_;
    QColor pixelColour_;
    QColor painterPen_;
    QColor pen_ = Qt::black;
    QColor text_ = Qt::black;
    QFont font_;
};

// The capabilities of a paint device drawn on at width x height pixels.
DeviceCaps CapsOf(const QPaintDevice& device, int width, int height);

}  // namespace velmora
