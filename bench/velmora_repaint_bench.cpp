// The repaint after one capture in a view 1000 pixels wide, at N = 4800 and
// N = 480000 samples, in the one-channel spectrum, the two-channel scope and
// the transfer function: the long record should cost little more than the
// short one, as each device column is drawn as one span.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <random>

#include "app/command_line.h"
#include "capture/velmora_doc.h"
#include "display/plot_view.h"
#include "platform/painter_surface.h"
#include "velmora_no_devices.h"

namespace {

using namespace velmora;

using bench::NoDialogs;
using bench::NoInput;

// args: samples N, mode (0 one-channel spectrum, 1 two-channel scope,
// 3 transfer function).
void BM_Repaint(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const int mode = static_cast<int>(state.range(1));
    const int p5 = mode == 0 ? 2 : mode;
    NoInput input;
    NoDialogs dialogs;
    CVelmoraDoc doc(
        *SplitCommandLine("48000 " + std::to_string(n / 48000.0) + " 0 0 " + std::to_string(p5)),
        input, dialogs);
    // A 1 kHz tone with noise on the left, half of it delayed on the right.
    std::mt19937 random(1);
    std::normal_distribution<double> noise(0, 300);
    for (int i = 0; i < doc.m_nWindowSamples; ++i) {
        doc.m_pTime[0][i] = 12000 * std::sin(2 * M_PI * 1000 * i / 48000.0) + noise(random);
        doc.m_pTime[1][i] = 6000 * std::sin(2 * M_PI * 1000 * i / 48000.0 - 0.3) + noise(random);
    }
    doc.AnalyseSpectra();
    doc.ResetViewRanges();

    PlotView plot(doc);
    QImage canvas(1000, 600, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    const DeviceCaps caps{1000, 600, 96, 96, 24};
    for (auto _ : state) {
        QPainter painter(&canvas);
        PainterSurface surface(painter, caps, &canvas);
        plot.OnDraw(surface, 1000, 600);
        painter.end();
        benchmark::DoNotOptimize(canvas.constBits());
    }
    state.counters["samples"] = doc.m_nWindowSamples;
}
BENCHMARK(BM_Repaint)
    ->ArgsProduct({{4800, 480000}, {0, 1, 3}})
    ->ArgNames({"N", "mode"})
    ->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
