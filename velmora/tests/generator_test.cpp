#include <gtest/gtest.h>

#include "capture/command_ids.h"
#include "capture/velmora_doc.h"
#include "fakes.h"

namespace velmora {
namespace {

class GeneratorTest : public ::testing::Test {
protected:
    GeneratorTest() : doc(*SplitCommandLine("44100"), input, dialogs, &output) {}
    testing::FakeWaveInput input;
    testing::ScriptedInteraction dialogs;
    testing::FakeWaveOutput output;
    CVelmoraDoc doc;
};

TEST_F(GeneratorTest, ASignalPlaysLoopedMonoAtTheSamplingRate) {
    EXPECT_EQ(doc.m_nWaveform, kWaveformSilent);
    doc.OnCommand(ID_WAVEFORM_FIRST + 1);  // "Sine", F2
    EXPECT_EQ(doc.m_nWaveform, kWaveformSine);
    ASSERT_EQ(output.plays, 1);
    EXPECT_EQ(output.formats.back().channels, 1);
    EXPECT_EQ(output.formats.back().samplesPerSecond, 44100);
    EXPECT_EQ(output.count, 441000);
    EXPECT_EQ(output.loops, 4096);
    EXPECT_EQ(output.playing, doc.m_sOutputBuffer.get());

    // Another signal stops the block before the buffer is written again.
    doc.OnCommand(ID_WAVEFORM_FIRST + 3);  // "Square"
    EXPECT_EQ(output.resets, 1);
    EXPECT_EQ(output.plays, 2);
    doc.OnCommand(ID_WAVEFORM_FIRST);  // "Silent"
    EXPECT_EQ(output.resets, 2);
    EXPECT_EQ(output.playing, nullptr);
    doc.OnCommand(ID_WAVEFORM_FIRST);  // harmless when nothing plays
    EXPECT_EQ(output.resets, 2);
}

TEST_F(GeneratorTest, TheFrequencyDialogAcceptsAboveOneTwentiethUpTo48000) {
    doc.OnCommand(ID_WAVEFORM_FIRST + 1);
    for (const char* refused : {"0.05", "48000.5", "-3"}) {
        dialogs.answers = {refused};
        doc.OnCommand(ID_FREQUENCY);
        EXPECT_EQ(doc.m_dOutputFrequency, 440.0) << refused;
    }
    EXPECT_EQ(dialogs.prompts.back(), "New output frequency.");
    dialogs.answers = {"48000"};
    doc.OnCommand(ID_FREQUENCY);
    EXPECT_EQ(doc.m_dOutputFrequency, 48000);
    EXPECT_EQ(output.plays, 5);  // restarted each time

    // Acquisition is stopped around it and started again.
    doc.ToggleAcquisition();
    const int captures = input.captures;
    dialogs.answers = {"1000"};
    doc.OnCommand(ID_FREQUENCY);
    EXPECT_TRUE(doc.running());
    EXPECT_EQ(input.captures, captures + 1);
}

TEST_F(GeneratorTest, FailuresAreShownAndARefusedPulseFallsSilent) {
    dialogs.answers = {"500"};
    doc.OnCommand(ID_FREQUENCY);  // silent stays silent
    EXPECT_EQ(output.plays, 0);
    doc.OnCommand(ID_WAVEFORM_FIRST + 4);  // "1:100 pulse" at 500 Hz
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{"Try a frequency < 441.0 Hz."});
    EXPECT_EQ(doc.m_nWaveform, kWaveformSilent);
    EXPECT_EQ(output.plays, 0);

    output.openError = -9996;
    doc.OnCommand(ID_WAVEFORM_FIRST + 1);
    EXPECT_EQ(dialogs.messages.back(), "fail to open waveOutDevice\n");
    EXPECT_EQ(doc.m_nWaveform, kWaveformSine);  // stays checked
    EXPECT_FALSE(doc.m_hWaveOut);
}

TEST_F(GeneratorTest, ChangingTheSamplingRateSilencesTheGenerator) {
    doc.OnCommand(ID_WAVEFORM_FIRST + 1);
    dialogs.answers = {"48000"};
    doc.OnCommand(ID_SAMPLING_RATE);
    EXPECT_EQ(doc.m_nWaveform, kWaveformSilent);
    EXPECT_EQ(output.playing, nullptr);
}

}  // namespace
}  // namespace velmora
