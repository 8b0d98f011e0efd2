// A run in the ondrel window on the offscreen platform against the same run
// of the bare engine, alternately in one process: the default model, a
// first-order follow-up of kf 1e4 and a second-order reaction of kf 1e5,
// with the live charts untracked and all tracked at the default intervals.
// BM_InterfaceStall runs a model of about ten seconds with every chart
// tracked and reports the longest time the interface thread did not answer.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <chrono>

#include "engine/cv_engine.h"
#include "files/cvn_file.h"
#include "files/file_io.h"
#include "platform/float_text.h"
#include "ui/potentiostat/potentiostat.h"
#include "ui/tform1.h"

namespace {

using namespace ondrel;

// Answers every question with No and shows nothing.
class SilentInteraction final : public Interaction {
public:
    void showMessage(const QString&) override {}
    void showError(const QString& text) override { errors << text; }
    bool askYesNo(const QString&) override { return false; }
    bool askOkCancel(const QString&) override { return false; }
    QStringList getOpenFileNames(const FileRequest&) override { return {}; }
    QString getSaveFileName(const FileRequest&) override { return {}; }
    void showAbout(bool) override {}
    void beep() override {}
    bool setUpPrinter(QPrinter&) override { return false; }
    QColor chooseColor(const QColor&) override { return {}; }
    int runDialog(QDialog&) override { return 0; }
    QStringList errors;
};

TModel followUp(double kf) {
    TModel model = DefaultModel();
    model.couples.remove(1);
    model.reactions.append({2, 0, 1, 0, kf, 0});
    return model;
}

TModel secondOrder() {
    TModel model = DefaultModel();
    model.couples.remove(1);
    model.species.append({"E4", 1, 1});
    model.reactions.append({2, 4, 1, 0, 1e5, 0});
    return model;
}

// Seconds of the whole run, engine built, and of Run alone.
std::pair<double, double> headlessSeconds(const TModel& model) {
    std::vector<CVpoint> points;
    std::atomic<bool> freeze{false};
    NullDisplay display;
    const auto start = std::chrono::steady_clock::now();
    TCVEngine engine(model, points, freeze, display);
    const auto built = std::chrono::steady_clock::now();
    engine.Run();
    const auto end = std::chrono::steady_clock::now();
    return {std::chrono::duration<double>(end - start).count(),
            std::chrono::duration<double>(end - built).count()};
}

// A window holding model, its charts tracked or not.
struct WindowRun {
    WindowRun(const TModel& model, bool tracked) : window(dialogs, {}) {
        const QString path = folder.filePath(QStringLiteral("model.CVN"));
        WriteWholeFile(path.toStdString(), WriteCvn(model, UserDecimalSeparator()));
        window.LoadModel(path);
        for (const char* name : {"ToolbarButton976", "ToolbarButton977", "ToolbarButton978"})
            window.findChild<QToolButton*>(QString::fromLatin1(name))->setChecked(tracked);
        window.show();
    }

    // Seconds from Start to the run's end, and the longest gap between two
    // ticks of a 1 ms timer on the interface thread meanwhile.
    std::pair<double, double> run() {
        QEventLoop loop;
        QObject::connect(window.Runs, &Potentiostat::runEnded, &loop, &QEventLoop::quit);
        QElapsedTimer clock, tick;
        double longestGap = 0;
        QTimer ticker;
        ticker.setInterval(1);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            longestGap = std::max(longestGap, tick.nsecsElapsed() * 1e-9);
            tick.restart();
        });
        clock.start();
        tick.start();
        ticker.start();
        window.findChild<QPushButton*>(QStringLiteral("RxRunExperiment"))->click();
        if (window.Runs->running())
            loop.exec();
        return {clock.nsecsElapsed() * 1e-9, longestGap};
    }

    QTemporaryDir folder;
    SilentInteraction dialogs;
    TForm1 window;
};

// ratio: the window's run from Start to the stored experiment against the
// headless one; engine_ratio: the engine's computing inside the window
// against the same without one, which shows what the live display costs
// the computation apart from storing and drawing the result.
void runAlternately(benchmark::State& state, const TModel& model, bool tracked) {
    WindowRun window(model, tracked);
    double windowTotal = 0, headlessTotal = 0, stall = 0, engineInWindow = 0, engineAlone = 0;
    for (auto _ : state) {
        const auto [headless, headlessRun] = headlessSeconds(model);
        headlessTotal += headless;
        engineAlone += headlessRun;
        const auto [seconds, gap] = window.run();
        windowTotal += seconds;
        engineInWindow += window.window.Runs->lastRunSeconds();
        stall = std::max(stall, gap);
    }
    state.counters["ratio"] = windowTotal / headlessTotal;
    state.counters["engine_ratio"] = engineInWindow / engineAlone;
    state.counters["window_ms"] = 1000 * windowTotal / static_cast<double>(state.iterations());
    state.counters["headless_ms"] = 1000 * headlessTotal / static_cast<double>(state.iterations());
    state.counters["stall_ms"] = 1000 * stall;
    if (!window.dialogs.errors.isEmpty())
        state.SkipWithError(window.dialogs.errors.constFirst().toStdString().c_str());
}

void BM_WindowOverHeadless_Default(benchmark::State& state) {
    runAlternately(state, DefaultModel(), state.range(0) != 0);
}
void BM_WindowOverHeadless_FollowUp(benchmark::State& state) {
    runAlternately(state, followUp(1e4), state.range(0) != 0);
}
void BM_WindowOverHeadless_SecondOrder(benchmark::State& state) {
    runAlternately(state, secondOrder(), state.range(0) != 0);
}

void BM_InterfaceStall(benchmark::State& state) {
    WindowRun window(followUp(1.5e7), true);
    double stall = 0, seconds = 0;
    for (auto _ : state) {
        const auto [s, gap] = window.run();
        seconds += s;
        stall = std::max(stall, gap);
    }
    state.counters["run_s"] = seconds / static_cast<double>(state.iterations());
    state.counters["stall_ms"] = 1000 * stall;
}

BENCHMARK(BM_WindowOverHeadless_Default)
    ->ArgName("tracked")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2);
BENCHMARK(BM_WindowOverHeadless_FollowUp)
    ->ArgName("tracked")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2);
BENCHMARK(BM_WindowOverHeadless_SecondOrder)
    ->ArgName("tracked")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2);
BENCHMARK(BM_InterfaceStall)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
