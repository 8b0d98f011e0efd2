// Experiment snapshots, their comparison and history, and what a running
// engine's charts show when.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <thread>

#include "engine/cv_engine.h"
#include "platform/ondrel_error.h"
#include "runs/experiment_history.h"
#include "runs/live_run.h"
#include "runs/refresh_schedule.h"
#include "runs/run_tables.h"

namespace ondrel {
namespace {

TVirtualExperiment snapshot(const TModel& model, const std::string& name = "NoName") {
    return TVirtualExperiment::Snapshot(model, name);
}

TEST(VirtualExperiment, ASnapshotCopiesEveryRecordAndFlagsInvalidOnes) {
    TModel model = DefaultModel();
    model.couples.append({2, 2, 0, 1, 0.5});
    model.reactions.append({1, 0, 1, 0, 1, 1});
    model.couples.append({0, 1, 0, 1, 0.5});
    const TVirtualExperiment e = snapshot(model, "run");
    EXPECT_TRUE(e.invalid);
    EXPECT_EQ(e.messages, (std::vector<std::string>{
                              "Invalid Redox Reaction ! Couple 3: Ox and Red are both E2",
                              "Invalid Redox Reaction ! Couple 4: Ox is Dummy, no species",
                              "Invalid Chemical Reaction !"}));
    EXPECT_EQ(e.couples, model.couples);  // copied all the same
    EXPECT_EQ(e.reactions, model.reactions);
    EXPECT_FALSE(snapshot(DefaultModel()).invalid);

    // Recalled, it is the model again, intervals included.
    TModel changed = DefaultModel();
    changed.plotInterval = 10;
    changed.temperature = 310;
    changed.pilot.scanRate = 0.05;
    TModel recalled;
    snapshot(changed).RecallInto(recalled);
    EXPECT_EQ(recalled, changed);
}

TEST(VirtualExperiment, ComparisonFindsTheFirstKindOfDifferenceAndIgnoresNames) {
    const TModel base = DefaultModel();
    const TVirtualExperiment a = snapshot(base);
    auto kindAfter = [&](const std::function<void(TModel&)>& change) {
        TModel model = base;
        change(model);
        return CompareExperiments(snapshot(model, "Other"), a);
    };
    EXPECT_EQ(kindAfter([](TModel&) {}), noDiff);
    EXPECT_EQ(kindAfter([](TModel& m) { m.species[2].name = "X"; }), noDiff);
    EXPECT_EQ(kindAfter([](TModel& m) { m.plotInterval = 10; }), noDiff);
    EXPECT_EQ(kindAfter([](TModel& m) { m.pilotRefreshInterval = 1; }), noDiff);
    EXPECT_EQ(kindAfter([](TModel& m) { m.species[3].C = 2; }), speciesDiff);
    EXPECT_EQ(kindAfter([](TModel& m) { m.species.append({"E4", 1, 0}); }), speciesDiff);
    EXPECT_EQ(kindAfter([](TModel& m) { m.couples[2].alpha = 0.4; }), redoxDiff);
    EXPECT_EQ(kindAfter([](TModel& m) { m.reactions.append({1, 0, 2, 0, 1, 1}); }), chemDiff);
    EXPECT_EQ(kindAfter([](TModel& m) { m.pilot.resistance = 5; }), pilotDiff);
    EXPECT_EQ(kindAfter([](TModel& m) { m.pilot.icComp = 1; }), pilotDiff);
    EXPECT_EQ(kindAfter([](TModel& m) { m.pilot.quietTime = 2; }), pilotDiff);
    EXPECT_EQ(kindAfter([](TModel& m) { m.pilot.stepHeight = 0.002; }), pilotDiff);
    EXPECT_EQ(kindAfter([](TModel& m) { m.pilot.samplingPoint = 0.5; }), pilotDiff);
    EXPECT_EQ(kindAfter([](TModel& m) { m.temperature = 298; }), otherDiff);
    EXPECT_EQ(kindAfter([](TModel& m) { m.method = 1; }), otherDiff);
    // The first kind found wins.
    EXPECT_EQ(kindAfter([](TModel& m) {
                  m.temperature = 300;
                  m.couples[1].E0 = 1;
              }),
              redoxDiff);
    EXPECT_STREQ(kDiffKindNames[pilotDiff], "pilotDiff");
}

TEST(ExperimentHistory, StoresDistinctExperimentsUnderRunNumbersThatNeverGoBack) {
    ExperimentHistory history;
    const TVirtualExperiment first = snapshot(DefaultModel());
    ExperimentHistory::Comparison c = history.Compare(first);
    EXPECT_FALSE(c.equal);
    EXPECT_EQ(ExperimentHistory::SaveQuestion(c.last), "Not in history (noDiff), save ?");

    EXPECT_EQ(history.Store(first, {{1100, 1e-6f}}), 0u);
    EXPECT_EQ(history.at(0).experiment.RowText(), "NoName_0");
    EXPECT_EQ(history.at(0).experiment.SeriesTitle(), "NoName__0");
    EXPECT_EQ(history.DeleteQuestion(0), "Delete : NoName__0 ?");

    // The same model again is equal to the stored one.
    c = history.Compare(snapshot(DefaultModel(), "Renamed"));
    ASSERT_TRUE(c.equal);
    EXPECT_EQ(*c.equal, 0u);

    TModel faster = DefaultModel();
    faster.pilot.scanRate = 2;
    c = history.Compare(snapshot(faster));
    EXPECT_FALSE(c.equal);
    EXPECT_EQ(ExperimentHistory::SaveQuestion(c.last), "Not in history (pilotDiff), save ?");
    EXPECT_EQ(history.Store(snapshot(faster), {}), 1u);
    EXPECT_EQ(history.at(1).experiment.RowText(), "NoName_1");

    history.Remove(0);
    EXPECT_EQ(history.size(), 1u);
    EXPECT_EQ(history.Store(snapshot(DefaultModel()), {}), 1u);
    EXPECT_EQ(history.at(1).experiment.suffix, "_2");
    try {
        history.at(5);
        ADD_FAILURE() << "row 5 exists";
    } catch (const Exception& error) {
        EXPECT_STREQ(error.what(), "Index experience invalide");
    }
}

TEST(RefreshSchedule, FollowsTheTrackedChartsAtTheirIntervals) {
    const RefreshSchedule schedule(2, 50, 5);  // 2 steps per mV
    std::vector<std::int64_t> curve, pilot, labels;
    for (std::int64_t step = 0; step < 1000; ++step) {
        const RefreshDue due = schedule.at(step, {true, false, true});
        if (due.voltammogram)
            curve.push_back(step);
        if (due.pilotPoint)
            pilot.push_back(step);
        if (due.labels)
            labels.push_back(step);
        EXPECT_FALSE(due.profiles);
        EXPECT_EQ(due.repaint, due.voltammogram);
    }
    EXPECT_EQ(curve, (std::vector<std::int64_t>{0, 100, 200, 300, 400, 500, 600, 700, 800, 900}));
    EXPECT_EQ(pilot.size(), 100u);  // every 10 steps
    EXPECT_EQ(pilot[1], 10);
    EXPECT_EQ(labels.size(), 500u);  // every millivolt

    EXPECT_FALSE(schedule.at(100, {}).any());
    const RefreshDue profilesOnly = schedule.at(100, {false, true, false});
    EXPECT_TRUE(profilesOnly.profiles && profilesOnly.repaint && !profilesOnly.voltammogram);
    // Intervals of 0 mV count as 1 mV instead of dividing by zero.
    const RefreshDue everyPoint = RefreshSchedule(2, 0, 0).at(2, {true, true, true});
    EXPECT_TRUE(everyPoint.pilotPoint && everyPoint.voltammogram && everyPoint.profiles);
}

TEST(RefreshSchedule, ProfilePositionsGrowByTheBoxRatio) {
    std::vector<std::int64_t> positions;
    for (int box = 0; box < 6; ++box)
        positions.push_back(ProfilePosition(box));
    EXPECT_EQ(positions, (std::vector<std::int64_t>{0, 10, 21, 34, 49, 66}));
}

// The worked example: 1000 steps, 2 per millivolt.
TModel workedExample() {
    TModel model;
    model.species.append({"Ox", 1, 1});
    model.species.append({"Red", 1, 0});
    model.couples.append({1, 2, 0, 1, 0.5});
    model.pilot = {0, -0.5, 0, 1.0, 0.25, 1};
    return model;
}

TEST(LiveRun, FramesTakenWhileTheEngineRunsAddUpToWhatTheRefreshesLeave) {
    LiveRun live('.');
    live.setTracking({true, true, true});
    std::vector<CVpoint> points;
    std::atomic<bool> freeze{false};
    TCVEngine engine(workedExample(), points, freeze, live);
    std::atomic<bool> done{false};
    // However the two threads meet (the run may end before the first
    // take), the frames merged hold all that the refreshes left.
    LiveFrame merged;
    std::thread window([&] {
        while (!done)
            merged.mergeFrom(live.take());
    });
    engine.Run();
    done = true;
    window.join();
    merged.mergeFrom(live.take());

    EXPECT_TRUE(merged.resetPilot);
    EXPECT_EQ(merged.potentialRange, std::make_pair(1.0, -0.5));
    // The curve holds the points stored before the last refresh, at step
    // 900: the step is reported before its own point is stored.
    ASSERT_EQ(merged.voltammogramPoints.size(), 450u);
    for (std::size_t i = 0; i < merged.voltammogramPoints.size(); ++i) {
        EXPECT_EQ(merged.voltammogramPoints[i].first, points[i].potential);
        EXPECT_DOUBLE_EQ(merged.voltammogramPoints[i].second, points[i].current * 1e6);
    }
    EXPECT_EQ(merged.pilotPoints.size(), 100u);
    ASSERT_TRUE(merged.readout);
    EXPECT_EQ(merged.readout->step, "998");
    EXPECT_EQ(merged.readout->electrodePotential, "");  // no resistance acts
    EXPECT_TRUE(merged.finished);
    ASSERT_TRUE(merged.profiles);
    EXPECT_EQ(merged.profiles->values[1][0], engine.concentration(2, 1));
    EXPECT_EQ(live.points(), points);
}

TEST(LiveRun, AnUncompensatedResistanceShowsTheElectrodesOwnPotential) {
    LiveRun live('.');
    live.setTracking({true, true, true});
    TModel model = workedExample();
    model.solver = Solver::Implicit;
    model.pilot.irComp = 1;
    model.pilot.resistance = 1e5;
    std::vector<CVpoint> points;
    std::atomic<bool> freeze{false};
    const std::unique_ptr<CVSimulation> engine = MakeSimulation(model, points, freeze, live);
    engine->Run();
    const LiveFrame frame = live.take();
    ASSERT_TRUE(frame.readout);
    const double applied = std::stod(frame.readout->potential);
    const double electrode = std::stod(frame.readout->electrodePotential);
    const double dropMv = std::stod(frame.readout->current) * 1e5 * 1000;
    // Tens of millivolts of drop, each read-out of 4 digits.
    EXPECT_GT(std::fabs(dropMv), 10);
    EXPECT_NEAR(applied - electrode, dropMv, 0.1 + 1e-3 * std::fabs(dropMv));
}

TEST(LiveRun, NothingTrackedLeavesOnlyTheRunsFrameAndTheFinalProfiles) {
    int notified = 0;
    LiveRun live(',', [&] { ++notified; });
    std::vector<CVpoint> points;
    std::atomic<bool> freeze{false};
    TCVEngine engine(workedExample(), points, freeze, live);
    engine.Run();
    const LiveFrame frame = live.take();
    EXPECT_TRUE(frame.pilotPoints.empty());
    EXPECT_TRUE(frame.voltammogramPoints.empty());
    EXPECT_FALSE(frame.readout);
    EXPECT_TRUE(frame.finished);
    EXPECT_EQ(notified, 1);  // one frame, never taken until the end
    EXPECT_TRUE(live.take().empty());
}

TEST(RunTables, TheSimulatedGridHasAHeaderAndOneRowPerPoint) {
    const auto rows = SimulatedGridRows({{1100, 1.5e-6f}, {1101, -2.25e-5f}}, ',');
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"Calc", "E (mV)", "I (\u00B5A)"}));
    EXPECT_EQ(rows[1], (std::vector<std::string>{"1", "1100", "1,5"}));
    EXPECT_EQ(rows[2], (std::vector<std::string>{"2", "1101", "-22,5"}));
    EXPECT_EQ(PointCountText(1000), "1000 pts");
}

}  // namespace
}  // namespace ondrel
