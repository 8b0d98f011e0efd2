// The implicit solver beside the classic engine. BM_Solvers runs both on the
// same models: the default model (three species, two couples, no
// reaction), EC with kf 10^3 and 10^9 s^-1 (a 1 V sweep and back at 0.1 V/s;
// the classic engine cannot run 10^9: it would take 2·10^9 steps), and
// twelve species with six couples and five reactions, one of them of second
// order. BM_Cell times the implicit solver without and with an
// uncompensated resistance and a double-layer capacitance.
// BM_ImplicitFollowUp times the implicit solver on the EC model from
// kf 10^3 to 10^11 s^-1, with the classic engine's step count beside it.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cmath>
#include <string>
#include <vector>

#include "../ondrel/tests/sample_models.h"
#include "engine/cv_engine.h"
#include "engine/implicit_engine.h"

namespace {

using namespace ondrel;

// Red - e -> Ox, then Ox -> P.
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

TModel tableModel(int which) {
    switch (which) {
        case 0:
            return DefaultModel();
        case 1:
            return followUp(1e3);
        case 2:
            return followUp(1e9);
        default:
            return TwelveSpeciesModel();
    }
}
const char* const kTableNames[] = {"default", "EC_kf1e3", "EC_kf1e9", "12_species"};

// range(0): the model; range(1): 0 classic, 1 implicit.
void BM_Solvers(benchmark::State& state) {
    TModel model = tableModel(static_cast<int>(state.range(0)));
    model.solver = state.range(1) == 1 ? Solver::Implicit : Solver::Classic;
    state.SetLabel(std::string(kTableNames[state.range(0)]) +
                   (model.solver == Solver::Implicit ? " implicit" : " classic"));
    std::atomic<bool> freeze{false};
    NullDisplay display;
    RunFigures figures;
    for (auto _ : state) {
        std::vector<CVpoint> points;
        const std::unique_ptr<CVSimulation> engine = MakeSimulation(model, points, freeze, display);
        engine->Run();
        figures = engine->figures();
        benchmark::DoNotOptimize(points.data());
    }
    state.counters["steps"] = static_cast<double>(figures.nSteps);
    state.counters["nodes"] = figures.nBoxes;
}
BENCHMARK(BM_Solvers)
    ->Args({0, 0})
    ->Args({0, 1})
    ->Args({1, 0})
    ->Args({1, 1})
    ->Args({2, 1})
    ->Args({3, 1})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0);

// Times the implicit solver on the model.
void runImplicit(benchmark::State& state, const TModel& model) {
    std::atomic<bool> freeze{false};
    NullDisplay display;
    for (auto _ : state) {
        std::vector<CVpoint> points;
        TImplicitEngine engine(model, points, freeze, display);
        engine.Run();
        benchmark::DoNotOptimize(points.data());
    }
}

// A reversible couple at 0.1 V/s on a 3 mm disc (0.0707 cm²), without and
// with an uncompensated resistance and a double-layer capacitance of
// 20 µF/cm²: range(0) 0 without, 1 with 100 ohm (τ = 141 µs, resolved in
// parts of the steps after each turn), 2 with 10 kohm (a drop of more
// than 100 mV at the peaks).
void BM_Cell(benchmark::State& state) {
    TModel model = followUp(1e3);
    model.reactions.clear();
    model.couples[1].k0 = 1e4;
    model.area = 0.0707;
    model.solver = Solver::Implicit;
    const double resistance[] = {0, 100, 1e4};
    if (state.range(0) > 0)
        model.pilot = {-0.5, 0.5, -0.5, -0.5, 0.1, 2, {}, 0, 1, 1, 20, resistance[state.range(0)]};
    state.SetLabel(state.range(0) == 0   ? "without Ru and Cdl"
                   : state.range(0) == 1 ? "Ru 100 ohm, Cdl 20 uF/cm2"
                                         : "Ru 10 kohm, Cdl 20 uF/cm2");
    runImplicit(state, model);
}
BENCHMARK(BM_Cell)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// Second-order chemistry over a 1 V sweep and back at 0.1 V/s
// (range(0)): 0, catalysis by a substrate, Red - e -> Ox, Ox + Z -> Red + P
// with kf 10^3, Z ten times in excess; 1, ECE with disproportionation,
// A + e <=> B, B -> C (10/s), C + e <=> D 200 mV easier, B + C -> A + D
// (10^4).
TModel secondOrder(int which) {
    TModel model;
    if (which == 0) {
        model = followUp(0);
        model.reactions.clear();
        model.species.append({"Z", 1, 10});
        model.reactions.append({1, 4, 2, 3, 1e3, 0});
    } else {
        model.species.append({"A", 1, 1});
        model.species.append({"B", 1, 0});
        model.species.append({"C", 1, 0});
        model.species.append({"D", 1, 0});
        model.couples.append({1, 2, 0.0, 1.0, 0.5});
        model.couples.append({3, 4, 0.2, 1.0, 0.5});
        model.reactions.append({2, 0, 3, 0, 10, 0});
        model.reactions.append({2, 3, 1, 4, 1e4, 0});
        model.pilot = followUp(0).pilot;
        std::swap(model.pilot.Einitial, model.pilot.Eswitch1);
        model.pilot.Eswitch2 = model.pilot.Efinal = model.pilot.Einitial;
    }
    model.solver = Solver::Implicit;
    return model;
}

void BM_SecondOrder(benchmark::State& state) {
    const TModel model = secondOrder(static_cast<int>(state.range(0)));
    state.SetLabel(state.range(0) == 0 ? "EC' second order" : "ECE with disproportionation");
    runImplicit(state, model);
}
BENCHMARK(BM_SecondOrder)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(1.0);

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

}  // namespace

BENCHMARK_MAIN();
