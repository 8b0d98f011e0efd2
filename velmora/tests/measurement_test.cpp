// Window functions, H1 with coherence, THD and the level scales, judged on
// synthetic signals of known spectra.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <random>
#include <vector>

#include "analysis/analysis.h"
#include "analysis/units.h"
#include "analysis/window_function.h"
#include "capture/command_ids.h"
#include "capture/velmora_doc.h"
#include "fakes.h"

namespace velmora {
namespace {

using testing::FakeWaveInput;
using testing::ScriptedInteraction;

std::int16_t quantised(double v) {
    return static_cast<std::int16_t>(std::lround(std::clamp(v, -32768.0, 32767.0)));
}

double dB(double ratio) {
    return 20 * std::log10(ratio);
}

class MeasurementTest : public ::testing::Test {
protected:
    // A document on the fake input, with a window and an estimate, started.
    std::unique_ptr<CVelmoraDoc> start(const std::string& commandLine,
                                       WindowFunction window = WindowFunction::Rectangular,
                                       std::uint32_t extraFlags = 0,
                                       TransferEstimate estimate = TransferEstimate::RatioAverage) {
        auto doc = std::make_unique<CVelmoraDoc>(*SplitCommandLine(commandLine), input, dialogs);
        doc->m_dwFlags |= extraFlags;
        doc->SetWindowFunction(window);
        doc->SetTransferEstimate(estimate);
        doc->ToggleAcquisition();
        return doc;
    }
    // The largest amplitude (mV) within two bins of bin.
    static double peakNear(const CVelmoraDoc& doc, double bin) {
        double peak = 0;
        for (int k = static_cast<int>(bin) - 2; k <= static_cast<int>(bin) + 3; ++k)
            peak = std::max(peak, AmplitudeMv(doc, k));
        return peak;
    }
    static double mv(double counts) { return counts / (kCountsPerMillivolt * 1.4); }

