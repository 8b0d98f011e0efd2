// Engine time with a display that does nothing, on four models: the
// default model, one couple with a fast first-order follow-up reaction, four
// species with a fast second-order reaction, and twelve species of which one
// reaction touches two (the chemistry's cost follows the reactions, not the
// species).
#include <benchmark/benchmark.h>

#include <string>

#include "engine/cv_engine.h"
#include "model/model.h"

namespace {

using namespace ondrel;

TModel followUp() {
    TModel model = DefaultModel();
    model.couples.remove(1);                       // E3 - e -> E2 at 1.25 V
    model.reactions.append({2, 0, 1, 0, 1e4, 0});  // E2 -> E1
    return model;
}

TModel secondOrder() {
    TModel model = DefaultModel();
    model.couples.remove(1);
    model.species.append({"E4", 1, 1});
    model.reactions.append({2, 4, 1, 0, 1e5, 0});  // E2 + E4 -> E1
    return model;
}

TModel manySpecies() {
    TModel model = followUp();
    for (int i = 4; i <= 12; ++i)
        model.species.append({"S" + std::to_string(i), 1, 0.5});
    return model;
}

void runEngine(benchmark::State& state, const TModel& model) {
    std::int64_t units = 0, steps = 0;
    for (auto _ : state) {
        std::vector<CVpoint> points;
        std::atomic<bool> freeze{false};
        NullDisplay display;
        TCVEngine engine(model, points, freeze, display);
        engine.Run();
        benchmark::DoNotOptimize(points.data());
        steps += engine.nSteps();
        units += engine.nSteps() * engine.nSpecies() * engine.nBoxes();
        state.counters["boxes"] = engine.nBoxes();
    }
    state.counters["steps_per_s"] =
        benchmark::Counter(static_cast<double>(steps), benchmark::Counter::kIsRate);
    state.counters["s_per_species_box_step"] = benchmark::Counter(
        static_cast<double>(units), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_DefaultModel(benchmark::State& state) {
    runEngine(state, DefaultModel());
}
void BM_FollowUpReaction(benchmark::State& state) {
    runEngine(state, followUp());
}
void BM_SecondOrderReaction(benchmark::State& state) {
    runEngine(state, secondOrder());
}

void BM_ManySpeciesOneReaction(benchmark::State& state) {
    runEngine(state, manySpecies());
}

BENCHMARK(BM_DefaultModel)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FollowUpReaction)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SecondOrderReaction)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ManySpeciesOneReaction)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
