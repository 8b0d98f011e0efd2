// Computing the largest output blocks against a bare loop of as many
// std::sin values.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

#include "generator/synthesis.h"

namespace {

using namespace velmora;

std::unique_ptr<std::int16_t[]> buffer(new std::int16_t[kOutputCapacity]);
GeneratorRandom random;

// waveform, frequency, rate
void BM_Block(benchmark::State& state) {
    const int waveform = static_cast<int>(state.range(0));
    int samples = 0;
    for (auto _ : state) {
        double frequency = static_cast<double>(state.range(1)) / 100;
        samples =
            Synthesize(waveform, frequency, static_cast<int>(state.range(2)), buffer.get(), random)
                .samples;
        benchmark::DoNotOptimize(buffer[samples - 1]);
    }
    state.counters["samples"] = samples;
}

void BM_BareSin(benchmark::State& state) {
    const int samples = static_cast<int>(state.range(0));
    for (auto _ : state) {
        for (int n = 0; n < samples; ++n)
            buffer[n] = static_cast<std::int16_t>(32767.0 * std::sin(0.0571 * n));
        benchmark::DoNotOptimize(buffer[samples - 1]);
    }
}

// The sweep at 44100 Hz and 18.75 Hz fills nearly all 1,500,000 samples.
BENCHMARK(BM_Block)->Args({kWaveformSweep, 1875, 44100})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareSin)->Arg(1'499'999)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Block)->Args({kWaveformSine, 44000, 48000})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareSin)->Arg(480'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Block)->Args({kWaveformNoise, 44000, 48000})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Block)->Args({kWaveformHeldNoise, 44000, 48000})->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
