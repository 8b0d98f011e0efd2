#include "capture/velmora_doc.h"

#include <gtest/gtest.h>

#include <chrono>

#include "capture/command_ids.h"
#include "capture/frame_count.h"
#include "fakes.h"

namespace velmora {
namespace {

using testing::FakeWaveInput;
using testing::RecordingHost;
using testing::ScriptedInteraction;

class DocumentTest : public ::testing::Test {
protected:
    std::unique_ptr<CVelmoraDoc> make(const std::string& commandLine) {
        auto document =
            std::make_unique<CVelmoraDoc>(*SplitCommandLine(commandLine), input, dialogs);
        document->SetHost(&host);
        return document;
    }
    FakeWaveInput input;
    ScriptedInteraction dialogs;
    RecordingHost host;
};

TEST_F(DocumentTest, AnEmptyCommandLineGivesTheDefaults) {
    const auto doc = make("");
    EXPECT_EQ(doc->m_nSamplingRate, 48000);
    EXPECT_EQ(doc->m_dTimeWindow, 0.1);
    EXPECT_EQ(doc->m_dWeight[0], 1.4);
    EXPECT_EQ(doc->m_dWeight[1], 1.4);
    EXPECT_EQ(doc->m_dRDelay, 0);
    EXPECT_EQ(doc->m_dwFlags, kFlagResetView | kFlagPlanMade);  // one-channel spectrum
    EXPECT_EQ(doc->m_nCaptureFrames, 4800);
    EXPECT_EQ(doc->m_nWindowSamples, 4800);
    EXPECT_EQ(doc->m_dOutputFrequency, 440.0);
    EXPECT_EQ(doc->m_nWaveform, 99);
    EXPECT_EQ(doc->m_nScopeYMax[0], 32767);
    EXPECT_EQ(doc->m_nScopeYMin[1], -32767);
    EXPECT_EQ(doc->m_dSpecYMax[0], 32767.0 * 4800 * 0.5);
    EXPECT_EQ(doc->m_dSpecYMin[1], -180.0);
}

TEST_F(DocumentTest, ParametersAndTheirLimits) {
    auto doc = make("44100 0.1 2.5 0 1 1.425e-5 x y");
    EXPECT_EQ(doc->m_nSamplingRate, 44100);
    EXPECT_EQ(doc->m_nCaptureFrames, 4500);
    EXPECT_DOUBLE_EQ(doc->m_dTimeWindow, 4500.0 / 44100);
    EXPECT_EQ(doc->m_nDelaySkip, 30);
    EXPECT_EQ(doc->m_nWindowSamples, 4470);
    EXPECT_EQ(doc->m_dWeight[0], 2.5);
    EXPECT_EQ(doc->m_dWeight[1], 1.4);
    EXPECT_EQ(doc->m_dwFlags, kFlagScope | kFlagDual | kFlagResetView | kFlagPlanMade);

    for (const char* rate : {"3999", "48001", "abc"})
        EXPECT_EQ(make(rate)->m_nSamplingRate, 48000);
    EXPECT_EQ(make("4000")->m_nSamplingRate, 4000);
    EXPECT_EQ(make("48000 0.1 0 0 0")->m_dwFlags, kFlagScope | kFlagResetView | kFlagPlanMade);
    EXPECT_EQ(make("48000 0.1 0 0 3")->m_dwFlags, kFlagDual | kFlagResetView | kFlagPlanMade);
    for (const char* mode : {"2", "7", "-1"})
        EXPECT_EQ(make(std::string("48000 0.1 0 0 ") + mode)->m_dwFlags,
                  kFlagResetView | kFlagPlanMade);
}

TEST_F(DocumentTest, AWindowTooShortOrTooLongTakesTheDefault) {
    for (const char* window : {"-1", "0.00001", "1e12", "nan"})
        EXPECT_EQ(make(std::string("48000 ") + window)->m_nCaptureFrames, 4800) << window;
    // 40 frames, less the 30 a delay skips, still leaves ten.
    EXPECT_EQ(make("4000 0.01 0 0 2 1e-5")->m_nWindowSamples, 10);
    EXPECT_EQ(make("4000 0.008 0 0 2 1e-5")->m_nWindowSamples, 2);
    EXPECT_EQ(make("4000 0.0075 0 0 2 1e-5")->m_nCaptureFrames, 400);  // 30 frames, none left
    EXPECT_EQ(make("4000 0.0005 0 0 2 1e-5")->m_nCaptureFrames, 400);  // 2 frames: default
}

TEST(FrameCount, RoundsUpToProductsOfTwoThreeAndFive) {
    EXPECT_EQ(SmoothFrameCount(4800), 4800);
    EXPECT_EQ(SmoothFrameCount(4410), 4500);
    EXPECT_EQ(SmoothFrameCount(7), 8);
    EXPECT_EQ(SmoothFrameCount(1), 1);
    EXPECT_EQ(CaptureFramesFor(48000, 0, 0), 0);
    EXPECT_EQ(CaptureFramesFor(48000, 0.1, 0), 4800);
}

TEST_F(DocumentTest, AnInputThatDeliversNothingStopsTheAcquisition) {
    auto doc = make("48000 0.1");
    // A capture is waited for its own length and two seconds more; the test
    // need not wait that long.
    EXPECT_EQ(doc->CaptureTimeout(), std::chrono::milliseconds(2100));
    doc->SetCaptureMargin(std::chrono::milliseconds(0));
    input.stalled = true;
    doc->ToggleAcquisition();
    EXPECT_FALSE(doc->running());
    EXPECT_EQ(host.statuses.back(), "Velmora OFF; hit 'RETURN' to start.");
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0],
              "The sound input delivered no data: the acquisition has been stopped.");
    EXPECT_EQ(host.timers, 0);  // no next capture
    EXPECT_EQ(host.plain, 0);   // nothing analysed
    EXPECT_EQ(input.closes, 1);
    EXPECT_EQ(input.releases, 1);  // the device let go
    EXPECT_FALSE(doc->m_hWaveIn);

