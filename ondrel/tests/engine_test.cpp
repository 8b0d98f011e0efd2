#include "engine/cv_engine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <thread>

#include "engine/engine_errors.h"
#include "engine/program_check.h"

namespace ondrel {
namespace {

// A model of one couple Ox + e <=> Red, with Ox in solution.
TModel oneCouple(double E0 = 0, double k0 = 1, double alpha = 0.5) {
    TModel model;
    model.species.append({"Ox", 1, 1});
    model.species.append({"Red", 1, 0});
    model.couples.append({1, 2, E0, k0, alpha});
    model.pilot = {};
    model.pilot.Einitial = 0.3;
    model.pilot.Eswitch1 = -0.3;
    model.pilot.Eswitch2 = 0.3;
    model.pilot.scanRate = 0.1;
    model.pilot.halfCycles = 2;
    return model;
}

// Two couples A + e <=> B, B + e <=> C in list order, with A in solution.
TModel pairModel(double E01, double k01, double E02, double k02, double alpha2) {
    TModel pair;
    pair.species.append({"A", 1, 1});
    pair.species.append({"B", 1, 0});
    pair.species.append({"C", 1, 0});
    pair.couples.append({1, 2, E01, k01, 0.5});
    pair.couples.append({2, 3, E02, k02, alpha2});
    pair.pilot = oneCouple().pilot;
    return pair;
}

// The worked example: 0 V to -0.5 V in one half-cycle at 0.25 V/s.
TModel workedExample() {
    TModel model = oneCouple();
    model.pilot.Einitial = 0;
    model.pilot.Eswitch1 = -0.5;
    model.pilot.halfCycles = 1;
    model.pilot.scanRate = 0.25;
    return model;
}

// Records the steps and lets a test act at chosen moments.
class ScriptedDisplay final : public EngineDisplay {
public:
    void StepDone(std::int64_t step, double currentA, double potentialMv) override {
        steps.push_back(step);
        potentials.push_back(potentialMv);
        currents.push_back(currentA);
        if (onStep)
            onStep(step);
    }
    void ProcessEvents() override {
        ++events;
        if (onEvents)
            onEvents();
    }
    void RefreshProfiles(const ConcentrationProfiles& p) override {
        ++refreshes;
        finalProfiles = p;
    }
    void SetPotentialRange(double Emax, double Emin) override { range = {Emax, Emin}; }

