#include "clipping_device.h"

#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <algorithm>
#include <cmath>
#include <optional>

namespace ondrel {

namespace {

// The part of the segment a→b inside rect, as the parameters t0 ≤ t1 in
// [0, 1] of its ends along the segment (Liang–Barsky); none when it misses.
std::optional<std::pair<double, double>> clipSegment(QPointF a, QPointF b, const QRectF& rect) {
    double t0 = 0, t1 = 1;
    const double dx = b.x() - a.x(), dy = b.y() - a.y();
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x() - rect.left(), rect.right() - a.x(), a.y() - rect.top(),
                         rect.bottom() - a.y()};
    for (int side = 0; side < 4; ++side) {
        if (p[side] == 0) {
            if (q[side] < 0)
                return std::nullopt;
            continue;
        }
        const double t = q[side] / p[side];
        if (p[side] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1)
            return std::nullopt;
    }
    return std::pair{t0, t1};
}

}  // namespace

QList<QPolygonF> ClipPolyline(const QPolygonF& line, const QRectF& rect) {
    QList<QPolygonF> pieces;
    QPolygonF piece;
    auto finish = [&] {
        if (piece.size() >= 2)
            pieces.append(piece);
        piece.clear();
    };
    for (qsizetype i = 1; i < line.size(); ++i) {
        const QPointF a = line[i - 1], b = line[i];
        const auto inside = clipSegment(a, b, rect);
        if (!inside) {
            finish();
            continue;
        }
        const QPointF from = a + (b - a) * inside->first, to = a + (b - a) * inside->second;
        // A piece goes on while the line stays inside from one segment to
        // the next.
        if (inside->first > 0)
            finish();
        if (piece.isEmpty())
            piece << from;
        piece << to;
        if (inside->second < 1)
            finish();
    }
    finish();
    return pieces;
}

class ClippingPaintEngine final : public QPaintEngine {
public:
    explicit ClippingPaintEngine(QPainter& target)
        : QPaintEngine(QPaintEngine::AllFeatures), target_(target) {}

    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    // The painter's state is read as each drawing needs it.
    void updateState(const QPaintEngineState&) override {}
    Type type() const override { return QPaintEngine::User; }

    void drawPath(const QPainterPath& path) override { paintPath(path, true); }

    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override {
        if (count <= 0)
            return;
        QPainterPath path;
        path.addPolygon(QPolygonF(QList<QPointF>(points, points + count)));
        if (mode != PolylineMode) {
            path.closeSubpath();
            path.setFillRule(mode == WindingMode ? Qt::WindingFill : Qt::OddEvenFill);
        }
        paintPath(path, mode != PolylineMode);
    }

    void drawTextItem(const QPointF& p, const QTextItem& item) override {
        const QTransform t = painter()->deviceTransform();
        const QFontMetricsF metrics(item.font());
        const QRectF box =
            t.mapRect(QRectF(p.x(), p.y() - metrics.ascent(),
                             metrics.horizontalAdvance(item.text()), metrics.height()));
        const std::optional<QRectF> clip = clipRect();
        if (!clip || clip->contains(box)) {
            takeState(t);
            target_.setFont(item.font());
            target_.drawTextItem(p, item);
            return;
        }
        if (!clip->intersects(box))
            return;
        // Text cut by the clip: its outline, filled as the text would be.
        QPainterPath outline;
        outline.addText(p, item.font(), item.text());
        fill(t.map(outline), painter()->pen().brush(), t, *clip);
    }

    void drawPixmap(const QRectF& r, const QPixmap& pixmap, const QRectF& source) override {
        const QTransform t = painter()->deviceTransform();
        QRectF shown = r, from = source;
        if (!visiblePart(t, shown, from))
            return;
        takeState(t);
        target_.drawPixmap(shown, pixmap, from);
    }

    void drawImage(const QRectF& r, const QImage& image, const QRectF& source,
                   Qt::ImageConversionFlags flags) override {
        const QTransform t = painter()->deviceTransform();
        QRectF shown = r, from = source;
        if (!visiblePart(t, shown, from))
            return;
        takeState(t);
        target_.drawImage(shown, image, from, flags);
    }

private:
    // The painter's clip in device pixels, if it has one.
    std::optional<QRectF> clipRect() const {
        if (!painter()->hasClipping())
            return std::nullopt;
        return painter()->deviceTransform().mapRect(painter()->clipBoundingRect());
    }

    // The target draws as this painter does, in the coordinates t maps
    // from.
    void takeState(const QTransform& t) {
        target_.setTransform(t);
        target_.setPen(painter()->pen());
        target_.setBrush(painter()->brush());
        target_.setBrushOrigin(painter()->brushOrigin());
        target_.setOpacity(painter()->opacity());
        target_.setRenderHints(painter()->renderHints());
    }

