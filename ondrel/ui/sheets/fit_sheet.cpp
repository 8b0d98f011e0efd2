#include "fit_sheet.h"

#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineSeries>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QThread>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <map>

#include "../../fit/fit_table.h"
#include "../../platform/float_text.h"
#include "../../platform/ondrel_error.h"
#include "../charts/axis_ticks.h"
#include "../qt_text.h"
#include "measured_curves.h"

namespace ondrel {

namespace {

enum ParameterColumn { kVary, kName, kValue, kLower, kUpper };

QTableWidget* table(QWidget* parent, const char* name, const QStringList& headers) {
    auto* t = new QTableWidget(0, static_cast<int>(headers.size()), parent);
    t->setObjectName(QString::fromLatin1(name));
    t->setHorizontalHeaderLabels(headers);
    t->verticalHeader()->setVisible(false);
    t->horizontalHeader()->setStretchLastSection(true);
    t->setMinimumHeight(110);
    return t;
}

QTableWidgetItem* fixed(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    return item;
}

QString number(double value, char separator) {
    return ToQString(FloatToGeneral(value, 6, separator));
}

QChartView* chartView(QWidget* parent, const char* name, const QString& title, const QString& y) {
    auto* chart = new QChart;
    chart->setTitle(title);
    chart->legend()->setVisible(false);
    chart->setMargins(QMargins(2, 2, 2, 2));
    auto* x = new QValueAxis;
    x->setTitleText(QStringLiteral("E (mV)"));
    auto* i = new QValueAxis;
    i->setTitleText(y);
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

}  // namespace

FitSheet::FitSheet(const TModel& model, ExperimentalCurves& curves, QListWidget& list,
                   Interaction& interaction, char separator, QWidget* parent)
    : QWidget(parent),
      model_(model),
      curves_(curves),
      list_(list),
      interaction_(interaction),
      separator_(separator) {
    setObjectName(QStringLiteral("FitSheet"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Measured curves (ticked in Exp. data)"), this));
    FitCurvesTable =
        table(this, "FitCurvesTable", {QStringLiteral("Curve"), QStringLiteral("Scan rate (V/s)")});
    FitCurvesTable->setMaximumHeight(100);
    layout->addWidget(FitCurvesTable);
    FitParameterTable =
        table(this, "FitParameterTable",
              {QStringLiteral("Vary"), QStringLiteral("Parameter"), QStringLiteral("Value"),
               QStringLiteral("Lower"), QStringLiteral("Upper")});
    FitParameterTable->setMinimumHeight(180);
    layout->addWidget(FitParameterTable);

    auto* buttons = new QHBoxLayout;
    auto button = [&](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        buttons->addWidget(b);
        return b;
    };
    FitButton = button("FitButton", QStringLiteral("Fit"));
    StopFitButton = button("StopFitButton", QStringLiteral("Stop"));
    AcceptFitButton = button("AcceptFitButton", QStringLiteral("Accept"));
    ReloadFitParametersButton =
        button("ReloadFitParametersButton", QStringLiteral("Values from model"));
    buttons->addStretch();
    layout->addLayout(buttons);
    FitProgressLabel = new QLabel(QStringLiteral("Ready"), this);
    FitProgressLabel->setObjectName(QStringLiteral("FitProgressLabel"));
    layout->addWidget(FitProgressLabel);

    FitResultTable =
        table(this, "FitResultTable",
              {QStringLiteral("Parameter"), QStringLiteral("Value"), QStringLiteral("Std. error"),
               QStringLiteral("Unit"), QStringLiteral("Note")});
    FitResultTable->setMaximumHeight(160);
    layout->addWidget(FitResultTable);
    FitCorrelationTable = table(this, "FitCorrelationTable", {});
    FitCorrelationTable->horizontalHeader()->setStretchLastSection(false);
    FitCorrelationTable->setMinimumHeight(80);
    FitCorrelationTable->setMaximumHeight(140);
    layout->addWidget(FitCorrelationTable);
    FitSummaryLabel = new QLabel(this);
    FitSummaryLabel->setObjectName(QStringLiteral("FitSummaryLabel"));
    FitSummaryLabel->setWordWrap(true);
    layout->addWidget(FitSummaryLabel);
    FitChart = chartView(this, "FitChart", QStringLiteral("Measured and fitted"),
                         QStringLiteral("I (\u00B5A)"));
    layout->addWidget(FitChart);
    FitResidualChart = chartView(this, "FitResidualChart", QStringLiteral("Residuals"),
                                 QStringLiteral("\u0394I (\u00B5A)"));
    FitResidualChart->setMinimumHeight(160);
    layout->addWidget(FitResidualChart);

    connect(FitButton, &QPushButton::clicked, this, &FitSheet::FitButtonClick);
    connect(StopFitButton, &QPushButton::clicked, this, &FitSheet::StopFitButtonClick);
    connect(AcceptFitButton, &QPushButton::clicked, this, &FitSheet::AcceptFitButtonClick);
    connect(ReloadFitParametersButton, &QPushButton::clicked, this, &FitSheet::ReloadParameters);
    connect(&list_, &QListWidget::itemChanged, this, &FitSheet::RefreshCurves);
    setRunning(false);
    AcceptFitButton->setEnabled(false);
    ReloadParameters();
    RefreshCurves();
}

FitSheet::~FitSheet() {
    if (worker_) {
        fit_->Stop();
        worker_->wait();
        delete worker_;
    }
}

void FitSheet::showEvent(QShowEvent* event) {
    RefreshCurves();
    QWidget::showEvent(event);
}

void FitSheet::RefreshCurves() {
    // Scan rates typed for a curve stay with it.
    std::map<QString, QString> rates;
    for (int r = 0; r < FitCurvesTable->rowCount(); ++r)
        rates[FitCurvesTable->item(r, 0)->text()] = FitCurvesTable->item(r, 1)->text();
    FitCurvesTable->setRowCount(0);
    for (int row = 0; row < list_.count() && row < curves_.count(); ++row) {
        const QListWidgetItem* item = list_.item(row);
        if (item->checkState() != Qt::Checked)
            continue;
        const int r = FitCurvesTable->rowCount();
        FitCurvesTable->insertRow(r);
        FitCurvesTable->setItem(r, 0, fixed(item->text()));
        const auto typed = rates.find(item->text());
        FitCurvesTable->setItem(
            r, 1,
            new QTableWidgetItem(typed != rates.end() ? typed->second
                                                      : number(model_.pilot.scanRate, separator_)));
    }
}

void FitSheet::ReloadParameters() {
    // A tick stays on a parameter that is still there.
    std::map<QString, bool> ticked;
    for (int r = 0; r < FitParameterTable->rowCount(); ++r)
        ticked[FitParameterTable->item(r, kName)->text()] =
            FitParameterTable->item(r, kVary)->checkState() == Qt::Checked;
    const std::vector<FitParameter> parameters = FitParameters(model_);
    FitParameterTable->setRowCount(static_cast<int>(parameters.size()));
    for (int r = 0; r < static_cast<int>(parameters.size()); ++r) {
        const FitParameter& p = parameters[static_cast<std::size_t>(r)];
        const QString name = ToQString(p.name);
        auto* vary = fixed(QString());
        vary->setFlags(vary->flags() | Qt::ItemIsUserCheckable);
        vary->setCheckState(ticked[name] ? Qt::Checked : Qt::Unchecked);
        FitParameterTable->setItem(r, kVary, vary);
        FitParameterTable->setItem(r, kName, fixed(name + "  " + ToQString(ParameterUnit(p.kind))));
        FitParameterTable->item(r, kName)->setData(Qt::UserRole, name);
        FitParameterTable->setItem(r, kValue, new QTableWidgetItem(number(p.value, separator_)));
        FitParameterTable->setItem(r, kLower, new QTableWidgetItem(number(p.lower, separator_)));
        FitParameterTable->setItem(r, kUpper, new QTableWidgetItem(number(p.upper, separator_)));
    }
    FitParameterTable->resizeColumnsToContents();
}

std::vector<MeasuredCurve> FitSheet::tickedCurves() const {
    std::vector<MeasuredCurve> measured;
    int r = 0;
    for (int row = 0; row < list_.count() && row < curves_.count(); ++row) {
        if (list_.item(row)->checkState() != Qt::Checked)
            continue;
        MeasuredCurve m;
        m.name = list_.item(row)->text().toStdString();
        if (const QLineSeries* series = curves_.seriesOfRow(row))
            for (const QPointF& p : series->points())
                m.curve.push_back({p.x(), p.y()});
        m.program = model_.pilot;
        const QString rate =
            r < FitCurvesTable->rowCount() ? FitCurvesTable->item(r, 1)->text() : QString();
        try {
            m.program.scanRate = TextToFloat(rate.toStdString(), separator_);
        } catch (const EConvertError&) {
            throw Exception(m.name + ": the scan rate '" + rate.toStdString() +
                            "' is not a number");
        }
        if (!(m.program.scanRate > 0))
            throw Exception(m.name + ": the scan rate must be above 0 V/s");
        measured.push_back(std::move(m));
        ++r;
    }
    return measured;
}

std::vector<FitParameter> FitSheet::variedParameters() const {
    std::vector<FitParameter> parameters = FitParameters(model_);
    std::vector<FitParameter> varied;
    for (int r = 0; r < FitParameterTable->rowCount(); ++r) {
        if (FitParameterTable->item(r, kVary)->checkState() != Qt::Checked)
            continue;
        const std::string name =
            FitParameterTable->item(r, kName)->data(Qt::UserRole).toString().toStdString();
        FitParameter* p = FindParameter(parameters, name);
        if (!p)
            throw Exception("The model has no parameter " + name +
                            " any more: take the values from the model again.");
        auto read = [&](int column, const char* what) {
            const std::string text = FitParameterTable->item(r, column)->text().toStdString();
            try {
                return TextToFloat(text, separator_);
            } catch (const EConvertError&) {
                throw Exception(name + ": the " + what + " '" + text + "' is not a number");
            }
        };
        p->value = read(kValue, "value");
        p->lower = read(kLower, "lower bound");
        p->upper = read(kUpper, "upper bound");
        p->vary = true;
        varied.push_back(*p);
    }
    return varied;
}

void FitSheet::FitButtonClick() {
    if (worker_)
        return;
    try {
        fit_ = std::make_unique<CurveFit>(model_, tickedCurves(), variedParameters());
    } catch (const std::exception& error) {
        interaction_.showError(ToQString(error.what()));
        return;
    }
    pending_.reset();
    FitProgressLabel->setText(QStringLiteral("Fitting..."));
    CurveFit* fit = fit_.get();
    worker_ = QThread::create([this, fit] {
        pending_ = fit->Run([this](const FitProgress& progress) {
            QMetaObject::invokeMethod(
                this, [this, progress] { showProgress(progress); }, Qt::QueuedConnection);
        });
    });
    connect(worker_, &QThread::finished, this, &FitSheet::finishFit);
    setRunning(true);
    worker_->start();
}

void FitSheet::StopFitButtonClick() {
    if (fit_ && worker_) {
        fit_->Stop();
        FitProgressLabel->setText(QStringLiteral("Stopping..."));
    }
}

void FitSheet::AcceptFitButtonClick() {
    if (!result_ || result_->status != FitStatus::Converged)
        return;
    std::vector<FitParameter> fitted;
    for (const FittedParameter& p : result_->parameters)
        fitted.push_back(p.parameter);
    emit fitAccepted(fitted);
    AcceptFitButton->setEnabled(false);
    ReloadParameters();
}

void FitSheet::showProgress(const FitProgress& progress) {
    if (!worker_)
        return;
    FitProgressLabel->setText(
        QStringLiteral("Iteration %1: residual sum %2 \u00B5A\u00B2, %3 simulations")
            .arg(progress.iteration)
            .arg(number(progress.residualSum, separator_))
            .arg(progress.simulations));
}

void FitSheet::finishFit() {
    worker_->deleteLater();
    worker_ = nullptr;
    fit_.reset();
    setRunning(false);
    if (pending_) {
        result_ = std::move(pending_);
        pending_.reset();
        showResult(*result_);
    }
    emit fitFinished();
}

void FitSheet::showResult(const FitResult& result) {
    FitProgressLabel->setText(ToQString(FitStatusText(result.status) +
                                        (result.message.empty() ? "" : ": " + result.message)));
    AcceptFitButton->setEnabled(result.status == FitStatus::Converged);
    FitResultTable->setRowCount(static_cast<int>(result.parameters.size()));
    for (int r = 0; r < static_cast<int>(result.parameters.size()); ++r) {
        const FittedParameter& p = result.parameters[static_cast<std::size_t>(r)];
        const QString note = p.lowerLimit       ? QStringLiteral("only bounded below (reversible)")
                             : p.atBound        ? QStringLiteral("at its bound")
                             : !p.standardError ? QStringLiteral("not determined")
                                                : QString();
        FitResultTable->setItem(r, 0, fixed(ToQString(p.parameter.name)));
        FitResultTable->setItem(r, 1, fixed(ToQString(FittedValueText(p))));
        FitResultTable->setItem(
            r, 2, fixed(p.standardError ? number(*p.standardError, separator_) : QString()));
        FitResultTable->setItem(r, 3, fixed(ToQString(ParameterUnit(p.parameter.kind))));
        FitResultTable->setItem(r, 4, fixed(note));
    }
    FitResultTable->resizeColumnsToContents();

    const int m = static_cast<int>(result.correlated.size());
    FitCorrelationTable->clear();
    FitCorrelationTable->setRowCount(m);
    FitCorrelationTable->setColumnCount(m);
    QStringList names;
    for (std::size_t j : result.correlated)
        names << ToQString(result.parameters[j].parameter.name);
    FitCorrelationTable->setHorizontalHeaderLabels(names);
    FitCorrelationTable->setVerticalHeaderLabels(names);
    FitCorrelationTable->verticalHeader()->setVisible(true);
    for (int a = 0; a < m; ++a)
        for (int b = 0; b < m; ++b)
            FitCorrelationTable->setItem(
                a, b,
                fixed(ToQString(FloatToGeneral(
                    result.correlation[static_cast<std::size_t>(a)][static_cast<std::size_t>(b)], 3,
                    separator_))));
    FitCorrelationTable->resizeColumnsToContents();

    QString summary =
        QStringLiteral(
            "Residual sum %1 \u00B5A\u00B2, reduced \u03C7\u00B2 %2, "
            "%3 points, %4 iterations, %5 simulations, %6 s")
            .arg(number(result.residualSum, separator_))
            .arg(result.reducedChiSquare ? number(*result.reducedChiSquare, separator_)
                                         : QStringLiteral("(no noise estimate)"))
            .arg(result.points)
            .arg(result.iterations)
            .arg(result.simulations)
            .arg(ToQString(FloatToGeneral(result.seconds, 3, separator_)));
    if (!result.covarianceProblem.empty())
        summary += QStringLiteral("\n") + ToQString(result.covarianceProblem);
    FitSummaryLabel->setText(summary);
    drawCurves(result);
}

void FitSheet::drawCurves(const FitResult& result) {
    std::vector<QLineSeries*> curves, residuals;
    for (const FittedCurve& c : result.curves) {
        auto* measured = new QLineSeries;
        auto* fitted = new QLineSeries;
        auto* residual = new QLineSeries;
        measured->setName(ToQString(c.name));
        fitted->setName(ToQString(c.name) + QStringLiteral(" (fit)"));
        // The measured curve broad and light beneath the fitted one, so that
        // both show where they lie on each other.
        measured->setPen(QPen(QColor(120, 160, 235), 4));
        fitted->setPen(QPen(QColor(200, 0, 0), 1.5));
        residual->setColor(QColor(0, 120, 0));
        for (std::size_t i = 0; i < c.measured.size(); ++i) {
            measured->append(c.measured[i].potential, c.measured[i].current);
            fitted->append(c.simulated[i].potential, c.simulated[i].current);
            residual->append(c.measured[i].potential,
                             c.measured[i].current - c.simulated[i].current);
        }
        curves.push_back(measured);
        curves.push_back(fitted);
        residuals.push_back(residual);
    }
    plot(FitChart, curves);
    plot(FitResidualChart, residuals);
}

void FitSheet::setRunning(bool running) {
    FitButton->setEnabled(!running);
    StopFitButton->setEnabled(running);
    ReloadFitParametersButton->setEnabled(!running);
    if (running)
        AcceptFitButton->setEnabled(false);
}

}  // namespace ondrel
