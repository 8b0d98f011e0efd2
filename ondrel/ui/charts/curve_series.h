#pragma once

#include <QList>
#include <QPointF>
#include <QXYSeries>

#include "../../curves/curve.h"

namespace ondrel {

// A curve as a chart series takes it, and a series's points as a curve.
inline QList<QPointF> ChartPoints(const Curve& curve) {
    QList<QPointF> points;
    points.reserve(static_cast<qsizetype>(curve.size()));
    for (const CurvePoint& p : curve)
        points.append({p.potential, p.current});
    return points;
}

inline Curve CurveOf(const QXYSeries& series) {
    Curve curve;
    const QList<QPointF> points = series.points();
    curve.reserve(static_cast<std::size_t>(points.size()));
    for (const QPointF& p : points)
        curve.push_back({p.x(), p.y()});
    return curve;
}

}  // namespace ondrel
