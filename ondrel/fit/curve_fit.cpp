#include "curve_fit.h"

#include <ceres/ceres.h>
#include <glog/logging.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <mutex>
#include <thread>

#include "../platform/float_text.h"
#include "sweep_simulation.h"

namespace ondrel {

namespace {

constexpr double kFaraday = 96485.33212;  // C/mol
constexpr double kGas = 8.314462618;      // J/(mol K)

// The finite-difference step of a parameter as the solver sees it: a
// thousandth of a decade, of α, a tenth of a millivolt; a thousandth of the
// value (or of a typical one) for the linear ones.
double differenceStep(ParameterKind kind, double fitted) {
    switch (kind) {
        case ParameterKind::E0:
            return 1e-4;
        case ParameterKind::C:
            return 1e-3 * std::max(std::fabs(fitted), 1e-3);
        case ParameterKind::Ru:
            return 1e-3 * std::max(std::fabs(fitted), 1.0);
        case ParameterKind::Cdl:
            return 1e-3 * std::max(std::fabs(fitted), 0.1);
        default:
            return 1e-3;
    }
}

// Runs body(0..count-1) on up to `threads` threads; body is called with each
// index once.
void parallelFor(std::size_t count, unsigned threads,
                 const std::function<void(std::size_t)>& body) {
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        for (std::size_t i; (i = next.fetch_add(1)) < count;)
            body(i);
    };
    const unsigned n = static_cast<unsigned>(std::min<std::size_t>(threads, count));
    std::vector<std::thread> pool;
    for (unsigned t = 1; t < n; ++t)
        pool.emplace_back(work);
    work();
    for (std::thread& thread : pool)
        thread.join();
}

std::string text(double value) {
    return FloatToGeneral(value, 4, '.');
}

}  // namespace

// A measured point compared with the simulation: its sweep and potential.
struct Target {
    std::size_t sweep;
    double potential;  // mV
    double current;    // µA
};

struct CurveFit::Data {
    TModel model;
    std::vector<MeasuredCurve> curves;
    std::vector<FitParameter> varied;
    FitOptions options;
    unsigned threads = 1;
    const std::atomic<bool>* stop = nullptr;

    std::vector<std::vector<Target>> targets;  // per curve
    std::size_t nResiduals = 0;
    // Each curve's residuals weigh by the inverse of its noise (relative to
    // the curves' mean noise), so that recordings of different noise, as at
    // different scan rates, count as their precision says and the errors
    // hold; all 1 when a curve has no noise estimate.
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

    TModel modelAt(const std::vector<double>& x) const {
        TModel m = model;
        for (std::size_t j = 0; j < varied.size(); ++j)
            SetParameterValue(m, varied[j], FromFitted(varied[j].kind, x[j]));
        return m;
    }

    void noteError(const std::string& message) {
        const std::lock_guard lock(errorMutex);
        if (error.empty())
            error = message;
    }

    // The simulations of the models at every x, for every curve, in
    // parallel; each curve's sweeps into sweeps[x][curve]. False when one
    // failed or the fit was stopped.
    bool simulate(const std::vector<std::vector<double>>& xs,
                  std::vector<std::vector<std::vector<SweepSamples>>>& sweeps) {
        const std::size_t nCurves = curves.size();
        sweeps.assign(xs.size(), std::vector<std::vector<SweepSamples>>(nCurves));
        std::atomic<bool> failed{false};
        parallelFor(xs.size() * nCurves, threads, [&](std::size_t task) {
            if (failed || stop->load())
                return;
            const std::size_t m = task / nCurves, c = task % nCurves;
            try {
                sweeps[m][c] = SimulateSweeps(WithProgram(modelAt(xs[m]), curves[c].program),
                                              options.stepsPerMv, *stop);
                ++simulations;
            } catch (const FitStoppedException&) {
                failed = true;
            } catch (const std::exception& e) {
                noteError(e.what());
                failed = true;
            }
        });
        if (stop->load()) {
            stopped = true;
            return false;
        }
        return !failed;
    }

    // Simulated minus measured currents at the targets.
    bool residualsOf(const std::vector<std::vector<SweepSamples>>& sweeps, double* out) {
        std::size_t i = 0;
        for (std::size_t c = 0; c < curves.size(); ++c)
            for (const Target& t : targets[c]) {
                const std::optional<double> I =
                    t.sweep < sweeps[c].size() ? InterpolateCurrent(sweeps[c][t.sweep], t.potential)
                                               : std::nullopt;
                if (!I || !std::isfinite(*I)) {
                    noteError(curves[c].name + ": the simulation does not reach " +
                              text(t.potential) + " mV");
                    return false;
                }
                out[i++] = (*I - t.current) * weights[c];
            }
        return true;
    }

