#pragma once

#include <QObject>
#include <QString>

class QChart;
class QValueAxis;

namespace ondrel {

// Ticks at round numbers: a step of 1, 2 or 5 times a power of ten, the
// ticks at its whole multiples (so that 0 is one whenever it is in range),
// each label with as many decimals as the step needs and no more.
struct AxisTicks {
    double step = 1;
    int decimals = 0;
};

// The round step that puts at most maxTicks ticks (at least 2) between min
// and max.
AxisTicks RoundTicks(double min, double max, int maxTicks);

// A tick's label: value rounded to decimals, zero without a sign.
QString TickLabel(double value, int decimals);

// The anchor for the chart's ticks of step between min and max: 0, or a
// hair above it where the chart's sums of steps would put its zero tick a
// hair below zero.
double TickAnchor(double min, double max, double step);

// Keeps an axis of a chart at round-number ticks, as many as its length
// holds with its labels whole and apart, whatever range it is given.
// Floating-point noise in the ticks' values never reaches their labels.
class RoundTickKeeper final : public QObject {
    Q_OBJECT

public:
    RoundTickKeeper(QChart& chart, QValueAxis& axis);

    // Sets the ticks for the axis's range and its length on the chart now.
    void update();

private:
    QChart& chart_;
    QValueAxis& axis_;
};

// Round-number ticks on axis from now on.
void KeepRoundTicks(QChart& chart, QValueAxis& axis);

}  // namespace ondrel