    std::vector<std::int64_t> steps;
    std::vector<double> potentials, currents;
    std::function<void(std::int64_t)> onStep;
    std::function<void()> onEvents;
    int events = 0;
    int refreshes = 0;
    std::pair<double, double> range;
    ConcentrationProfiles finalProfiles;
};

struct Simulation {
    explicit Simulation(const TModel& model) : engine(model, points, freeze, display) {}
    std::vector<CVpoint> points;
    std::atomic<bool> freeze{false};
    ScriptedDisplay display;
    TCVEngine engine;
};

TEST(Pilot, DurationsFollowTheHalfCycles) {
    TPilot pilot;  // the default program
    pilot.ComputeDurations();
    EXPECT_DOUBLE_EQ(pilot.duration[0], 0.5 / 1.1);
    EXPECT_DOUBLE_EQ(pilot.duration[1], 0.5 / 1.1);
    EXPECT_DOUBLE_EQ(pilot.totalTime, 1 / 1.1);

    pilot.halfCycles = 3;
    pilot.Efinal = 0.6;
    pilot.ComputeDurations();
    EXPECT_DOUBLE_EQ(pilot.totalTime, (0.5 + 0.5 + 0.5) / 1.1);

    // Outside 1..kMaxHalfCycles nothing is computed.
    for (const int count : {0, kMaxHalfCycles + 1}) {
        TPilot odd;
        odd.halfCycles = count;
        odd.ComputeDurations();
        EXPECT_EQ(odd.totalTime, 0) << count;
        EXPECT_TRUE(odd.duration.empty()) << count;
    }
}

TEST(Pilot, HalfCyclesAlternateBetweenTheSwitchingPotentialsAndTheLastEndsAtTheFinalOne) {
    TPilot pilot;
    pilot.Einitial = 0;
    pilot.Eswitch1 = 0.5;
    pilot.Eswitch2 = -0.3;
    pilot.Efinal = 0.1;
    pilot.scanRate = 0.1;
    pilot.halfCycles = 6;
    pilot.ComputeDurations();
    const double starts[] = {0, 0.5, -0.3, 0.5, -0.3, 0.5};
    const double ends[] = {0.5, -0.3, 0.5, -0.3, 0.5, 0.1};
    ASSERT_EQ(pilot.duration.size(), 6u);
    double total = 0;
    for (int s = 0; s < 6; ++s) {
        EXPECT_EQ(pilot.HalfCycleStart(s), starts[s]) << s;
        EXPECT_EQ(pilot.HalfCycleEnd(s), ends[s]) << s;
        EXPECT_EQ(TPilot::HalfCycleSign(s), s % 2 == 0 ? 1 : -1) << s;
        EXPECT_DOUBLE_EQ(pilot.duration[s], std::fabs(ends[s] - starts[s]) / 0.1) << s;
        total += pilot.duration[s];
    }
    EXPECT_DOUBLE_EQ(pilot.totalTime, total);
    // Two half-cycles still end at the second switching potential, three at
    // the final one.
    pilot.halfCycles = 2;
    EXPECT_EQ(pilot.HalfCycleEnd(1), -0.3);
    pilot.halfCycles = 3;
    EXPECT_EQ(pilot.HalfCycleEnd(2), 0.1);
}

TEST(Pilot, AStaircaseLastsItsWholeSteps) {
    // 0 → 0.5 → -0.3 V in steps of 3 mV at 0.1 V/s (30 ms each): 166 whole
    // steps up (498 mV), 266 down (798 mV), and the first step at 0 V.
    TPilot pilot;
    pilot.Einitial = 0;
    pilot.Eswitch1 = 0.5;
    pilot.Eswitch2 = -0.3;
    pilot.scanRate = 0.1;
    pilot.halfCycles = 2;
    pilot.stepHeight = 0.003;
    pilot.ComputeDurations();
    EXPECT_EQ(pilot.Stairs(0), 166);
    EXPECT_EQ(pilot.Stairs(1), 266);
    EXPECT_DOUBLE_EQ(pilot.StairDuration(), 0.03);
    EXPECT_DOUBLE_EQ(pilot.duration[0], 166 * 0.03);
    EXPECT_DOUBLE_EQ(pilot.duration[1], 266 * 0.03);
    EXPECT_DOUBLE_EQ(pilot.totalTime, (1 + 166 + 266) * 0.03);
    // A whole number of steps that rounding left a hair short still counts.
    pilot.Eswitch1 = 0.3;
    pilot.stepHeight = 0.1;
    EXPECT_EQ(pilot.Stairs(0), 3);
}

TEST(ProgramCheck, RefusesProgramsThatCannotBeStepped) {
    TPilot pilot;
    EXPECT_EQ(ProgramProblem(pilot), "");
    pilot.scanRate = 0;
    EXPECT_NE(ProgramProblem(pilot), "");
    pilot.scanRate = -1;
    EXPECT_NE(ProgramProblem(pilot), "");
    pilot.scanRate = NAN;
    EXPECT_NE(ProgramProblem(pilot), "");
    pilot = {};
    pilot.halfCycles = 0;
    EXPECT_NE(ProgramProblem(pilot), "");
    pilot = {};
    pilot.halfCycles = 1;
    pilot.Eswitch1 = pilot.Einitial + 0.0009;  // 0.9 mV
    EXPECT_NE(ProgramProblem(pilot).find("less than 1 mV"), std::string::npos);

    // Any number of half-cycles up to the limit.
    pilot = {};
    pilot.halfCycles = 7;
    EXPECT_EQ(ProgramProblem(pilot), "");
    pilot.halfCycles = kMaxHalfCycles + 1;
    EXPECT_NE(ProgramProblem(pilot).find("at most 100000 half-cycles"), std::string::npos);
    // The quiet time, the step height and the sampling point, each named.
    const std::pair<void (*)(TPilot&), const char*> bad[] = {
        {[](TPilot& p) { p.quietTime = -1; }, "quiet time"},
        {[](TPilot& p) { p.quietTime = NAN; }, "quiet time"},
        {[](TPilot& p) { p.quietTime = 2e12; }, "quiet time"},
        {[](TPilot& p) { p.stepHeight = -0.002; }, "step height"},
        {[](TPilot& p) { p.stepHeight = INFINITY; }, "step height"},
        {[](TPilot& p) { p.stepHeight = 0.002, p.samplingPoint = 0; }, "sampling point"},
        {[](TPilot& p) { p.stepHeight = 0.002, p.samplingPoint = 1.5; }, "sampling point"},
        {[](TPilot& p) { p.stepHeight = 0.002, p.samplingPoint = NAN; }, "sampling point"},
        {[](TPilot& p) { p.stepHeight = 0.6; }, "shorter than its step height"},
        {[](TPilot& p) { p.stepHeight = 1e-9; }, "more than 10000000 steps"},
    };
    for (const auto& [spoil, named] : bad) {
        pilot = {};
        spoil(pilot);
        EXPECT_NE(ProgramProblem(pilot).find(named), std::string::npos)
            << named << ": " << ProgramProblem(pilot);
    }
    // A sampling point of a sweep that is no staircase does not matter.
    pilot = {};
    pilot.samplingPoint = 0;
    EXPECT_EQ(ProgramProblem(pilot), "");

    TModel model = oneCouple();
    model.pilot.scanRate = 0;
    std::vector<CVpoint> points;
    std::atomic<bool> freeze{false};
    NullDisplay display;
    EXPECT_THROW(TCVEngine(model, points, freeze, display), Exception);
}

TEST(Engine, TheWorkedExampleSizesStepsAndBoxes) {
    Simulation run(workedExample());
    EXPECT_EQ(run.engine.nPoints(), 500);
    EXPECT_EQ(run.engine.nSteps(), 1000);
    EXPECT_EQ(run.engine.stepsPerPoint(), 2);
    EXPECT_DOUBLE_EQ(run.engine.dt(), 0.002);
    EXPECT_NEAR(run.engine.dx(), 2.108e-4, 0.001e-4);
    EXPECT_EQ(run.engine.nBoxes(), 25);

    TModel withReaction = workedExample();
    withReaction.species.append({"P", 1, 0});
    withReaction.reactions.append({2, 0, 3, 0, 1000, 1});
    Simulation fast(withReaction);
    EXPECT_EQ(fast.engine.nSteps(), 4000);
    EXPECT_EQ(fast.engine.stepsPerPoint(), 8);
}

TEST(Engine, SlowSpeciesQuadrupleTheStepsOnceAndHugeRatesAreCapped) {
    TModel slow = workedExample();
    slow.species[1].D = 0.4;
    EXPECT_EQ(Simulation(slow).engine.nSteps(), 4000);
    slow.species[2].D = 0.3;
    EXPECT_EQ(Simulation(slow).engine.nSteps(), 4000);

    TModel huge = oneCouple();
    huge.pilot.halfCycles = 1;
    huge.pilot.Eswitch1 = 0.2;  // 100 mV at 0.1 V/s: T = 1 s
    huge.species.append({"P", 1, 0});
    huge.reactions.append({2, 0, 3, 0, 1e9, 0});
    std::vector<CVpoint> points;
    std::atomic<bool> freeze{false};
    NullDisplay display;
    // The cap, then rounded up to whole points (100 here: 0.1 V/s x 1 s x
    // 1000, which floating point makes 99.99999999999999).
    auto expectCapped = [&](const TCVEngine& engine) {
        EXPECT_EQ(engine.nPoints(), 100);
        EXPECT_EQ(engine.nSteps() % engine.nPoints(), 0);
        EXPECT_GE(engine.nSteps(), TCVEngine::kMaxSteps);
        EXPECT_LT(engine.nSteps(), TCVEngine::kMaxSteps + engine.nPoints());
    };
    expectCapped(TCVEngine(huge, points, freeze, display));
    huge.species[1].D = 0.4;  // the cap holds after the slow-species factor
    expectCapped(TCVEngine(huge, points, freeze, display));
}

TEST(Engine, StoresOnePointPerMillivoltFromStepZero) {
    Simulation run(workedExample());
    run.engine.Run();
    ASSERT_EQ(run.points.size(), 500u);
    ASSERT_EQ(run.display.steps.size(), 1000u);
    EXPECT_EQ(run.display.steps.front(), 0);
    EXPECT_EQ(run.points[0].potential, static_cast<int>(std::trunc(run.display.potentials[0])));
    EXPECT_EQ(run.points[1].potential, static_cast<int>(std::trunc(run.display.potentials[2])));
    EXPECT_NEAR(run.display.potentials.back(), -500, 1e-9);
    // All four potentials count, Efinal's 1 V default too.
    EXPECT_EQ(run.display.range, std::make_pair(1.0, -0.5));
    EXPECT_EQ(run.display.refreshes, 1);
}

TEST(Engine, RefusesModelsItCannotRun) {
    TModel none = oneCouple();
    none.couples.clear();
    Simulation run(none);
    EXPECT_THROW(
        {
            try {
                run.engine.Run();
            } catch (const Exception& e) {
                EXPECT_STREQ(e.what(), "Pas de couples Redox !");
                throw;
            }
        },
        Exception);

    TModel method = oneCouple();
    method.method = 3;
    Simulation unsupported(method);
    try {
        unsupported.engine.Run();
        ADD_FAILURE() << "ran an unsupported method";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Unsupported Method !");
    }

    TModel outside = oneCouple();
    outside.couples[1].red = 9;  // a file can hold such an index
    std::vector<CVpoint> points;
    std::atomic<bool> freeze{false};
    NullDisplay display;
    EXPECT_THROW(TCVEngine(outside, points, freeze, display), EngineErrorException);
    TModel reaction = oneCouple();
    reaction.reactions.append({1, 0, -2, 0, 1, 1});
    EXPECT_THROW(TCVEngine(reaction, points, freeze, display), EngineErrorException);
}

// Peak current and potential of one sweep direction.
struct Peak {
    double current;
    double potential;
};
Peak largest(const std::vector<CVpoint>& points, std::size_t from, std::size_t to, double sign) {
    Peak peak{0, 0};
    for (std::size_t i = from; i < to; ++i)
        if (sign * points[i].current > sign * peak.current)
            peak = {points[i].current, static_cast<double>(points[i].potential)};
    return peak;
}

TEST(Engine, AFastCoupleFollowsRandlesSevcik) {
    TModel model = oneCouple(0, 10);  // 1 mM, 0.01 cm², D 1e-5 cm²/s, 0.1 V/s, 298.15 K
    Simulation run(model);
    run.engine.Run();
    const std::size_t half = run.points.size() / 2;
    const Peak cathodic = largest(run.points, 0, half, -1);
    const Peak anodic = largest(run.points, half, run.points.size(), 1);

    const double F = 96485.33, R = 8.314462618, T = 298.15;
    const double ip = 0.4463 * F * 0.01 * 1e-6 * std::sqrt(F * 0.1 * 1e-5 / (R * T));
    EXPECT_NEAR(-cathodic.current, ip, 0.01 * ip);
    const double separation = anodic.potential - cathodic.potential;
    EXPECT_GE(separation, 56);
    EXPECT_LE(separation, 60);
    EXPECT_LT(cathodic.current, 0);  // a reduction gives a negative current
}

TEST(Engine, TheDefaultModelShowsTwoOxidationWaves) {
    Simulation run(DefaultModel());
    run.engine.Run();
    // Forward sweep 1.1 V -> 1.6 V: the current rises through two waves,
    // near E3/E2 (1.25 V) and E2/E1 (1.4 V): its slope has two maxima.
    const std::size_t half = run.points.size() / 2;
    std::vector<double> slope;
    for (std::size_t i = 1; i < half; ++i)
        slope.push_back(run.points[i].current - run.points[i - 1].current);
    std::vector<int> risingCentres;
    for (std::size_t i = 10; i + 10 < slope.size(); ++i) {
        bool isMax = slope[i] > 0;
        for (std::size_t j = i - 10; j <= i + 10 && isMax; ++j)
            if (j != i && slope[j] >= slope[i])
                isMax = false;
        if (isMax)
            risingCentres.push_back(run.points[i].potential);
    }
    ASSERT_EQ(risingCentres.size(), 2u);
    EXPECT_NEAR(risingCentres[0], 1250, 40);
    EXPECT_NEAR(risingCentres[1], 1400, 60);
    EXPECT_GT(largest(run.points, 0, half, 1).current, 0);  // oxidation currents are positive
}

TEST(Engine, ElectrodeAndDiffusionConserveMatter) {
    // Ox + e <=> Red with equal D: Ox + Red stays at its bulk 1 everywhere.
    TModel model = oneCouple(0, 10);
    Simulation run(model);
    run.engine.Run();
    for (int b = 1; b <= run.engine.nBoxes(); ++b)
        ASSERT_NEAR(run.engine.concentration(1, b) + run.engine.concentration(2, b), 1, 1e-9)
            << "box " << b;
    EXPECT_LT(run.engine.concentration(2, 1), 0.5);  // back to Ox after the return sweep
    EXPECT_EQ(run.engine.concentration(2, run.engine.nBoxes()), 0);  // the bulk boundary

    // No electrode flux (k0 = 0): nothing changes at all.
    Simulation still(oneCouple(0, 0));
    still.engine.Run();
    for (int b = 1; b <= still.engine.nBoxes(); ++b)
        EXPECT_EQ(still.engine.concentration(1, b), 1);
    for (const CVpoint& p : still.points)
        EXPECT_EQ(p.current, 0);
}

TEST(Engine, CouplesSharingASpeciesInListOrderAreSolvedAsAPair) {
    // A + e <=> B, B + e <=> C: as a pair, C is made at the electrode.
    TModel pair = pairModel(0.1, 1, -0.1, 1, 0.5);
    pair.pilot.halfCycles = 1;
    Simulation paired(pair);
    paired.engine.Run();
    EXPECT_GT(paired.engine.concentration(3, 1), 0.5);

    // Swapped, they are solved together all the same: the same curve
    // (within the pair formula's rounding of its constant).
    TModel swapped = pair;
    std::swap(swapped.couples[1], swapped.couples[2]);
    Simulation together(swapped);
    together.engine.Run();
    ASSERT_EQ(together.points.size(), paired.points.size());
    for (std::size_t i = 0; i < paired.points.size(); ++i)
        ASSERT_NEAR(together.points[i].current, paired.points[i].current, 1e-4 * 4e-6)
            << "point " << i;
}

// Sum of the relative concentrations of the first n species in box b.
double matterIn(const TCVEngine& engine, int n, int b) {
    double sum = 0;
    for (int s = 1; s <= n; ++s)
        sum += engine.concentration(s, b);
    return sum;
}

TEST(Engine, CouplesSharingSpeciesInAnyWayConserveMatter) {
    // All D equal, so A + B + C (+ D) stays at its bulk 1 in every box when
    // the electrode only turns one into another. Couples listed against
    // their order, two couples of one oxidised species, and a chain of
    // three all share species outside a pair in list order.
    TModel reversed = pairModel(0.1, 0.5, -0.1, 0.5, 0.5);
    std::swap(reversed.couples[1], reversed.couples[2]);
    TModel sharedOx = pairModel(0.1, 0.5, -0.1, 0.5, 0.5);
    sharedOx.couples[2] = {1, 3, -0.1, 0.5, 0.5};
    TModel chain = pairModel(0.2, 0.5, 0.0, 0.5, 0.5);
    chain.species.append({"D", 1, 0});
    chain.couples.append({3, 4, -0.2, 0.5, 0.5});
    for (const auto& [name, model] :
         {std::pair{"reversed", reversed}, {"shared ox", sharedOx}, {"chain", chain}}) {
        Simulation run(model);
        run.engine.Run();
        const int n = model.species.count();
        for (int b = 1; b <= run.engine.nBoxes(); ++b)
            ASSERT_NEAR(matterIn(run.engine, n, b), 1, 1e-9) << name << " box " << b;
        // Each wave's current stays of its size: nothing spurious.
        for (const CVpoint& p : run.points)
            ASSERT_LT(std::fabs(p.current), 10e-6) << name;
    }
    // The chain's third couple makes D on the way down.
    chain.pilot.halfCycles = 1;
    Simulation chained(chain);
    chained.engine.Run();
    EXPECT_GT(chained.engine.concentration(4, 1), 0.5);
}

TEST(Engine, HoldKeepsThePotentialWhileTimeRuns) {
    Simulation run(workedExample());
    run.display.onStep = [&](std::int64_t step) {
        if (step == 100 || step == 300)
            run.engine.ToggleHold();
    };
    run.engine.Run();
    // Held from the step after 100 to step 300: 200 extra steps, 100 extra points.
    EXPECT_EQ(run.display.steps.size(), 1200u);
    EXPECT_EQ(run.points.size(), 600u);
    const double held = run.display.potentials[101];
    for (int s = 101; s <= 300; ++s)
        ASSERT_EQ(run.display.potentials[s], held);
    EXPECT_LT(std::fabs(run.display.currents[300]), std::fabs(run.display.currents[101]));
    EXPECT_NEAR(run.display.potentials.back(), -500, 1e-9);  // the sweep went on
}

TEST(Engine, AStopWhileFrozenEndsWithoutAnotherStep) {
    Simulation run(workedExample());
    run.display.onStep = [&](std::int64_t step) {
        if (step == 10)
            run.freeze = true;
    };
    int frozenEvents = 0;
    run.display.onEvents = [&] {
        if (run.freeze && ++frozenEvents == 5)
            run.engine.Stop();
    };
    try {
        run.engine.Run();
        ADD_FAILURE() << "the run was not stopped";
    } catch (const EngineStopException& stop) {
        EXPECT_STREQ(stop.what(), "Engine stopped by user");
    }
    EXPECT_EQ(run.display.steps.back(), 10);
    EXPECT_EQ(run.points.size(), 6u);  // steps 0, 2, ..., 10 stay with the caller
}

TEST(Engine, ChemistryStopsAtTheFirstQuietBox) {
    // Ox -> P in solution at 1/s, and Ox is used up at the electrode. Within
    // about 2 s box 1 holds so little Ox that its rate is quiet, and from
    // then on the chemistry of every box is skipped: far from the electrode
    // Ox stays near e^-2 instead of falling to e^-60.
    TModel model = oneCouple(1.0, 10);  // reduced at once from the start
    model.pilot.halfCycles = 1;
    model.pilot.scanRate = 0.01;  // 60 s
    model.species.append({"P", 1, 0});
    model.reactions.append({1, 0, 3, 0, 1, 0});
    Simulation run(model);
    run.engine.Run();
    const int far = run.engine.nBoxes() - 4;
    EXPECT_GT(run.engine.concentration(1, far), 0.05);
    EXPECT_LT(run.engine.concentration(1, far), 0.5);

    // A rate exactly at the threshold (kf C = 0.01 / s) counts as quiet.
    TModel quiet = oneCouple(0, 0);
    quiet.species.append({"P", 1, 0});
    quiet.reactions.append({1, 0, 3, 0, 0.01, 0});
    Simulation atThreshold(quiet);
    atThreshold.engine.Run();
    EXPECT_EQ(atThreshold.engine.concentration(1, 5), 1);
    quiet.reactions[1].kf = 0.0101;
    Simulation above(quiet);
    above.engine.Run();
    EXPECT_LT(above.engine.concentration(1, 5), 1);
}

TEST(Engine, StopAndHoldMayComeFromAnotherThread) {
    TModel model = oneCouple();
    model.species.append({"P", 1, 0});
    model.reactions.append({2, 0, 3, 0, 1e7, 0});  // many steps
    struct Counting final : EngineDisplay {
        std::atomic<std::int64_t> steps{0};
        void StepDone(std::int64_t, double, double) override { ++steps; }
    } counting;
    std::vector<CVpoint> points;
    std::atomic<bool> freeze{false};
    TCVEngine engine(model, points, freeze, counting);
    std::thread stopper([&] {
        while (counting.steps < 100)
            std::this_thread::yield();
        engine.ToggleHold();
        engine.Stop();
    });
    EXPECT_THROW(engine.Run(), EngineStopException);
    stopper.join();
    EXPECT_TRUE(engine.holding());
    EXPECT_GE(counting.steps, 100);
}

}  // namespace
}  // namespace ondrel