    FakeWaveInput input;
    ScriptedInteraction dialogs;
};

TEST(WindowFunctions, HannAndFlatTopHaveTheirBandwidthsAndSumToN) {
    EXPECT_NEAR(EquivalentNoiseBandwidth(WindowFunction::Hann, 4800), 1.5, 1e-12);
    EXPECT_NEAR(EquivalentNoiseBandwidth(WindowFunction::Rectangular, 4800), 1.0, 1e-12);
    EXPECT_NEAR(EquivalentNoiseBandwidth(WindowFunction::BlackmanHarris, 4800), 2.0044, 1e-3);
    EXPECT_NEAR(EquivalentNoiseBandwidth(WindowFunction::FlatTop, 4800), 3.8112, 1e-3);
    std::vector<double> w(4800);
    for (WindowFunction window : kWindowFunctions) {
        FillWindow(window, 4800, w.data());
        double sum = 0;
        for (double c : w)
            sum += c;
        EXPECT_NEAR(sum, 4800, 1e-8) << WindowName(window);
    }
    EXPECT_EQ(WindowNamed("HANN"), WindowFunction::Hann);
    EXPECT_EQ(WindowNamed("flattop"), WindowFunction::FlatTop);
    EXPECT_EQ(WindowNamed("blackman-harris"), WindowFunction::BlackmanHarris);
    EXPECT_FALSE(WindowNamed("hamming"));
}

// A tone half-way between two bins: the loss of the peak bin is the
// window's scalloping loss.
TEST_F(MeasurementTest, ScallopingLossAtHalfABin) {
    const double amplitude = 16000;
    input.left = [&](int, int i) {
        return quantised(amplitude * std::sin(2 * M_PI * 1005.0 * i / 48000));  // bin 100.5
    };
    struct Case {
        WindowFunction window;
        double lossDb, tolerance;
    };
    for (const Case c :
         {Case{WindowFunction::Hann, 1.42, 0.02}, Case{WindowFunction::FlatTop, 0.0, 0.02},
          Case{WindowFunction::Rectangular, 3.92, 0.02}}) {
        auto doc = start("48000 0.1", c.window);
        const double loss = dB(mv(amplitude) / peakNear(*doc, 100.5));
        EXPECT_NEAR(loss, c.lossDb, c.tolerance) << WindowName(c.window);
        RecordProperty(std::string("scalloping_dB_") + WindowName(c.window), std::to_string(loss));
    }
}

// A full-scale sine anywhere between two bins reads its amplitude through
// the flat-top window.
TEST_F(MeasurementTest, AFullScaleSineOffItsBinReadsItsAmplitudeWithTheFlatTop) {
    for (const double offset : {0.1, 0.25, 0.37, 0.5}) {
        const double f = (1234 + offset) * 10;
        input.left = [&](int, int i) {
            return quantised(32767 * std::sin(2 * M_PI * f * i / 48000));
        };
        auto doc = start("48000 0.1", WindowFunction::FlatTop);
        EXPECT_NEAR(dB(peakNear(*doc, 1234 + offset) / mv(32767)), 0, 0.1) << f;
        EXPECT_NEAR(ShownLevel(*doc, peakNear(*doc, 1234 + offset)), peakNear(*doc, 1234 + offset),
                    0);
    }
}

// A tone 60 dB below another: leakage buries it without a window; the Hann
// window shows it at its level over a floor far below.
TEST_F(MeasurementTest, ASmallToneBesideALargeOneStandsOutThroughHann) {
    const double main = 20000, small = main / 1000;  // -60 dB
    input.left = [&](int, int i) {
        return quantised(main * std::sin(2 * M_PI * 1000.0 * i / 44100) +
                         small * std::sin(2 * M_PI * 3017.0 * i / 44100));
    };
    // 44100 Hz, 4500 samples: bins of 9.8 Hz, neither tone on a bin.
    const double binWidth = 44100.0 / 4500;
    auto floorBetween = [&](const CVelmoraDoc& doc) {
        std::vector<double> levels;
        for (int k = static_cast<int>(1000 / binWidth) + 10; k < 3017 / binWidth - 10; ++k)
            levels.push_back(AmplitudeMv(doc, k));
        std::nth_element(levels.begin(), levels.begin() + levels.size() / 2, levels.end());
        return levels[levels.size() / 2];
    };
    auto hann = start("44100 0.1", WindowFunction::Hann);
    const double read = peakNear(*hann, 3017 / binWidth);
    EXPECT_NEAR(dB(read / mv(small)), 0, 0.5);
    const double floor = dB(floorBetween(*hann) / mv(main));
    EXPECT_LT(floor, -100);
    RecordProperty("two_tone_hann_read_dB", std::to_string(dB(read / mv(small))));
    RecordProperty("two_tone_hann_floor_dB", std::to_string(floor));

    auto plain = start("44100 0.1");
    EXPECT_GT(dB(floorBetween(*plain) / mv(main)), -70);  // leakage of the main tone
}

// The RBJ low-pass biquad at f0 with quality factor q: its coefficients and
// its response at f.
struct Biquad {
    double b0, b1, b2, a1, a2;
    Biquad(double f0, double q, double rate) {
        const double w = 2 * M_PI * f0 / rate, alpha = std::sin(w) / (2 * q), c = std::cos(w);
        const double a0 = 1 + alpha;
        b0 = (1 - c) / 2 / a0;
        b1 = (1 - c) / a0;
        b2 = b0;
        a1 = -2 * c / a0;
        a2 = (1 - alpha) / a0;
    }
    std::complex<double> response(double f, double rate) const {
        const std::complex<double> z1 = std::polar(1.0, -2 * M_PI * f / rate);
        return (b0 + b1 * z1 + b2 * z1 * z1) / (1.0 + a1 * z1 + a2 * z1 * z1);
    }
    std::vector<double> filter(const std::vector<double>& x) const {
        std::vector<double> y(x.size());
        double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
        for (std::size_t n = 0; n < x.size(); ++n) {
            y[n] = b0 * x[n] + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
            x2 = x1, x1 = x[n], y2 = y1, y1 = y[n];
        }
        return y;
    }
};

TEST_F(MeasurementTest, H1OfALowPassFilterOnWhiteNoise) {
    const int frames = 4800, captures = 10;
    std::mt19937 random(28);
    std::normal_distribution<double> noise(0, 5000);
    std::vector<double> x(static_cast<std::size_t>(frames) * captures + 100);
    for (double& v : x)
        v = quantised(noise(random));
    const Biquad lowPass(2000, 0.7071, 48000);
    const std::vector<double> y = lowPass.filter(x);
    // The output on the left (channel 0), the input on the right: the
    // transfer function is left over right.
    input.left = [&](int n, int i) { return quantised(y[100 + n * frames + i]); };
    input.right = [&](int n, int i) { return static_cast<std::int16_t>(x[100 + n * frames + i]); };

    auto doc = start("48000 0.1 0 0 3", WindowFunction::Hann, kFlagAverage, TransferEstimate::H1);
    for (int n = 1; n < captures; ++n)
        doc->CaptureOnce();
    ASSERT_EQ(doc->m_nAverageCount, captures);
    double worstDb = 0, worstDegrees = 0;
    for (int k = 1; k <= 960; ++k) {  // 10 Hz to 0.4 times half the rate
        const std::complex<double> h = lowPass.response(k * 10.0, 48000);
        worstDb = std::max(worstDb, std::fabs(dB(RatioValue(*doc, k) / std::abs(h))));
        worstDegrees = std::max(worstDegrees,
                                std::fabs(PhaseDegrees(*doc, k) - std::arg(h) * kDegreesPerRadian));
    }
    EXPECT_LT(worstDb, 0.05);
    EXPECT_LT(worstDegrees, 0.5);
    RecordProperty("h1_worst_dB", std::to_string(worstDb));
    RecordProperty("h1_worst_degrees", std::to_string(worstDegrees));

    // The ratio average of the same captures, for comparison.
    input.captures = 0;
    auto ratio = start("48000 0.1 0 0 3", WindowFunction::Hann, kFlagAverage);
    for (int n = 1; n < captures; ++n)
        ratio->CaptureOnce();
    double ratioWorstDb = 0;
    for (int k = 1; k <= 960; ++k)
        ratioWorstDb = std::max(
            ratioWorstDb,
            std::fabs(dB(RatioValue(*ratio, k) / std::abs(lowPass.response(k * 10.0, 48000)))));
    RecordProperty("ratio_average_worst_dB", std::to_string(ratioWorstDb));
}

TEST_F(MeasurementTest, CoherenceIsOneForOneSignalAndAboutOneOverNForTwo) {
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0, 4000);
    std::vector<std::int16_t> a(48000 * 2), b(48000 * 2);
    for (std::size_t i = 0; i < a.size(); ++i) {
        a[i] = quantised(noise(random));
        b[i] = quantised(noise(random));
    }
    input.left = [&](int n, int i) { return a[n * 4800 + i]; };
    input.right = input.left;
    auto same = start("48000 0.1 0 0 3", WindowFunction::Hann, kFlagAverage, TransferEstimate::H1);
    for (int n = 1; n < 10; ++n)
        same->CaptureOnce();
    double farthest = 0;
    for (int k = 1; k < 2400; ++k)
        farthest = std::max(farthest, std::fabs(CoherenceValue(*same, k) - 1));
    EXPECT_LT(farthest, 1e-9);
    RecordProperty("coherence_identical_worst", std::to_string(farthest));

