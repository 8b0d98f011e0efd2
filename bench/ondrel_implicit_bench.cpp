// The implicit solver on fast follow-up chemistry: a 1 V sweep and back at
// 0.1 V/s, Red - e -> Ox then Ox -> P with kf from 10^3 to 10^11 s^-1. The
// classic engine's step count for the same model is reported beside it:
// beyond about 10^5 s^-1 it cannot run in reasonable time.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cmath>
#include <vector>

#include "engine/cv_engine.h"
#include "engine/implicit_engine.h"

namespace {

using namespace ondrel;

TModel followUp(double kf) {
    TModel model;
    model.species.append({"Ox", 1, 0});
    model.species.append({"Red", 1, 1});
    model.species.append({"P", 1, 0});
    model.couples.append({1, 2, 0.0, 1.0, 0.5});
    model.reactions.append({1, 0, 3, 0, kf, 0});
    model.pilot.Einitial = -0.5;
    model.pilot.Eswitch1 = 0.5;
    model.pilot.Eswitch2 = -0.5;
    model.pilot.Efinal = -0.5;
    model.pilot.scanRate = 0.1;
    model.pilot.halfCycles = 2;
    return model;
}

void BM_ImplicitFollowUp(benchmark::State& state) {
    const double kf = std::pow(10.0, static_cast<double>(state.range(0)));
    const TModel model = followUp(kf);
    std::atomic<bool> freeze{false};
    NullDisplay display;
    std::int64_t steps = 0;
    int nodes = 0;
    for (auto _ : state) {
        std::vector<CVpoint> points;
        TImplicitEngine engine(model, points, freeze, display);
        engine.Run();
        steps = engine.nSteps();
        nodes = engine.nNodes();
        benchmark::DoNotOptimize(points.data());
    }
    std::vector<CVpoint> unused;
    const TCVEngine classic(model, unused, freeze, display);
    state.counters["implicit_steps"] = static_cast<double>(steps);
    state.counters["nodes"] = nodes;
    state.counters["classic_steps"] = static_cast<double>(classic.nSteps());
}
BENCHMARK(BM_ImplicitFollowUp)->DenseRange(3, 11, 2)->Unit(benchmark::kMillisecond)->Iterations(3);

// The classic engine where it can run: the same model at 10^3 s^-1.
void BM_ClassicFollowUp(benchmark::State& state) {
    const TModel model = followUp(1e3);
    std::atomic<bool> freeze{false};
    NullDisplay display;
    for (auto _ : state) {
        std::vector<CVpoint> points;
        TCVEngine engine(model, points, freeze, display);
        engine.Run();
        benchmark::DoNotOptimize(points.data());
        state.counters["classic_steps"] = static_cast<double>(engine.nSteps());
    }
}
BENCHMARK(BM_ClassicFollowUp)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
