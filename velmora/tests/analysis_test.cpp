#include <gtest/gtest.h>

#include <cmath>

#include "analysis/analysis.h"
#include "analysis/units.h"
#include "capture/command_ids.h"
#include "capture/velmora_doc.h"
#include "fakes.h"

namespace velmora {
namespace {

using testing::FakeWaveInput;
using testing::ScriptedInteraction;

std::int16_t sine(double amplitude, double frequency, int rate, int i, double phase = 0) {
    return static_cast<std::int16_t>(
        std::lround(amplitude * std::sin(2 * M_PI * frequency * i / rate + phase)));
}

class AnalysisTest : public ::testing::Test {
protected:
    std::unique_ptr<CVelmoraDoc> start(const std::string& commandLine,
                                       std::uint32_t extraFlags = 0) {
        auto doc = std::make_unique<CVelmoraDoc>(*SplitCommandLine(commandLine), input, dialogs);
        doc->m_dwFlags |= extraFlags;
        doc->ToggleAcquisition();
        return doc;
    }
    FakeWaveInput input;
    ScriptedInteraction dialogs;
};

TEST(Atan2q, DiffersFromAtan2OnlyAtTheEdges) {
    for (double y : {1.0, -1.0, 0.3})
        for (double x : {1.0, -1.0, -0.2})
            EXPECT_DOUBLE_EQ(atan2q(y, x), std::atan2(y, x));
    EXPECT_DOUBLE_EQ(atan2q(-0.0, -1.0), M_PI);  // atan2 says -pi
    EXPECT_DOUBLE_EQ(atan2q(1, 0), M_PI / 2);
    EXPECT_DOUBLE_EQ(atan2q(-1, 0), -M_PI / 2);
    EXPECT_TRUE(std::isnan(atan2q(0, 0)));
    // Within an ulp or two of the library's arctangent everywhere.
    for (double t = -50; t <= 50; t += 0.0137) {
        const double y = std::sinh(t), x = t > 0 ? 1.0 : -0.7;
        ASSERT_NEAR(atan2q(y, x), std::atan2(y, x), 4e-16 * M_PI) << t;
    }
}

TEST_F(AnalysisTest, ASineAtABinShowsItsPeakAmplitude) {
    input.left = [](int, int i) { return sine(1000, 1000, 48000, i); };
    auto doc = start("48000 0.1");
    ASSERT_EQ(doc->m_nWindowSamples, 4800);
    EXPECT_NEAR(doc->m_pMagnitude[100], 2.4e6, 2.4e6 * 1e-4);
    EXPECT_NEAR(AmplitudeMv(*doc, 100), 1000 / (32.767 * 1.4), 0.01);
    EXPECT_NEAR(AmplitudeMv(*doc, 100), 21.8, 0.05);
    EXPECT_LT(doc->m_pMagnitude[99], 2.4e6 * 1e-3);
    EXPECT_LT(doc->m_pMagnitude[101], 2.4e6 * 1e-3);
}

TEST_F(AnalysisTest, OddWindowsHaveNoNyquistTerm) {
    input.left = [](int, int i) { return static_cast<std::int16_t>(i % 2 ? 500 : -500); };
    input.right = input.left;
    auto doc = start("11250 0.1");
    ASSERT_EQ(doc->m_nWindowSamples, 1125);
    EXPECT_EQ(doc->m_pMagnitude[563], 0);
    EXPECT_EQ(doc->m_pRatio[563], 0);
    EXPECT_GT(doc->m_pMagnitude[562], 0);
    // Even windows do have one: the alternating signal is all Nyquist.
    auto even = start("48000 0.1");
    EXPECT_NEAR(even->m_pMagnitude[2400], 500.0 * 4800, 1e-6);
}

TEST_F(AnalysisTest, TheSameSignalOnBothInputsGivesRatioOneAndPhaseZero) {
    input.left = [](int, int i) {
        return sine(3000, 1000, 48000, i) + sine(800, 5000, 48000, i, 1);
    };
    input.right = input.left;
    auto doc = start("48000 0.1 0 0 3");
    for (int k : {100, 500}) {
        EXPECT_NEAR(RatioValue(*doc, k), 1, 1e-9);
        EXPECT_NEAR(PhaseDegrees(*doc, k), 0, 1e-9);
    }
}

TEST_F(AnalysisTest, ThePhaseIsCorrectedForTheRightChannelDelay) {
    input.left = [](int, int i) { return sine(3000, 10000, 48000, i); };
    input.right = input.left;
    auto doc = start("48000 0.1 0 0 3 1.425e-5");
    ASSERT_EQ(doc->m_nWindowSamples, 4770);
    // 10 kHz is not on a bin of 4770; the bin nearest it is corrected by
    // -2 pi f delay at its own frequency.
    const int k = static_cast<int>(std::lround(10000.0 * 4770 / 48000));
    const double expected = -2 * M_PI * (48000.0 * k / 4770) * 1.425e-5 * 180 / M_PI;
    EXPECT_NEAR(PhaseDegrees(*doc, k), expected, 1e-6);
    EXPECT_NEAR(expected, -51.3, 0.2);

    auto reversed = start("48000 0.1 0 0 3 1.425e-5", kFlagReversed);
    EXPECT_NEAR(PhaseDegrees(*reversed, k), -expected, 1e-6);
}

TEST_F(AnalysisTest, ReversingTheInputsWhileRunningTurnsTheDelayCorrectionOver) {
    input.left = [](int, int i) { return sine(3000, 10000, 48000, i); };
    input.right = input.left;
    auto doc = start("48000 0.1 0 0 3 1.425e-5");
    const int k = 999;  // about 10 kHz
    const double correction = -2 * M_PI * (48000.0 * k / 4770) * 1.425e-5 * kDegreesPerRadian;
    ASSERT_NEAR(PhaseDegrees(*doc, k), correction, 1e-6);
    // The same document, running: the next captures turn the other way, and
    // back again.
    doc->OnCommand(ID_REVERSE_INPUTS);
    ASSERT_TRUE(doc->running());
    EXPECT_NEAR(PhaseDegrees(*doc, k), -correction, 1e-6);
    doc->CaptureOnce();
    EXPECT_NEAR(PhaseDegrees(*doc, k), -correction, 1e-6);
    doc->OnCommand(ID_REVERSE_INPUTS);
    EXPECT_NEAR(PhaseDegrees(*doc, k), correction, 1e-6);
}

TEST_F(AnalysisTest, AveragingAddsTheRealBinsToo) {
    // Capture n: a constant of 100 (n + 1) counts on the left and half that
    // on the right, with an alternating part of the same size (all Nyquist).
    input.left = [](int n, int i) {
        return static_cast<std::int16_t>(100 * (n + 1) * (i % 2 ? 2 : 0));
    };
    input.right = [](int n, int i) {
        return static_cast<std::int16_t>(50 * (n + 1) * (i % 2 ? 2 : 0));
    };
    auto doc = start("48000 0.1", kFlagAverage);
    doc->CaptureOnce();
    doc->CaptureOnce();
    ASSERT_EQ(doc->m_nAverageCount, 3);
    // The means of 100, 200 and 300 counts, and the ratio 2 each time.
    EXPECT_NEAR(doc->m_pMagnitude[0] / 3, 200.0 * 4800, 1e-6);
    EXPECT_NEAR(doc->m_pMagnitude[2400] / 3, 200.0 * 4800, 1e-6);
    EXPECT_NEAR(RatioValue(*doc, 0), 2, 1e-12);
    EXPECT_NEAR(RatioValue(*doc, 2400), 2, 1e-12);
    EXPECT_EQ(doc->m_pPhase[2400], 0);
}

TEST_F(AnalysisTest, AveragingSumsMagnitudesAndTransferFunctionsAsVectors) {
    // Equal amplitudes, the phase difference alternating +90 and -90 degrees.
    input.left = [](int, int i) { return sine(2000, 1000, 48000, i); };
    input.right = [](int n, int i) {
        return sine(2000, 1000, 48000, i, n % 2 ? M_PI / 2 : -M_PI / 2);
    };
    auto doc = start("48000 0.1 0 0 3", kFlagAverage);
    EXPECT_EQ(doc->m_nAverageCount, 1);
    EXPECT_NEAR(RatioValue(*doc, 100), 1, 1e-6);
    doc->CaptureOnce();
    doc->CaptureOnce();
    doc->CaptureOnce();
    EXPECT_EQ(doc->m_nAverageCount, 4);
    EXPECT_LT(RatioValue(*doc, 100), 1e-3);                            // the vectors cancel
    EXPECT_NEAR(AmplitudeMv(*doc, 100), 2000 / (32.767 * 1.4), 0.01);  // the mean magnitude stays

    // Switched off, the next capture replaces the sums.
    doc->m_dwFlags &= ~kFlagAverage;
    doc->CaptureOnce();
    EXPECT_EQ(doc->m_nAverageCount, 1);
    EXPECT_NEAR(RatioValue(*doc, 100), 1, 1e-6);
}

TEST_F(AnalysisTest, SwitchingAveragingOnGoesOnFromTheLastCapture) {
    input.left = [](int, int i) { return sine(2000, 1000, 48000, i); };
    input.right = [](int, int i) { return sine(1000, 1000, 48000, i, 0.5); };
    auto doc = start("48000 0.1 0 0 3 1.425e-5");
    const double phase = PhaseDegrees(*doc, 100);
    const double ratio = RatioValue(*doc, 100);  // about 2
    doc->m_dwFlags |= kFlagAverage;
    doc->CaptureOnce();  // the same capture again
    EXPECT_EQ(doc->m_nAverageCount, 2);
    EXPECT_NEAR(RatioValue(*doc, 100), ratio, 1e-9);  // (r + r) / 2, not r / 2
    EXPECT_NEAR(ratio, 2, 0.01);
    EXPECT_NEAR(PhaseDegrees(*doc, 100), phase, 1e-9);
}

TEST_F(AnalysisTest, EveryBinFollowsTheScalarFormulasExactly) {
    // Noise-like inputs, an odd window: bins are computed two at a time and
    // the last one alone, and each must be what the formulas give.
    input.left = [](int, int i) { return static_cast<std::int16_t>((i * 7919) % 20011 - 10005); };
    input.right = [](int, int i) { return static_cast<std::int16_t>((i * 104729) % 19997 - 9998); };
    auto doc = start("11250 0.1 0 0 3");
    const int N = doc->m_nWindowSamples, H = (N + 1) / 2;
    const double* X0 = doc->m_pSpectrum[0];
    const double* X1 = doc->m_pSpectrum[1];
    for (int k = 1; k < H; ++k) {
        const double re0 = X0[2 * k], im0 = X0[2 * k + 1], re1 = X1[2 * k], im1 = X1[2 * k + 1];
        const double power0 = re0 * re0 + im0 * im0, power1 = re1 * re1 + im1 * im1;
        ASSERT_EQ(doc->m_pRatio[k], std::sqrt(power0 / power1)) << k;
        ASSERT_EQ(doc->m_pPhase[k], atan2q(im0 * re1 - re0 * im1, re0 * re1 + im0 * im1)) << k;
        ASSERT_EQ(doc->m_pMagnitude[k], std::sqrt(power0)) << k;
        ASSERT_NEAR(doc->m_pPhase[k],
                    std::remainder(std::atan2(im0, re0) - std::atan2(im1, re1), 2 * M_PI), 1e-12);
    }
}

TEST_F(AnalysisTest, NothingSummedShowsZeroNotADivisionByZero) {
    input.openError = -9996;
    auto doc = start("", kFlagAverage);
    EXPECT_EQ(doc->m_nAverageCount, 0);
    EXPECT_EQ(AmplitudeMv(*doc, 10), 0);
    EXPECT_EQ(RatioValue(*doc, 10), 0);
}

}  // namespace
}  // namespace velmora
