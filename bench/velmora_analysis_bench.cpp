// Per-capture analysis (both transforms and the pass over the bins) against
// the two bare transform executions alone, at three window lengths; and the
// same analysis through the Hann window with the H1 estimate.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <ctime>

#include "app/command_line.h"
#include "capture/velmora_doc.h"
#include "velmora_no_devices.h"

namespace {

using namespace velmora;

using bench::NoDialogs;
using bench::NoInput;

// 48000 Hz and a window giving N samples; noise-like data on both inputs.
std::unique_ptr<CVelmoraDoc> document(int n, NoInput& input, NoDialogs& dialogs, bool average) {
    const std::string line = "48000 " + std::to_string(n / 48000.0) + " 0 0 3";
    auto doc = std::make_unique<CVelmoraDoc>(*SplitCommandLine(line), input, dialogs);
    for (int i = 0; i < doc->m_nWindowSamples; ++i) {
        doc->m_pTime[0][i] = std::fmod(i * 7919.0, 20000) - 10000;
        doc->m_pTime[1][i] = std::fmod(i * 104729.0, 20000) - 10000;
    }
    if (average)
        doc->m_dwFlags |= kFlagAverage;
    return doc;
}

void BM_Analysis(benchmark::State& state) {
    NoInput input;
    NoDialogs dialogs;
    auto doc = document(static_cast<int>(state.range(0)), input, dialogs, state.range(1) != 0);
    for (auto _ : state) {
        doc->AnalyseSpectra();
        benchmark::DoNotOptimize(doc->m_pPhase[1]);
    }
    state.counters["N"] = doc->m_nWindowSamples;
}

// Through the Hann window, with the H1 estimate and its coherence: the cost
// the measurement's options add to BM_Analysis.
void BM_AnalysisHannH1(benchmark::State& state) {
    NoInput input;
    NoDialogs dialogs;
    auto doc = document(static_cast<int>(state.range(0)), input, dialogs, state.range(1) != 0);
    doc->SetWindowFunction(WindowFunction::Hann);
    doc->SetTransferEstimate(TransferEstimate::H1);
    for (auto _ : state) {
        doc->AnalyseSpectra();
        benchmark::DoNotOptimize(doc->m_pCoherence[1]);
    }
    state.counters["N"] = doc->m_nWindowSamples;
}

void BM_BareTransforms(benchmark::State& state) {
    NoInput input;
    NoDialogs dialogs;
    auto doc = document(static_cast<int>(state.range(0)), input, dialogs, false);
    for (auto _ : state) {
        doc->m_plan.execute(doc->m_pTime[0], doc->m_pSpectrum[0]);
        doc->m_plan.execute(doc->m_pTime[1], doc->m_pSpectrum[1]);
        benchmark::DoNotOptimize(doc->m_pSpectrum[1][1]);
    }
}

// The two alternately, so that both see the same machine: the ratio of the
// analysis time to the bare transforms' time, the figure the target is on.
void BM_AnalysisOverBare(benchmark::State& state) {
    NoInput input;
    NoDialogs dialogs;
    auto doc = document(static_cast<int>(state.range(0)), input, dialogs, state.range(1) != 0);
    using Clock = std::chrono::steady_clock;
    Clock::duration analysis{}, bare{};
    for (auto _ : state) {
        const auto t0 = Clock::now();
        doc->m_plan.execute(doc->m_pTime[0], doc->m_pSpectrum[0]);
        doc->m_plan.execute(doc->m_pTime[1], doc->m_pSpectrum[1]);
        benchmark::DoNotOptimize(doc->m_pSpectrum[1][1]);
        const auto t1 = Clock::now();
        doc->AnalyseSpectra();
        benchmark::DoNotOptimize(doc->m_pPhase[1]);
        const auto t2 = Clock::now();
        bare += t1 - t0;
        analysis += t2 - t1;
    }
    state.counters["ratio"] =
        std::chrono::duration<double>(analysis) / std::chrono::duration<double>(bare);
}

// The processor time this thread has used, in seconds: on a loaded
// machine the wall clock counts the waits for a processor too.
double threadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
}

// The Hann window with H1 against the plain analysis, alternately on the
// same data, so that both see the same machine: the ratio of their
// processor times, the figure the options' target (under 2) is on.
void BM_HannH1OverAnalysis(benchmark::State& state) {
    NoInput input;
    NoDialogs dialogs;
    const int n = static_cast<int>(state.range(0));
    const bool average = state.range(1) != 0;
    auto plain = document(n, input, dialogs, average);
    auto options = document(n, input, dialogs, average);
    options->SetWindowFunction(WindowFunction::Hann);
    options->SetTransferEstimate(TransferEstimate::H1);
    double plainTime = 0, optionsTime = 0;
    for (auto _ : state) {
        const double t0 = threadSeconds();
        plain->AnalyseSpectra();
        benchmark::DoNotOptimize(plain->m_pPhase[1]);
        const double t1 = threadSeconds();
        options->AnalyseSpectra();
        benchmark::DoNotOptimize(options->m_pCoherence[1]);
        const double t2 = threadSeconds();
        plainTime += t1 - t0;
        optionsTime += t2 - t1;
    }
    state.counters["ratio"] = optionsTime / plainTime;
}

BENCHMARK(BM_BareTransforms)->Arg(4800)->Arg(48000)->Arg(480000)->Unit(benchmark::kMicrosecond);
// Second argument: averaging off (0) or on (1).
BENCHMARK(BM_Analysis)
    ->Args({4800, 0})
    ->Args({48000, 0})
    ->Args({480000, 0})
    ->Args({4800, 1})
    ->Args({48000, 1})
    ->Args({480000, 1})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AnalysisHannH1)
    ->ArgsProduct({{4800, 48000, 480000}, {0, 1}})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HannH1OverAnalysis)
    ->ArgsProduct({{4800, 48000, 480000}, {0, 1}})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AnalysisOverBare)
    ->ArgsProduct({{4800, 48000, 480000}, {0, 1}})
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