    // Residuals at x and, where columns[j] is not null, the Jacobian's
    // column j by a forward difference (backward at the upper bound).
    bool evaluate(const std::vector<double>& x, double* residuals,
                  const std::vector<double*>& columns) {
        if (stop->load()) {
            stopped = true;
            return false;
        }
        const bool cached = x == cachedAt && !cachedResiduals.empty();
        std::vector<std::vector<double>> xs;
        std::vector<std::size_t> columnOf;  // xs index -> column
        std::vector<double> steps(x.size(), 0);
        if (!cached) {
            xs.push_back(x);
            columnOf.push_back(x.size());
        }
        for (std::size_t j = 0; j < x.size(); ++j) {
            if (!columns[j] || (cached && !cachedColumns[j].empty()))
                continue;
            double h = differenceStep(varied[j].kind, x[j]);
            if (x[j] + h > ToFitted(varied[j].kind, varied[j].upper))
                h = -h;
            steps[j] = h;
            std::vector<double> shifted = x;
            shifted[j] += h;
            xs.push_back(std::move(shifted));
            columnOf.push_back(j);
        }
        std::vector<std::vector<std::vector<SweepSamples>>> sweeps;
        if (!xs.empty() && !simulate(xs, sweeps))
            return false;
        if (!cached) {
            cachedAt = x;
            cachedResiduals.assign(nResiduals, 0);
            cachedColumns.assign(x.size(), {});
            if (!residualsOf(sweeps[0], cachedResiduals.data())) {
                cachedResiduals.clear();
                return false;
            }
        }
        for (std::size_t m = 0; m < xs.size(); ++m) {
            const std::size_t j = columnOf[m];
            if (j == x.size())
                continue;
            std::vector<double> r(nResiduals);
            if (!residualsOf(sweeps[m], r.data()))
                return false;
            for (std::size_t i = 0; i < nResiduals; ++i)
                r[i] = (r[i] - cachedResiduals[i]) / steps[j];
            cachedColumns[j] = std::move(r);
        }
        if (residuals)
            std::copy(cachedResiduals.begin(), cachedResiduals.end(), residuals);
        for (std::size_t j = 0; j < x.size(); ++j)
            if (columns[j])
                std::copy(cachedColumns[j].begin(), cachedColumns[j].end(), columns[j]);
        return true;
    }

    // Lays the measured points onto the sweeps of their programs; empty
    // when they fit, else what is wrong.
    std::string placeTargets(const std::vector<std::vector<SweepSamples>>& sweeps) {
        targets.assign(curves.size(), {});
        nResiduals = 0;
        for (std::size_t c = 0; c < curves.size(); ++c) {
            const Curve& curve = curves[c].curve;
            const std::vector<SweepRange> ranges = SplitSweeps(curve);
            if (ranges.size() > sweeps[c].size())
                return curves[c].name + ": its " + std::to_string(ranges.size()) +
                       " sweeps are more than the " + std::to_string(sweeps[c].size()) +
                       " of its potential program";
            for (std::size_t s = 0; s < ranges.size(); ++s) {
                if (ranges[s].direction != 0 && ranges[s].direction != sweeps[c][s].direction)
                    return curves[c].name + ": its sweep " + std::to_string(s + 1) +
                           " runs the other way than its potential program's";
                for (std::size_t i = ranges[s].begin; i < ranges[s].end; ++i)
                    if (InterpolateCurrent(sweeps[c][s], curve[i].potential))
                        targets[c].push_back({s, curve[i].potential, curve[i].current});
            }
            if (targets[c].empty())
                return curves[c].name + ": none of its points lies within its potential program";
            nResiduals += targets[c].size();
        }
        std::vector<double> noise;
        for (const MeasuredCurve& c : curves)
            if (const std::optional<double> sigma = HighFrequencyNoise(c.curve);
                sigma && *sigma > 0)
                noise.push_back(*sigma);
        weights.assign(curves.size(), 1.0);
        if (noise.size() == curves.size()) {
            double squares = 0;
            for (double sigma : noise)
                squares += sigma * sigma;
            const double mean = std::sqrt(squares / static_cast<double>(noise.size()));
            for (std::size_t c = 0; c < curves.size(); ++c)
                weights[c] = mean / noise[c];
        }
        if (nResiduals <= varied.size())
            return "There are fewer measured points (" + std::to_string(nResiduals) +
                   ") than parameters to fit.";
        return {};
    }
};

namespace {

class SimulationCost final : public ceres::CostFunction {
public:
    explicit SimulationCost(CurveFit::Data& data) : data_(data) {
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
    CurveFit::Data& data_;
};

class ProgressCallback final : public ceres::IterationCallback {
public:
    ProgressCallback(const std::function<void(const FitProgress&)>& progress,
                     const CurveFit::Data& data, const std::atomic<bool>& stop)
        : progress_(progress), data_(data), stop_(stop) {}

