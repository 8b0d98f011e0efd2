#pragma once

#include <QString>

#include "../../fit/curve_fit.h"

class QChartView;
class QLabel;
class QTableWidget;
class QWidget;

namespace ondrel {

// What a fit's result is shown in: the parameters with their errors, the
// correlations, the figures, the measured and fitted curves and the
// residuals.
struct FitResultWidgets {
    QLabel* status;
    QTableWidget *parameters, *correlation;
    QLabel* summary;
    QChartView *curves, *residuals;
};

// A chart of potentials against currents for the sheet: round ticks on both
// axes, no legend.
QChartView* FitChartView(QWidget* parent, const char* name, const QString& title,
                         const QString& yTitle);

// Why a fit that reports convergence is still no success, or empty: a
// parameter at one of its bounds while the data do not determine every
// parameter.
QString FitDoubt(const FitResult& result);

// The result's headline: its status and why, as the status label shows it.
QString FitHeadline(const FitResult& result);

// Shows a result. A failed fit shows only why; a stopped one the best point
// it had reached.
void ShowFitResult(const FitResult& result, const FitResultWidgets& widgets, char separator);

// Empties every part of the view but the status.
void ClearFitResult(const FitResultWidgets& widgets);

}  // namespace ondrel
