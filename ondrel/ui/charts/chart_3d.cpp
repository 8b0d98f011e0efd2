#include "chart_3d.h"

#include <QChart>
#include <QLineSeries>
#include <QPainter>
#include <QPainterPath>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

namespace ondrel {

namespace {

// Below the grid and the series, above the chart's background.
constexpr qreal kZValue = -0.5;

const QPointF kBack(Chart3DLook::kDepth, -Chart3DLook::kDepth);

// A point this close to a curve, in pixels, lies on it.
constexpr double kOnCurve = 2;

double distanceToSegment(QPointF p, QPointF a, QPointF b) {
    const QPointF ab = b - a;
    const double length2 = QPointF::dotProduct(ab, ab);
    double t = length2 > 0 ? QPointF::dotProduct(p - a, ab) / length2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    const QPointF nearest = a + t * ab;
    return std::hypot(p.x() - nearest.x(), p.y() - nearest.y());
}

}  // namespace

Chart3DLook::Chart3DLook(QChart& chart) : QGraphicsObject(&chart), chart_(chart) {
    setZValue(kZValue);
    setVisible(false);
    followPlotArea();
    connect(&chart_, &QChart::plotAreaChanged, this, &Chart3DLook::followPlotArea);
}

void Chart3DLook::followPlotArea() {
    const QRectF bounds = chart_.plotArea().adjusted(0, -kDepth, kDepth, 0);
    if (bounds != bounds_) {
        prepareGeometryChange();
        bounds_ = bounds;
    }
    update();
}

void Chart3DLook::setOn(bool on) {
    if (on == on_)
        return;
    on_ = on;
    QMargins margins = chart_.margins();
    const int depth = static_cast<int>(kDepth);
    margins.setTop(margins.top() + (on ? depth : -depth));
    margins.setRight(margins.right() + (on ? depth : -depth));
    chart_.setMargins(margins);
    setVisible(on);
    update();
}

QRectF Chart3DLook::boundingRect() const {
    return bounds_;
}

QPointF Chart3DLook::frontOf(QPointF chartPosition) const {
    if (!on_ || !bounds_.contains(chartPosition))
        return chartPosition;
    // The depth, from the front (0) to the back, at which the point lies
    // nearest to a curve, tried in half pixels.
    const QPointF unit = kBack / kDepth;
    double best = kOnCurve;
    QPointF front = chartPosition;
    for (QAbstractSeries* abstract : chart_.series()) {
        auto* series = qobject_cast<QLineSeries*>(abstract);
        if (!series || !series->isVisible() || series->count() < 2)
            continue;
        const QList<QPointF> points = series->points();
        QList<QPointF> curve;
        curve.reserve(points.size());
        for (const QPointF& p : points)
            curve.append(chart_.mapToPosition(p, series));
        for (double depth = 0; depth <= kDepth; depth += 0.5) {
            const QPointF moved = chartPosition - depth * unit;
            for (qsizetype i = 1; i < curve.size(); ++i) {
                const double distance = distanceToSegment(moved, curve[i - 1], curve[i]);
                if (distance < best) {
                    best = distance;
                    front = moved;
                }
            }
        }
    }
    return front;
}

void Chart3DLook::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) {
    const QRectF plot = chart_.plotArea();
    if (plot.isEmpty())
        return;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);

    // The walls: the back one behind the plot area, the left one and the
    // floor joining it to the front.
    const QPolygonF left = {plot.topLeft(), plot.topLeft() + kBack, plot.bottomLeft() + kBack,
                            plot.bottomLeft()};
    const QPolygonF floor = {plot.bottomLeft(), plot.bottomRight(), plot.bottomRight() + kBack,
                             plot.bottomLeft() + kBack};
    painter->setPen(QPen(QColor(160, 160, 160), 0));
    painter->setBrush(QColor(236, 236, 236));
    painter->drawPolygon(left);
    painter->setBrush(QColor(216, 216, 216));
    painter->drawPolygon(floor);
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(plot.translated(kBack));

    // The ribbons, clipped to the plot area and its depth.
    painter->setClipRect(bounds_);
    for (QAbstractSeries* abstract : chart_.series()) {
        auto* series = qobject_cast<QLineSeries*>(abstract);
        if (!series || !series->isVisible() || series->count() < 2)
            continue;
        const QColor color = series->color();
        // The ribbon is one shape of a parallelogram per segment, each turned
        // the same way, so that the non-zero rule fills where they overlap
        // and every picture fills it in one go, without seams between them.
        QPainterPath ribbon;
        ribbon.setFillRule(Qt::WindingFill);
        QPointF last = chart_.mapToPosition(series->at(0), series);
        QPolygonF back = {last + kBack};
        const QList<QPointF> points = series->points();
        for (qsizetype i = 1; i < points.size(); ++i) {
            const QPointF at = chart_.mapToPosition(points[i], series);
            // Points closer than a pixel add nothing to be seen.
            if (std::abs(at.x() - last.x()) < 1 && std::abs(at.y() - last.y()) < 1 &&
                i + 1 < points.size())
                continue;
            QPolygonF segment{last, at, at + kBack, last + kBack};
            const QPointF along = at - last;
            if (along.x() * kBack.y() - along.y() * kBack.x() < 0)
                std::reverse(segment.begin(), segment.end());
            ribbon.addPolygon(segment);
            ribbon.closeSubpath();
            back << at + kBack;
            last = at;
        }
        painter->setPen(Qt::NoPen);
        painter->setBrush(color.lighter(160));
        painter->drawPath(ribbon);
        painter->setPen(QPen(color.darker(120), 0));
        painter->setBrush(Qt::NoBrush);
        painter->drawPolyline(back);
    }
    painter->restore();
}

}  // namespace ondrel
