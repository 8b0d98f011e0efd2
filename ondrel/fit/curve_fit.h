#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "../curves/curve.h"
#include "../model/model.h"
#include "fit_parameters.h"

namespace ondrel {

struct FitEvaluator;

// A recorded voltammogram and the potential program it was recorded under.
struct MeasuredCurve {
    std::string name;
    Curve curve;  // mV, µA, in acquisition order
    TPilot program;
};

struct FitOptions {
    // The solver's time steps per millivolt: fine enough that the
    // discretisation error stays below the noise of a good recording.
    int stepsPerMv = 4;
    int maxIterations = 50;
    // Simulations run at once; 0 for one per core.
    unsigned threads = 0;
    // Λ = k°/√(D·F·v/RT) above which a couple is reversible at the fastest
    // scan rate and its k° only bounded from below.
    double reversibleLambda = 15;
};

// How far a fit has come, told after every iteration.
struct FitProgress {
    int iteration = 0;
    double residualSum = 0;  // µA², each curve weighted by its relative noise
    int simulations = 0;
};

enum class FitStatus { Converged, NotConverged, Stopped, Failed };

struct FittedParameter {
    FitParameter parameter;  // its value the fitted one
    double start = 0;
    // The value and its standard error as the solver fits it (log10 for
    // rate constants, D and k°); the error in the model's units to first
    // order. None when the data do not determine it.
    double fitted = 0;
    std::optional<double> fittedError;
    std::optional<double> standardError;
    // The data only bound it from below (k° of a reversible couple).
    std::optional<double> lowerLimit;
    bool atBound = false;  // the value sits on one of its bounds
};

// A measured curve's points compared with the fitted simulation.
struct FittedCurve {
    std::string name;
    Curve measured;               // the points that took part
    Curve simulated;              // at the same potentials
    std::optional<double> noise;  // µA, from the measured curve
};

struct FitResult {
    FitStatus status = FitStatus::Failed;
    std::string message;  // why it did not converge, failed or stopped
    std::vector<FittedParameter> parameters;
    // Correlations of the parameters with errors, in that order; empty when
    // the covariance could not be computed (covarianceProblem says why).
    std::vector<std::size_t> correlated;
    std::vector<std::vector<double>> correlation;
    std::string covarianceProblem;
    double residualSum = 0;  // µA²
    std::optional<double> reducedChiSquare;
    int points = 0;
    int iterations = 0;
    int simulations = 0;
    double seconds = 0;
    TModel model;  // with the fitted values
    std::vector<FittedCurve> curves;
};

// A least-squares fit of a model's simulation to measured voltammograms:
// bounded Levenberg–Marquardt over the varied parameters, derivatives by
// finite differences of the simulation, the simulations of one derivative
// run in parallel. With several curves, each weighs by the inverse of its
// own noise, so that a noisier recording counts less and the errors hold.
class CurveFit {
public:
    // Throws Exception naming what is wrong: no curves, a curve with no
    // points or none within its program's sweeps, no parameter varied, a
    // parameter's bounds (ParameterProblem), a model the solver refuses.
    CurveFit(const TModel& model, std::vector<MeasuredCurve> curves,
             std::vector<FitParameter> varied, FitOptions options = {});
    ~CurveFit();
    CurveFit(const CurveFit&) = delete;
    CurveFit& operator=(const CurveFit&) = delete;

    // Fits; progress is called on the fitting thread. Never throws for a
    // fit that fails or is stopped: the result says so.
    FitResult Run(const std::function<void(const FitProgress&)>& progress = {});
    // From any thread: the fit ends after the simulation under way.
    void Stop() { stop_ = true; }

    int points() const;

private:
    std::atomic<bool> stop_{false};
    std::unique_ptr<FitEvaluator> data_;
};

// The names of the parameters the model offers, for a message.
std::string ParameterNames(const std::vector<FitParameter>& parameters);

}  // namespace ondrel
