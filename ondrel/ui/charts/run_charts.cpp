#include "run_charts.h"

#include <QChart>
#include <QLegend>
#include <QLineSeries>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "../../runs/refresh_schedule.h"
#include "../qt_text.h"
#include "axis_scaling.h"
#include "chart_panel.h"

namespace ondrel {

namespace {

// Sets a range as the chart takes it, or says that it cannot.
void checkRange(double min, double max, const char* message) {
    if (!std::isfinite(min) || !std::isfinite(max) || !(min < max))
        throw AxisScalingException(message);
}

// A range the program fixes: automatic scaling is off.
void setRange(QValueAxis* axis, double min, double max, const char* message) {
    checkRange(min, max, message);
    axis->setRange(min, max);
}

}  // namespace

QList<QPointF> CurvePoints(const std::vector<CVpoint>& points) {
    QList<QPointF> curve;
    curve.reserve(static_cast<qsizetype>(points.size()));
    for (const CVpoint& p : points)
        curve.append({static_cast<double>(p.potential), static_cast<double>(p.current) * 1e6});
    return curve;
}

RunCharts::RunCharts(ChartPanel& voltammogram, ChartPanel& profiles, ChartPanel& pilot)
    : voltammogram_(voltammogram),
      profiles_(profiles),
      pilot_(pilot),
      pilotSeries_(pilot.addLine(1)) {}

QLineSeries* RunCharts::StartCurve() {
    currentCurve_.clear();
    return voltammogram_.addLine(2);
}

void RunCharts::ClearPilot() {
    pilotCurve_.clear();
    pilotSeries_->clear();
}

void RunCharts::ForgetCurrentRange() {
    currentRangeEmpty_ = true;
}

void RunCharts::SetPotentialRange(std::pair<double, double> range, std::int64_t nSteps) {
    const auto [emax, emin] = range;
    setRange(pilot_.yAxis(), emin * 1000, emax * 1000, kPilotChartScale);
    setRange(pilot_.xAxis(), -100, static_cast<double>(nSteps) + 100, kPilotChartScale);
    setRange(voltammogram_.xAxis(), emin * 1000, emax * 1000, kVoltammogramScale);
}

void RunCharts::AddPilotPoints(const std::vector<std::pair<std::int64_t, double>>& points) {
    for (const auto& [step, e] : points)
        pilotCurve_.append({static_cast<double>(step), e});
    pilotSeries_->replace(pilotCurve_);
}

void RunCharts::AddCurrentPoints(QLineSeries& curve,
                                 const std::vector<std::pair<double, double>>& points) {
    for (const auto& [e, i] : points)
        currentCurve_.append({e, i});
    curve.replace(currentCurve_);
    extendCurrentRange(points);
}

void RunCharts::extendCurrentRange(const std::vector<std::pair<double, double>>& points) {
    for (const auto& point : points) {
        if (currentRangeEmpty_) {
            currentMin_ = currentMax_ = point.second;
            currentRangeEmpty_ = false;
        }
        currentMin_ = std::min(currentMin_, point.second);
        currentMax_ = std::max(currentMax_, point.second);
    }
    const double margin = std::max((currentMax_ - currentMin_) * 0.05, 1e-9);
    // The current axis stays automatic.
    checkRange(currentMin_ - margin, currentMax_ + margin, kVoltammogramScale);
    SetAutomaticRange(*voltammogram_.yAxis(), currentMin_ - margin, currentMax_ + margin, true);
}

void RunCharts::AutoScale() {
    // Both axes scale themselves again, also before any curve is there.
    SetAutomatic(*voltammogram_.xAxis(), true);
    SetAutomatic(*voltammogram_.yAxis(), true);
    fitAxes(true, true);
}

void RunCharts::FitAutomaticAxes() {
    fitAxes(IsAutomatic(*voltammogram_.xAxis()), IsAutomatic(*voltammogram_.yAxis()));
}

void RunCharts::fitAxes(bool potential, bool current) {
    double emin = 0, emax = 0;
    std::vector<std::pair<double, double>> all;
    for (QAbstractSeries* series : voltammogram_.chart()->series()) {
        auto* line = qobject_cast<QLineSeries*>(series);
        if (!line || !line->isVisible() || !line->attachedAxes().contains(voltammogram_.yAxis()))
            continue;
        for (const QPointF& p : line->points()) {
            if (all.empty())
                emin = emax = p.x();
            emin = std::min(emin, p.x());
            emax = std::max(emax, p.x());
            all.emplace_back(p.x(), p.y());
        }
    }
    if (all.empty())
        return;
    if (potential && emin < emax)
        SetAutomaticRange(*voltammogram_.xAxis(), emin, emax, true);
    if (current) {
        ForgetCurrentRange();
        extendCurrentRange(all);
    }
}

// One series per species, in order; series of species no longer there are
// hidden. Only what changed is touched: a chart lays itself out anew on
// every name, visibility or range change.
void RunCharts::ShowProfiles(const ConcentrationProfiles& profiles) {
    for (std::size_t s = profiles.values.size(); s < profileSeries.size(); ++s)
        profileSeries[s]->hide();
    double top = 1;
    std::size_t boxes = 0;
    for (std::size_t s = 0; s < profiles.values.size(); ++s) {
        if (s >= profileSeries.size())
            profileSeries.push_back(profiles_.addLine(1));
        QLineSeries* series = profileSeries[s];
        if (series->name() != ToQString(profiles.names[s]))
            series->setName(ToQString(profiles.names[s]));
        QList<QPointF> points;
        const std::vector<double>& values = profiles.values[s];
        points.reserve(static_cast<qsizetype>(values.size()));
        for (std::size_t b = 0; b < values.size(); ++b) {
            points.append({static_cast<double>(ProfilePosition(static_cast<int>(b))), values[b]});
            top = std::max(top, values[b]);
        }
        series->replace(points);
        series->show();
        boxes = std::max(boxes, values.size());
    }
    profiles_.chart()->legend()->setVisible(!profiles.values.empty());
    QValueAxis& distance = *profiles_.xAxis();
    if (boxes > 1)
        SetAutomaticRange(distance, 0,
                          static_cast<double>(ProfilePosition(static_cast<int>(boxes) - 1)), true);
    else
        SetAutomaticRange(distance, distance.min(), distance.max(), true);
    SetAutomaticRange(*profiles_.yAxis(), 0, top * 1.05, true);
}

void RunCharts::RenameProfile(int index, const QString& name) {
    if (index >= 1 && index <= static_cast<int>(profileSeries.size()))
        profileSeries[index - 1]->setName(name);
}

}  // namespace ondrel
