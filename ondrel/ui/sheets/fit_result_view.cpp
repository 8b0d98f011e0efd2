#include "fit_result_view.h"

#include <QChart>
#include <QChartView>
#include <QHeaderView>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QTableWidget>
#include <QValueAxis>
#include <algorithm>

#include "../../fit/fit_table.h"
#include "../../platform/float_text.h"
#include "../charts/axis_ticks.h"
#include "../charts/curve_colors.h"
#include "../qt_text.h"

namespace ondrel {

namespace {

QString number(double value, char separator) {
    return ToQString(FloatToGeneral(value, 6, separator));
}

QTableWidgetItem* fixed(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    return item;
}

// Puts the series on the chart's two axes, fitted to their points.
void plot(QChartView* view, const std::vector<QLineSeries*>& series) {
    QChart* chart = view->chart();
    chart->removeAllSeries();
    QValueAxis* x = qobject_cast<QValueAxis*>(chart->axes(Qt::Horizontal).constFirst());
    QValueAxis* y = qobject_cast<QValueAxis*>(chart->axes(Qt::Vertical).constFirst());
    double x0 = 1e300, x1 = -1e300, y0 = 1e300, y1 = -1e300;
    for (QLineSeries* s : series) {
        chart->addSeries(s);
        s->attachAxis(x);
        s->attachAxis(y);
        for (const QPointF& p : s->points()) {
            x0 = std::min(x0, p.x());
            x1 = std::max(x1, p.x());
            y0 = std::min(y0, p.y());
            y1 = std::max(y1, p.y());
        }
    }
    if (x0 < x1) {
        x->setRange(x0, x1);
        const double margin = y1 > y0 ? 0.05 * (y1 - y0) : 1;
        y->setRange(y0 - margin, y1 + margin);
    }
}

QString noteOf(const FittedParameter& p, FitStatus status) {
    if (p.lowerLimit)
        return QStringLiteral("only bounded below (reversible)");
    if (p.atBound)
        return QStringLiteral("at its bound");
    if (status == FitStatus::Stopped || status == FitStatus::NotConverged)
        return QStringLiteral("no error: the fit did not end");
    if (!p.standardError)
        return QStringLiteral("not determined");
    return {};
}

void showParameters(const FitResult& result, QTableWidget& table, char separator) {
    table.setRowCount(static_cast<int>(result.parameters.size()));
    for (int r = 0; r < static_cast<int>(result.parameters.size()); ++r) {
        const FittedParameter& p = result.parameters[static_cast<std::size_t>(r)];
        table.setItem(r, 0, fixed(ToQString(p.parameter.name)));
        table.setItem(r, 1, fixed(ToQString(FittedValueText(p))));
        table.setItem(r, 2,
                      fixed(p.standardError ? number(*p.standardError, separator) : QString()));
        table.setItem(r, 3, fixed(ToQString(ParameterUnit(p.parameter.kind))));
        table.setItem(r, 4, fixed(noteOf(p, result.status)));
    }
    table.resizeColumnsToContents();
}

void showCorrelation(const FitResult& result, QTableWidget& table, char separator) {
    const int m = static_cast<int>(result.correlated.size());
    table.clear();
    table.setRowCount(m);
    table.setColumnCount(m);
    QStringList names;
    for (std::size_t j : result.correlated)
        names << ToQString(result.parameters[j].parameter.name);
    table.setHorizontalHeaderLabels(names);
    table.setVerticalHeaderLabels(names);
    table.verticalHeader()->setVisible(m > 0);
    for (int a = 0; a < m; ++a)
        for (int b = 0; b < m; ++b)
            table.setItem(
                a, b,
                fixed(ToQString(FloatToGeneral(
                    result.correlation[static_cast<std::size_t>(a)][static_cast<std::size_t>(b)], 3,
                    separator))));
    table.resizeColumnsToContents();
}

QString summaryOf(const FitResult& result, char separator) {
    QString summary = QStringLiteral(
                          "Residual sum %1 \u00B5A\u00B2, reduced \u03C7\u00B2 %2, "
                          "%3 points, %4 iterations, %5 simulations, %6 s")
                          .arg(number(result.residualSum, separator))
                          .arg(result.reducedChiSquare ? number(*result.reducedChiSquare, separator)
                                                       : QStringLiteral("(no noise estimate)"))
                          .arg(result.points)
                          .arg(result.iterations)
                          .arg(result.simulations)
                          .arg(ToQString(FloatToGeneral(result.seconds, 3, separator)));
    if (!result.covarianceProblem.empty())
        summary += QStringLiteral("\n") + ToQString(result.covarianceProblem);
    return summary;
}

// Each curve in a colour of its own: the measured one broad and light
// beneath the fitted one, so that both show where they lie on each other.
void drawCurves(const FitResult& result, const FitResultWidgets& w) {
    std::vector<QLineSeries*> curves, residuals;
    for (std::size_t c = 0; c < result.curves.size(); ++c) {
        const FittedCurve& fittedCurve = result.curves[c];
        const QColor color = CurveColor(static_cast<int>(c));
        auto* measured = new QLineSeries;
        auto* fitted = new QLineSeries;
        auto* residual = new QLineSeries;
        measured->setName(ToQString(fittedCurve.name));
        fitted->setName(ToQString(fittedCurve.name) + QStringLiteral(" (fit)"));
        residual->setName(ToQString(fittedCurve.name));
        measured->setPen(QPen(color.lighter(150), 4));
        fitted->setPen(QPen(color.darker(130), 1.5));
        residual->setPen(QPen(color, 1));
        for (std::size_t i = 0; i < fittedCurve.measured.size(); ++i) {
            const CurvePoint& m = fittedCurve.measured[i];
            measured->append(m.potential, m.current);
            fitted->append(fittedCurve.simulated[i].potential, fittedCurve.simulated[i].current);
            residual->append(m.potential, m.current - fittedCurve.simulated[i].current);
        }
        curves.push_back(measured);
        curves.push_back(fitted);
        residuals.push_back(residual);
    }
    plot(w.curves, curves);
    plot(w.residuals, residuals);
    // With more than one curve the legend tells them apart.
    w.curves->chart()->legend()->setVisible(result.curves.size() > 1);
    w.residuals->chart()->legend()->setVisible(result.curves.size() > 1);
}

}  // namespace

QChartView* FitChartView(QWidget* parent, const char* name, const QString& title,
                         const QString& yTitle) {
    auto* chart = new QChart;
    chart->setTitle(title);
    chart->legend()->setVisible(false);
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->setMargins(QMargins(2, 2, 2, 2));
    auto* x = new QValueAxis;
    x->setTitleText(QStringLiteral("E (mV)"));
    auto* i = new QValueAxis;
    i->setTitleText(yTitle);
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(i, Qt::AlignLeft);
    // Round-number ticks, kept as the range and the plot area change.
    KeepRoundTicks(*chart, *x);
    KeepRoundTicks(*chart, *i);
    auto* view = new QChartView(chart, parent);
    view->setObjectName(QString::fromLatin1(name));
    view->setRenderHint(QPainter::Antialiasing);
    view->setMinimumHeight(220);
    return view;
}

QString FitDoubt(const FitResult& result) {
    if (result.status != FitStatus::Converged || result.covarianceProblem.empty())
        return {};
    QStringList atBounds;
    for (const FittedParameter& p : result.parameters)
        if (p.atBound)
            atBounds << ToQString(p.parameter.name);
    if (atBounds.isEmpty())
        return {};
    return QStringLiteral(
               "%1 ended at %2 bound%3 and the data do not determine every parameter: "
               "widen the bounds, vary fewer parameters or add curves")
        .arg(atBounds.join(QStringLiteral(", ")),
             atBounds.size() > 1 ? QStringLiteral("their") : QStringLiteral("its"),
             atBounds.size() > 1 ? QStringLiteral("s") : QString());
}

QString FitHeadline(const FitResult& result) {
    switch (result.status) {
        case FitStatus::Converged: {
            const QString doubt = FitDoubt(result);
            return doubt.isEmpty() ? QStringLiteral("Converged.")
                                   : QStringLiteral("Converged, but no reliable fit: ") + doubt +
                                         QStringLiteral(".");
        }
        case FitStatus::NotConverged:
            return QStringLiteral("Not converged: ") + ToQString(result.message) +
                   QStringLiteral(" The values reached are shown.");
        case FitStatus::Stopped:
            return QStringLiteral(
                       "Stopped after %1 iterations: the best values reached are "
                       "shown, without errors.")
                .arg(result.iterations);
        case FitStatus::Failed:
            return QStringLiteral("Failed: ") + ToQString(result.message);
    }
    return {};
}

void ShowFitResult(const FitResult& result, const FitResultWidgets& w, char separator) {
    w.status->setText(FitHeadline(result));
    const bool good = result.status == FitStatus::Converged && FitDoubt(result).isEmpty();
    w.status->setStyleSheet(good ? QStringLiteral("color: #006400;")
                                 : QStringLiteral("color: #b00000;"));
    if (result.status == FitStatus::Failed) {
        ClearFitResult(w);
        return;
    }
    showParameters(result, *w.parameters, separator);
    showCorrelation(result, *w.correlation, separator);
    w.summary->setText(summaryOf(result, separator));
    drawCurves(result, w);
}

void ClearFitResult(const FitResultWidgets& w) {
    w.parameters->setRowCount(0);
    w.correlation->clear();
    w.correlation->setRowCount(0);
    w.correlation->setColumnCount(0);
    w.summary->clear();
    w.curves->chart()->removeAllSeries();
    w.residuals->chart()->removeAllSeries();
}

}  // namespace ondrel
