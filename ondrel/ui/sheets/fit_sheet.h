#pragma once

#include <QWidget>
#include <memory>
#include <optional>
#include <vector>

#include "../../fit/curve_fit.h"
#include "../../model/model.h"
#include "../interaction.h"

class QChartView;
class QLabel;
class QListWidget;
class QPushButton;
class QTableWidget;
class QThread;

namespace ondrel {

class ExperimentalCurves;

// The "Fit" sheet: the measured curves ticked in the Exp. data list, each
// with the scan rate it was recorded at; the model's parameters with a vary
// tick, value and bounds; Fit and Stop; the progress; the result with
// standard errors and correlations; the fitted curves over the measured ones
// and the residuals. The fit runs on a thread of its own.
class FitSheet final : public QWidget {
    Q_OBJECT

public:
    // model: the window's model, read when the sheet is refreshed and when
    // a fit starts; curves and list: the measured curves and their list.
    FitSheet(const TModel& model, ExperimentalCurves& curves, QListWidget& list,
             Interaction& interaction, char separator, QWidget* parent = nullptr);
    ~FitSheet() override;

    bool fitting() const { return worker_ != nullptr; }
    const std::optional<FitResult>& result() const { return result_; }

    QTableWidget *FitCurvesTable, *FitParameterTable, *FitResultTable, *FitCorrelationTable;
    QPushButton *FitButton, *StopFitButton, *AcceptFitButton, *ReloadFitParametersButton;
    QLabel *FitProgressLabel, *FitSummaryLabel;
    QChartView *FitChart, *FitResidualChart;

signals:
    // Accept: the fitted values, to be put into the model.
    void fitAccepted(const std::vector<FitParameter>& fitted);
    void fitFinished();

public slots:
    // The ticked curves and the model's parameters, keeping what was typed.
    void RefreshCurves();
    void ReloadParameters();
    void FitButtonClick();
    void StopFitButtonClick();
    void AcceptFitButtonClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::vector<MeasuredCurve> tickedCurves() const;
    std::vector<FitParameter> variedParameters() const;
    void showProgress(const FitProgress& progress);
    void finishFit();
    void showResult(const FitResult& result);
    void drawCurves(const FitResult& result);
    void setRunning(bool running);

    const TModel& model_;
    ExperimentalCurves& curves_;
    QListWidget& list_;
    Interaction& interaction_;
    const char separator_;
    std::unique_ptr<CurveFit> fit_;
    QThread* worker_ = nullptr;
    std::optional<FitResult> pending_;  // written by the worker before it ends
    std::optional<FitResult> result_;
};

}  // namespace ondrel
