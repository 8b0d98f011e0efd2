// The implicit solver's potential programs: any number of half-cycles, a
// quiet time before the sweep, and staircases sampled as instruments
// sample them.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "engine/cv_simulation.h"
#include "engine/electrode_kinetics.h"
#include "engine/engine_errors.h"
#include "engine/implicit_engine.h"
#include "engine/model_check.h"
#include "potential_steps_reference.h"

namespace ondrel {
namespace {

using testing::PotentialStepsReference;

// Red - e <=> Ox at E° = 0, only Red in the solution (1 mM, D 1e-5 cm²/s,
// 0.01 cm²), on the implicit solver.
TModel reversibleCouple(double Einitial, double Eswitch1, int halfCycles, double v) {
    TModel model;
    model.species.append({"Ox", 1, 0});
    model.species.append({"Red", 1, 1});
    model.couples.append({1, 2, 0.0, 1e4, 0.5});
    model.pilot.Einitial = Einitial;
    model.pilot.Eswitch1 = Eswitch1;
    model.pilot.Eswitch2 = Einitial;
    model.pilot.Efinal = Einitial;
    model.pilot.scanRate = v;
    model.pilot.halfCycles = halfCycles;
    model.solver = Solver::Implicit;
    return model;
}

struct Recorded {
    std::vector<CVpoint> points;
    std::vector<double> currents, potentialsMv;  // every step reported
};

Recorded run(const TModel& model, int stepsPerMv = 0) {
    struct Recorder final : EngineDisplay {
        Recorded* into;
        void StepDone(std::int64_t, double I, double E) override {
            into->currents.push_back(I);
            into->potentialsMv.push_back(E);
        }
    } recorder;
    Recorded recorded;
    recorder.into = &recorded;
    std::atomic<bool> freeze{false};
    TImplicitEngine engine(model, recorded.points, freeze, recorder, stepsPerMv);
    engine.Run();
    return recorded;
}

// The reference of a staircase of the model's program: the stairs as
// the program lays them, the first one at t = 0 after the quiet time.
PotentialStepsReference staircaseReference(const TModel& model) {
    const TPilot& p = model.pilot;
    PotentialStepsReference reference(model.couples[1].E0, kFaradayOverR / model.temperature,
                                      kFaraday, model.area, model.concScale, model.diffusionScale);
    if (p.quietTime > 0)
        reference.add(-p.quietTime, p.Einitial);
    reference.add(0, p.Einitial);
    const double tau = p.StairDuration();
    const double dE = p.Eswitch1 > p.Einitial ? p.stepHeight : -p.stepHeight;
    std::int64_t stair = 1;
    for (int s = 0; s < p.halfCycles; ++s)
        for (std::int64_t k = 1; k <= p.Stairs(s); ++k, ++stair)
            reference.add(static_cast<double>(stair) * tau,
                          p.HalfCycleStart(s) + TPilot::HalfCycleSign(s) * k * dE);
    return reference;
}

// The largest difference between a staircase's sampled currents and the
// reference's at the same moments, as a share of the largest current.
double worstAgainstReference(const TModel& model, const Recorded& run) {
    const PotentialStepsReference reference = staircaseReference(model);
    const double tau = model.pilot.StairDuration(), f = model.pilot.samplingPoint;
    std::vector<double> expected;
    double largest = 0, worst = 0;
    for (std::size_t j = 0; j < run.currents.size(); ++j) {
        expected.push_back(reference.current((static_cast<double>(j) + f) * tau));
        largest = std::max(largest, std::fabs(expected.back()));
    }
    for (std::size_t j = 0; j < run.currents.size(); ++j)
        worst = std::max(worst, std::fabs(run.currents[j] - expected[j]) / largest);
    return worst;
}

TEST(ImplicitStaircase, SamplesEachStepAsTheSuperpositionOfCottrellCurrents) {
    // 5 mV steps at 0.1 V/s (50 ms each) from -200 mV to +200 mV and back,
    // sampled at a quarter, half and the end of each step, with and without
    // a quiet time of 2 s at the initial potential.
    for (const double quiet : {0.0, 2.0})
        for (const double f : {0.25, 0.5, 1.0}) {
            TModel model = reversibleCouple(-0.2, 0.2, 2, 0.1);
            model.pilot.stepHeight = 0.005;
            model.pilot.samplingPoint = f;
            model.pilot.quietTime = quiet;
            const Recorded staircase = run(model);
            // One point a step: the first at the initial potential, then
            // 80 steps each way.
            ASSERT_EQ(staircase.points.size(), 161u);
            ASSERT_EQ(staircase.currents.size(), 161u);
            EXPECT_EQ(staircase.points[0].potential, -200);
            EXPECT_EQ(staircase.points[1].potential, -195);
            EXPECT_EQ(staircase.points[80].potential, 200);
            EXPECT_EQ(staircase.points[81].potential, 195);
            EXPECT_EQ(staircase.points[160].potential, -200);
            EXPECT_LT(worstAgainstReference(model, staircase), 0.002)
                << "sampled at " << f << ", quiet time " << quiet;
        }
}

TEST(ImplicitStaircase, FinerPartsMoveNoSampleAndMillivoltStepsKeepTheReference) {
    // Twice finer parts of each step change the samples by far less than
    // the reference's tolerance; 1 mV steps sampled at the end are as close
    // to the reference as 5 mV ones.
    TModel model = reversibleCouple(-0.15, 0.15, 1, 0.05);
    model.pilot.stepHeight = 0.001;
    model.pilot.samplingPoint = 1;
    const Recorded coarse = run(model);
    const Recorded fine = run(model, 2 * TImplicitEngine::kStepsPerMv);
    ASSERT_EQ(coarse.currents.size(), 301u);
    ASSERT_EQ(fine.currents.size(), coarse.currents.size());
    double largest = 0, moved = 0;
    for (std::size_t j = 0; j < coarse.currents.size(); ++j) {
        largest = std::max(largest, std::fabs(fine.currents[j]));
        moved = std::max(moved, std::fabs(coarse.currents[j] - fine.currents[j]));
    }
    EXPECT_LT(moved / largest, 5e-4);
    EXPECT_LT(worstAgainstReference(model, coarse), 0.002);
}

// A couple that never reacts (k° = 0) with a double-layer capacitance of
// 20 µF/cm² on 0.01 cm² and the resistance given, as a staircase of 2 mV
// steps at 0.1 V/s (20 ms each).
TModel chargingStaircase(double ru, double f) {
    TModel model = reversibleCouple(-0.1, 0.1, 1, 0.1);
    model.couples[1].k0 = 0;
    model.pilot.irComp = ru > 0 ? 1 : 0;
    model.pilot.resistance = ru;
    model.pilot.icComp = 1;
    model.pilot.capacitance = 20;
    model.pilot.stepHeight = 0.002;
    model.pilot.samplingPoint = f;
    return model;
}

TEST(ImplicitStaircase, TheChargingCurrentHasDecayedAsRuCdlSaysWhereItIsSampled) {
    // Each step charges the double layer through Ru: ΔE/Ru·e^(-t/RuCdl),
    // with RuCdl = 2 ms, sampled 5 ms into each 20 ms step; the charge of
    // the steps before has gone (e^-10). The first step holds the initial
    // potential: nothing to charge.
    const double ru = 1e4, C = 20e-6 * 0.01, f = 0.25;
    const Recorded withRu = run(chargingStaircase(ru, f));
    ASSERT_EQ(withRu.currents.size(), 101u);
    const double expected = 0.002 / ru * std::exp(-f * 0.02 / (ru * C));
    EXPECT_LT(std::fabs(withRu.currents[0]), 1e-3 * expected);
    for (std::size_t j = 1; j < withRu.currents.size(); ++j)
        ASSERT_NEAR(withRu.currents[j] / expected, 1, 0.01) << "step " << j;
    // Without Ru the double layer charges at once: nothing is left to
    // sample, where a linear sweep carries A·Cdl·v all along.
    const Recorded withoutRu = run(chargingStaircase(0, f));
    for (std::size_t j = 0; j < withoutRu.currents.size(); ++j)
        ASSERT_LT(std::fabs(withoutRu.currents[j]), 1e-6 * C * 0.1) << "step " << j;
}

TEST(ImplicitQuietTime, IsSimulatedButNotRecorded) {
    // Red held 300 mV past E° (the diffusion limit) for 1 s, then swept on
    // to 400 mV: the current at each stored point is still Cottrell's,
    // nFAC√(D/πt), from the start of the quiet time; the points and the
    // steps reported are those of the sweep alone.
    TModel model = reversibleCouple(0.3, 0.4, 1, 0.1);
    const Recorded plain = run(model, TImplicitEngine::kStepsPerMv);
    model.pilot.quietTime = 1;
    const Recorded quiet = run(model, TImplicitEngine::kStepsPerMv);
    ASSERT_EQ(quiet.points.size(), plain.points.size());
    ASSERT_EQ(quiet.currents.size(), plain.currents.size());
    EXPECT_EQ(quiet.points.front().potential, plain.points.front().potential);
    const double dt = 0.00025 / 0.1;  // a quarter of a millivolt
    const double cottrell = kFaraday * model.area * model.concScale *
                            std::sqrt(model.diffusionScale / std::numbers::pi);
    for (const std::size_t step : {0u, 1u, 10u, 100u, 399u}) {
        const double t = 1 + static_cast<double>(step + 1) * dt;
        EXPECT_NEAR(quiet.currents[step] / (cottrell / std::sqrt(t)), 1, 0.003) << "step " << step;
    }
    // Without it the first steps follow Cottrell from the sweep's start.
    EXPECT_GT(plain.currents[0], 5 * quiet.currents[0]);
}

TEST(ImplicitQuietTime, StopAndFreezeActDuringIt) {
    // A quiet time of 1000 s: stopped from its events, the run ends with
    // no point and no step reported.
    TModel model = reversibleCouple(0.3, 0.4, 1, 0.1);
    model.pilot.quietTime = 1000;
    struct Stopping final : EngineDisplay {
        CVSimulation* engine = nullptr;
        int events = 0, steps = 0;
        void ProcessEvents() override {
            if (++events == 20)
                engine->Stop();
        }
        void StepDone(std::int64_t, double, double) override { ++steps; }
    } stopping;
    std::vector<CVpoint> points;
    std::atomic<bool> freeze{false};
    TImplicitEngine engine(model, points, freeze, stopping);
    stopping.engine = &engine;
    EXPECT_THROW(engine.Run(), EngineStopException);
    EXPECT_EQ(stopping.events, 20);
    EXPECT_EQ(stopping.steps, 0);
    EXPECT_TRUE(points.empty());
}

TEST(ImplicitHalfCycles, RunBackAndForthBetweenTheSwitchingPotentialsAndEndAtTheFinalOne) {
    // -200 → 200 → -200 → 200 → -200 → 0 mV: five half-cycles.
    TModel model = reversibleCouple(-0.2, 0.2, 5, 0.1);
    model.pilot.Eswitch2 = -0.2;
    model.pilot.Efinal = 0;
    const Recorded five = run(model);
    ASSERT_EQ(five.points.size(), 1800u);
    // A stored point is the first step of its millivolt.
    for (const auto& [index, potential] : std::vector<std::pair<std::size_t, int>>{{0, -199},
                                                                                   {399, 199},
                                                                                   {400, 199},
                                                                                   {799, -199},
                                                                                   {800, -199},
                                                                                   {1199, 199},
                                                                                   {1599, -199},
                                                                                   {1600, -199},
                                                                                   {1799, 0}})
        EXPECT_EQ(five.points[index].potential, potential) << "point " << index;
    // Its first three half-cycles are those of the three-half-cycle
    // program that ends at the first switching potential.
    model.pilot.halfCycles = 3;
    model.pilot.Efinal = 0.2;
    const Recorded three = run(model);
    ASSERT_EQ(three.points.size(), 1200u);
    float largest = 0;
    for (const CVpoint& p : three.points)
        largest = std::max(largest, std::fabs(p.current));
    for (std::size_t i = 0; i < three.points.size(); ++i) {
        ASSERT_EQ(five.points[i].potential, three.points[i].potential) << "point " << i;
        ASSERT_NEAR(five.points[i].current, three.points[i].current, 1e-6 * largest)
            << "point " << i;
    }
    // The second cycle's anodic peak is lower than the first's: the Ox
    // the first cycle made and left near the electrode is still there.
    const auto top = [&](std::size_t from, std::size_t to) {
        float best = 0;
        for (std::size_t i = from; i < to; ++i)
            best = std::max(best, five.points[i].current);
        return best;
    };
    EXPECT_LT(top(800, 1200), top(0, 400));
    EXPECT_GT(top(800, 1200), 0.8 * top(0, 400));
}

TEST(ImplicitHalfCycles, TheClassicEngineRefusesWhatOnlyTheImplicitSolverRuns) {
    TModel many = reversibleCouple(-0.2, 0.2, 4, 0.1);
    TModel quiet = reversibleCouple(-0.2, 0.2, 2, 0.1);
    quiet.pilot.quietTime = 2;
    TModel staircase = reversibleCouple(-0.2, 0.2, 2, 0.1);
    staircase.pilot.stepHeight = 0.002;
    for (const auto& [model, named] :
         {std::pair{many, "not 4"}, {quiet, "no quiet time"}, {staircase, "no staircase"}}) {
        EXPECT_EQ(ModelProblem(model), "") << named;
        TModel classic = model;
        classic.solver = Solver::Classic;
        const std::string problem = ModelProblem(classic);
        EXPECT_NE(problem.find(named), std::string::npos) << problem;
        EXPECT_NE(problem.find("implicit solver"), std::string::npos) << problem;
        std::vector<CVpoint> points;
        std::atomic<bool> freeze{false};
        NullDisplay display;
        EXPECT_THROW(MakeSimulation(classic, points, freeze, display), Exception) << named;
        // The implicit solver runs a model whatever solver it names, as the
        // fit does.
        EXPECT_NO_THROW(TImplicitEngine(classic, points, freeze, display)) << named;
    }
}

}  // namespace
}  // namespace ondrel
