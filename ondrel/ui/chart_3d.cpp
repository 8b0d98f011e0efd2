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

}  // namespace

Chart3DLook::Chart3DLook(QChart& chart) : QGraphicsObject(&chart), chart_(chart) {
    setZValue(kZValue);
    setVisible(false);
    connect(&chart_, &QChart::plotAreaChanged, this, [this] { update(); });
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
    return chart_.plotArea().adjusted(0, -kDepth, kDepth, 0);
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
    painter->setClipRect(boundingRect());
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