    ceres::CallbackReturnType operator()(const ceres::IterationSummary& summary) override {
        iterations_ = summary.iteration;
        if (progress_)
            progress_({summary.iteration, 2 * summary.cost, data_.simulations.load()});
        return stop_ ? ceres::SOLVER_ABORT : ceres::SOLVER_CONTINUE;
    }
    int iterations() const { return iterations_; }

private:
    const std::function<void(const FitProgress&)>& progress_;
    const CurveFit::Data& data_;
    const std::atomic<bool>& stop_;
    int iterations_ = 0;
};

void quietSolverLog() {
    static std::once_flag once;
    // The solver's own log would go to standard error; the result says
    // what it has to say.
    std::call_once(once, [] { FLAGS_minloglevel = google::GLOG_FATAL; });
}

}  // namespace

CurveFit::CurveFit(const TModel& model, std::vector<MeasuredCurve> curves,
                   std::vector<FitParameter> varied, FitOptions options)
    : data_(std::make_unique<Data>()) {
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
    Data& d = *data_;
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
    quietSolverLog();
    const auto started = std::chrono::steady_clock::now();
    Data& d = *data_;
    FitResult result;
    const std::size_t n = d.varied.size();
    std::vector<double> x(n);
    for (std::size_t j = 0; j < n; ++j)
        x[j] = ToFitted(d.varied[j].kind, d.varied[j].value);
    auto finish = [&](FitStatus status, std::string message) {
        result.status = status;
        result.message = std::move(message);
        result.model = d.modelAt(x);
        result.simulations = d.simulations.load();
        result.points = static_cast<int>(d.nResiduals);
        for (std::size_t j = 0; j < n; ++j) {
            FittedParameter p;
            p.parameter = d.varied[j];
            p.start = d.varied[j].value;
            p.fitted = x[j];
            p.parameter.value = FromFitted(p.parameter.kind, x[j]);
            result.parameters.push_back(p);
        }
        result.seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        return result;
    };

    // The starting simulations lay the measured points onto the sweeps.
    std::vector<std::vector<std::vector<SweepSamples>>> start;
    if (!d.simulate({x}, start))
        return d.stopped ? finish(FitStatus::Stopped, "The fit was stopped.")
                         : finish(FitStatus::Failed, d.error);
    if (std::string problem = d.placeTargets(start[0]); !problem.empty())
        return finish(FitStatus::Failed, problem);

    ceres::Problem problem;
    std::vector<double*> blocks;
    for (double& value : x)
        blocks.push_back(&value);
    problem.AddResidualBlock(new SimulationCost(d), nullptr, blocks);
    for (std::size_t j = 0; j < n; ++j) {
        problem.SetParameterLowerBound(blocks[j], 0, ToFitted(d.varied[j].kind, d.varied[j].lower));
        problem.SetParameterUpperBound(blocks[j], 0, ToFitted(d.varied[j].kind, d.varied[j].upper));
    }
    ProgressCallback callback(progress, d, stop_);
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
    result.iterations = callback.iterations();

    if (d.stopped || summary.termination_type == ceres::USER_FAILURE)
        return finish(FitStatus::Stopped, "The fit was stopped.");
    if (summary.termination_type == ceres::FAILURE)
        return finish(FitStatus::Failed, d.error.empty() ? summary.message : d.error);

    // The residuals and the Jacobian at the solution.
    std::vector<double> r(d.nResiduals);
    std::vector<std::vector<double>> J(n, std::vector<double>(d.nResiduals));
    std::vector<double*> columns;
    for (auto& column : J)
        columns.push_back(column.data());
    if (!d.evaluate(x, r.data(), columns))
        return d.stopped ? finish(FitStatus::Stopped, "The fit was stopped.")
                         : finish(FitStatus::Failed, d.error);
    // The weighted sum sets the errors; the plain one is reported.
    double weightedSum = 0;
    for (double value : r)
        weightedSum += value * value;
    {
        std::size_t k = 0;
        for (std::size_t c = 0; c < d.curves.size(); ++c)
            for (std::size_t t = 0; t < d.targets[c].size(); ++t, ++k)
                r[k] /= d.weights[c];
    }
    double ssr = 0;
    for (double value : r)
        ssr += value * value;
    finish(summary.termination_type == ceres::CONVERGENCE ? FitStatus::Converged
                                                          : FitStatus::NotConverged,
           summary.termination_type == ceres::CONVERGENCE
               ? std::string()
               : "No convergence within " + std::to_string(d.options.maxIterations) +
                     " iterations: " + summary.message);
    result.residualSum = ssr;

    // The curves at the solution, and the noise of each recording.
    std::size_t i = 0;
    double weighted = 0;
    bool allNoise = true;
    for (std::size_t c = 0; c < d.curves.size(); ++c) {
        FittedCurve curve;
        curve.name = d.curves[c].name;
        curve.noise = HighFrequencyNoise(d.curves[c].curve);
        double sum = 0;
        for (const Target& t : d.targets[c]) {
            curve.measured.push_back({t.potential, t.current});
            curve.simulated.push_back({t.potential, t.current + r[i]});
            sum += r[i] * r[i];
            ++i;
        }
        if (curve.noise && *curve.noise > 0)
            weighted += sum / (*curve.noise * *curve.noise);
        else
            allNoise = false;
        result.curves.push_back(std::move(curve));
    }

    // Parameters the data cannot determine are held for the covariance: a
    // k° whose couple is reversible at the fastest scan rate, and one whose
    // change moves no point.
    double fastest = 0;
    for (const MeasuredCurve& c : d.curves)
        fastest = std::max(fastest, std::fabs(c.program.scanRate));
    const double FRT = kFaraday / (kGas * result.model.temperature);
    double largestColumn = 0;
    for (const auto& column : J)
        for (double value : column)
            largestColumn = std::max(largestColumn, std::fabs(value));
    std::vector<bool> held(n, false);
    std::vector<double> reversibleK0(n, 0);
    for (std::size_t j = 0; j < n; ++j) {
        FittedParameter& p = result.parameters[j];
        const double lo = ToFitted(p.parameter.kind, p.parameter.lower);
        const double hi = ToFitted(p.parameter.kind, p.parameter.upper);
        p.atBound = std::fabs(x[j] - lo) <= 1e-9 * (1 + std::fabs(lo)) ||
                    std::fabs(x[j] - hi) <= 1e-9 * (1 + std::fabs(hi));
        double norm = 0;
        for (double value : J[j])
            norm = std::max(norm, std::fabs(value));
        if (!(norm > 1e-12 * largestColumn))
            held[j] = true;
        if (p.parameter.kind == ParameterKind::K0) {
            const TRedox& couple = result.model.couples[p.parameter.index];
            const double Dox = result.model.species[couple.ox].D;
            const double Dred = result.model.species[couple.red].D;
            const double D = (Dox > 0 && Dred > 0 ? std::sqrt(Dox * Dred) : std::max(Dox, Dred)) *
                             result.model.diffusionScale;
            reversibleK0[j] = d.options.reversibleLambda * std::sqrt(D * FRT * fastest);
            if (p.parameter.value > reversibleK0[j]) {
                p.lowerLimit = reversibleK0[j];
                held[j] = true;
            }
        }
    }

    std::vector<std::size_t> free;
    for (std::size_t j = 0; j < n; ++j) {
        if (held[j])
            problem.SetParameterBlockConstant(blocks[j]);
        else
            free.push_back(j);
    }
    const double dof = static_cast<double>(d.nResiduals) - static_cast<double>(free.size());
    if (allNoise && dof > 0)
        result.reducedChiSquare = weighted / dof;
    if (free.empty()) {
        result.covarianceProblem = "No parameter is determined by the data.";
        return result;
    }
    ceres::Covariance::Options covarianceOptions;
    covarianceOptions.algorithm_type = ceres::DENSE_SVD;
    covarianceOptions.null_space_rank = 0;
    covarianceOptions.num_threads = 1;
    ceres::Covariance covariance(covarianceOptions);
    std::vector<std::pair<const double*, const double*>> pairs;
    std::vector<const double*> freeBlocks;
    for (std::size_t a = 0; a < free.size(); ++a) {
        freeBlocks.push_back(blocks[free[a]]);
        for (std::size_t b = a; b < free.size(); ++b)
            pairs.emplace_back(blocks[free[a]], blocks[free[b]]);
    }
    std::vector<double> C(free.size() * free.size());
    if (!covariance.Compute(pairs, &problem) ||
        !covariance.GetCovarianceMatrix(freeBlocks, C.data())) {
        result.covarianceProblem = d.stopped ? "The fit was stopped."
                                             : "The Jacobian is rank-deficient: the data do not "
                                               "determine the varied parameters together.";
        return result;
    }
    const double s2 = weightedSum / dof;
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
        // A k° whose 2σ interval reaches the reversible limit is bounded
        // from below only: by that limit or the interval's lower end.
        if (p.parameter.kind == ParameterKind::K0 &&
            p.parameter.value * std::pow(10.0, 2 * error) > reversibleK0[free[a]]) {
            p.lowerLimit =
                std::min(reversibleK0[free[a]], p.parameter.value * std::pow(10.0, -2 * error));
            p.fittedError.reset();
            p.standardError.reset();
        }
    }
    return result;
}

std::string ParameterNames(const std::vector<FitParameter>& parameters) {
    std::string names;
    for (const FitParameter& p : parameters)
        names += (names.empty() ? "" : " ") + p.name;
    return names;
}

}  // namespace ondrel
