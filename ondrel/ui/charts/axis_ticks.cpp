#include "axis_ticks.h"

#include <QChart>
#include <QFontMetricsF>
#include <QLocale>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

namespace ondrel {

namespace {

constexpr int kMostTicks = 11;
constexpr int kMostDecimals = 15;

// The labels' decimal mark stays the point whatever the system's locale.
QLocale labelLocale() {
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::OmitGroupSeparator);
    return c;
}

bool horizontal(const QValueAxis& axis) {
    return axis.orientation() == Qt::Horizontal;
}

}  // namespace

AxisTicks RoundTicks(double min, double max, int maxTicks) {
    const double span = max - min;
    if (!std::isfinite(span) || !(span > 0))
        return {};
    const double least = span / std::max(1, maxTicks - 1);
    const double power = std::pow(10.0, std::floor(std::log10(least)));
    double step = 10 * power;
    for (const double mantissa : {1.0, 2.0, 5.0}) {
        if (mantissa * power >= least * (1 - 1e-9)) {
            step = mantissa * power;
            break;
        }
    }
    // The decimals of the step itself: 0.5 needs one, 20 none.
    const int decimals =
        std::clamp(static_cast<int>(-std::floor(std::log10(step) + 1e-9)), 0, kMostDecimals);
    return {step, decimals};
}

QString TickLabel(double value, int decimals) {
    QString text = labelLocale().toString(value, 'f', decimals);
    // A value that rounds to zero is zero, without a sign.
    if (text.startsWith(QLatin1Char('-')) &&
        text.count(QLatin1Char('0')) == text.size() - 1 - (decimals > 0 ? 1 : 0))
        text.remove(0, 1);
    return text;
}

double TickAnchor(double min, double max, double step) {
    // The chart places its ticks from the anchor by whole steps and adds
    // the step up from the first one, so a sum such as -0.3 + 0.1 + 0.1 +
    // 0.1 can fall a hair below zero and be labelled "-0.0". The anchor is
    // moved up by as few units of the last place as it takes for the zero
    // tick to come out at or above zero, the ticks otherwise unchanged.
    if (!(min < 0 && max > 0) || step >= 1)
        return 0;
    auto zeroTick = [&](double anchor, int& count) {
        const double first = anchor - std::floor((anchor - min) / step) * step;
        double nearest = first;
        count = 0;
        for (double value = first; value <= max && count <= 4 * kMostTicks; value += step) {
            if (std::abs(value) < std::abs(nearest))
                nearest = value;
            ++count;
        }
        return nearest;
    };
    int wanted = 0;
    if (zeroTick(0, wanted) >= 0)
        return 0;
    // Rather every tick kept; where the last one must go (it sat on the
    // range's end by a hair), zero is still not labelled "-0".
    for (const bool keepAll : {true, false}) {
        for (double anchor = std::ldexp(step, -60); anchor <= step * 1e-9; anchor *= 2) {
            int count = 0;
            if (zeroTick(anchor, count) >= 0 && (count == wanted || !keepAll))
                return anchor;
        }
    }
    return 0;
}

RoundTickKeeper::RoundTickKeeper(QChart& chart, QValueAxis& axis)
    : QObject(&axis), chart_(chart), axis_(axis) {
    chart_.setLocalizeNumbers(true);
    chart_.setLocale(labelLocale());
    connect(&axis_, &QValueAxis::rangeChanged, this, &RoundTickKeeper::update);
    connect(&axis_, &QAbstractAxis::labelsFontChanged, this, &RoundTickKeeper::update);
    connect(&chart_, &QChart::plotAreaChanged, this, &RoundTickKeeper::update);
    update();
}

void RoundTickKeeper::update() {
    const double min = axis_.min(), max = axis_.max();
    if (!(min < max) || !std::isfinite(max - min))
        return;
    const QFontMetricsF metrics(axis_.labelsFont());
    const QRectF plot = chart_.plotArea();
    const double length = horizontal(axis_) ? plot.width() : plot.height();
    // A label needs its own width (across: its height) and a gap of two
    // letters to the next; the step and the labels' width depend on each
    // other, so settle them over a few rounds.
    AxisTicks ticks = RoundTicks(min, max, kMostTicks);
    for (int round = 0; round < 3; ++round) {
        double room = 2.5 * metrics.height();
        if (horizontal(axis_)) {
            const double widest =
                std::max(metrics.horizontalAdvance(
                             TickLabel(std::floor(min / ticks.step) * ticks.step, ticks.decimals)),
                         metrics.horizontalAdvance(
                             TickLabel(std::ceil(max / ticks.step) * ticks.step, ticks.decimals)));
            room = widest + metrics.horizontalAdvance(QStringLiteral("MM"));
        }
        const int fits = length > 0 ? static_cast<int>(length / room) + 1 : kMostTicks;
        ticks = RoundTicks(min, max, std::clamp(fits, 3, kMostTicks));
    }
    // Never fewer than two ticks in range: on a short axis the step that
    // fits its length can leave only one (-15 to 19 by 20 shows "0" alone),
    // so the next smaller round step is taken.
    auto inRange = [&](double step) { return std::floor(max / step) - std::ceil(min / step) + 1; };
    for (int most = 4; inRange(ticks.step) < 2 && most <= 2 * kMostTicks; ++most)
        ticks = RoundTicks(min, max, most);
    const QString format = QStringLiteral("%.%1f").arg(ticks.decimals);
    if (axis_.tickType() != QValueAxis::TicksDynamic)
        axis_.setTickType(QValueAxis::TicksDynamic);
    const double anchor = TickAnchor(min, max, ticks.step);
    if (axis_.tickAnchor() != anchor)
        axis_.setTickAnchor(anchor);
    if (axis_.tickInterval() != ticks.step)
        axis_.setTickInterval(ticks.step);
    if (axis_.labelFormat() != format)
        axis_.setLabelFormat(format);
}

void KeepRoundTicks(QChart& chart, QValueAxis& axis) {
    new RoundTickKeeper(chart, axis);
}

}  // namespace ondrel
