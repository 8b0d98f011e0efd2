// The fit of simulated voltammograms to recordings: one couple's E°, k° and
// α from one curve (target under 5 s), an EC mechanism's kf from four scan
// rates (under 30 s), and the recovery statistics over twenty noise seeds.
//
// Run: build/release/bench/ondrel_fit_bench
#include <benchmark/benchmark.h>

#include <cmath>
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

// Twenty seeds of the one-couple recovery: the largest errors, the number
// of fits whose ±2σ holds the true value, per parameter, the range of the
// reduced χ².
void BM_RecoveryOverTwentySeeds(benchmark::State& state) {
    const TModel truth = FitCoupleModel(0, 0.01, 0.5);
    double worstE0 = 0, worstLogK0 = 0, worstAlpha = 0, chiLow = 1e300, chiHigh = 0;
    int coveredE0 = 0, coveredK0 = 0, coveredAlpha = 0, converged = 0;
    // The scatter of the fitted log10 k° against the errors the fits gave.
    double sumK0 = 0, sumK0Squares = 0, sumK0Errors = 0;
    int fits = 0;
    for (auto _ : state) {
        for (unsigned seed = 101; seed < 121; ++seed) {
            const FitResult result = fitCouple(truth, seed, static_cast<int>(state.range(0)));
            converged += result.status == FitStatus::Converged;
            const FittedParameter& E0 = named(result, "E0(1)");
            const FittedParameter& k0 = named(result, "k0(1)");
            const FittedParameter& alpha = named(result, "alpha(1)");
            const double dE0 = std::fabs(E0.parameter.value);
            const double dk0 = std::fabs(k0.fitted + 2);
            const double dAlpha = std::fabs(alpha.parameter.value - 0.5);
            worstE0 = std::max(worstE0, dE0 * 1000);
            worstLogK0 = std::max(worstLogK0, dk0);
            worstAlpha = std::max(worstAlpha, dAlpha);
            if (result.reducedChiSquare) {
                chiLow = std::min(chiLow, *result.reducedChiSquare);
                chiHigh = std::max(chiHigh, *result.reducedChiSquare);
            }
            ++fits;
            sumK0 += k0.fitted + 2;
            sumK0Squares += (k0.fitted + 2) * (k0.fitted + 2);
            sumK0Errors += k0.fittedError.value_or(0);
            coveredE0 += E0.fittedError && dE0 < 2 * *E0.fittedError;
            coveredK0 += k0.fittedError && dk0 < 2 * *k0.fittedError;
            coveredAlpha += alpha.fittedError && dAlpha < 2 * *alpha.fittedError;
        }
    }
    state.counters["converged"] = converged;
    const double meanK0 = sumK0 / fits;
    state.counters["log10k0_scatter"] =
        std::sqrt((sumK0Squares - fits * meanK0 * meanK0) / (fits - 1));
    state.counters["log10k0_mean_error"] = sumK0Errors / fits;
    state.counters["max_dE0_mV"] = worstE0;
    state.counters["max_dlog10k0"] = worstLogK0;
    state.counters["max_dalpha"] = worstAlpha;
    state.counters["chi2_min"] = chiLow;
    state.counters["chi2_max"] = chiHigh;
    state.counters["E0_within_2sigma"] = coveredE0;
    state.counters["k0_within_2sigma"] = coveredK0;
    state.counters["alpha_within_2sigma"] = coveredAlpha;
}
BENCHMARK(BM_RecoveryOverTwentySeeds)->Unit(benchmark::kSecond)->Iterations(1)->Arg(4)->Arg(8);

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

}  // namespace

BENCHMARK_MAIN();
