// Duty cycle of the acquisition: 100 consecutive captures of 0.1 s at
// 48000 Hz from the default input (a PulseAudio null sink under
// scripts/bench), and the share of the wall time spent recording.
#include <benchmark/benchmark.h>

#include <chrono>

#include "app/command_line.h"
#include "capture/velmora_doc.h"
#include "platform/portaudio_wave_input.h"

namespace {

using namespace velmora;

class SilentDialogs final : public Interaction {
public:
    void MessageBox(const std::string& text) override { failure = text; }
    void EditNumber(const std::string&, double&) override {}
    std::string failure;
};

void BM_CaptureDutyCycle(benchmark::State& state) {
    PortAudioWaveInput input;
    SilentDialogs dialogs;
    CVelmoraDoc doc(*SplitCommandLine("48000 0.1"), input, dialogs);
    doc.ToggleAcquisition();  // the first capture opens the stream
    constexpr int kCaptures = 100;
    double recorded = 0, wall = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < kCaptures; ++i)
            doc.CaptureOnce();
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        recorded += kCaptures * doc.m_dTimeWindow;
    }
    doc.ToggleAcquisition();
    if (!dialogs.failure.empty())
        state.SkipWithError(dialogs.failure.c_str());
    state.counters["duty_cycle"] = recorded / wall;
    state.counters["gap_ms"] = (wall - recorded) / (kCaptures * state.iterations()) * 1000;
}
BENCHMARK(BM_CaptureDutyCycle)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
