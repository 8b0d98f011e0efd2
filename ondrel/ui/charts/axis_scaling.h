#pragma once

#include <QObject>

class QValueAxis;

namespace ondrel {

// Whether an axis scales itself to the curves it shows ("Automatic") or
// keeps a range that the user, a zoom or a run fixed. A range set through
// setAutomaticRange keeps the axis automatic; any other change of its range
// makes it fixed.
class AxisScaling final : public QObject {
    Q_OBJECT

public:
    // Automatic from the start; owned by the axis.
    explicit AxisScaling(QValueAxis& axis);

    bool automatic() const { return automatic_; }
    void setAutomatic(bool automatic);
    // Sets the range an automatic scaling found, rounded to nice numbers
    // when asked; the axis stays automatic.
    void setAutomaticRange(double min, double max, bool nice);

signals:
    // Also when the range is unchanged, so that a view of the setting
    // follows the Auto button.
    void automaticChanged(bool automatic);

private:
    QValueAxis& axis_;
    bool automatic_ = true;
    bool fitting_ = false;  // the range being set is an automatic one
};

// Tracks the axis's scaling from now on.
void TrackAutomaticScaling(QValueAxis& axis);
// The axis's tracked scaling; null for an axis not tracked.
AxisScaling* ScalingOf(const QValueAxis& axis);

// The same for an axis that may not be tracked: such an axis is never
// automatic, and its range is set as given.
bool IsAutomatic(const QValueAxis& axis);
void SetAutomatic(QValueAxis& axis, bool automatic);
void SetAutomaticRange(QValueAxis& axis, double min, double max, bool nice);

}  // namespace ondrel
