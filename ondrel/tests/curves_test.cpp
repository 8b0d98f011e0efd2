#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "curves/blank.h"
#include "curves/couples.h"
#include "curves/peaks.h"
#include "curves/savitzky_golay.h"
#include "curves/simulated_curve.h"
#include "engine/cv_engine.h"
#include "engine/engine_display.h"
#include "model/model.h"
#include "one_couple_model.h"
#include "platform/ondrel_error.h"
#include "test_support/failure_of.h"

namespace ondrel {
namespace {

using test_support::FailureOf;

Curve noisyCurve(int n, unsigned seed = 1) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> noise(-1, 1);
    Curve curve;
    for (int i = 0; i < n; ++i)
        curve.push_back({100.0 + i, std::sin(i * 0.3) + noise(random)});
    return curve;
}

TEST(Smooth, OnlyPointsWithAFullWindowChange) {
    const Curve five = {{1, 1}, {2, 4}, {3, 2}, {4, 8}, {5, 3}};
    Curve smoothed;
    Smooth(five, smoothed, 5);
    ASSERT_EQ(smoothed.size(), 5u);
    for (int i : {0, 1, 3, 4})
        EXPECT_EQ(smoothed[i], five[i]);
    EXPECT_DOUBLE_EQ(smoothed[2].current, (-3 * 1 + 12 * 4 + 17 * 2 + 12 * 8 - 3 * 3) / 35.0);
    EXPECT_EQ(smoothed[2].potential, 3);

    const Curve curve = noisyCurve(60);
    Smooth(curve, smoothed, 11);
    ASSERT_EQ(smoothed.size(), curve.size());
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(smoothed[i], curve[i]);
        EXPECT_EQ(smoothed[curve.size() - 1 - i], curve[curve.size() - 1 - i]);
    }
    for (std::size_t i = 5; i < curve.size() - 5; ++i) {
        EXPECT_EQ(smoothed[i].potential, curve[i].potential);
        EXPECT_NE(smoothed[i].current, curve[i].current);
    }
}

TEST(Smooth, EveryWidthKeepsCubicsAndTheDerivativeIsExactOnQuadratics) {
    Curve cubic, quadratic;
    for (int i = 0; i < 80; ++i) {
        const double x = i * 0.5 - 20;
        cubic.push_back({x, 0.01 * x * x * x - 0.3 * x * x + 2 * x - 7});
        quadratic.push_back({x, 3 * x * x - i});
    }
    for (int w = 5; w <= 25; w += 2) {
        Curve smoothed, derivative;
        Smooth(cubic, smoothed, w);
        for (std::size_t i = 0; i < cubic.size(); ++i)
            EXPECT_NEAR(smoothed[i].current, cubic[i].current, 1e-9) << "w " << w << " at " << i;
        Derive(quadratic, derivative, w);
        const int m = w / 2;
        ASSERT_EQ(derivative.size(), quadratic.size() - 2 * m);
        // The slope per point of 3 (i/2 - 20)^2 - i at i is 3 (i/2 - 20) - 1.
        for (std::size_t p = 0; p < derivative.size(); ++p) {
            const double i = static_cast<double>(p + m);
            EXPECT_EQ(derivative[p].potential, quadratic[p + m].potential);
            EXPECT_NEAR(derivative[p].current, 3 * (i / 2 - 20) - 1, 1e-9) << w;
        }
    }
}

TEST(Smooth, EvenWidthsShortCurvesAndBadWidthsAreRefused) {
    const Curve curve = noisyCurve(30);
    Curve smoothed;
    EXPECT_EQ(FailureOf([&] { Smooth(curve, smoothed, 6); }), "pb de coef: 23 != 21");
    EXPECT_EQ(smoothed.size(), 3u);  // the first points were copied
    EXPECT_EQ(FailureOf([&] { Smooth(noisyCurve(10), smoothed, 11); }),
              "The curve has 10 points, fewer than the 11 of the filter window");
    EXPECT_TRUE(smoothed.empty());
    EXPECT_EQ(FailureOf([&] { Derive(curve, smoothed, 27); }),
              "The filter width must be 5 to 25 points, not 27");
    EXPECT_EQ(FailureOf([&] { Derive({}, smoothed, 5); }),
              "The curve has 0 points, fewer than the 5 of the filter window");
}

// Derivative values as a curve at rising or falling potentials.
Curve derivativeLike(std::initializer_list<double> values, double step = 1) {
    Curve curve;
    double e = 0;
    for (double v : values)
        curve.push_back({e += step, v});
    return curve;
}

