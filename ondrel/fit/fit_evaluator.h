#pragma once

// The fit's model function: the simulations of the model at a point of the
// varied parameters, compared with the measured points, and the Jacobian
// by finite differences of the simulation.

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "curve_fit.h"
#include "sweeps.h"

namespace ondrel {

// The finite-difference step of a parameter as the solver sees it: a
// thousandth of a decade, of α, a tenth of a millivolt; a thousandth of the
// value (or of a typical one) for the linear ones. Negative (a backward
// difference) where the forward one would pass the upper bound.
double DifferenceStep(const FitParameter& parameter, double fitted);

// Runs body(0..count-1) on up to `threads` threads; body is called with
// each index once.
void ParallelFor(std::size_t count, unsigned threads, const std::function<void(std::size_t)>& body);

// A measured point compared with the simulation: its sweep and potential.
struct Target {
    std::size_t sweep;
    double potential;  // mV
    double current;    // µA
};

struct FitEvaluator {
    TModel model;
    std::vector<MeasuredCurve> curves;
    std::vector<FitParameter> varied;
    FitOptions options;
    unsigned threads = 1;
    const std::atomic<bool>* stop = nullptr;

    std::vector<std::vector<Target>> targets;  // per curve
    std::size_t nResiduals = 0;
    // Each curve's residuals are multiplied by its weight (see placeTargets).
    std::vector<double> weights;  // per curve
    std::atomic<int> simulations{0};

    // The last evaluation, which the solver often asks for again (the
    // accepted step's Jacobian, the covariance).
    std::vector<double> cachedAt;
    std::vector<double> cachedResiduals;
    std::vector<std::vector<double>> cachedColumns;  // empty where not computed

    std::mutex errorMutex;
    std::string error;
    bool stopped = false;

    // The model with the varied parameters at x (as the solver sees them).
    TModel modelAt(const std::vector<double>& x) const;
    void noteError(const std::string& message);

    // The simulations of the models at every x, for every curve, in
    // parallel; each curve's sweeps into sweeps[x][curve]. False when one
    // failed (error says why) or the fit was stopped.
    bool simulate(const std::vector<std::vector<double>>& xs,
                  std::vector<std::vector<std::vector<SweepSamples>>>& sweeps);

    // Simulated minus measured currents at the targets, each curve's times
    // its weight.
    bool residualsOf(const std::vector<std::vector<SweepSamples>>& sweeps, double* out);

    // Residuals at x and, where columns[j] is not null, the Jacobian's
    // column j by a finite difference (see DifferenceStep).
    bool evaluate(const std::vector<double>& x, double* residuals,
                  const std::vector<double*>& columns);

    // Lays the measured points onto the sweeps of their programs and sets
    // the curves' weights; empty when they fit, else what is wrong.
    std::string placeTargets(const std::vector<std::vector<SweepSamples>>& sweeps);
};

}  // namespace ondrel
