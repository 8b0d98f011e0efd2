// The potentials of a recorded curve against a potential program: whether
// the fit finds the curve on the program, and the program taken from it.
#include <gtest/gtest.h>

#include "model/pilot.h"
#include "platform/ondrel_error.h"
#include "ui/sheets/curve_program.h"

namespace ondrel {
namespace {

// A curve through the given turning potentials (mV) at one point per mV.
Curve sweeping(std::initializer_list<double> turns) {
    Curve curve;
    const std::vector<double> at(turns);
    curve.push_back({at[0], 0});
    for (std::size_t s = 1; s < at.size(); ++s) {
        const double step = at[s] > at[s - 1] ? 1 : -1;
        for (double E = at[s - 1] + step; (at[s] - E) * step >= 0; E += step)
            curve.push_back({E, 0});
    }
    return curve;
}

TPilot program(double initial, double switch1, double switch2, int halfCycles) {
    TPilot p;
    p.Einitial = initial;
    p.Eswitch1 = switch1;
    p.Eswitch2 = switch2;
    p.halfCycles = halfCycles;
    return p;
}

TEST(CurveProgram, ACurveLiesOnAProgramThatRunsItsWayOverItsPotentials) {
    const TPilot there_and_back = program(-0.4, 0.4, -0.4, 2);
    EXPECT_TRUE(CurveLiesOnProgram(sweeping({-400, 400, -400}), there_and_back));
    // A curve that starts later or turns a little early lies on it too.
    EXPECT_TRUE(CurveLiesOnProgram(sweeping({-300, 398, -200}), there_and_back));
    // The potential of a recording wanders a few millivolts past the turn.
    EXPECT_TRUE(CurveLiesOnProgram(sweeping({-403, 403, -400}), there_and_back));
    // Not: ten millivolts past, the other way round, more sweeps than
    // half-cycles, or no points at all.
    EXPECT_FALSE(CurveLiesOnProgram(sweeping({-400, 410, -400}), there_and_back));
    EXPECT_FALSE(CurveLiesOnProgram(sweeping({400, -400, 400}), there_and_back));
    EXPECT_FALSE(CurveLiesOnProgram(sweeping({-400, 400, -400, 400}), there_and_back));
    EXPECT_FALSE(CurveLiesOnProgram({}, there_and_back));
    // Half-cycle 2 runs back for |Eswitch2 - Eswitch1| whatever side
    // Eswitch2 is on: from 0.5 V toward 0.8 V it ends at 0.2 V.
    EXPECT_TRUE(CurveLiesOnProgram(sweeping({0, 500, 200}), program(0, 0.5, 0.8, 2)));
    EXPECT_FALSE(CurveLiesOnProgram(sweeping({0, 500, 0}), program(0, 0.5, 0.8, 2)));
}

TEST(CurveProgram, TheProgramOfACurveHasItsTurnsAndKeepsTheRest) {
    TPilot base = program(1.1, 1.6, 1.1, 2);
    base.scanRate = 0.05;
    base.Efinal = 1.0;
    const TPilot one = ProgramOfCurve(sweeping({200, -300}), base);
    EXPECT_EQ(one.halfCycles, 1);
    EXPECT_DOUBLE_EQ(one.Einitial, 0.2);
    EXPECT_DOUBLE_EQ(one.Eswitch1, -0.3);
    EXPECT_DOUBLE_EQ(one.Eswitch2, 1.1);  // not reached: kept
    EXPECT_DOUBLE_EQ(one.scanRate, 0.05);
    const TPilot three = ProgramOfCurve(sweeping({0, 500, -100, 300}), base);
    EXPECT_EQ(three.halfCycles, 3);
    EXPECT_DOUBLE_EQ(three.Eswitch2, -0.1);
    EXPECT_DOUBLE_EQ(three.Efinal, 0.3);
    EXPECT_TRUE(CurveLiesOnProgram(sweeping({0, 500, -100, 300}), three));
    EXPECT_EQ(SweepText(sweeping({0, 500, -100, 300})), "0 \u2192 500 \u2192 -100 \u2192 300 mV");
    EXPECT_EQ(ProgramSweepText(three), "0 \u2192 500 \u2192 -100 \u2192 300 mV");

    EXPECT_THROW(ProgramOfCurve(sweeping({0, 500, 0, 500, 0}), base), Exception);
    EXPECT_THROW(ProgramOfCurve({}, base), Exception);
    EXPECT_THROW(ProgramOfCurve({{100, 1}, {100.5, 2}}, base), Exception);
}

}  // namespace
}  // namespace ondrel
