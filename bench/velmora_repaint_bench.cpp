// The repaint after one capture in a view 1000 pixels wide, at N = 4800 and
// N = 480000 samples, in the one-channel spectrum, the two-channel scope and
// the transfer function: the long record should cost little more than the
// short one, as each device column is drawn as one span. BM_CaptureToCanvas
// times what follows a capture, analysis and repaint, in every mode.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <chrono>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "app/command_line.h"
#include "capture/velmora_doc.h"
#include "display/plot_view.h"
#include "ui/painter_surface.h"
#include "velmora_no_devices.h"

namespace {

using namespace velmora;

using bench::NoDialogs;
using bench::NoInput;

// A document at 48000 Hz with N samples after one capture of a 1 kHz tone
// with noise on the left and half of it, delayed, on the right. mode: 0
// one-channel spectrum, 1 two-channel scope, 3 transfer function.
std::unique_ptr<CVelmoraDoc> captured(int n, int mode, NoInput& input, NoDialogs& dialogs) {
    const int p5 = mode == 0 ? 2 : mode;
    auto doc = std::make_unique<CVelmoraDoc>(
        *SplitCommandLine("48000 " + std::to_string(n / 48000.0) + " 0 0 " + std::to_string(p5)),
        input, dialogs);
    std::mt19937 random(1);
    std::normal_distribution<double> noise(0, 300);
    for (int i = 0; i < doc->m_nWindowSamples; ++i) {
        doc->m_pTime[0][i] = 12000 * std::sin(2 * M_PI * 1000 * i / 48000.0) + noise(random);
        doc->m_pTime[1][i] = 6000 * std::sin(2 * M_PI * 1000 * i / 48000.0 - 0.3) + noise(random);
    }
    doc->AnalyseSpectra();
    doc->ResetViewRanges();
    return doc;
}

// One repaint onto a window's canvas, 1000 x 600 pixels at 96 dpi.
class Window {
public:
    explicit Window(CVelmoraDoc& doc) : plot_(doc), canvas_(1000, 600, QImage::Format_RGB32) {
        canvas_.fill(Qt::white);
    }
    void repaint() {
        QPainter painter(&canvas_);
        PainterSurface surface(painter, {1000, 600, 96, 96, 24}, &canvas_);
        plot_.OnDraw(surface, 1000, 600);
        painter.end();
        benchmark::DoNotOptimize(canvas_.constBits());
    }

private:
    PlotView plot_;
    QImage canvas_;
};

// args: samples N, mode.
void BM_Repaint(benchmark::State& state) {
    NoInput input;
    NoDialogs dialogs;
    auto doc = captured(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), input,
                        dialogs);
    Window window(*doc);
    for (auto _ : state)
        window.repaint();
    state.counters["samples"] = doc->m_nWindowSamples;
}
BENCHMARK(BM_Repaint)
    ->ArgsProduct({{4800, 480000}, {0, 1, 3}})
    ->ArgNames({"N", "mode"})
    ->Unit(benchmark::kMicrosecond);

// From the end of a capture to the repainted canvas: the conversion of the
// recorded frames, both transforms and the bin loop, then the repaint, in
// each display mode (0 one-channel scope, 1 two-channel scope, 2 spectrum,
// 3 transfer function).
void BM_CaptureToCanvas(benchmark::State& state) {
    NoInput input;
    NoDialogs dialogs;
    const int n = static_cast<int>(state.range(0));
    const int p5 = static_cast<int>(state.range(1));
    auto doc = std::make_unique<CVelmoraDoc>(
        *SplitCommandLine("48000 " + std::to_string(n / 48000.0) + " 0 0 " + std::to_string(p5)),
        input, dialogs);
    std::mt19937 random(1);
    std::normal_distribution<double> noise(0, 300);
    std::vector<std::int16_t> frames(2 * static_cast<std::size_t>(doc->m_nCaptureFrames));
    for (int i = 0; i < doc->m_nCaptureFrames; ++i) {
        frames[2 * i] = static_cast<std::int16_t>(12000 * std::sin(2 * M_PI * 1000 * i / 48000.0) +
                                                  noise(random));
        frames[2 * i + 1] = static_cast<std::int16_t>(
            6000 * std::sin(2 * M_PI * 1000 * i / 48000.0 - 0.3) + noise(random));
    }
    doc->AnalyseSpectra();
    doc->ResetViewRanges();
    Window window(*doc);
    window.repaint();
    for (auto _ : state) {
        // What a capture does once its frames are in: convert, analyse.
        const std::int16_t* frame = frames.data();
        for (int i = 0; i < doc->m_nWindowSamples; ++i, frame += 2) {
            doc->m_pTime[0][i] = frame[0];
            doc->m_pTime[1][i] = frame[1];
        }
        doc->AnalyseSpectra();
        window.repaint();
    }
    state.counters["samples"] = doc->m_nWindowSamples;
}
BENCHMARK(BM_CaptureToCanvas)
    ->ArgsProduct({{4800, 480000}, {0, 1, 2, 3}})
    ->ArgNames({"N", "mode"})
    ->Unit(benchmark::kMillisecond);

// The two lengths alternately, so that both see the same machine: the
// ratio of the 480000-sample repaint to the 4800-sample one.
void BM_LongOverShort(benchmark::State& state) {
    NoInput input;
    NoDialogs dialogs;
    const int mode = static_cast<int>(state.range(0));
    auto shortDoc = captured(4800, mode, input, dialogs);
    auto longDoc = captured(480000, mode, input, dialogs);
    Window shortWindow(*shortDoc), longWindow(*longDoc);
    using Clock = std::chrono::steady_clock;
    Clock::duration shortTime{}, longTime{};
    for (auto _ : state) {
        const auto t0 = Clock::now();
        shortWindow.repaint();
        const auto t1 = Clock::now();
        longWindow.repaint();
        const auto t2 = Clock::now();
        shortTime += t1 - t0;
        longTime += t2 - t1;
    }
    state.counters["ratio"] =
        std::chrono::duration<double>(longTime) / std::chrono::duration<double>(shortTime);
}
BENCHMARK(BM_LongOverShort)->ArgName("mode")->Arg(0)->Arg(1)->Arg(3)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
