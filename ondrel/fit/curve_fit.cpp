#include "curve_fit.h"

#include <ceres/ceres.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

#include "../platform/ondrel_error.h"
#include "fit_errors.h"
#include "fit_evaluator.h"

namespace ondrel {

namespace {

class SimulationCost final : public ceres::CostFunction {
public:
    explicit SimulationCost(FitEvaluator& data) : data_(data) {
        set_num_residuals(static_cast<int>(data.nResiduals));
        for (std::size_t j = 0; j < data.varied.size(); ++j)
            mutable_parameter_block_sizes()->push_back(1);
    }

    bool Evaluate(double const* const* parameters, double* residuals,
                  double** jacobians) const override {
        const std::size_t n = data_.varied.size();
        std::vector<double> x(n);
        std::vector<double*> columns(n, nullptr);
        for (std::size_t j = 0; j < n; ++j) {
            x[j] = parameters[j][0];
            if (jacobians)
                columns[j] = jacobians[j];
        }
        return data_.evaluate(x, residuals, columns);
    }

private:
    FitEvaluator& data_;
};

class ProgressCallback final : public ceres::IterationCallback {
public:
    ProgressCallback(const std::function<void(const FitProgress&)>& progress,
                     const FitEvaluator& data, const std::atomic<bool>& stop)
        : progress_(progress), data_(data), stop_(stop) {}