    input.captures = 0;
    input.right = [&](int n, int i) { return b[n * 4800 + i]; };
    for (const int n : {4, 10, 20}) {
        input.captures = 0;
        auto independent =
            start("48000 0.1 0 0 3", WindowFunction::Hann, kFlagAverage, TransferEstimate::H1);
        for (int c = 1; c < n; ++c)
            independent->CaptureOnce();
        double mean = 0;
        for (int k = 1; k < 2400; ++k)
            mean += CoherenceValue(*independent, k) / 2399;
        EXPECT_NEAR(mean, 1.0 / n, 0.3 / n) << n << " averages";
        RecordProperty("coherence_independent_" + std::to_string(n), std::to_string(mean));
    }
}

TEST_F(MeasurementTest, WithoutAveragingH1IsTheRatioAndItsCoherenceOne) {
    input.left = [](int, int i) {
        return quantised(3000 * std::sin(2 * M_PI * 1000.0 * i / 48000));
    };
    input.right = [](int, int i) {
        return quantised(1500 * std::sin(2 * M_PI * 1000.0 * i / 48000 + 0.3));
    };
    auto h1 = start("48000 0.1 0 0 3", WindowFunction::Rectangular, 0, TransferEstimate::H1);
    auto ratio = start("48000 0.1 0 0 3");
    EXPECT_NEAR(RatioValue(*h1, 100), RatioValue(*ratio, 100), 1e-12);
    EXPECT_NEAR(PhaseDegrees(*h1, 100), PhaseDegrees(*ratio, 100), 1e-9);
    EXPECT_NEAR(CoherenceValue(*h1, 100), 1, 1e-12);
    EXPECT_EQ(CoherenceValue(*ratio, 100), 0);  // no coherence without H1
}

TEST_F(MeasurementTest, TheDistortionOfASineWithTwoHarmonics) {
    // 1 % second and 0.5 % third harmonic: THD = sqrt(1 + 0.25) % = 1.118 %.
    for (const double f : {1000.0, 1003.7}) {
        input.left = [f](int, int i) {
            const double w = 2 * M_PI * f * i / 48000;
            return quantised(20000 *
                             (std::sin(w) + 0.01 * std::sin(2 * w) + 0.005 * std::sin(3 * w)));
        };
        // On a bin plainly; off its bin through the Hann window.
        auto doc =
            start("48000 0.1", f == 1000 ? WindowFunction::Rectangular : WindowFunction::Hann);
        const ThdResult& thd = doc->Thd();
        ASSERT_TRUE(thd.found);
        EXPECT_NEAR(100 * thd.thd, 1.118, 0.005) << f;
        EXPECT_NEAR(100 * thd.thdPlusNoise, 1.118, 0.005) << f;
        EXPECT_NEAR(thd.frequency, f, 0.1);
        EXPECT_NEAR(thd.amplitudeMv, mv(20000), mv(20000) * 0.001);
        EXPECT_EQ(thd.harmonics, 22);  // the 2nd to the 23rd, below 24 kHz
        RecordProperty("thd_percent_" + std::to_string(static_cast<int>(f)),
                       std::to_string(100 * thd.thd));
    }
    // Noise counts in THD+N, not in THD.
    std::mt19937 random(3);
    std::normal_distribution<double> noise(0, 200);
    input.left = [&](int, int i) {
        return quantised(20000 * std::sin(2 * M_PI * 1000.0 * i / 48000) + noise(random));
    };
    auto noisy = start("48000 0.1");
    // (The harmonics' lobes hold their share of the noise: 66 of 2400 bins.)
    EXPECT_NEAR(100 * noisy->Thd().thd, 100 * 200 * std::sqrt(2.0 * 66 / 2400) / 20000, 0.05);
    EXPECT_NEAR(100 * noisy->Thd().thdPlusNoise, 100 * 200 * std::sqrt(2.0) / 20000, 0.1);

    // Silence has no tone.
    input.left = [](int, int) { return std::int16_t(0); };
    EXPECT_FALSE(start("48000 0.1")->Thd().found);
}

TEST_F(MeasurementTest, LevelsInDecibels) {
    input.left = [](int, int i) {
        return quantised(1000 * std::sin(2 * M_PI * 1000.0 * i / 48000));
    };
    input.right = [](int, int i) {
        return quantised(500 * std::sin(2 * M_PI * 1000.0 * i / 48000));
    };
    auto doc = start("48000 0.1");
    doc->SetAmplitudeScale(AmplitudeScale::DbV);
    EXPECT_NEAR(ShownAmplitude(*doc, 100), dB(mv(1000) / 1000), 1e-3);  // about -33.2 dBV
    doc->SetAmplitudeScale(AmplitudeScale::DbFullScale);
    EXPECT_NEAR(ShownAmplitude(*doc, 100), dB(1000 / 32767.0), 1e-3);  // about -30.3 dBFS
    doc->m_dwFlags |= kFlagDual;
    doc->SetRatioInDb(true);
    EXPECT_NEAR(ShownRatio(*doc, 100), dB(2), 0.01);
    EXPECT_EQ(Decibels(std::nan("")), kDecibelFloor);
    EXPECT_EQ(Decibels(INFINITY), kDecibelCeiling);
    EXPECT_EQ(Decibels(0), kDecibelFloor);
}

}  // namespace
}  // namespace velmora
