#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "curves/couples.h"
#include "curves/peaks.h"
#include "curves/simulated_curve.h"
#include "engine/cv_engine.h"
#include "engine/engine_display.h"
#include "model/model.h"
#include "one_couple_model.h"

namespace ondrel {
namespace {

Curve simulate(const TModel& model) {
    std::vector<CVpoint> points;
    std::atomic<bool> freeze{false};
    NullDisplay display;
    TCVEngine engine(model, points, freeze, display);
    engine.Run();
    return SimulatedCurve(points);
}

// One reversible couple, oxidation first.
Curve reversibleCouple() {
    return simulate(testing::OneCoupleModel());
}

double maximumCurrent(const Curve& curve) {
    return std::max_element(curve.begin(), curve.end(),
                            [](auto& a, auto& b) { return a.current < b.current; })
        ->current;
}

double minimumCurrent(const Curve& curve) {
    return std::min_element(curve.begin(), curve.end(),
                            [](auto& a, auto& b) { return a.current < b.current; })
        ->current;
}

// The curve as an instrument records it: a charging current of a tenth of
// the peak current that follows the sweep's direction and leans with the
// potential, and noise of 1 % of the peak current.
Curve recorded(const Curve& clean, double lean, unsigned seed) {
    const double peak = maximumCurrent(clean);
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0, 0.01 * peak);
    Curve curve = clean;
    for (std::size_t k = 0; k < curve.size(); ++k) {
        const bool rising = k == 0 || curve[k].potential >= curve[k - 1].potential;
        const double charging = 0.1 * peak * (1 + lean * (curve[k].potential - 1250));
        curve[k].current += (rising ? charging : -charging) + noise(random);
    }
    return curve;
}

TEST(PeakRatios, AReversibleCoupleReadsOneFromItsOwnBaselines) {
    const Curve curve = reversibleCouple();
    const PeakSearch search = FindSimulatedPeaks(curve);
    const std::vector<CouplePeaks> couples =
        FindCouples(curve, ShownPeaks(curve, search, kDefaultProminence));
    ASSERT_EQ(couples.size(), 1u);
    ASSERT_TRUE(couples[0].ratio);
    // Nicholson's relation reads the ratio off the raw reverse peak current
    // and the current at the switching potential (the forward sweep's end):
    // |Ipc/Ipa| = |Ipc0|/Ipa + 0.485 Isp0/Ipa + 0.086.
    const double ipa = maximumCurrent(curve), ipc0 = -minimumCurrent(curve);
    const auto turn = std::max_element(curve.begin(), curve.end(),
                                       [](auto& a, auto& b) { return a.potential < b.potential; });
    const double nicholson = 1 / (ipc0 / ipa + 0.485 * turn->current / ipa + 0.086);
    EXPECT_NEAR(nicholson, 1, 0.03);
    EXPECT_NEAR(*couples[0].ratio, 1, 0.03);
    EXPECT_NEAR(*couples[0].ratio, nicholson, 0.03);
    // The raw currents read far from it.
    EXPECT_GT(ipa / ipc0, 1.25);
}

TEST(PeakRatios, TheSecondCoupleIsMeasuredAboveTheDecayOfTheFirst) {
    // E3 oxidised at 1.25 V (fast) and then at 1.4 V (slower), 1.1 to 1.6 V.
    const Curve curve = simulate(DefaultModel());
    const PeakSearch search = FindSimulatedPeaks(curve);
    const std::vector<CouplePeaks> couples =
        FindCouples(curve, ShownPeaks(curve, search, kDefaultProminence));
    ASSERT_EQ(couples.size(), 2u);
    for (const CouplePeaks& couple : couples)
        ASSERT_TRUE(couple.ratio);
    EXPECT_NEAR(couples[0].halfWavePotential(), 1250, 5);
    EXPECT_NEAR(*couples[0].ratio, 1, 0.03);
    EXPECT_NEAR(couples[1].halfWavePotential(), 1390, 10);
    EXPECT_NEAR(*couples[1].ratio, 1, 0.1);
    // From zero current the second reverse peak, riding on the first
    // couple's decay, reads less than half of its forward peak.
    EXPECT_GT(std::abs(couples[1].maximum.Ip / couples[1].minimum.Ip), 2);

    // Without the small reverse peak of the second couple (a shoulder that
    // noise hides) the first couple's reverse peak has no known baseline.
    std::vector<Peak> peaks = ShownPeaks(curve, search, kDefaultProminence);
    ASSERT_EQ(peaks.size(), 4u);
    peaks.erase(peaks.begin() + 2);
    const std::vector<CouplePeaks> lone = FindCouples(curve, peaks);
    ASSERT_EQ(lone.size(), 1u);
    EXPECT_EQ(lone[0].minimum.Ep, couples[0].minimum.Ep);
    EXPECT_FALSE(lone[0].ratio);
}

TEST(PeakProminence, ANoisyRecordedCoupleGivesItsTwoPeaksAndOneCouple) {
    const Curve clean = reversibleCouple();
    const std::vector<CouplePeaks> cleanCouples =
        FindCouples(clean, ShownPeaks(clean, FindSimulatedPeaks(clean), kDefaultProminence));
    ASSERT_EQ(cleanCouples.size(), 1u);
    for (const double lean : {0.0, 5e-4, -5e-4})
        for (const unsigned seed : {1u, 2u, 3u}) {
            SCOPED_TRACE(::testing::Message() << "lean " << lean << " seed " << seed);
            const Curve curve = recorded(clean, lean, seed);
            const PeakSearch search = FindMeasuredPeaks(curve, 11);
            // Every wiggle of the noise is a zero crossing of the derivative.
            EXPECT_GT(search.peaks.size(), 20u);
            EXPECT_EQ(ShownPeaks(curve, search, 0), search.peaks);

            const std::vector<Peak> peaks = ShownPeaks(curve, search, kDefaultProminence);
            ASSERT_EQ(peaks.size(), 2u);
            EXPECT_EQ(peaks[0].index, 1);
            EXPECT_EQ(peaks[1].index, 2);
            const std::vector<CouplePeaks> couples = FindCouples(curve, peaks);
            ASSERT_EQ(couples.size(), 1u);
            EXPECT_NEAR(couples[0].deltaEp(), cleanCouples[0].deltaEp(), 5);
            EXPECT_NEAR(couples[0].halfWavePotential(), cleanCouples[0].halfWavePotential(), 5);
            ASSERT_TRUE(couples[0].ratio);
            EXPECT_NEAR(*couples[0].ratio, 1, 0.03);
        }
}

TEST(PeakProminence, KnownPeaksOfANoisySweepAreFoundAndNoMore) {
    // Three bell-shaped peaks of 10, 3 and 1 µA on a leaning background,
    // with noise of 0.1 µA, one point per mV.
    const double centres[] = {200, 500, 750}, heights[] = {10, 3, 1};
    std::mt19937 random(5);
    std::normal_distribution<double> noise(0, 0.1);
    Curve curve;
    for (int i = 0; i < 1000; ++i) {
        const double e = i;
        double current = 0.5 + 0.001 * e + noise(random);
        for (int j = 0; j < 3; ++j)
            current += heights[j] * std::exp(-std::pow((e - centres[j]) / 30, 2));
        curve.push_back({e, current});
    }
    for (const int w : {5, 11, 25}) {
        SCOPED_TRACE(w);
        const PeakSearch search = FindMeasuredPeaks(curve, w);
        EXPECT_GT(search.peaks.size(), 3u);
        const std::vector<Peak> peaks = ShownPeaks(curve, search, kDefaultProminence);
        ASSERT_EQ(peaks.size(), 3u);
        // The smaller the peak, the more the noise moves it.
        const double placed[] = {1, 2, 6};
        for (int j = 0; j < 3; ++j) {
            EXPECT_NEAR(peaks[j].Ep, centres[j], placed[j]);
            EXPECT_NEAR(peaks[j].Ip, heights[j] + 0.5 + 0.001 * centres[j], 0.2);
        }
        // A sweep one way has no couple.
        EXPECT_TRUE(FindCouples(curve, peaks).empty());
    }
}

TEST(Couples, AMaximumPairsOnlyWithAMinimumAFewHundredMillivoltsBelowIt) {
    using K = PeakKind;
    // A minimum above the maximum (a negative ΔEp), one 450 mV below it and
    // one 80 mV below it.
    const std::vector<Peak> peaks = {{1, 500, 5, K::Maximum},  {2, 520, -1, K::Minimum},
                                     {3, 50, -4, K::Minimum},  {4, 420, -3, K::Minimum},
                                     {5, 1500, 2, K::Maximum}, {6, 1000, -2, K::Minimum}};
    const std::vector<CouplePeaks> couples = PairPeaks(peaks);
    ASSERT_EQ(couples.size(), 1u);
    EXPECT_EQ(couples[0].maximum.index, 1);
    EXPECT_EQ(couples[0].minimum.index, 4);
    EXPECT_EQ(CoupleRows(couples, ','),
              (std::vector<std::vector<std::string>>{
                  {"Epa (mV)", "Epc (mV)", "\u0394Ep (mV)", "E\u00BD (mV)", "|Ipa/Ipc|"},
                  {"500", "420", "80", "460", "-"}}));
}

}  // namespace
}  // namespace ondrel
