#include "chart_readout.h"

#include <QChart>
#include <QChartView>
#include <QLabel>
#include <QMouseEvent>

#include "../../platform/float_text.h"
#include "../qt_text.h"
#include "chart_panel.h"

namespace ondrel {

ChartReadout::ChartReadout(ChartPanel& panel, QLabel& label, QString xCaption, QString yCaption,
                           char separator)
    : QObject(&panel),
      panel_(panel),
      label_(label),
      xCaption_(std::move(xCaption)),
      yCaption_(std::move(yCaption)),
      separator_(separator) {
    panel_.view()->setMouseTracking(true);
    panel_.view()->viewport()->setMouseTracking(true);
    panel_.view()->viewport()->installEventFilter(this);
}

QString ChartReadout::textAt(QPoint viewPosition) const {
    const QPointF value = panel_.valueAt(viewPosition);
    return xCaption_ + ToQString(FloatToGeneral(value.x(), 5, separator_)) + yCaption_ +
           ToQString(FloatToGeneral(value.y(), 5, separator_));
}

bool ChartReadout::onAxis(QPoint viewPosition) const {
    const QChart* chart = panel_.chart();
    const QPointF at = chart->mapFromScene(panel_.view()->mapToScene(viewPosition));
    const QRectF plot = chart->plotArea();
    if (plot.contains(at) || !chart->boundingRect().contains(at))
        return false;
    const bool besideX = at.x() >= plot.left() && at.x() <= plot.right();
    const bool besideY = at.y() >= plot.top() && at.y() <= plot.bottom();
    return besideX != besideY;
}

bool ChartReadout::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseMove) {
        label_.setText(textAt(static_cast<QMouseEvent*>(event)->position().toPoint()));
    } else if (event->type() == QEvent::MouseButtonPress) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && onAxis(mouse->position().toPoint()))
            emit axisClicked();
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace ondrel