    // A stop after that starts nothing; Start while the input still
    // delivers nothing tries once and says so again.
    doc->StopAcquisition();
    EXPECT_EQ(input.opens, 1);
    doc->ToggleAcquisition();
    EXPECT_EQ(input.opens, 2);
    EXPECT_EQ(dialogs.messages.size(), 2u);
    EXPECT_FALSE(doc->running());
}

TEST_F(DocumentTest, InputOverflowsAreCountedAndShown) {
    auto doc = make("");
    input.overflowsPerCapture = 2;
    doc->ToggleAcquisition();
    doc->CaptureOnce();
    EXPECT_EQ(doc->m_nOverflows, 2);
    EXPECT_EQ(doc->m_nOverflowTotal, 4);
    EXPECT_EQ(host.statuses.back(),
              "Velmora ON; hit any key to stop. The input overflowed 2 times in the last capture: "
              "frames were lost.");
    input.overflowsPerCapture = 0;
    doc->CaptureOnce();
    EXPECT_EQ(host.statuses.back(), "Velmora ON; hit any key to stop.");
    EXPECT_EQ(doc->m_nOverflowTotal, 4);
    doc->StopAcquisition();
    doc->ToggleAcquisition();  // counted anew from Start
    EXPECT_EQ(doc->m_nOverflowTotal, 0);
}