TEST(Peaks, OnlyStrictSignChangesInTheSweepsDirectionArePeaks) {
    // First differences of the currents are the derivative tested.
    auto simulatedPeaks = [](std::initializer_list<double> currents, double step) {
        return FindSimulatedPeaks(derivativeLike(currents, step)).peaks.size();
    };
    EXPECT_EQ(simulatedPeaks({0, 1, 2, 1, 0}, 1), 1u);   // a maximum while rising
    EXPECT_EQ(simulatedPeaks({0, 1, 2, 1, 0}, -1), 0u);  // a maximum while falling
    EXPECT_EQ(simulatedPeaks({0, -1, -2, -1, 0}, -1), 1u);
    EXPECT_EQ(simulatedPeaks({0, 1, 2, 2, 2, 1}, 1), 0u);  // zeros are not sign changes
    EXPECT_EQ(simulatedPeaks({0, 1, 1, 0}, 1), 0u);
    // A sign change while the potential stands still at a turn is no peak.
    EXPECT_TRUE(FindSimulatedPeaks({{10, 5}, {11, 3}, {10, 4}}).peaks.empty());
    EXPECT_TRUE(FindSimulatedPeaks({{10, 3}, {11, 5}, {10, 4}}).peaks.empty());

    const PeakSearch search = FindSimulatedPeaks({{10, 1}, {12, 3}, {14, 4}, {16, 2}});
    EXPECT_EQ(search.derivative, (Curve{{11, 2}, {13, 1}, {15, -2}}));
    ASSERT_EQ(search.peaks.size(), 1u);
    // The means of points 1 and 2.
    EXPECT_EQ(search.peaks[0].Ep, 13);
    EXPECT_EQ(search.peaks[0].Ip, 3.5);
}

TEST(Peaks, AMeasuredPeakIsTheInterpolatedZeroOfTheDerivative) {
    // A parabola peaking at 103.25 mV, sampled every mV.
    Curve curve;
    for (int i = 0; i < 20; ++i)
        curve.push_back({100.0 + i, 50 - (100.0 + i - 103.25) * (100.0 + i - 103.25)});
    const PeakSearch search = FindMeasuredPeaks(curve, 5);
    ASSERT_EQ(search.derivative.size(), 16u);
    ASSERT_EQ(search.peaks.size(), 1u);
    EXPECT_NEAR(search.peaks[0].Ep, 103.25, 1e-9);
    // The derivative crosses zero between points 3 and 4 of the curve.
    EXPECT_DOUBLE_EQ(search.peaks[0].Ip, (curve[3].current + curve[4].current) / 2);
}

TEST(Peaks, ASimulatedVoltammogramOfOneCoupleHasOnePeakEachWay) {
    const TModel model = testing::OneCoupleModel();
    std::vector<CVpoint> points;
    std::atomic<bool> freeze{false};
    NullDisplay display;
    TCVEngine engine(model, points, freeze, display);
    engine.Run();
    const Curve curve = SimulatedCurve(points);
    const PeakSearch search = FindSimulatedPeaks(curve);
    ASSERT_EQ(search.peaks.size(), 2u);
    const Peak &forward = search.peaks[0], &reverse = search.peaks[1];
    EXPECT_GT(forward.Ip, 0);
    EXPECT_LT(reverse.Ip, 0);
    // A reversible couple at 1.25 V: Ep about 28.5 mV after E° going up, and
    // as much before it coming back.
    EXPECT_NEAR(forward.Ep, 1278, 8);
    EXPECT_NEAR(reverse.Ep, 1222, 8);
    EXPECT_EQ(search.derivative.size(), curve.size() - 1);
    EXPECT_EQ(forward.kind, PeakKind::Maximum);
    EXPECT_EQ(reverse.kind, PeakKind::Minimum);
    // A reversible one-electron couple: about 58 mV apart, E½ at E°.
    const std::vector<CouplePeaks> couples = PairPeaks(search.peaks);
    ASSERT_EQ(couples.size(), 1u);
    EXPECT_NEAR(couples[0].deltaEp(), 58, 3);
    EXPECT_NEAR(couples[0].halfWavePotential(), 1250, 2);
}

