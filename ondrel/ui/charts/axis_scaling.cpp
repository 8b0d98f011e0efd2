#include "axis_scaling.h"

#include <QValueAxis>

namespace ondrel {

AxisScaling::AxisScaling(QValueAxis& axis) : QObject(&axis), axis_(axis) {
    connect(&axis_, &QValueAxis::rangeChanged, this, [this] {
        if (!fitting_)
            setAutomatic(false);
    });
}

void AxisScaling::setAutomatic(bool automatic) {
    automatic_ = automatic;
    emit automaticChanged(automatic);
}

void AxisScaling::setAutomaticRange(double min, double max, bool nice) {
    // Marked before the range changes, so that whoever watches the range
    // sees the axis automatic.
    if (!automatic_)
        setAutomatic(true);
    fitting_ = true;
    axis_.setRange(min, max);
    if (nice)
        axis_.applyNiceNumbers();
    fitting_ = false;
}

void TrackAutomaticScaling(QValueAxis& axis) {
    if (!ScalingOf(axis))
        new AxisScaling(axis);
}

AxisScaling* ScalingOf(const QValueAxis& axis) {
    return axis.findChild<AxisScaling*>(QString(), Qt::FindDirectChildrenOnly);
}

bool IsAutomatic(const QValueAxis& axis) {
    const AxisScaling* scaling = ScalingOf(axis);
    return scaling && scaling->automatic();
}

void SetAutomatic(QValueAxis& axis, bool automatic) {
    if (AxisScaling* scaling = ScalingOf(axis))
        scaling->setAutomatic(automatic);
}

void SetAutomaticRange(QValueAxis& axis, double min, double max, bool nice) {
    if (AxisScaling* scaling = ScalingOf(axis)) {
        scaling->setAutomaticRange(min, max, nice);
        return;
    }
    axis.setRange(min, max);
    if (nice)
        axis.applyNiceNumbers();
}

}  // namespace ondrel
