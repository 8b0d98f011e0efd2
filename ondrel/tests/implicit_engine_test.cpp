// The implicit solver against the analytical results of voltammetry and
// against the classic engine where both can run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <numbers>
#include <string>
#include <thread>

#include "curves/peaks.h"
#include "curves/simulated_curve.h"
#include "engine/cv_engine.h"
#include "engine/engine_errors.h"
#include "engine/implicit_engine.h"
#include "platform/float_text.h"
#include "sample_models.h"

namespace ondrel {
namespace {

constexpr double kT = 298.15;
constexpr double kF = 96485.33212;       // C/mol
constexpr double kR = 8.314462618;       // J/(mol K)
constexpr double kFRT = kF / (kR * kT);  // 1/V

// Red - e <=> Ox, only Red in the solution, D = 1 (1e-5 cm²/s), swept from
// E0 - before to E0 + after and back.
TModel oneCouple(double k0, double alpha, double before, double after, double v) {
    TModel model;
    model.temperature = kT;
    model.species.append({"Ox", 1, 0});
    model.species.append({"Red", 1, 1});
    model.couples.append({1, 2, 0.0, k0, alpha});
    model.pilot.Einitial = -before;
    model.pilot.Eswitch1 = after;
    model.pilot.Eswitch2 = -before;
    model.pilot.Efinal = -before;
    model.pilot.scanRate = v;
    model.pilot.halfCycles = 2;
    model.solver = Solver::Implicit;
    return model;
}

Curve run(const TModel& model) {
    std::vector<CVpoint> points;
    std::atomic<bool> freeze{false};
    NullDisplay display;
    const std::unique_ptr<CVSimulation> engine = MakeSimulation(model, points, freeze, display);
    engine->Run();
    return SimulatedCurve(points);
}

// The maximum of the forward sweep and the minimum of the reverse one.
std::pair<Peak, Peak> peaksOf(const Curve& curve) {
    const std::vector<Peak> peaks = FindSimulatedPeaks(curve).peaks;
    Peak forward{0, 0, -1e300}, reverse{0, 0, 1e300};
    for (const Peak& p : peaks) {
        if (p.kind == PeakKind::Maximum && p.Ip > forward.Ip)
            forward = p;
        if (p.kind == PeakKind::Minimum && p.Ip < reverse.Ip)
            reverse = p;
    }
    return {forward, reverse};
}

// The current, µA, of the reversible peak: 0.4463 nFAC √(nFvD/RT).
double randlesSevcik(const TModel& model) {
    const double D = model.diffusionScale, C = model.concScale;
    return 0.4463 * kF * model.area * C * std::sqrt(kFRT * model.pilot.scanRate * D) * 1e6;
}

TEST(ImplicitEngine, AReversibleCoupleHasTheRandlesSevcikPeak) {
    const TModel model = oneCouple(1e4, 0.5, 0.3, 0.3, 0.1);
    const auto [forward, reverse] = peaksOf(run(model));
    EXPECT_NEAR(forward.Ip / randlesSevcik(model), 1, 0.01);
    // 28.5 mV past E°, and ΔEp 57 mV with the switch far past the peak.
    EXPECT_NEAR(forward.Ep, 28.5, 1.5);
    EXPECT_NEAR(forward.Ep - reverse.Ep, 57, 2);
}

TEST(ImplicitEngine, QuasiReversibleCouplesFollowNicholsonsTable) {
    // ψ = k0 / √(π D F v / RT), α = 0.5; ΔEp in mV, the sweep switched
    // 141 mV past E° as in the table's computation.
    const double v = 0.1, D = 1e-5;
    for (auto [psi, deltaEp] :
         {std::pair{20.0, 61.0}, {1.0, 84.0}, {0.5, 105.0}, {0.25, 141.0}, {0.1, 212.0}}) {
        const double k0 = psi * std::sqrt(std::numbers::pi * D * kFRT * v);
        const auto [forward, reverse] = peaksOf(run(oneCouple(k0, 0.5, 0.4, 0.141, v)));
        EXPECT_NEAR(forward.Ep - reverse.Ep, deltaEp, 4) << "psi " << psi;
    }
}

TEST(ImplicitEngine, ATotallyIrreversibleWaveHasItsPeakAndWidth) {
    const double v = 0.1, D = 1e-5, k0 = 1e-5;
    for (double alpha : {0.5, 0.3}) {
        // The oxidation's transfer coefficient is 1 - α.
        const double beta = 1 - alpha;
        const Curve curve = run(oneCouple(k0, alpha, 0.2, 0.8, v));
        const auto [forward, reverse] = peaksOf(curve);
        const double expected =
            1000 / (beta * kFRT) * (0.780 + std::log(std::sqrt(D * beta * kFRT * v) / k0));
        EXPECT_NEAR(forward.Ep, expected, 2) << "alpha " << alpha;
        // The half-peak potential: where the rising current passes Ip / 2.
        double half = 0;
        for (std::size_t i = 1; i < curve.size(); ++i)
            if (curve[i - 1].current < forward.Ip / 2 && curve[i].current >= forward.Ip / 2) {
                const double f = (forward.Ip / 2 - curve[i - 1].current) /
                                 (curve[i].current - curve[i - 1].current);
                half = curve[i - 1].potential + f * (curve[i].potential - curve[i - 1].potential);
                break;
            }
        EXPECT_NEAR(forward.Ep - half, 47.7 / beta, 2) << "alpha " << alpha;
    }
}

TEST(ImplicitEngine, CatalysisReachesItsPlateauForAnyRateConstant) {
    // Red - e -> Ox, Ox -> Red with k': the plateau is nFAC √(D k').
    for (double k : {1e3, 1e5, 1e7, 1e9}) {
        TModel model = oneCouple(1e4, 0.5, 0.2, 0.4, 0.1);
        model.reactions.append({1, 0, 2, 0, k, 0});
        const Curve curve = run(model);
        const double top = std::max_element(curve.begin(), curve.end(),
                                            [](const CurvePoint& a, const CurvePoint& b) {
                                                return a.current < b.current;
                                            })
                               ->current;
        const double plateau =
            kF * model.area * model.concScale * std::sqrt(model.diffusionScale * k) * 1e6;
        EXPECT_NEAR(top / plateau, 1, 0.02) << "k' " << k;
    }
}

TEST(ImplicitEngine, AFollowUpReactionShiftsThePeakThirtyMillivoltsADecade) {
    // Red - e <=> Ox, Ox -> P: in the kinetic zone Ep moves by
    // (RT/2F) ln 10 = 29.6 mV for each decade of kf.
    std::vector<double> Ep;
    for (double kf : {1e5, 1e7, 1e9}) {
        TModel model = oneCouple(1e4, 0.5, 0.5, 0.3, 0.1);
        model.species.append({"P", 1, 0});
        model.reactions.append({1, 0, 3, 0, kf, 0});
        Ep.push_back(peaksOf(run(model)).first.Ep);
    }
    const double decade = std::log(10.0) / (2 * kFRT) * 1000;
    EXPECT_NEAR(Ep[0] - Ep[1], 2 * decade, 2);
    EXPECT_NEAR(Ep[1] - Ep[2], 2 * decade, 2);
}

// The classic engine's models that it runs in reasonable time.
std::vector<std::pair<const char*, TModel>> nonStiffModels() {
    TModel followUp = DefaultModel();
    followUp.couples.remove(1);
    followUp.reactions.append({2, 0, 1, 0, 1e2, 0});
    TModel second = DefaultModel();
    second.couples.remove(1);
    second.species.append({"E4", 1, 1});
    second.reactions.append({2, 4, 1, 0, 1e3, 0});
    return {{"default", DefaultModel()}, {"follow-up", followUp}, {"second order", second}};
}

TEST(ImplicitEngine, AgreesWithTheClassicEngineOnNonStiffModels) {
    for (auto [name, model] : nonStiffModels()) {
        model.solver = Solver::Classic;
        const std::vector<Peak> classic = FindSimulatedPeaks(run(model)).peaks;
        model.solver = Solver::Implicit;
        const std::vector<Peak> implicit = FindSimulatedPeaks(run(model)).peaks;
        ASSERT_EQ(classic.size(), implicit.size()) << name;
        for (std::size_t p = 0; p < classic.size(); ++p) {
            EXPECT_NEAR(implicit[p].Ep, classic[p].Ep, 1) << name << " peak " << p;
            EXPECT_NEAR(implicit[p].Ip / classic[p].Ip, 1, 0.005) << name << " peak " << p;
        }
    }
}

TEST(ImplicitEngine, StopFreezeAndHoldWorkAsInTheClassicEngine) {
    TModel model = DefaultModel();
    model.solver = Solver::Implicit;
    std::vector<CVpoint> points;
    std::atomic<bool> freeze{true};
    struct Waiting final : EngineDisplay {
        std::atomic<bool> frozen{false};
        void ProcessEvents() override { frozen = true; }
    } waiting;
    TImplicitEngine engine(model, points, freeze, waiting);
    std::thread stopper([&] {
        while (!waiting.frozen)
            std::this_thread::yield();
        engine.Stop();
    });
    // Frozen from the start: nothing computed, and Stop ends the freeze.
    EXPECT_THROW(engine.Run(), EngineStopException);
    stopper.join();
    EXPECT_TRUE(points.empty());

    // Held for the first steps: the potential waits, the points go on.
    struct Holder final : EngineDisplay {
        CVSimulation* engine = nullptr;
        std::int64_t released = 0;
        void StepDone(std::int64_t step, double, double) override {
            if (step == 0)
                engine->ToggleHold();
            if (step == 40)
                engine->ToggleHold();
        }
    } holder;
    std::vector<CVpoint> held;
    std::atomic<bool> running{false};
    TImplicitEngine holding(model, held, running, holder);
    holder.engine = &holding;
    holding.Run();
    ASSERT_GT(held.size(), 12u);
    // 40 steps of 4 a millivolt: ten points at the first potential.
    EXPECT_EQ(held[0].potential, held[9].potential);
    EXPECT_EQ(held.size(), 1000u + 10u);
    // The profiles come as the chart's boxes, out to the bulk.
    const ConcentrationProfiles profiles = holding.Profiles();
    ASSERT_EQ(profiles.values.size(), 3u);
    EXPECT_EQ(profiles.values[2].size(), 48u);
    EXPECT_DOUBLE_EQ(profiles.values[2].back(), 1.0);
    for (const std::vector<double>& species : profiles.values)
        for (double c : species) {
            EXPECT_GE(c, -1e-9);
            EXPECT_LE(c, 1 + 1e-9);
        }
}

// The largest current of a curve, in magnitude.
double largestCurrent(const Curve& curve) {
    double largest = 0;
    for (const CurvePoint& p : curve)
        largest = std::max(largest, std::fabs(p.current));
    return largest;
}

TEST(ImplicitEngine, TheWholeCurveAgreesWithTheClassicEngine) {
    // The mean difference over every point, within 0.2 % of the peak
    // current (0.07 % for the default model): a coarser grid or time step,
    // or a slip in the electrode's rates, moves it further.
    for (auto [name, model] : nonStiffModels()) {
        model.solver = Solver::Classic;
        const Curve classic = run(model);
        model.solver = Solver::Implicit;
        const Curve implicit = run(model);
        ASSERT_EQ(classic.size(), implicit.size()) << name;
        double difference = 0;
        for (std::size_t i = 0; i < classic.size(); ++i) {
            ASSERT_EQ(classic[i].potential, implicit[i].potential) << name << " point " << i;
            difference += std::fabs(implicit[i].current - classic[i].current);
        }
        const double mean = difference / static_cast<double>(classic.size());
        EXPECT_LT(mean / largestCurrent(classic), 0.002) << name;
    }
}

TEST(ImplicitEngine, CurrentsArePinned) {
    // E3 - e -> E2 followed by E2 -> E1 at 100/s: a change to any constant
    // of the grid, the time step, the rates or the current moves these.
    TModel model = nonStiffModels()[1].second;
    model.solver = Solver::Implicit;
    const Curve curve = run(model);
    ASSERT_EQ(curve.size(), 1000u);
    const std::pair<std::size_t, double> pinned[] = {{99, 3.83605084},
                                                     {158, 9.57013526},
                                                     {299, 4.51258984},
                                                     {699, 2.39314022},
                                                     {899, 0.470681641}};
    for (const auto& [index, current] : pinned)
        EXPECT_NEAR(curve[index].current, current, 1e-6 * std::fabs(current)) << "point " << index;
}

TEST(ImplicitEngine, TheNewtonJacobianIsTheResidualsDerivative) {
    // Two couples and a reversible second-order reaction A + B <=> C + D,
    // at a state away from the bulk: the Jacobian times a direction equals
    // the residual's central difference along it (exact up to rounding, as
    // the residual is at most quadratic in the concentrations).
    TModel model;
    for (const char* name : {"A", "B", "C", "D"})
        model.species.append({name, 1, 0.5});
    model.species[2].D = 0.6;
    model.couples.append({1, 2, 0.0, 0.01, 0.4});
    model.couples.append({3, 4, 0.05, 1.0, 0.6});
    model.reactions.append({1, 2, 3, 4, 2e4, 5e3});
    model.reactions.append({3, 0, 2, 0, 300, 0});
    model.pilot = oneCouple(1, 0.5, 0.2, 0.2, 0.1).pilot;
    std::vector<CVpoint> points;
    std::atomic<bool> freeze{false};
    NullDisplay display;
    TImplicitEngine engine(model, points, freeze, display);
    const std::size_t n = engine.nUnknowns();
    std::vector<double> u(n), direction(n);
    for (std::size_t k = 0; k < n; ++k) {
        u[k] = 0.5 + 0.4 * std::sin(0.7 * static_cast<double>(k));
        direction[k] = std::cos(1.3 * static_cast<double>(k));
    }
    const double E = 0.02;
    const std::vector<double> product = engine.stepJacobianTimes(u, E, direction);
    const double epsilon = 1e-4;
    std::vector<double> up = u, down = u;
    for (std::size_t k = 0; k < n; ++k) {
        up[k] += epsilon * direction[k];
        down[k] -= epsilon * direction[k];
    }
    const std::vector<double> high = engine.stepResidual(up, E);
    const std::vector<double> low = engine.stepResidual(down, E);
    double scale = 0;
    for (double p : product)
        scale = std::max(scale, std::fabs(p));
    for (std::size_t k = 0; k < n; ++k)
        ASSERT_NEAR((high[k] - low[k]) / (2 * epsilon), product[k], 1e-7 * scale)
            << "unknown " << k;
}

// The currents of a reference file (A), one per stored point.
std::vector<double> referenceCurrents(const std::string& name) {
    std::ifstream file(std::string(ONDREL_TEST_DATA) + "/implicit_" + name + ".txt");
    std::vector<double> currents;
    for (std::string line; std::getline(file, line);)
        if (!line.empty() && line[0] != '#')
            currents.push_back(std::stod(line));
    return currents;
}

TEST(ImplicitEngine, TheCurvesKeepTheirReferencesWithinAThousandthOfThePeak) {
    // Solutions with 4 steps a millivolt on a grid growing by 1.06. The
    // first point is left out: the reference's started with a single step
    // and overshot there.
    const char* const names[] = {"default", "follow_up", "second_order"};
    const auto models = nonStiffModels();
    for (std::size_t m = 0; m < models.size(); ++m) {
        TModel model = models[m].second;
        model.solver = Solver::Implicit;
        const Curve curve = run(model);
        const std::vector<double> reference = referenceCurrents(names[m]);
        ASSERT_EQ(reference.size(), curve.size()) << names[m];
        double peak = 0;
        for (double I : reference)
            peak = std::max(peak, std::fabs(I) * 1e6);
        for (std::size_t i = 1; i < curve.size(); ++i)
            ASSERT_NEAR(curve[i].current, reference[i] * 1e6, 1e-3 * peak)
                << names[m] << " point " << i;
    }
}

TEST(ImplicitEngine, ASweepStartingWhereCurrentFlowsIsRightFromItsFirstPoints) {
    // Ox only, the sweep starting at E°: a potential step at t = 0. Against
    // the same run with 64 times finer steps, at the same moments.
    TModel model = oneCouple(1e4, 0.5, 0, 0.05, 0.1);
    model.species[1].C = 1;
    model.species[2].C = 0;
    model.pilot.Eswitch1 = -0.05;
    model.pilot.halfCycles = 1;
    struct Recorder final : EngineDisplay {
        std::vector<double> currents;
        void StepDone(std::int64_t, double I, double) override { currents.push_back(I); }
    } coarse, fine;
    std::vector<CVpoint> points;
    std::atomic<bool> freeze{false};
    TImplicitEngine(model, points, freeze, coarse).Run();
    const int finer = 64;
    TImplicitEngine(model, points, freeze, fine, TImplicitEngine::kStepsPerMv * finer).Run();
    // Stored point k follows step 4k, the only steps reported; the fine run
    // is there after step 64 (4k + 1) - 1.
    for (auto [point, within] : {std::pair{0, 0.05}, {1, 0.01}, {2, 0.01}, {10, 0.01}}) {
        const double I = coarse.currents[point];
        const double converged =
            fine.currents[finer * (TImplicitEngine::kStepsPerMv * point + 1) - 1];
        EXPECT_NEAR(I / converged, 1, within) << "point " << point;
    }
}

// At least two peaks, as many as expected, each within mV in potential and
// the share in current.
void expectSamePeaks(const std::vector<Peak>& peaks, const std::vector<Peak>& expected, double mV,
                     double share) {
    ASSERT_EQ(peaks.size(), expected.size());
    ASSERT_GE(peaks.size(), 2u);
    for (std::size_t p = 0; p < peaks.size(); ++p) {
        EXPECT_NEAR(peaks[p].Ep, expected[p].Ep, mV) << "peak " << p;
        EXPECT_NEAR(peaks[p].Ip / expected[p].Ip, 1, share) << "peak " << p;
    }
}

TEST(ImplicitEngine, TwelveSpeciesGiveTheClassicEnginesPeaks) {
    TModel model = TwelveSpeciesModel();
    const std::vector<Peak> classic = FindSimulatedPeaks(run(model)).peaks;
    model.solver = Solver::Implicit;
    const std::vector<Peak> implicit = FindSimulatedPeaks(run(model)).peaks;
    expectSamePeaks(implicit, classic, 1, 0.005);
}

// ECE with disproportionation: A + e <=> B, B -> C, C + e <=> D 200 mV
// easier, B + C -> A + D with kf, swept from start down to turn and back.
TModel disproportionationModel(double kf, double start, double turn) {
    TModel model;
    for (const char* name : {"A", "B", "C", "D"})
        model.species.append({name, 1, name[0] == 'A' ? 1.0 : 0.0});
    model.couples.append({1, 2, 0.0, 1.0, 0.5});
    model.couples.append({3, 4, 0.2, 1.0, 0.5});
    model.reactions.append({2, 0, 3, 0, 10, 0});
    model.reactions.append({2, 3, 1, 4, kf, 0});
    model.pilot = oneCouple(1, 0.5, -start, turn, 0.1).pilot;
    return model;
}

// The same chemistry with its species listed B, C, A, D.
TModel reorderedDisproportionationModel(double kf, double start, double turn) {
    TModel model = disproportionationModel(kf, start, turn);
    model.species.clear();
    for (const char* name : {"B", "C", "A", "D"})
        model.species.append({name, 1, name[0] == 'A' ? 1.0 : 0.0});
    model.couples.clear();
    model.couples.append({3, 1, 0.0, 1.0, 0.5});
    model.couples.append({2, 4, 0.2, 1.0, 0.5});
    model.reactions.clear();
    model.reactions.append({1, 0, 2, 0, 10, 0});
    model.reactions.append({1, 2, 3, 4, kf, 0});
    return model;
}

// Point by point within a thousandth of the reference's largest current.
void expectSameCurve(const std::vector<CVpoint>& points, const std::vector<CVpoint>& expected,
                     const char* what) {
    ASSERT_EQ(points.size(), expected.size()) << what;
    ASSERT_FALSE(points.empty()) << what;
    float largest = 0;
    for (const CVpoint& p : expected)
        largest = std::max(largest, std::fabs(p.current));
    for (std::size_t i = 0; i < points.size(); ++i) {
        ASSERT_EQ(points[i].potential, expected[i].potential) << what << ", point " << i;
        ASSERT_NEAR(points[i].current, expected[i].current, 0.001 * largest)
            << what << ", point " << i;
    }
}

TEST(ImplicitEngine, FastSecondOrderChemistryIsSolvedWhateverTheOrderOfItsSpecies) {
    // Disproportionation at 10^10 and catalysis at kf·C 10^10 (kf 10^9, the
    // substrate ten times in excess): where two reactants overshoot below
    // zero together, Newton's method must not follow them to a root that is
    // no concentration. Both orders of the species run to the end with the
    // same curve, and the catalysis gives the wave of finer steps.
    const TModel model = disproportionationModel(1e10, 0.12, -0.05);
    const TModel reordered = reorderedDisproportionationModel(1e10, 0.12, -0.05);
    TModel catalysis = oneCouple(1, 0.5, 0.15, -0.05, 0.1);
    catalysis.pilot.halfCycles = 1;  // its wave
    catalysis.species.append({"P", 1, 0});
    catalysis.species.append({"Z", 1, 10});
    catalysis.reactions.append({1, 4, 2, 3, 1e9, 0});
    std::vector<CVpoint> points, reorderedPoints, catalysisPoints, finer;
    std::atomic<bool> freeze{false};
    NullDisplay display;
    try {
        TImplicitEngine(model, points, freeze, display).Run();
        TImplicitEngine(reordered, reorderedPoints, freeze, display).Run();
        TImplicitEngine(catalysis, catalysisPoints, freeze, display).Run();
        TImplicitEngine(catalysis, finer, freeze, display, 2 * TImplicitEngine::kStepsPerMv).Run();
    } catch (const Exception& error) {
        FAIL() << error.what();
    }
    expectSameCurve(reorderedPoints, points, "species listed B, C, A, D");
    const Peak wave = peaksOf(SimulatedCurve(catalysisPoints)).first;
    const Peak finerWave = peaksOf(SimulatedCurve(finer)).first;
    ASSERT_GT(finerWave.Ip, 0) << "no catalytic wave";
    EXPECT_NEAR(wave.Ep, finerWave.Ep, 0.5);
    EXPECT_NEAR(wave.Ip / finerWave.Ip, 1, 0.001);
}

TEST(ImplicitEngine, StiffSecondOrderChemistryKeepsItsPeaksWithTheStepsChosen) {
    // Disproportionation at 10^7, where a step of a millivolt may leave
    // Newton's method without a solution and be halved. Against every
    // program step solved: the same peaks.
    const TModel disproportionation = disproportionationModel(1e7, 0.4, -0.4);
    std::vector<CVpoint> points, everyStep;
    std::atomic<bool> freeze{false};
    NullDisplay display;
    TImplicitEngine(disproportionation, points, freeze, display).Run();
    TImplicitEngine(disproportionation, everyStep, freeze, display, TImplicitEngine::kStepsPerMv)
        .Run();
    const std::vector<Peak> peaks = FindSimulatedPeaks(SimulatedCurve(points)).peaks;
    const std::vector<Peak> expected = FindSimulatedPeaks(SimulatedCurve(everyStep)).peaks;
    expectSamePeaks(peaks, expected, 0.5, 0.001);
}

TEST(ImplicitEngine, ANewtonStepThatIsNotANumberAnywhereIsTakenAgainInHalves) {
    // ECE with disproportionation at 10^10, from 20 mV down to -100 mV and
    // back: some of Newton's first iterations from the start on end in
    // values that are not numbers, and those steps are taken again in
    // halves. A species that takes no part (its values are copied, and come
    // last) must not hide them: the run ends, and its points are those of
    // the model without it.
    const TModel model = disproportionationModel(1e10, 0.02, -0.1);
    TModel withIdle = model;
    withIdle.species.append({"Idle", 1, 1});
    std::vector<CVpoint> points, idlePoints;
    std::atomic<bool> freeze{false};
    NullDisplay display;
    TImplicitEngine(model, points, freeze, display).Run();
    TImplicitEngine(withIdle, idlePoints, freeze, display).Run();
    ASSERT_EQ(idlePoints.size(), points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        ASSERT_TRUE(std::isfinite(idlePoints[i].current)) << "point " << i;
        ASSERT_EQ(idlePoints[i].current, points[i].current) << "point " << i;
    }
}

TEST(ImplicitEngine, AGridThatCannotBeLaidIsRefusedNamingTheValue) {
    // A tiny D, or a small one with a huge rate constant, makes the first
    // interval vanish and the grid endless. Both are refused at once,
    // naming what set the first interval.
    TModel tiny = oneCouple(1e4, 0.5, 0.2, 0.4, 0.1);
    tiny.species[2].D = 1e-320;
    TModel fast = oneCouple(1e4, 0.5, 0.2, 0.4, 0.1);
    fast.species[1].D = fast.species[2].D = 1e-25;
    fast.reactions.append({1, 0, 2, 0, 1e300, 0});
    std::vector<CVpoint> points;
    std::atomic<bool> freeze{false};
    NullDisplay display;
    for (const auto& [model, named] :
         {std::pair{tiny, std::string("D = ") + FloatToText(1e-320, '.') + " of species 2 (Red)"},
          {fast, "the rate constant " + FloatToText(1e300, '.') + " of reaction 1"}}) {
        try {
            TImplicitEngine engine(model, points, freeze, display);
            ADD_FAILURE() << "laid a grid for " << named;
        } catch (const Exception& error) {
            EXPECT_NE(std::string(error.what()).find(named), std::string::npos) << error.what();
            EXPECT_NE(std::string(error.what()).find("more than 5000 nodes"), std::string::npos);
        }
    }
}

TEST(ImplicitEngine, RefusesWhatTheClassicEngineRefuses) {
    std::vector<CVpoint> points;
    std::atomic<bool> freeze{false};
    NullDisplay display;
    TModel still = DefaultModel();
    still.pilot.scanRate = 0;
    EXPECT_THROW(TImplicitEngine(still, points, freeze, display), Exception);
    TModel invalid = DefaultModel();
    invalid.couples[1].red = 7;
    EXPECT_THROW(TImplicitEngine(invalid, points, freeze, display), EngineErrorException);
    // The grid's first interval resolves the fastest reaction's layer.
    TModel fast = oneCouple(1e4, 0.5, 0.2, 0.4, 0.1);
    fast.reactions.append({1, 0, 2, 0, 1e11, 0});
    const TImplicitEngine engine(fast, points, freeze, display);
    EXPECT_LE(engine.firstInterval(), 0.1 * std::sqrt(1e-5 / 1e11) * 1.0001);
    EXPECT_LT(engine.nNodes(), 400);
}

// One couple that never reacts (k° = 0) between -0.2 and 0.2 V at 0.1 V/s
// on an electrode of the area given: the current is the double layer's
// alone.
TModel capacitorOnly(double ru, double cdl, double area = 0.01) {
    TModel model = oneCouple(0, 0.5, 0.2, 0.2, 0.1);
    model.area = area;
    model.pilot.irComp = ru > 0 ? 1 : 0;
    model.pilot.resistance = ru;
    model.pilot.icComp = 1;
    model.pilot.capacitance = cdl;
    return model;
}

// Every step's current, and whether the electrode's potential met the
// applied one less the ohmic drop, from an engine that solves and reports
// each step.
struct CellRecorder final : EngineDisplay {
    const TImplicitEngine* engine = nullptr;
    double resistance = 0, worstDrop = 0;
    std::vector<double> currents, potentialsMv;
    void StepDone(std::int64_t, double I, double potentialMv) override {
        currents.push_back(I);
        potentialsMv.push_back(potentialMv);
        const double drop = potentialMv / 1000 - engine->electrodePotential() - I * resistance;
        worstDrop = std::max(worstDrop, std::fabs(drop));
    }
};

// A run of the model with resistance ru, recorded; turn is the first step
// of the way back.
struct CellRun {
    std::vector<double> currents, potentialsMv;
    double worstDrop;
    std::int64_t turn;
    double dt;
};

CellRun runCell(const TModel& model, double ru) {
    std::vector<CVpoint> points;
    std::atomic<bool> freeze{false};
    CellRecorder recorder;
    recorder.resistance = ru;
    TImplicitEngine engine(model, points, freeze, recorder, TImplicitEngine::kStepsPerMv);
    recorder.engine = &engine;
    engine.Run();
    return {recorder.currents, recorder.potentialsMv, recorder.worstDrop, engine.nSteps() / 2,
            engine.figures().dt};
}

TEST(ImplicitCell, TheDoubleLayerChargesAtACdlVAndRelaxesWithRuCdlAfterTheSwitch) {
    // 20 µF/cm² on 0.01 cm² at 0.1 V/s: 20 nA; with 1e5 ohm, τ = 20 ms.
    const double C = 20e-6 * 0.01, v = 0.1, ru = 1e5, tau = ru * C;
    const CellRun recorder = runCell(capacitorOnly(ru, 20), ru);
    const std::int64_t turn = recorder.turn;
    const double dt = recorder.dt;
    EXPECT_NEAR(recorder.currents[turn - 1] / (C * v), 1, 0.005);
    EXPECT_NEAR(recorder.currents.back() / (-C * v), 1, 0.005);
    // i = -ACv + 2ACv e^(-t/τ) from the switch, through zero at τ ln 2.
    for (std::int64_t k = turn; k < turn + 40; ++k) {
        const double t = static_cast<double>(k - turn + 1) * dt;
        EXPECT_NEAR(recorder.currents[k] / (C * v), -1 + 2 * std::exp(-t / tau), 0.002)
            << "step " << k;
    }
    std::int64_t k = turn;
    while (recorder.currents[k] > 0)
        ++k;
    const double before = recorder.currents[k - 1], after = recorder.currents[k];
    const double zero = (static_cast<double>(k - turn) + before / (before - after)) * dt;
    EXPECT_NEAR(zero / (tau * std::log(2.0)), 1, 0.05);
    EXPECT_LT(recorder.worstDrop, 1e-6);
}

TEST(ImplicitCell, TheElectrodeSeesTheAppliedPotentialLessTheOhmicDrop) {
    TModel model = oneCouple(1e4, 0.5, 0.3, 0.3, 0.1);
    model.pilot = {-0.3, 0.3, -0.3, -0.3, 0.1, 2, {}, 0, 1, 1, 20, 2000};
    std::vector<CVpoint> points;
    std::atomic<bool> freeze{false};
    CellRecorder recorder;
    recorder.resistance = 2000;
    TImplicitEngine engine(model, points, freeze, recorder);
    recorder.engine = &engine;
    engine.Run();
    EXPECT_LT(recorder.worstDrop, 1e-6);
    // 2000 ohm at the peak's few µA: millivolts of drop.
    const auto [forward, reverse] = peaksOf(SimulatedCurve(points));
    EXPECT_GT(forward.Ep - reverse.Ep, 62);
}

TEST(ImplicitCell, ZeroValuesOrSwitchesOffSimulateAsBefore) {
    const TModel plain = oneCouple(1e4, 0.5, 0.3, 0.3, 0.1);
    std::vector<CVpoint> expected;
    std::atomic<bool> freeze{false};
    NullDisplay display;
    TImplicitEngine(plain, expected, freeze, display).Run();
    TModel zero = plain;
    zero.pilot.irComp = zero.pilot.icComp = 1;
    TModel off = plain;
    off.pilot.resistance = 100;
    off.pilot.capacitance = 20;
    for (const TModel& model : {zero, off}) {
        std::vector<CVpoint> points;
        TImplicitEngine(model, points, freeze, display).Run();
        EXPECT_EQ(points, expected);
    }
}

TEST(ImplicitCell, TheSwitchingSpikeOfAShortTimeConstantKeepsItsShape) {
    // A 3 mm disc at 20 µF/cm²: with 100 ohm τ = 141 µs, with 1000 ohm
    // 1.41 ms, with 3000 ohm 4.24 ms, against steps of 2.5 ms.
    const double area = 0.0707, v = 0.1;
    const double C = 20e-6 * area;
    for (const double ru : {100.0, 1000.0, 3000.0}) {
        const double tau = ru * C;
        const CellRun recorder = runCell(capacitorOnly(ru, 20, area), ru);
        const std::int64_t turn = recorder.turn;
        const double dt = recorder.dt;
        ASSERT_GT(dt, 0.5 * tau) << ru;
        EXPECT_NEAR(recorder.currents[turn - 1] / (C * v), 1, 0.002) << ru;
        // Parts growing to 0.3 τ soon after the turn missed by 0.007.
        for (std::int64_t k = turn; k < turn + 8; ++k) {
            const double t = static_cast<double>(k - turn + 1) * dt;
            EXPECT_NEAR(recorder.currents[k] / (C * v), -1 + 2 * std::exp(-t / tau), 0.002)
                << ru << " ohm, step " << k;
        }
        EXPECT_LT(recorder.worstDrop, 1e-6) << ru;
    }
}

TEST(ImplicitCell, WithoutResistanceTheChargingCurrentTurnsAtOnce) {
    const double C = 20e-6 * 0.01, v = 0.1;
    const CellRun recorder = runCell(capacitorOnly(0, 20), 0);
    const std::int64_t turn = recorder.turn;
    for (std::int64_t k = turn - 3; k < turn + 3; ++k)
        EXPECT_NEAR(recorder.currents[k] / (C * v), k < turn ? 1 : -1, 1e-6) << "step " << k;
}

// A sweep sampled at every time step: potentials (mV) and currents (A),
// turn the first sample of the way back.
struct Sweep {
    std::vector<double> potentialsMv, currents;
    std::size_t turn;
};

// Reversible oxidation Red - e -> Ox of a model made by oneCouple, with an
// uncompensated resistance, by the convolution of the current: the surface
// concentrations follow from the semi-integral of the current, and Nernst's
// law holds at E_applied - i·Ru. It lays no grid in space and takes no
// backward differences: a solution independent of the engine's. The
// current is taken constant over each potential step of stepMv.
Sweep convolutionSweep(const TModel& model, double ru, double stepMv) {
    const TPilot& p = model.pilot;
    const double h = stepMv / 1000 / p.scanRate;   // s
    const double f = 11604.4 / model.temperature;  // the engine's F/RT
    const double E0 = model.couples[1].E0;
    // θ = C_ox(0)/C* = a·(i_n + Σ_{k<n} i_k w_{n-k}).
    const double S = 96484.56 * model.area * model.concScale * std::sqrt(model.diffusionScale);
    const double a = 2 * std::sqrt(h / std::numbers::pi) / S;
    const int perSweep = static_cast<int>(std::lround((p.Eswitch1 - p.Einitial) * 1000 / stepMv));
    const int n = 2 * perSweep;
    std::vector<double> current(n + 1, 0.0), w(n + 1);
    for (int j = 0; j <= n; ++j)
        w[j] = std::sqrt(j + 1.0) - std::sqrt(static_cast<double>(j));
    Sweep sweep{{}, {}, static_cast<std::size_t>(perSweep)};
    for (int k = 1; k <= n; ++k) {
        const double E = k <= perSweep ? p.Einitial + k * stepMv / 1000
                                       : p.Eswitch1 - (k - perSweep) * stepMv / 1000;
        double past = 0;
        for (int j = 1; j < k; ++j)
            past += current[j] * w[k - j];
        past *= a;
        // ln(θ/(1-θ)) rises with i and f(E - i·Ru - E°) falls: bisection.
        double low = -past / a, high = (1 - past) / a;
        for (int iteration = 0; iteration < 100; ++iteration) {
            const double i = (low + high) / 2, theta = a * i + past;
            (std::log(theta / (1 - theta)) > f * (E - i * ru - E0) ? high : low) = i;
        }
        current[k] = (low + high) / 2;
        sweep.potentialsMv.push_back(E * 1000);
        sweep.currents.push_back(current[k]);
    }
    return sweep;
}

struct PeakTop {
    double Ep, Ip;  // mV, A
};

// The top of the forward sweep's maximum (sign 1) or the reverse sweep's
// minimum (sign -1): the vertex of the parabola fitted by least squares to
// the samples within 3 mV of the extreme one, so that the samples' spacing
// does not quantise it.
PeakTop fittedTop(const Sweep& sweep, double sign) {
    const std::vector<double>& E = sweep.potentialsMv;
    const std::vector<double>& I = sweep.currents;
    const std::size_t first = sign > 0 ? 0 : sweep.turn, last = sign > 0 ? sweep.turn : E.size();
    std::size_t top = first;
    for (std::size_t k = first; k < last; ++k)
        if (sign * I[k] > sign * I[top])
            top = k;
    // Σ xʲ and Σ xʲ·y over the samples, x from the extreme one.
    double m[5] = {}, r[3] = {};
    for (std::size_t k = first; k < last; ++k) {
        const double x = E[k] - E[top];
        if (std::fabs(x) > 3)
            continue;
        for (int j = 0; j < 5; ++j)
            m[j] += std::pow(x, j);
        for (int j = 0; j < 3; ++j)
            r[j] += std::pow(x, j) * I[k];
    }
    // y = c0 + c1 x + c2 x² by Cramer's rule.
    const auto det = [](double a, double b, double c, double d, double e, double f, double g,
                        double h, double i) {
        return a * (e * i - f * h) - b * (d * i - f * g) + c * (d * h - e * g);
    };
    const double d = det(m[0], m[1], m[2], m[1], m[2], m[3], m[2], m[3], m[4]);
    const double c0 = det(r[0], m[1], m[2], r[1], m[2], m[3], r[2], m[3], m[4]) / d;
    const double c1 = det(m[0], r[0], m[2], m[1], r[1], m[3], m[2], r[2], m[4]) / d;
    const double c2 = det(m[0], m[1], r[0], m[1], m[2], r[1], m[2], m[3], r[2]) / d;
    const double x = -c1 / (2 * c2);
    return {E[top] + x, c0 + c1 * x + c2 * x * x};
}

TEST(ImplicitCell, OhmicDropMovesThePeaksAsAnIndependentConvolutionSolutionDoes) {
    // 1 mM, 0.01 cm², 1e-5 cm²/s, 0.1 V/s, a reversible couple.
    const TModel plain = oneCouple(1e4, 0.5, 0.3, 0.3, 0.1);
    const double ip0 = fittedTop(convolutionSweep(plain, 0, 0.1), 1).Ip;
    // The convolution itself: the reversible peak of Randles and Sevcik.
    EXPECT_NEAR(ip0 * 1e6 / randlesSevcik(plain), 1, 0.003);
    // Each peak read from every time step (0.25 mV apart), not from the
    // stored points, whose whole millivolts are truncated toward zero.
    for (const double drop : {0.0, 0.005, 0.01, 0.025, 0.05, 0.1}) {
        const double ru = drop / ip0;
        TModel model = plain;
        model.pilot.irComp = 1;
        model.pilot.resistance = ru;
        const CellRun engine = runCell(model, ru);
        const Sweep simulated{engine.potentialsMv, engine.currents,
                              static_cast<std::size_t>(engine.turn)};
        const Sweep reference = convolutionSweep(plain, ru, 0.1);
        const PeakTop forward = fittedTop(simulated, 1), reverse = fittedTop(simulated, -1);
        const PeakTop forward0 = fittedTop(reference, 1), reverse0 = fittedTop(reference, -1);
        EXPECT_NEAR(forward.Ep - reverse.Ep, forward0.Ep - reverse0.Ep, 0.3) << drop;
        EXPECT_NEAR(forward.Ip / forward0.Ip, 1, 0.0025) << drop;
    }
}

TEST(ImplicitCell, StoredPointsKeepTheirCurrentsWithTheStepsChosenBetweenThem) {
    // The double layer's relaxation after the switch (τ = 20 ms, eight
    // program steps) and an ohmic drop over a peak: solved a point at a
    // time, against every program step solved.
    TModel cell = oneCouple(1e4, 0.5, 0.3, 0.3, 0.1);
    cell.pilot = {-0.3, 0.3, -0.3, -0.3, 0.1, 2, {}, 0, 1, 1, 20, 2000};
    for (const TModel& model : {capacitorOnly(1e5, 20), cell}) {
        std::vector<CVpoint> points, everyStep;
        std::atomic<bool> freeze{false};
        NullDisplay display;
        TImplicitEngine(model, points, freeze, display).Run();
        TImplicitEngine(model, everyStep, freeze, display, TImplicitEngine::kStepsPerMv).Run();
        ASSERT_EQ(points.size(), everyStep.size());
        double peak = 0;
        for (const CVpoint& p : everyStep)
            peak = std::max(peak, std::fabs(double{p.current}));
        for (std::size_t i = 0; i < points.size(); ++i) {
            ASSERT_EQ(points[i].potential, everyStep[i].potential);
            ASSERT_NEAR(points[i].current, everyStep[i].current, 1e-3 * peak) << "point " << i;
        }
    }
}

TEST(ImplicitCell, OhmicDropWidensAndLowersThePeaksAsARefinedSolutionDoes) {
    // 1 mM, 0.01 cm², 1e-5 cm²/s, 0.1 V/s, a reversible couple.
    const TModel plain = oneCouple(1e4, 0.5, 0.3, 0.3, 0.1);
    const auto [forward0, reverse0] = peaksOf(run(plain));
    const double ip0 = forward0.Ip * 1e-6;  // A
    double lastSeparation = forward0.Ep - reverse0.Ep, lastIp = forward0.Ip;
    for (double drop : {0.025, 0.1}) {
        TModel model = plain;
        model.pilot.irComp = 1;
        model.pilot.resistance = drop / ip0;
        const auto [forward, reverse] = peaksOf(run(model));
        EXPECT_GT(forward.Ep - reverse.Ep, lastSeparation + 5) << drop;
        EXPECT_LT(forward.Ip, lastIp) << drop;
        lastSeparation = forward.Ep - reverse.Ep;
        lastIp = forward.Ip;
        // Four times finer steps move neither peak.
        std::vector<CVpoint> points;
        std::atomic<bool> freeze{false};
        NullDisplay display;
        TImplicitEngine(model, points, freeze, display, 4 * TImplicitEngine::kStepsPerMv).Run();
        const auto [fineForward, fineReverse] = peaksOf(SimulatedCurve(points));
        EXPECT_NEAR(fineForward.Ep, forward.Ep, 1) << drop;
        EXPECT_NEAR(fineForward.Ip / forward.Ip, 1, 0.003) << drop;
        EXPECT_NEAR(fineReverse.Ep, reverse.Ep, 1) << drop;
    }
}

TEST(ImplicitCell, TheClassicEngineAndBadValuesAreRefused) {
    std::vector<CVpoint> points;
    std::atomic<bool> freeze{false};
    NullDisplay display;
    TModel model = capacitorOnly(100, 20);
    model.solver = Solver::Classic;
    try {
        MakeSimulation(model, points, freeze, display);
        ADD_FAILURE() << "the classic engine took a cell";
    } catch (const Exception& error) {
        EXPECT_NE(std::string(error.what()).find("implicit solver"), std::string::npos)
            << error.what();
    }
    TModel negative = capacitorOnly(-5, 20);
    negative.pilot.irComp = 1;
    EXPECT_THROW(MakeSimulation(negative, points, freeze, display), Exception);
}

}  // namespace
}  // namespace ondrel
