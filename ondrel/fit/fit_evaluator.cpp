#include "fit_evaluator.h"

#include <algorithm>
#include <cmath>
#include <thread>

#include "../platform/float_text.h"
#include "sweep_simulation.h"

namespace ondrel {

namespace {

double unsignedStep(ParameterKind kind, double fitted) {
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

std::string text(double value) {
    return FloatToGeneral(value, 4, '.');
}

}  // namespace

double DifferenceStep(const FitParameter& parameter, double fitted) {
    const double h = unsignedStep(parameter.kind, fitted);
    return fitted + h > ToFitted(parameter.kind, parameter.upper) ? -h : h;
}

void ParallelFor(std::size_t count, unsigned threads,
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

TModel FitEvaluator::modelAt(const std::vector<double>& x) const {
    TModel m = model;
    for (std::size_t j = 0; j < varied.size(); ++j)
        SetParameterValue(m, varied[j], FromFitted(varied[j].kind, x[j]));
    return m;
}

void FitEvaluator::noteError(const std::string& message) {
    const std::lock_guard lock(errorMutex);
    if (error.empty())
        error = message;
}

bool FitEvaluator::simulate(const std::vector<std::vector<double>>& xs,
                            std::vector<std::vector<std::vector<SweepSamples>>>& sweeps) {
    const std::size_t nCurves = curves.size();
    sweeps.assign(xs.size(), std::vector<std::vector<SweepSamples>>(nCurves));
    std::atomic<bool> failed{false};
    ParallelFor(xs.size() * nCurves, threads, [&](std::size_t task) {
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

bool FitEvaluator::residualsOf(const std::vector<std::vector<SweepSamples>>& sweeps, double* out) {
    std::size_t i = 0;
    for (std::size_t c = 0; c < curves.size(); ++c)
        for (const Target& t : targets[c]) {
            const std::optional<double> I =
                t.sweep < sweeps[c].size() ? InterpolateCurrent(sweeps[c][t.sweep], t.potential)
                                           : std::nullopt;
            if (!I || !std::isfinite(*I)) {
                noteError(curves[c].name + ": the simulation does not reach " + text(t.potential) +
                          " mV");
                return false;
            }
            out[i++] = (*I - t.current) * weights[c];
        }
    return true;
}

bool FitEvaluator::evaluate(const std::vector<double>& x, double* residuals,
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
        const double h = DifferenceStep(varied[j], x[j]);
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

std::string FitEvaluator::placeTargets(const std::vector<std::vector<SweepSamples>>& sweeps) {
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
        if (const std::optional<double> sigma = HighFrequencyNoise(c.curve); sigma && *sigma > 0)
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

}  // namespace ondrel