    ceres::CallbackReturnType operator()(const ceres::IterationSummary& summary) override {
        iterations_ = summary.iteration;
        // The solver's cost is half the sum of squares.
        if (progress_)
            progress_({summary.iteration, 2 * summary.cost, data_.simulations.load()});
        return stop_ ? ceres::SOLVER_ABORT : ceres::SOLVER_CONTINUE;
    }
    int iterations() const { return iterations_; }

private:
    const std::function<void(const FitProgress&)>& progress_;
    const FitEvaluator& data_;
    const std::atomic<bool>& stop_;
    int iterations_ = 0;
};

// What the solver ended with.
struct SolverOutcome {
    ceres::TerminationType termination = ceres::FAILURE;
    std::string message;
    int iterations = 0;
};

// Bounded Levenberg–Marquardt from x, which it leaves at the solution.
SolverOutcome solve(FitEvaluator& d, std::vector<double>& x,
                    const std::function<void(const FitProgress&)>& progress,
                    const std::atomic<bool>& stop) {
    ceres::Problem problem;
    std::vector<double*> blocks;
    for (double& value : x)
        blocks.push_back(&value);
    problem.AddResidualBlock(new SimulationCost(d), nullptr, blocks);
    for (std::size_t j = 0; j < x.size(); ++j) {
        problem.SetParameterLowerBound(blocks[j], 0, ToFitted(d.varied[j].kind, d.varied[j].lower));
        problem.SetParameterUpperBound(blocks[j], 0, ToFitted(d.varied[j].kind, d.varied[j].upper));
    }
    ProgressCallback callback(progress, d, stop);
    ceres::Solver::Options options;
    options.trust_region_strategy_type = ceres::LEVENBERG_MARQUARDT;
    options.linear_solver_type = ceres::DENSE_QR;
    options.max_num_iterations = d.options.maxIterations;
    options.function_tolerance = 1e-8;
    options.parameter_tolerance = 1e-7;
    options.num_threads = 1;
    options.logging_type = ceres::SILENT;
    options.callbacks.push_back(&callback);
    ceres::Solver::Summary summary;
    ceres::Solve(options, &problem, &summary);
    return {summary.termination_type, summary.message, callback.iterations()};
}

// The result's parameters at x, with their starts and bounds.
void putParameters(const FitEvaluator& d, const std::vector<double>& x, FitResult& result) {
    result.model = d.modelAt(x);
    result.parameters.clear();
    for (std::size_t j = 0; j < d.varied.size(); ++j) {
        FittedParameter p;
        p.parameter = d.varied[j];
        p.start = d.varied[j].value;
        p.fitted = x[j];
        p.parameter.value = FromFitted(p.parameter.kind, x[j]);
        const double lo = ToFitted(p.parameter.kind, p.parameter.lower);
        const double hi = ToFitted(p.parameter.kind, p.parameter.upper);
        p.atBound = std::fabs(x[j] - lo) <= 1e-9 * (1 + std::fabs(lo)) ||
                    std::fabs(x[j] - hi) <= 1e-9 * (1 + std::fabs(hi));
        result.parameters.push_back(p);
    }
}

// The measured and simulated curves at the solution from the weighted
// residuals r; the plain residual sum and the reduced χ² from each
// recording's noise.
void putCurves(const FitEvaluator& d, const std::vector<double>& r, std::size_t free,
               FitResult& result) {
    std::size_t i = 0;
    double plain = 0, weighted = 0;
    bool allNoise = true;
    for (std::size_t c = 0; c < d.curves.size(); ++c) {
        FittedCurve curve;
        curve.name = d.curves[c].name;
        curve.noise = HighFrequencyNoise(d.curves[c].curve);
        double sum = 0;
        for (const Target& t : d.targets[c]) {
            const double difference = r[i++] / d.weights[c];
            curve.measured.push_back({t.potential, t.current});
            curve.simulated.push_back({t.potential, t.current + difference});
            sum += difference * difference;
        }
        plain += sum;
        if (curve.noise && *curve.noise > 0)
            weighted += sum / (*curve.noise * *curve.noise);
        else
            allNoise = false;
        result.curves.push_back(std::move(curve));
    }
    result.residualSum = plain;
    const double dof = static_cast<double>(d.nResiduals) - static_cast<double>(free);
    if (allNoise && dof > 0)
        result.reducedChiSquare = weighted / dof;
}

// The parameters the data cannot determine, held for the covariance: a k°
// whose couple is reversible at the fastest scan rate, one that moves no
// point. The reversible limits per parameter (0 for others) into limits.
std::vector<bool> heldParameters(const FitEvaluator& d, const std::vector<std::vector<double>>& J,
                                 FitResult& result, std::vector<double>& limits) {
    double fastest = 0;
    for (const MeasuredCurve& c : d.curves)
        fastest = std::max(fastest, std::fabs(c.program.scanRate));
    std::vector<bool> held = MovesNoPoint(J);
    limits.assign(J.size(), 0);
    for (std::size_t j = 0; j < J.size(); ++j) {
        FittedParameter& p = result.parameters[j];
        if (p.parameter.kind != ParameterKind::K0)
            continue;
        limits[j] =
            ReversibleK0(result.model, p.parameter.index, fastest, d.options.reversibleLambda);
        if (p.parameter.value > limits[j]) {
            p.lowerLimit = limits[j];
            held[j] = true;
        }
    }
    return held;
}

// The standard errors and correlations of the parameters the data
// determine, from the Jacobian J and the weighted residual sum at the
// solution. Returns how many parameters the data determine.
std::size_t putErrors(const FitEvaluator& d, const std::vector<std::vector<double>>& J,
                      double weightedSum, FitResult& result) {
    std::vector<double> limits;
    const std::vector<bool> held = heldParameters(d, J, result, limits);
    std::vector<std::size_t> free;
    std::vector<std::vector<double>> columns;
    for (std::size_t j = 0; j < J.size(); ++j)
        if (!held[j]) {
            free.push_back(j);
            columns.push_back(J[j]);
        }
    if (free.empty()) {
        result.covarianceProblem = "No parameter is determined by the data.";
        return 0;
    }
    const JacobianCovariance covariance = CovarianceOf(columns);
    if (covariance.rankDeficient()) {
        result.covarianceProblem = "The Jacobian is rank-deficient (reciprocal condition number " +
                                   std::to_string(covariance.reciprocalCondition) +
                                   "): the data do not determine the varied parameters together.";
        return free.size();
    }
    const std::vector<double>& C = covariance.matrix;
    const double s2 = weightedSum / (static_cast<double>(d.nResiduals) - free.size());
    const std::size_t m = free.size();
    result.correlated = free;
    result.correlation.assign(m, std::vector<double>(m));
    for (std::size_t a = 0; a < m; ++a) {
        FittedParameter& p = result.parameters[free[a]];
        const double error = std::sqrt(C[a * m + a] * s2);
        p.fittedError = error;
        p.standardError =
            FittedInLog10(p.parameter.kind) ? p.parameter.value * std::log(10.0) * error : error;
        for (std::size_t b = 0; b < m; ++b)
            result.correlation[a][b] = C[a * m + b] / std::sqrt(C[a * m + a] * C[b * m + b]);
        if (p.parameter.kind == ParameterKind::K0)
            if (const auto limit = K0LowerLimit(p.parameter.value, error, limits[free[a]])) {
                p.lowerLimit = limit;
                p.fittedError.reset();
                p.standardError.reset();
            }
    }
    return free.size();
}

}  // namespace

CurveFit::CurveFit(const TModel& model, std::vector<MeasuredCurve> curves,
                   std::vector<FitParameter> varied, FitOptions options)
    : data_(std::make_unique<FitEvaluator>()) {
    if (curves.empty())
        throw Exception("No measured curve to fit.");
    for (const MeasuredCurve& c : curves)
        if (c.curve.empty())
            throw Exception(c.name + ": no measured points to fit.");
    if (varied.empty())
        throw Exception("No parameter to vary: choose at least one.");
    std::vector<FitParameter> offered = FitParameters(model);
    for (std::size_t j = 0; j < varied.size(); ++j) {
        const FitParameter* known = FindParameter(offered, varied[j].name);
        if (!known || known->kind != varied[j].kind || known->index != varied[j].index)
            throw Exception("The model has no parameter " + varied[j].name + " (it has " +
                            ParameterNames(offered) + ").");
        for (std::size_t k = 0; k < j; ++k)
            if (varied[k].name == varied[j].name)
                throw Exception(varied[j].name + " is named twice.");
        if (const std::string problem = ParameterProblem(varied[j]); !problem.empty())
            throw Exception(problem);
    }
    if (options.stepsPerMv < 1 || options.maxIterations < 1)
        throw Exception("The fit needs at least one step per millivolt and one iteration.");
    FitEvaluator& d = *data_;
    d.model = model;
    for (const FitParameter& p : varied)
        SetParameterValue(d.model, p, p.value);
    d.curves = std::move(curves);
    d.varied = std::move(varied);
    d.options = options;
    d.threads =
        options.threads ? options.threads : std::max(1u, std::thread::hardware_concurrency());
    d.stop = &stop_;
}

CurveFit::~CurveFit() = default;

int CurveFit::points() const {
    return static_cast<int>(data_->nResiduals);
}

FitResult CurveFit::Run(const std::function<void(const FitProgress&)>& progress) {
    const auto started = std::chrono::steady_clock::now();
    FitEvaluator& d = *data_;
    FitResult result;
    std::vector<double> x;
    for (const FitParameter& p : d.varied)
        x.push_back(ToFitted(p.kind, p.value));
    auto finish = [&](FitStatus status, std::string message) {
        result.status = status;
        result.message = std::move(message);
        if (result.parameters.empty())
            putParameters(d, x, result);
        result.simulations = d.simulations.load();
        result.points = static_cast<int>(d.nResiduals);
        result.seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        return result;
    };
    auto failed = [&] {
        return d.stopped ? finish(FitStatus::Stopped, "The fit was stopped.")
                         : finish(FitStatus::Failed, d.error);
    };

    // The starting simulations lay the measured points onto the sweeps.
    std::vector<std::vector<std::vector<SweepSamples>>> start;
    if (!d.simulate({x}, start))
        return failed();
    if (std::string problem = d.placeTargets(start[0]); !problem.empty())
        return finish(FitStatus::Failed, problem);

    const SolverOutcome outcome = solve(d, x, progress, stop_);
    result.iterations = outcome.iterations;
    if (d.stopped || outcome.termination == ceres::USER_FAILURE)
        return finish(FitStatus::Stopped, "The fit was stopped.");
    if (outcome.termination == ceres::FAILURE)
        return finish(FitStatus::Failed, d.error.empty() ? outcome.message : d.error);

    // The residuals and the Jacobian at the solution.
    std::vector<double> r(d.nResiduals);
    std::vector<std::vector<double>> J(x.size(), std::vector<double>(d.nResiduals));
    std::vector<double*> columns;
    for (auto& column : J)
        columns.push_back(column.data());
    if (!d.evaluate(x, r.data(), columns))
        return failed();
    double weightedSum = 0;
    for (double value : r)
        weightedSum += value * value;
    putParameters(d, x, result);
    const std::size_t free = putErrors(d, J, weightedSum, result);
    putCurves(d, r, free, result);
    const bool converged = outcome.termination == ceres::CONVERGENCE;
    return finish(converged ? FitStatus::Converged : FitStatus::NotConverged,
                  converged ? std::string()
                            : "No convergence within " + std::to_string(d.options.maxIterations) +
                                  " iterations: " + outcome.message);
}

std::string ParameterNames(const std::vector<FitParameter>& parameters) {
    std::string names;
    for (const FitParameter& p : parameters)
        names += (names.empty() ? "" : " ") + p.name;
    return names;
}

}  // namespace ondrel