TEST_F(DocumentTest, ACaptureLandsInTheTimeArraysAfterTheDelaySkip) {
    auto doc = make("48000 0.1 0 0 2 1.425e-5");
    doc->ToggleAcquisition();
    EXPECT_TRUE(doc->running());
    EXPECT_EQ(input.formats.back().samplesPerSecond, 48000);
    EXPECT_EQ(input.formats.back().channels, 2);
    ASSERT_EQ(doc->m_nWindowSamples, 4770);
    EXPECT_EQ(doc->m_pTime[0][0], 30);
    EXPECT_EQ(doc->m_pTime[1][0], -30);
    EXPECT_EQ(doc->m_pTime[0][4769], 4799);
    EXPECT_EQ(host.statuses.back(), "Velmora ON; hit any key to stop.");
    EXPECT_EQ(host.timers, 1);
    EXPECT_EQ(host.plain, 1);
    EXPECT_EQ(input.closes, 1);
    EXPECT_FALSE(doc->m_hWaveIn);

    // The next capture comes from the timer's command; then a stop.
    input.left = [](int n, int) { return std::int16_t(100 * n); };
    EXPECT_TRUE(doc->OnCommand(ID_CAPTURE_NEXT));
    EXPECT_EQ(doc->m_pTime[0][0], 100);
    doc->OnCommand(ID_START_STOP);
    EXPECT_FALSE(doc->running());
    EXPECT_EQ(host.statuses.back(), "Velmora OFF; hit 'RETURN' to start.");
    EXPECT_EQ(input.releases, 1);
}

TEST_F(DocumentTest, ReversedInputsSwapTheChannelsAndRestartTheAverages) {
    auto doc = make("");
    doc->m_dwFlags |= kFlagAverage;
    doc->ToggleAcquisition();
    EXPECT_EQ(doc->m_nAverageCount, 1);  // from 0 at Start, one capture summed
    EXPECT_EQ(doc->m_pTime[0][5], 5);
    doc->OnCommand(ID_REVERSE_INPUTS);
    EXPECT_TRUE(doc->m_dwFlags & kFlagReversed);
    EXPECT_TRUE(doc->running());
    EXPECT_EQ(input.captures, 2);       // stopped and started again
    EXPECT_EQ(doc->m_pTime[0][5], -5);  // the right input
    EXPECT_EQ(doc->m_pTime[1][5], 5);
    EXPECT_EQ(doc->m_nAverageCount, 1);  // the averages started again
}

TEST_F(DocumentTest, AnOpenFailureIsShownAndLeavesAcquisitionOnWithoutATimer) {
    input.openError = -9996;
    auto doc = make("");
    doc->ToggleAcquisition();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0], "fail to open the wavein device with error code -9996");
    EXPECT_TRUE(doc->running());
    EXPECT_EQ(host.timers, 0);
    // Start/Stop twice tries again.
    input.openError = 0;
    doc->ToggleAcquisition();
    doc->ToggleAcquisition();
    EXPECT_EQ(host.timers, 1);
}

TEST_F(DocumentTest, TheTimeWindowDialogAcceptsTenSamplePeriodsToAnHour) {
    auto doc = make("44100");
    const double start = doc->m_dTimeWindow;
    for (const char* refused : {"0.0002", "3601", "-1"}) {
        dialogs.answers = {refused};
        doc->OnCommand(ID_TIME_WINDOW);
        EXPECT_EQ(doc->m_dTimeWindow, start) << refused;
    }
    EXPECT_EQ(dialogs.prompts.back(), "Input the new time window size, in seconds.");

    dialogs.answers = {"a while", "0.001"};
    doc->OnCommand(ID_TIME_WINDOW);
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{"Please enter a number."});
    EXPECT_EQ(doc->m_nCaptureFrames, 45);  // 44.1 frames rounded up to 3^2 x 5

    // Escape keeps the value; the buffers are rebuilt and a run restarts.
    doc->ToggleAcquisition();
    const int captures = input.captures;
    dialogs.answers.clear();
    doc->OnCommand(ID_TIME_WINDOW);
    EXPECT_TRUE(doc->running());
    EXPECT_EQ(input.captures, captures + 1);
    EXPECT_EQ(doc->m_nCaptureFrames, 45);

    auto slow = make("4000");
    dialogs.answers = {"3600"};
    slow->OnCommand(ID_TIME_WINDOW);
    EXPECT_EQ(slow->m_nCaptureFrames, 4000 * 3600);
}