    void paintPath(const QPainterPath& path, bool filled) {
        const QTransform t = painter()->deviceTransform();
        const QPen pen = painter()->pen();
        const QBrush brush = filled ? painter()->brush() : QBrush(Qt::NoBrush);
        const std::optional<QRectF> clip = clipRect();
        const QPainterPath device = t.map(path);
        // A wide pen's corners reach out by up to its width.
        const double reach = pen.style() == Qt::NoPen ? 0 : deviceWidth(pen, t);
        const QRectF bounds = device.boundingRect().adjusted(-reach, -reach, reach, reach);
        if (!clip || clip->contains(bounds)) {
            takeState(t);
            target_.setBrush(brush);
            target_.drawPath(path);
            return;
        }
        if (!clip->intersects(bounds))
            return;
        if (brush.style() != Qt::NoBrush)
            fill(device, brush, t, *clip);
        if (pen.style() == Qt::NoPen)
            return;
        takeState(QTransform());
        QPen inDevice = pen;
        if (!pen.isCosmetic())
            inDevice.setWidthF(deviceWidth(pen, t));
        // Ends cut at the clip stop there, as a clipped line does.
        inDevice.setCapStyle(Qt::FlatCap);
        target_.setPen(inDevice);
        target_.setBrush(Qt::NoBrush);
        for (const QPolygonF& line : device.toSubpathPolygons())
            for (const QPolygonF& piece : ClipPolyline(line, *clip))
                target_.drawPolyline(piece);
    }

    // Fills the part of a shape in device pixels inside the clip.
    void fill(const QPainterPath& device, QBrush brush, const QTransform& t, const QRectF& clip) {
        QPainterPath area;
        area.addRect(clip);
        takeState(QTransform());
        // Gradients and patterns stay where the painter put them.
        brush.setTransform(brush.transform() * t);
        target_.setPen(Qt::NoPen);
        target_.setBrush(brush);
        target_.drawPath(device.intersected(area));
    }

    // A pen's width in device pixels: a cosmetic pen is as wide on every
    // device, another one follows the painter's scale.
    static double deviceWidth(const QPen& pen, const QTransform& t) {
        const double width = pen.widthF() > 0 ? pen.widthF() : 1.0;
        return pen.isCosmetic() ? width : width * std::sqrt(std::abs(t.determinant()));
    }

    // The part of an image's target r (and of its source) inside the clip,
    // for a transform that does not turn; false when none is.
    bool visiblePart(const QTransform& t, QRectF& r, QRectF& source) const {
        const std::optional<QRectF> clip = clipRect();
        const QRectF device = t.mapRect(r);
        if (!clip || clip->contains(device) || t.type() > QTransform::TxScale || r.isEmpty())
            return true;
        const QRectF kept = t.inverted().mapRect(clip->intersected(device));
        if (kept.isEmpty())
            return false;
        const double sx = source.width() / r.width(), sy = source.height() / r.height();
        source = QRectF(source.x() + (kept.x() - r.x()) * sx, source.y() + (kept.y() - r.y()) * sy,
                        kept.width() * sx, kept.height() * sy);
        r = kept;
        return true;
    }

    QPainter& target_;
};

ClippingPaintDevice::ClippingPaintDevice(QPainter& target)
    : target_(target), engine_(std::make_unique<ClippingPaintEngine>(target)) {}

ClippingPaintDevice::~ClippingPaintDevice() = default;

QPaintEngine* ClippingPaintDevice::paintEngine() const {
    return engine_.get();
}

int ClippingPaintDevice::metric(PaintDeviceMetric metric) const {
    const QPaintDevice& device = *target_.device();
    switch (metric) {
        case PdmWidth:
            return device.width();
        case PdmHeight:
            return device.height();
        case PdmWidthMM:
            return device.widthMM();
        case PdmHeightMM:
            return device.heightMM();
        case PdmNumColors:
            return device.colorCount();
        case PdmDepth:
            return device.depth();
        case PdmDpiX:
            return device.logicalDpiX();
        case PdmDpiY:
            return device.logicalDpiY();
        case PdmPhysicalDpiX:
            return device.physicalDpiX();
        case PdmPhysicalDpiY:
            return device.physicalDpiY();
        case PdmDevicePixelRatio:
            return static_cast<int>(device.devicePixelRatio());
        case PdmDevicePixelRatioScaled:
            return static_cast<int>(device.devicePixelRatioF() * devicePixelRatioFScale());
    }
    return QPaintDevice::metric(metric);
}

}  // namespace ondrel