TEST(Peaks, CouplesPairEachMaximumWithTheNearestMinimum) {
    using K = PeakKind;
    // Two couples, listed as a sweep meets them, and a lone maximum.
    const std::vector<Peak> peaks = {{1, 300, 10, K::Maximum},
                                     {2, 800, 4, K::Maximum},
                                     {3, 1200, 2, K::Maximum},
                                     {4, 760, -2, K::Minimum},
                                     {5, 240, -8, K::Minimum}};
    const std::vector<CouplePeaks> couples = PairPeaks(peaks);
    ASSERT_EQ(couples.size(), 2u);
    EXPECT_EQ(couples[0].maximum.index, 1);
    EXPECT_EQ(couples[0].minimum.index, 5);
    EXPECT_EQ(couples[1].maximum.index, 2);
    EXPECT_EQ(couples[1].minimum.index, 4);
    EXPECT_EQ(CoupleLines(couples, ','),
              (std::vector<std::string>{"\u0394Ep = 60 mV   E\u00BD = 270 mV",
                                        "\u0394Ep = 40 mV   E\u00BD = 780 mV"}));
    CouplePeaks measured = couples[0];
    measured.ratio = 1.25;
    EXPECT_EQ(CoupleLines({measured}, ','),
              std::vector<std::string>{"\u0394Ep = 60 mV   E\u00BD = 270 mV   |Ipa/Ipc| = 1,25"});
    EXPECT_TRUE(PairPeaks({{1, 1, 1, K::Maximum}, {2, 2, 1, K::Maximum}}).empty());
}

TEST(Peaks, GridRowsUseTheGeneralFormat) {
    const std::vector<Peak> peaks = {{1, 1278.4567, 12.34567}, {2, -0.5, -1e-5}};
    const GridRows rows = PeakRows(peaks, ',');
    EXPECT_EQ(rows,
              (GridRows{{"index", "Ep", "Ip"}, {"1", "1278,5", "12,35"}, {"2", "-0,5", "-1E-5"}}));
    const Curve derivative = {{1.5, 0.25}, {2.5, -1}, {3.5, 2}};
    EXPECT_EQ(
        SimulatedDerivativeRows(derivative, '.'),
        (GridRows{
            {"# Pt", "E", "dI/dE"}, {"1", "1.5", "0.25"}, {"2", "2.5", "-1"}, {"3", "3.5", "2"}}));
    EXPECT_EQ(MeasuredDerivativeRows(derivative, '.'),
              (GridRows{{"# Pt", "E", "dI/dE"}, {"0", "1.5", "0.25"}, {"1", "2.5", "-1"}}));
}

}  // namespace
}  // namespace ondrel

namespace ondrel {
namespace {

// Up from 0 to 4 mV and back to 1 mV, with a current of its own.
Curve upAndBack(double offset) {
    Curve curve;
    for (double E : {0.0, 1.0, 2.0, 3.0, 4.0, 3.0, 2.0, 1.0})
        curve.push_back({E, E * E + offset});
    return curve;
}

TEST(Blank, IsSubtractedByPotentialAndSweepDirection) {
    // The same potentials: point for point.
    const Curve curve = upAndBack(10), blank = upAndBack(0);
    const Curve difference = SubtractBlank(curve, blank);
    ASSERT_EQ(difference.size(), curve.size());
    for (std::size_t i = 0; i < curve.size(); ++i) {
        EXPECT_EQ(difference[i].potential, curve[i].potential);
        EXPECT_DOUBLE_EQ(difference[i].current, 10);
    }
    // A blank sampled every 2 mV, with another current on the way back:
    // between its points, a straight line, and each sweep its own.
    const Curve sparse = {{0, 0}, {2, 2}, {4, 4}, {2, 100}, {0, 200}};
    const Curve mixed = SubtractBlank(upAndBack(0), sparse);
    EXPECT_DOUBLE_EQ(mixed[1].current, 1 - 1);    // up at 1 mV: halfway to 2
    EXPECT_DOUBLE_EQ(mixed[5].current, 9 - 52);   // down at 3 mV: halfway 4 -> 100
    EXPECT_DOUBLE_EQ(mixed[7].current, 1 - 150);  // down at 1 mV
}

TEST(Blank, CurvesWhosePotentialsDoNotMatchAreRefusedSayingWhere) {
    const Curve curve = upAndBack(0);
    Curve shorter = upAndBack(0);
    shorter[4].potential = 3.5;  // the blank turns before the curve does
    shorter[3].potential = 2.5;
    EXPECT_EQ(FailureOf([&] { SubtractBlank(curve, shorter); }),
              "Point 5 of the curve (4 mV, sweep 1) lies outside the blank's sweep, from 0 mV "
              "to 3.5 mV.");
    const Curve oneWay = {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}};
    EXPECT_EQ(FailureOf([&] { SubtractBlank(curve, oneWay); }),
              "The curve sweeps 2 times and the blank 1 times: their potentials do not match.");
    const Curve down = {{4, 0}, {3, 1}, {2, 2}, {1, 3}, {2, 4}};
    EXPECT_EQ(FailureOf([&] { SubtractBlank(curve, down); }),
              "Sweep 1 runs up in the curve and down in the blank: their potentials do not match.");
    EXPECT_THROW(SubtractBlank(curve, {}), Exception);
}

}  // namespace
}  // namespace ondrel
