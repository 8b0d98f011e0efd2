// The fit of simulated voltammograms to recordings: one couple's E°, k° and
// α from one curve (target under 5 s), an EC mechanism's kf from four scan
// rates (under 30 s), the recovery statistics over a hundred noise seeds, and
// a couple's E° and k° with the cell's Ru and Cdl.
//
// Run: build/release/bench/ondrel_fit_bench
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "../ondrel/tests/fit_cases.h"
#include "fit/curve_fit.h"

namespace {

using namespace ondrel;

const FittedParameter& named(const FitResult& result, const std::string& name) {
    for (const FittedParameter& p : result.parameters)
        if (p.parameter.name == name)
            return p;
    std::abort();
}

FitResult fitCouple(const TModel& truth, unsigned seed, int stepsPerMv, double noise = 0.01) {
    const MeasuredCurve recording = SimulatedRecording(truth, noise, seed);
    FitOptions options;
    options.stepsPerMv = stepsPerMv;
    CurveFit fit(truth, {recording},
                 {Varied(truth, "E0(1)", 0.03), Varied(truth, "k0(1)", 0.1),
                  Varied(truth, "alpha(1)", 0.35)},
                 options);
    return fit.Run();
}

void BM_OneCoupleThreeParameters(benchmark::State& state) {
    const TModel truth = FitCoupleModel(0, 0.01, 0.5);
    const MeasuredCurve recording = SimulatedRecording(truth, 0.01, 1);
    FitResult result;
    for (auto _ : state) {
        CurveFit fit(truth, {recording},
                     {Varied(truth, "E0(1)", 0.03), Varied(truth, "k0(1)", 0.1),
                      Varied(truth, "alpha(1)", 0.35)});
        result = fit.Run();
    }
    state.counters["simulations"] = result.simulations;
    state.counters["iterations"] = result.iterations;
    state.counters["converged"] = result.status == FitStatus::Converged;
}
BENCHMARK(BM_OneCoupleThreeParameters)->Unit(benchmark::kSecond)->Iterations(1);

// kf of Ox -> P after a fast couple, from 0.02, 0.1, 0.5 and 2 V/s at once,
// started a factor of three off.
void BM_EcFourScanRates(benchmark::State& state) {
    std::vector<MeasuredCurve> recordings;
    unsigned seed = 1;
    for (const double v : {0.02, 0.1, 0.5, 2.0})
        recordings.push_back(SimulatedRecording(FitEcModel(1, 10, v), 0.01, seed++));
    const TModel start = FitEcModel(1, 10, 0.1);
    FitResult result;
    for (auto _ : state) {
        CurveFit fit(start, recordings, {Varied(start, "E0(1)", 0.01), Varied(start, "kf(1)", 30)});
        result = fit.Run();
    }
    const FittedParameter& kf = named(result, "kf(1)");
    state.counters["kf"] = kf.parameter.value;
    state.counters["kf_error"] = kf.standardError.value_or(-1);
    state.counters["simulations"] = result.simulations;
    state.counters["converged"] = result.status == FitStatus::Converged;
}
BENCHMARK(BM_EcFourScanRates)->Unit(benchmark::kSecond)->Iterations(1);

// The same from one scan rate alone (0.02, 0.1, 0.5 or 2 V/s by the
// argument): kf and its error as each determines them.
void BM_EcOneScanRate(benchmark::State& state) {
    const double v =
        std::vector<double>{0.02, 0.1, 0.5, 2.0}[static_cast<std::size_t>(state.range(0))];
    const MeasuredCurve recording = SimulatedRecording(FitEcModel(1, 10, v), 0.01, 7);
    const TModel start = FitEcModel(1, 10, v);
    FitResult result;
    for (auto _ : state) {
        CurveFit fit(start, {recording},
                     {Varied(start, "E0(1)", 0.01), Varied(start, "kf(1)", 30)});
        result = fit.Run();
    }
    const FittedParameter& kf = named(result, "kf(1)");
    state.counters["kf"] = kf.parameter.value;
    state.counters["kf_error"] = kf.standardError.value_or(-1);
    state.counters["converged"] = result.status == FitStatus::Converged;
}
BENCHMARK(BM_EcOneScanRate)->Unit(benchmark::kSecond)->Iterations(1)->DenseRange(0, 3);

// The one-couple recovery over noise seeds 101, 102, ... (the second
// argument: how many): the largest errors, how many fits' ±2σ hold the true
// value per parameter, over all seeds and in the worst set of twenty, the
// scatter of the estimates over the mean error the fits gave (1 when the
// errors are honest), the range of the reduced χ². A coverage of 95 % leaves
// 17 of 20 in about one set of twenty in sixteen, per parameter: a hundred
// seeds tell an honest error from one too small, twenty do not.
void BM_RecoveryOverSeeds(benchmark::State& state) {
    const TModel truth = FitCoupleModel(0, 0.01, 0.5);
    const int seeds = static_cast<int>(state.range(1));
    struct Estimates {
        const char* name;
        double truth;
        std::vector<double> deviations, errors;  // as fitted (log10 for k°)
    };
    Estimates estimates[] = {{"E0", 0, {}, {}}, {"k0", -2, {}, {}}, {"alpha", 0.5, {}, {}}};
    double chiLow = 1e300, chiHigh = 0;
    int converged = 0;
    for (auto _ : state) {
        for (int s = 0; s < seeds; ++s) {
            const FitResult result =
                fitCouple(truth, 101 + static_cast<unsigned>(s), static_cast<int>(state.range(0)));
            converged += result.status == FitStatus::Converged;
            const char* names[] = {"E0(1)", "k0(1)", "alpha(1)"};
            for (int j = 0; j < 3; ++j) {
                const FittedParameter& p = named(result, names[j]);
                estimates[j].deviations.push_back(p.fitted - estimates[j].truth);
                // A fit without an error covers nothing.
                estimates[j].errors.push_back(p.fittedError.value_or(0));
            }
            if (result.reducedChiSquare) {
                chiLow = std::min(chiLow, *result.reducedChiSquare);
                chiHigh = std::max(chiHigh, *result.reducedChiSquare);
            }
        }
    }
    state.counters["seeds"] = seeds;
    state.counters["converged"] = converged;
    state.counters["chi2_min"] = chiLow;
    state.counters["chi2_max"] = chiHigh;
    for (const Estimates& e : estimates) {
        const std::string name = e.name;
        const std::size_t n = e.deviations.size();
        double worst = 0, mean = 0, squares = 0, errorSquares = 0;
        int covered = 0, worstTwenty = 20;
        for (std::size_t i = 0; i < n; ++i) {
            worst = std::max(worst, std::fabs(e.deviations[i]));
            mean += e.deviations[i] / static_cast<double>(n);
            errorSquares += e.errors[i] * e.errors[i] / static_cast<double>(n);
            covered += std::fabs(e.deviations[i]) < 2 * e.errors[i];
        }
        for (double d : e.deviations)
            squares += (d - mean) * (d - mean);
        for (std::size_t first = 0; first + 20 <= n; first += 20) {
            int inSet = 0;
            for (std::size_t i = first; i < first + 20; ++i)
                inSet += std::fabs(e.deviations[i]) < 2 * e.errors[i];
            worstTwenty = std::min(worstTwenty, inSet);
        }
        if (name == "E0")
            state.counters["max_dE0_mV"] = worst * 1000;
        else
            state.counters["max_d" + name] = worst;
        state.counters[name + "_within_2sigma"] = covered;
        state.counters[name + "_within_2sigma_worst20"] = worstTwenty;
        state.counters[name + "_scatter_over_error"] =
            std::sqrt(squares / static_cast<double>(n - 1)) / std::sqrt(errorSquares);
    }
}
BENCHMARK(BM_RecoveryOverSeeds)
    ->Unit(benchmark::kSecond)
    ->Iterations(1)
    ->Args({4, 100})
    ->Args({8, 20});

// The bias of the fit's own grid: noiseless data from the finer grid.
void BM_GridBias(benchmark::State& state) {
    const TModel truth = FitCoupleModel(0, 0.01, 0.5);
    FitResult result;
    for (auto _ : state)
        result = fitCouple(truth, 1, static_cast<int>(state.range(0)), 0);
    state.counters["dE0_uV"] = named(result, "E0(1)").parameter.value * 1e6;
    state.counters["dlog10k0"] = named(result, "k0(1)").fitted + 2;
    state.counters["dalpha"] = named(result, "alpha(1)").parameter.value - 0.5;
}
BENCHMARK(BM_GridBias)->Unit(benchmark::kSecond)->Iterations(1)->Arg(4)->Arg(8);

// E°, k°, Ru and Cdl from a curve recorded through 100 ohm with 20 µF/cm²:
// each value, its error and how many errors it lies from the truth.
void BM_CellRecovery(benchmark::State& state) {
    FitResult result;
    for (auto _ : state)
        result = FitCellParameters(3);
    const std::pair<const char*, double> truths[] = {
        {"E0(1)", 0}, {"k0(1)", 0.01}, {"Ru", 100}, {"Cdl", 20}};
    for (const auto& [name, value] : truths) {
        const FittedParameter& p = named(result, name);
        state.counters[name] = p.parameter.value;
        state.counters[std::string(name) + "_error"] = p.standardError.value_or(-1);
        state.counters[std::string(name) + "_sigmas_off"] =
            p.fittedError ? std::fabs(p.fitted - ToFitted(p.parameter.kind, value)) / *p.fittedError
                          : -1;
    }
    state.counters["simulations"] = result.simulations;
    state.counters["converged"] = result.status == FitStatus::Converged;
}
BENCHMARK(BM_CellRecovery)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