namespace ondrel {
namespace {

TEST(Engine, FastDiffusingSpeciesGetAGridSizedForThem) {
    // A reversible couple whose species have D = 1.3, 2 and 4 (1.3e-5 cm²/s
    // and up): Randles-Sevcik and 57-60 mV between the peaks, where an
    // explicit scheme on the grid of D = 1 would blow up.
    const double F = 96485.33, R = 8.314462618, T = 298.15;
    for (double D : {1.3, 2.0, 4.0}) {
        TModel model = oneCouple(0, 10);
        model.species[1].D = model.species[2].D = D;
        Simulation run(model);
        EXPECT_EQ(run.engine.gridD(), D);
        run.engine.Run();
        const std::size_t half = run.points.size() / 2;
        const Peak cathodic = largest(run.points, 0, half, -1);
        const Peak anodic = largest(run.points, half, run.points.size(), 1);
        const double ip = 0.4463 * F * 0.01 * 1e-6 * std::sqrt(F * 0.1 * D * 1e-5 / (R * T));
        EXPECT_NEAR(-cathodic.current, ip, 0.015 * ip) << "D = " << D;
        EXPECT_GE(anodic.potential - cathodic.potential, 57) << "D = " << D;
        EXPECT_LE(anodic.potential - cathodic.potential, 60) << "D = " << D;
    }
    // Up to D = 1 the grid is the one of D = 1; a species in no couple and
    // no reaction does not count.
    TModel slower = oneCouple();
    slower.species[2].D = 0.9;
    slower.species.append({"Idle", 7, 1});
    EXPECT_EQ(Simulation(slower).engine.gridD(), 1);
}

TEST(Engine, EveryHalfCycleRunsWhole) {
    // The default program's half-cycles come out at 999.9999999999999 steps
    // each in floating point; both run whole, and the last point is back on
    // the start potential.
    Simulation standard(DefaultModel());
    standard.engine.Run();
    EXPECT_EQ(standard.points.size(), 1000u);
    EXPECT_EQ(standard.display.steps.size(), 2000u);
    EXPECT_EQ(standard.points.back().potential, 1100);

    TModel three = oneCouple(0.2);
    three.pilot = {0.0, 0.6, -0.1, 0.5, 0.2, 3};  // 600, 700 and 600 mV
    Simulation cycles(three);
    cycles.engine.Run();
    EXPECT_EQ(cycles.engine.nPoints(), 1900);
    EXPECT_EQ(cycles.points.size(), 1900u);
    EXPECT_NEAR(cycles.display.potentials.back(), 500, 1e-9);
}

TEST(Engine, ModelsThatCannotBeSimulatedAreRefusedNamingTheValue) {
    struct Case {
        std::function<void(TModel&)> change;
        const char* message;
    };
    const Case cases[] = {
        {[](TModel& m) { m.pilot.Eswitch1 = m.pilot.Einitial; },
         "The first half-cycle is empty: the initial potential equals the first switching "
         "potential (0.3 V)."},
        {[](TModel& m) { m.temperature = 0; },
         "The temperature must be a positive number of K, not 0."},
        {[](TModel& m) { m.area = -1; },
         "The electrode area must be a positive number of cm\u00B2, not -1."},
        {[](TModel& m) { m.diffusionScale = NAN; },
         "The diffusion scale must be a positive number of cm\u00B2/s, not NAN."},
        {[](TModel& m) { m.concScale = INFINITY; },
         "The concentration factor must be a positive number of mol/cm\u00B3, not INF."},
        {[](TModel& m) { m.species[2].D = 0; },
         "The diffusion coefficient D of species 2 (Red) must be a positive number, not 0."},
        {[](TModel& m) { m.species[1].D = -1.5; },
         "The diffusion coefficient D of species 1 (Ox) must be a positive number, not -1.5."},
        {[](TModel& m) { m.pilot.Eswitch1 = -3e6; },
         "The potential -3000000 V does not fit the stored points (at most \u00B12147483 V)."},
        {[](TModel& m) { m.pilot.scanRate = 5e-324; },
         "The scan rate 4.94065645841247E-324 V/s is too small: the program would last longer "
         "than can be counted."},
        // A program that lasts 10³⁰⁰ s leaves the range of the solvers'
        // arithmetic: no points, or no finite ones.
        {[](TModel& m) { m.pilot.scanRate = 1e-300; },
         "The scan rate 1E-300 V/s is too small: the program would last 1.2E300 s, longer than "
         "the 1E12 s (about 30000 years) a run can step."},
    };
    std::vector<CVpoint> points;
    std::atomic<bool> freeze{false};
    NullDisplay display;
    for (const Case& c : cases) {
        TModel model = oneCouple();
        c.change(model);
        try {
            TCVEngine engine(model, points, freeze, display);
            ADD_FAILURE() << "built an engine for: " << c.message;
        } catch (const Exception& error) {
            EXPECT_STREQ(error.what(), c.message);
        }
    }
    // A species in no couple and no reaction may hold anything.
    TModel idle = oneCouple();
    idle.species.append({"Idle", 0, 1});
    EXPECT_NO_THROW(TCVEngine(idle, points, freeze, display));
}

TEST(Engine, ARunThatStopsBeingFiniteEndsWithAnErrorNotWithPoints) {
    // A fast catalytic reaction in a large excess of catalyst: the explicit
    // chemistry is unstable at the step the rate constant alone sets.
    TModel model = oneCouple();
    model.species.append({"Z", 1, 10});
    model.reactions.append({2, 3, 1, 0, 50, 0});
    Simulation run(model);
    try {
        run.engine.Run();
        ADD_FAILURE() << "the run completed";
    } catch (const EngineErrorException& error) {
        EXPECT_NE(std::string(error.what()).find("The simulation became unstable at step "),
                  std::string::npos)
            << error.what();
        EXPECT_NE(std::string(error.what()).find(" mV): the current is not a finite number."),
                  std::string::npos);
    }
    for (const CVpoint& p : run.points)
        ASSERT_TRUE(std::isfinite(p.current));
    EXPECT_EQ(run.display.refreshes, 0);
}

TEST(Engine, AReactionInSolutionDecaysExponentially) {
    // A -> B at kf in a solution without electrode flux: every box follows
    // C(t) = e^(-kf t). Doubling a rate constant, or halving it, fails this.
    TModel model = oneCouple(0, 0);
    model.species.append({"A", 1, 1});
    model.species.append({"B", 1, 0});
    model.reactions.append({3, 0, 4, 0, 0.1, 0});
    Simulation run(model);
    run.engine.Run();
    const double T =
        model.pilot.Einitial - model.pilot.Eswitch1 + model.pilot.Eswitch2 - model.pilot.Eswitch1;
    const double expected = std::exp(-0.1 * T / model.pilot.scanRate);
    for (int b : {1, run.engine.nBoxes() / 2, run.engine.nBoxes() - 4}) {
        EXPECT_NEAR(run.engine.concentration(3, b), expected, 1e-6 * expected) << "box " << b;
        EXPECT_NEAR(run.engine.concentration(3, b) + run.engine.concentration(4, b), 1, 1e-12);
    }
    // The couple's species take no part.
    EXPECT_EQ(run.engine.concentration(1, 1), 1);
}

TEST(Engine, TheCoupledPairKeepsItsFluxes) {
    // Two couples with overlapping waves, solved as a pair. The currents are
    // pinned: a change to any constant of the pair's flux formulas moves
    // them.
    const TModel pair = pairModel(0.02, 0.5, -0.03, 0.2, 0.45);
    Simulation run(pair);
    run.engine.Run();
    ASSERT_EQ(run.points.size(), 1200u);
    const std::pair<std::size_t, double> pinned[] = {
        {299, -3.99087321e-6}, {399, -3.94766403e-6}, {898, 2.97805218e-6}};
    for (const auto& [index, current] : pinned)
        EXPECT_NEAR(run.points[index].current, current, 1e-6 * std::fabs(current))
            << "point " << index;

    // With the second couple's wave far away, the pair's first flux is the
    // single couple's: g = 1.079 and 1/0.926775 agree to 1e-5.
    TModel apart = pair;
    apart.couples[2].E0 = -2.0;
    TModel single = pair;
    single.couples.remove(2);
    Simulation paired(apart), alone(single);
    paired.engine.Run();
    alone.engine.Run();
    for (std::size_t i = 0; i < alone.points.size(); i += 100)
        EXPECT_NEAR(paired.points[i].current, alone.points[i].current,
                    1e-4 * std::fabs(alone.points[i].current) + 1e-12)
            << "point " << i;
}

TEST(Engine, TheDisplayGetsTheRunsFiguresAndCopiesOfItsResults) {
    struct Recorder final : EngineDisplay {
        void RunStarting(const RunFigures& f, const CVSimulation& engine) override {
            figures = f;
            atStart = engine.Profiles();
        }
        void PointStored(const CVpoint& p) override { stored.push_back(p); }
        void RefreshProfiles(const ConcentrationProfiles& p) override { atEnd = p; }
        RunFigures figures;
        ConcentrationProfiles atStart, atEnd;
        std::vector<CVpoint> stored;
    } recorder;
    std::vector<CVpoint> points;
    std::atomic<bool> freeze{false};
    TCVEngine engine(workedExample(), points, freeze, recorder);
    engine.Run();
    EXPECT_EQ(recorder.figures.nSteps, 1000);
    EXPECT_EQ(recorder.figures.stepsPerPoint, 2);
    EXPECT_EQ(recorder.figures.nPoints, 500);
    EXPECT_EQ(recorder.figures.nBoxes, 25);
    EXPECT_DOUBLE_EQ(recorder.figures.dt, 0.002);
    EXPECT_EQ(recorder.figures.EminV, -0.5);
    EXPECT_EQ(recorder.figures.EmaxV, 1.0);
    EXPECT_EQ(recorder.stored, points);
    ASSERT_EQ(recorder.atStart.names, (std::vector<std::string>{"Ox", "Red"}));
    EXPECT_EQ(recorder.atStart.values[0], std::vector<double>(25, 1.0));
    ASSERT_EQ(recorder.atEnd.values.size(), 2u);
    EXPECT_EQ(recorder.atEnd.values[1][0], engine.concentration(2, 1));
    EXPECT_GT(recorder.atEnd.values[1][0], 0.5);
}

}  // namespace
}  // namespace ondrel
