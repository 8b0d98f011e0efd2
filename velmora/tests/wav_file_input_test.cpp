#include "platform/wav_file_input.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include "test_support/temp_dir.h"

#include <filesystem>
#include <fstream>

#include "app/command_line.h"
#include "capture/velmora_doc.h"
#include "fakes.h"

namespace velmora {
namespace {

struct WavFile {
    // claimed: the frames the header announces, when it lies about them.
    WavFile(int rate, int channels, int bits, int frames, std::uint32_t claimed = 0) {
        path = (dir / "input.wav").string();
        std::ofstream out(path, std::ios::binary);
        auto u32 = [&](std::uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
        auto u16 = [&](std::uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
        const std::uint32_t bytes = frames * channels * bits / 8;
        out << "RIFF";
        u32(36 + 8 + 4 + bytes);
        out << "WAVEfmt ";
        u32(16);
        u16(1);
        u16(channels);
        u32(rate);
        u32(rate * channels * bits / 8);
        u16(channels * bits / 8);
        u16(bits);
        out << "LIST";  // a chunk to pass over
        u32(4);
        out << "INFO";
        out << "data";
        u32(claimed ? claimed : bytes);
        for (int i = 0; i < frames * channels; ++i)
            u16(static_cast<std::uint16_t>(i % 2 ? -i / 2 : i / 2));
    }
    test_support::TempDir dir;
    std::string path;
};

TEST(WavFileInput, EachCaptureTakesTheNextFrames) {
    WavFile wav(48000, 2, 16, 10000);
    WavFileInput input(wav.path);
    testing::ScriptedInteraction dialogs;
    CVelmoraDoc doc(*SplitCommandLine(""), input, dialogs);
    doc.ToggleAcquisition();
    EXPECT_EQ(doc.m_pTime[0][1], 1);
    EXPECT_EQ(doc.m_pTime[1][1], -1);
    doc.CaptureOnce();
    EXPECT_EQ(doc.m_pTime[0][0], 4800);
    doc.CaptureOnce();  // 400 frames left, then silence
    EXPECT_EQ(doc.m_pTime[0][399], 9999);
    EXPECT_EQ(doc.m_pTime[0][400], 0);
    EXPECT_TRUE(dialogs.messages.empty());
    doc.CaptureOnce();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_NE(dialogs.messages[0].find("end of the file"), std::string::npos);
}

TEST(WavFileInput, AFileShorterThanItsHeaderSaysFailsTheCaptureThatReachesItsEnd) {
    for (const std::uint32_t claimed : {0xFFFFFFFFu, 40000u * 4}) {
        WavFile wav(48000, 2, 16, 6000, claimed);
        WavFileInput input(wav.path);
        testing::ScriptedInteraction dialogs;
        CVelmoraDoc doc(*SplitCommandLine(""), input, dialogs);
        doc.ToggleAcquisition();  // frames 0..4799
        EXPECT_TRUE(dialogs.messages.empty());
        doc.CaptureOnce();  // only 1200 frames are really there
        ASSERT_EQ(dialogs.messages.size(), 1u) << claimed;
        EXPECT_NE(dialogs.messages[0].find("end of the file"), std::string::npos);
        EXPECT_EQ(doc.m_pTime[0][0], 0);  // the first capture's data, not zeros over it
        EXPECT_EQ(doc.m_pTime[0][1], 1);
    }
}

TEST(WavFileInput, ARecordingOfAnotherRateOrKindFailsAtOpen) {
    struct Case {
        int rate, channels, bits;
        const char* says;
    };
    for (const Case& c : {Case{44100, 2, 16, "44100 Hz"}, Case{48000, 1, 16, "16-bit stereo"},
                          Case{48000, 2, 8, "16-bit stereo"}}) {
        WavFile wav(c.rate, c.channels, c.bits, 100);
        WavFileInput input(wav.path);
        const WaveResult result = input.open(WaveFormat{48000, 2, 16}, [] {});
        EXPECT_FALSE(result);
        EXPECT_NE(result.text.find(c.says), std::string::npos) << result.text;
    }
    WavFileInput missing("/nonexistent/input.wav");
    EXPECT_NE(missing.open(WaveFormat{}, [] {}).text.find("/nonexistent/input.wav"),
              std::string::npos);
}

}  // namespace
}  // namespace velmora
