#pragma once

#include <QGraphicsObject>

class QChart;

namespace ondrel {

// The 3D look of a chart, which Qt Charts does not have: the plot area gets
// depth, with a back wall, a left wall and a floor behind it, and every line
// series is drawn as a ribbon running back from its curve. It is an item of
// the chart's own scene, so the screen, the preview, paper and pictures all
// show it. It changes nothing of the data.
class Chart3DLook final : public QGraphicsObject {
    Q_OBJECT

public:
    explicit Chart3DLook(QChart& chart);

    bool isOn() const { return on_; }
    // Turns the look on or off; the chart's margins make room for the depth.
    void setOn(bool on);

    // The depth, in pixels, that the plot area runs back up and to the right.
    static constexpr double kDepth = 12;

    // Where a point of the chart lies on the front plane: a point on a
    // curve's ribbon, which runs back from the curve, is moved forward along
    // the depth onto the curve, so that it reads the curve's values; any
    // other point stays where it is.
    QPointF frontOf(QPointF chartPosition) const;

    QRectF boundingRect() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

private:
    // The plot area and its depth; told to the scene before it changes, so
    // that what was drawn in the old place is repainted.
    void followPlotArea();

    QChart& chart_;
    bool on_ = false;
    QRectF bounds_;
};

}  // namespace ondrel