TEST_F(DocumentTest, TheSamplingRateDialogTruncatesAndStopsAcquisition) {
    auto doc = make("");
    doc->m_nWaveform = 0;
    doc->ToggleAcquisition();
    dialogs.answers = {"3999.9"};
    doc->OnCommand(ID_SAMPLING_RATE);
    EXPECT_EQ(doc->m_nSamplingRate, 48000);
    EXPECT_FALSE(doc->running());
    EXPECT_EQ(doc->m_nWaveform, 99);  // silenced first
    dialogs.answers = {"4000.7"};
    doc->OnCommand(ID_SAMPLING_RATE);
    EXPECT_EQ(doc->m_nSamplingRate, 4000);
    EXPECT_EQ(doc->m_nCaptureFrames, 400);
    dialogs.answers = {"48000.9"};
    doc->OnCommand(ID_SAMPLING_RATE);
    EXPECT_EQ(doc->m_nSamplingRate, 48000);
    EXPECT_NE(dialogs.prompts.back().find("Your sound card MUST support"), std::string::npos);
}

TEST_F(DocumentTest, ACaptureRequestQueuedBeforeAStopCapturesNothing) {
    auto doc = make("");
    doc->OnCommand(ID_START_STOP);
    ASSERT_EQ(input.captures, 1);
    doc->OnCommand(ID_START_STOP);
    doc->OnCommand(ID_CAPTURE_NEXT);
    EXPECT_EQ(input.captures, 1);
    EXPECT_FALSE(doc->m_hWaveIn);
    EXPECT_EQ(host.statuses.back(), "Velmora OFF; hit 'RETURN' to start.");
}

TEST_F(DocumentTest, ModeCommandsToggleTheirFlagsAndResetTheRanges) {
    auto doc = make("");
    doc->m_dwFlags &= ~kFlagResetView;
    doc->OnCommand(ID_TOGGLE_DUAL);
    EXPECT_TRUE(doc->m_dwFlags & kFlagDual);
    EXPECT_TRUE(doc->m_dwFlags & kFlagResetView);
    EXPECT_EQ(doc->m_dSpecYMax[0], 1.0);  // no ratio recorded yet
    doc->OnCommand(ID_TOGGLE_SCOPE);
    EXPECT_TRUE(doc->m_dwFlags & kFlagScope);
    // A silent record: the full scale.
    EXPECT_EQ(doc->m_nScopeYMin[1], -32767);
    EXPECT_EQ(doc->m_nScopeYMax[1], 32767);
    doc->OnCommand(ID_AUTO_RANGE_Y);
    doc->OnCommand(ID_ZOOM_OUT_Y);
    EXPECT_TRUE(doc->m_dwFlags & kFlagAutoRangeY);
    EXPECT_TRUE(doc->m_dwFlags & kFlagZoomOutY);
    EXPECT_FALSE(doc->OnCommand(57634));  // not the document's
}

// The transfer function's range starts at 0..1000, where a ratio of about
// one lies flat on the bottom edge: the first capture fits it.
TEST_F(DocumentTest, TheTransferFunctionIsFittedOnItsFirstCapture) {
    input.left = [](int, int i) { return std::int16_t(i % 2 ? 2000 : -2000); };
    input.right = [](int, int i) { return std::int16_t(i % 2 ? 1000 : -1000); };
    auto doc = make("48000 0.1 0 0 3");
    EXPECT_EQ(doc->m_dSpecYMax[0], 1000.0);
    doc->m_dwFlags &= ~kFlagResetView;
    doc->ToggleAcquisition();
    EXPECT_NEAR(doc->m_dSpecYMax[0], 2 * 1.1, 1e-9);  // the ratio of 2 and a tenth
    EXPECT_TRUE(doc->m_dwFlags & kFlagResetView);
    // Later captures leave the range to the user.
    doc->m_dwFlags &= ~kFlagResetView;
    doc->m_dSpecYMax[0] = 5;
    doc->CaptureOnce();
    EXPECT_EQ(doc->m_dSpecYMax[0], 5);
    EXPECT_FALSE(doc->m_dwFlags & kFlagResetView);
}

