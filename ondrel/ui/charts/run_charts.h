#pragma once

#include <QList>
#include <QPointF>
#include <cstdint>
#include <utility>
#include <vector>

#include "../../engine/cv_point.h"
#include "../../engine/engine_display.h"
#include "../../platform/ondrel_error.h"

class QLineSeries;
class QString;

namespace ondrel {

class ChartPanel;

inline constexpr const char* kPilotChartScale = "Pb avec echelles Form1->PilotChart";
inline constexpr const char* kVoltammogramScale = "Pb avec echelles Voltamogramme";

// A chart refused an axis range.
class AxisScalingException : public Exception {
public:
    using Exception::Exception;
};

// What runs draw on the three charts: the pilot trace, the running
// voltammogram with the current range it spans, one concentration profile
// per species, and the voltammogram chart's axes fitted to its curves.
//
// A series takes a whole list at once far faster than appended points,
// which it handles one by one: the traces' points are kept here and handed
// over whole.
class RunCharts {
public:
    RunCharts(ChartPanel& voltammogram, ChartPanel& profiles, ChartPanel& pilot);

    // A new run's curve on the voltammogram chart, empty.
    QLineSeries* StartCurve();

    void ClearPilot();
    // The program's potentials (Emax, Emin in V) on the pilot chart's
    // potential axis and the voltammogram's; nSteps on the pilot's step axis.
    // Throws AxisScalingException for a range a chart cannot take.
    void SetPotentialRange(std::pair<double, double> range, std::int64_t nSteps);
    void AddPilotPoints(const std::vector<std::pair<std::int64_t, double>>& points);
    // Appends (mV, µA) points to the running curve and widens the current
    // axis over them.
    void AddCurrentPoints(QLineSeries& curve, const std::vector<std::pair<double, double>>& points);
    // The next points set the current axis afresh.
    void ForgetCurrentRange();
    void ShowProfiles(const ConcentrationProfiles& profiles);
    // Both axes of the voltammogram chart made automatic again and fitted
    // to every curve shown.
    void AutoScale();
    // The axes that scale automatically fitted to every curve shown; a
    // range the user, a zoom or a run fixed stays.
    void FitAutomaticAxes();

    // The series of the profile of species index (1-based), if drawn.
    void RenameProfile(int index, const QString& name);

    // The concentration-profile series, one per species in list order, as
    // runs draw them.
    std::vector<QLineSeries*> profileSeries;

private:
    void fitAxes(bool potential, bool current);
    void extendCurrentRange(const std::vector<std::pair<double, double>>& points);

    ChartPanel &voltammogram_, &profiles_, &pilot_;
    QLineSeries* pilotSeries_;
    QList<QPointF> pilotCurve_, currentCurve_;  // what the two series show
    double currentMin_ = 0, currentMax_ = 0;
    bool currentRangeEmpty_ = true;
};

// The points of a run as the voltammogram chart shows them: mV and µA.
QList<QPointF> CurvePoints(const std::vector<CVpoint>& points);

}  // namespace ondrel
