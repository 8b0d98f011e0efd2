#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "../../fit/curve_fit.h"
#include "../../model/model.h"
#include "../interaction.h"
#include "fit_result_view.h"

class QChartView;
class QLabel;
class QListWidget;
class QPushButton;
class QTableWidget;
class QThread;

namespace ondrel {

class ExperimentalCurves;
class FitCurveRows;
class FitParameterRows;

// The "Fit" sheet: the measured curves ticked in the Exp. data list, each
// with the scan rate it was recorded at; the model's parameters with a vary
// tick, start value and bounds, following the model; Fit and Stop; the
// progress; the result with standard errors and correlations; the fitted
// curves over the measured ones and the residuals. The fit runs on a thread
// of its own.
class FitSheet final : public QWidget {
    Q_OBJECT

public:
    // What the window does for the sheet.
    struct Hooks {
        // Brings the model up to what the window shows (the program's boxes,
        // the editors' pending changes), as a run does; false after saying
        // why it cannot.
        std::function<bool()> prepare;
        // Puts a program's potentials into the model and the Program sheet.
        std::function<void(const TPilot&)> takeProgram;
    };

    // model: the window's model, read when the sheet follows it and when a
    // fit starts; curves and list: the measured curves and their list.
    FitSheet(const TModel& model, ExperimentalCurves& curves, QListWidget& list,
             Interaction& interaction, char separator, Hooks hooks = {}, QWidget* parent = nullptr);
    ~FitSheet() override;

    bool fitting() const { return worker_ != nullptr; }
    const std::optional<FitResult>& result() const { return result_; }
    FitCurveRows& curveRows() { return *curveRows_; }

    QTableWidget *FitCurvesTable, *FitParameterTable, *FitResultTable, *FitCorrelationTable;
    QPushButton *FitButton, *StopFitButton, *AcceptFitButton, *ReloadFitParametersButton;
    QLabel *FitCurvesLabel, *FitProgressLabel, *FitSummaryLabel;
    QChartView *FitChart, *FitResidualChart;

signals:
    // Accept: the fitted values, to be put into the model.
    void fitAccepted(const std::vector<FitParameter>& fitted);
    void fitFinished();

public slots:
    // The ticked curves, keeping what was typed.
    void RefreshCurves();
    // The parameters as the model has them now (see FitParameterRows).
    void FollowModel();
    // "Values from model": every start value from the model.
    void ReloadParameters();
    void FitButtonClick();
    void StopFitButtonClick();
    void AcceptFitButtonClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildTables();
    void buildButtons();
    void buildResult();
    std::vector<MeasuredCurve> measuredCurves();
    void matchProgram(std::vector<MeasuredCurve>& measured);
    void showProgress(const FitProgress& progress);
    void finishFit();
    void setRunning(bool running);
    void updateAccept();
    void showCurvesHelp();

    const TModel& model_;
    ExperimentalCurves& curves_;
    QListWidget& list_;
    Interaction& interaction_;
    const char separator_;
    const Hooks hooks_;
    FitCurveRows* curveRows_ = nullptr;
    std::unique_ptr<FitParameterRows> parameterRows_;
    FitResultWidgets resultWidgets_{};
    std::unique_ptr<CurveFit> fit_;
    QThread* worker_ = nullptr;
    std::optional<FitResult> pending_;  // written by the worker before it ends
    std::optional<FitResult> result_;
    bool accepted_ = false;  // the result's values are in the model
    // The parameters of the model the last fit started from: Accept waits
    // for a model that still has them.
    std::vector<FitParameter> fittedFrom_;
};

}  // namespace ondrel