TEST_F(DocumentTest, TheStatusLineAsksForAveragesUntilTheCoherenceHasTwo) {
    auto doc = make("48000 0.1 0 0 3");
    doc->SetTransferEstimate(TransferEstimate::H1);
    doc->ToggleAcquisition();
    EXPECT_EQ(host.statuses.back(),
              "Velmora ON; hit any key to stop. The coherence needs at least two averages: turn "
              "FFT averaging on.");
    doc->StopAcquisition();
    doc->m_dwFlags |= kFlagAverage;
    doc->ToggleAcquisition();
    EXPECT_EQ(host.statuses.back(),
              "Velmora ON; hit any key to stop. The coherence needs at least two averages (n=1).");
    doc->CaptureOnce();
    EXPECT_EQ(host.statuses.back(), "Velmora ON; hit any key to stop.");
}

// The level meter: each input's peak, and whether it touched full scale.
TEST_F(DocumentTest, EachCaptureMeasuresTheInputsPeaksAndClipping) {
    input.left = [](int n, int i) { return std::int16_t(n == 0 ? (i % 3) * 1000 - 1000 : 32767); };
    input.right = [](int, int i) { return std::int16_t(i == 7 ? -32768 : 16); };
    auto doc = make("");
    doc->ToggleAcquisition();
    EXPECT_EQ(doc->m_levels.peak[0], 1000);
    EXPECT_EQ(doc->m_levels.peak[1], 32768);
    EXPECT_FALSE(doc->m_levels.clipped[0]);
    EXPECT_TRUE(doc->m_levels.clipped[1]);
    doc->CaptureOnce();
    EXPECT_TRUE(doc->m_levels.clipped[0]);
    // Reversed inputs do not swap the meter: it names the inputs.
    doc->m_dwFlags |= kFlagReversed;
    doc->CaptureOnce();
    EXPECT_EQ(doc->m_levels.peak[0], 32767);
    EXPECT_EQ(doc->m_levels.peak[1], 32768);
}

// Choices that change what is summed start the averages again; scales do
// not.
TEST_F(DocumentTest, AWindowOrEstimateChosenWhileRunningStartsTheAveragesAgain) {
    auto doc = make("48000 0.1 0 0 3");
    doc->m_dwFlags |= kFlagAverage;
    doc->ToggleAcquisition();
    doc->CaptureOnce();
    ASSERT_EQ(doc->m_nAverageCount, 2);
    doc->OnCommand(ID_WINDOW_FIRST + 1);  // Hann
    EXPECT_EQ(doc->m_nWindowFunction, WindowFunction::Hann);
    EXPECT_EQ(doc->m_nAverageCount, 1);
    EXPECT_TRUE(doc->IsChecked(ID_WINDOW_FIRST + 1));
    doc->CaptureOnce();
    doc->OnCommand(ID_TOGGLE_H1);
    EXPECT_EQ(doc->m_nTransferEstimate, TransferEstimate::H1);
    EXPECT_EQ(doc->m_nAverageCount, 1);
    doc->CaptureOnce();
    doc->OnCommand(ID_TOGGLE_DB);
    EXPECT_EQ(doc->m_nAverageCount, 2);
    EXPECT_TRUE(doc->m_bRatioInDb);
    EXPECT_EQ(doc->m_nAmplitudeScale, AmplitudeScale::DbV);
    EXPECT_TRUE(doc->IsChecked(ID_TOGGLE_DB));
    // Back to the defaults: the plain analysis needs no arrays of its own.
    doc->OnCommand(ID_WINDOW_FIRST);
    doc->OnCommand(ID_ESTIMATE_RATIO);
    EXPECT_EQ(doc->m_pCoherence, nullptr);
    EXPECT_EQ(doc->EquivalentNoiseBandwidthBins(), 1);
}

}  // namespace
}  // namespace velmora
