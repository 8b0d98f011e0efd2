#include "platform/wav_file_input.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include "test_support/temp_dir.h"

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <future>

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
    EXPECT_TRUE(dialogs.messages.empty());
    // 400 frames left: the capture fails rather than being padded with
    // silence, and the last capture's data stay.
    doc.CaptureOnce();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0], "VELMORA_INPUT " + wav.path +
                                       ": the end of the file has been reached: 400 frames left "
                                       "for a capture of 4800");
    EXPECT_EQ(doc.m_pTime[0][0], 4800);
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

// A chunk as long as a size can say is passed over whole: its body is not
// read as further chunks.
TEST(WavFileInput, TheLargestChunkSizeDoesNotWrapRound) {
    test_support::TempDir dir;
    const std::string path = (dir / "input.wav").string();
    {
        std::ofstream out(path, std::ios::binary);
        auto u32 = [&](std::uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
        auto u16 = [&](std::uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
        out << "RIFF";
        u32(0xFFFFFFFF);
        out << "WAVEfmt ";
        u32(16);
        u16(1);
        u16(2);
        u32(48000);
        u32(48000 * 4);
        u16(4);
        u16(16);
        out << "junk";
        u32(0xFFFFFFFF);  // the rest of the file and far beyond
        out << "data";
        u32(4 * 4800);
        for (int i = 0; i < 2 * 4800; ++i)
            u16(1000);
    }
    WavFileInput input(path);
    const WaveResult result = input.open(WaveFormat{48000, 2, 16}, [] {});
    EXPECT_FALSE(result);
    EXPECT_NE(result.text.find("no sample data"), std::string::npos) << result.text;
}

// A FIFO that nobody writes would block an open for ever; it is refused at
// once, as is any other file that is not a regular one.
TEST(WavFileInput, APipeOrADeviceIsRefusedWithoutWaiting) {
    test_support::TempDir dir;
    const std::string fifo = (dir / "input.wav").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    auto opened = std::async(std::launch::async, [&] {
        WavFileInput input(fifo);
        return input.open(WaveFormat{}, [] {});
    });
    if (opened.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
        // Let the blocked open go, so that the test can end.
        std::ofstream writer(fifo);
        FAIL() << "the open waited for a writer";
    }
    const WaveResult result = opened.get();
    EXPECT_FALSE(result);
    EXPECT_NE(result.text.find("not a regular file"), std::string::npos) << result.text;

    for (const std::string& other : {std::string("/dev/zero"), dir.path().string()}) {
        WavFileInput input(other);
        EXPECT_NE(input.open(WaveFormat{}, [] {}).text.find("not a regular file"),
                  std::string::npos)
            << other;
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
