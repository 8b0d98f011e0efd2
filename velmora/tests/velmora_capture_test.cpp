// velmora-capture run as a lab script runs it.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "test_support/file_size_limit.h"
#include "test_support/process_run.h"
#include "test_support/temp_dir.h"

extern char** environ;

namespace velmora {
namespace {

using Result = test_support::ProcessResult;

using test_support::ReadFile;

class VelmoraCaptureTest : public ::testing::Test {
protected:
    // A stereo 16-bit WAV of a sine on each channel.
    std::string wav(int rate, double seconds, double f0, double a0, double f1, double a1) {
        const std::string path = (dir / "input.wav").string();
        std::ofstream out(path, std::ios::binary);
        const int frames = static_cast<int>(rate * seconds);
        auto u32 = [&](std::uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
        auto u16 = [&](std::uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
        out << "RIFF";
        u32(36 + frames * 4);
        out << "WAVEfmt ";
        u32(16);
        u16(1);
        u16(2);
        u32(rate);
        u32(rate * 4);
        u16(4);
        u16(16);
        out << "data";
        u32(frames * 4);
        for (int i = 0; i < frames; ++i) {
            u16(static_cast<std::uint16_t>(std::lround(a0 * std::sin(2 * M_PI * f0 * i / rate))));
            u16(static_cast<std::uint16_t>(std::lround(a1 * std::sin(2 * M_PI * f1 * i / rate))));
        }
        return path;
    }

    // extraEnvironment: more NAME=VALUE settings, replacing any of the same
    // name.
    Result run(const std::vector<std::string>& arguments, const std::string& input = {},
               const std::vector<std::string>& extraEnvironment = {}) {
        test_support::ProcessOptions options;
        options.environment = {input.empty() ? "VELMORA_INPUT" : "VELMORA_INPUT=" + input};
        options.environment.insert(options.environment.end(), extraEnvironment.begin(),
                                   extraEnvironment.end());
        return test_support::RunProcess(VELMORA_CAPTURE, arguments, options);
    }

    std::vector<std::vector<double>> rows(const std::string& text) {
        std::vector<std::vector<double>> table;
        std::istringstream in(text);
        std::string line;
        std::getline(in, line);  // the header
        while (std::getline(in, line)) {
            std::istringstream fields(line);
            std::vector<double> row;
            for (double v; fields >> v;)
                row.push_back(v);
            table.push_back(row);
        }
        return table;
    }

    test_support::TempDir dir;
};

TEST_F(VelmoraCaptureTest, PrintsTheSpectrumOfARecording) {
    const std::string file = wav(48000, 0.5, 1000, 1000, 3000, 500);
    const Result result = run({"48000", "0.1", "0", "0", "2"}, file);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out.substr(0, result.out.find('\n') + 1), "Frequency(Hz))\tL  :mV\n");
    const auto table = rows(result.out);
    ASSERT_EQ(table.size(), 2401u);
    EXPECT_EQ(table[100][0], 1000);
    EXPECT_NEAR(table[100][1], 1000 / (32.767 * 1.4), 0.002);  // about 21.8 mV
}

TEST_F(VelmoraCaptureTest, ModesAveragingAndReversedInputs) {
    const std::string file = wav(48000, 0.5, 1000, 1000, 1000, 500);
    Result result = run({"--mode", "3", "--captures", "3", "--average"}, file);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    auto table = rows(result.out);
    EXPECT_NEAR(table[100][1], 2.0, 1e-3);  // left over right
    EXPECT_NEAR(table[100][2], 0.0, 0.1);

    result = run({"--mode", "3", "--reverse"}, file);
    EXPECT_NE(result.out.find("R  :L   ratio"), std::string::npos);
    EXPECT_NEAR(rows(result.out)[100][1], 0.5, 1e-3);

    result = run({"48000", "0.1", "0", "0", "1"}, file);
    EXPECT_EQ(result.out.substr(0, 22), "Time(msec)\tL:mV\tR:mV\n ");
    EXPECT_EQ(rows(result.out).size(), 4800u);
}

TEST_F(VelmoraCaptureTest, FailuresAreReportedOnStandardError) {
    const std::string file = wav(44100, 0.2, 1000, 1000, 1000, 1000);
    Result result = run({}, file);  // 48000 Hz wanted
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("44100 Hz"), std::string::npos) << result.err;
    EXPECT_TRUE(result.out.empty());

    result = run({"44100", "0.1", "--captures", "5"}, file);  // the file holds two
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("end of the file"), std::string::npos) << result.err;

    // A recording that ends before its header says fails as its end does.
    const std::string cut = wav(48000, 0.15, 1000, 1000, 1000, 500);
    std::filesystem::resize_file(cut, std::filesystem::file_size(cut) - 4 * 3000);
    result = run({"48000", "0.1", "--captures", "2"}, cut);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("end of the file"), std::string::npos) << result.err;
    EXPECT_TRUE(result.out.empty());

    // A file too short for its captures is never padded with silence: the
    // capture fails and says how many frames were left for how many.
    const std::string short_ = wav(48000, 0.2, 1000, 1000, 1000, 500);
    result = run({"48000", "60"}, short_);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("9600 frames left for a capture of 2880000"), std::string::npos)
        << result.err;
    EXPECT_TRUE(result.out.empty());
    // Nor the last of averaged captures: 3 s hold four captures of 0.703 s.
    const std::string three = wav(48000, 3, 1000, 1000, 1000, 500);
    result = run({"48000", "0.7", "0", "0", "2", "--captures", "5", "--average"}, three);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("9000 frames left for a capture of 33750"), std::string::npos)
        << result.err;
    EXPECT_TRUE(result.out.empty());

    EXPECT_EQ(run({"--mode", "4"}, file).exitCode, 2);
    EXPECT_EQ(run({"--captures", "0"}, file).exitCode, 2);
    EXPECT_EQ(run({"--frobnicate"}, file).exitCode, 2);
}

// The measurement's options: window, dB, H1 with coherence, THD, and a
// recording that reads back as the same measurement.
TEST_F(VelmoraCaptureTest, WindowDecibelsH1ThdAndRecording) {
    // (wav() writes one file: each kept under a name of its own.)
    const std::string file = (dir / "between.wav").string();  // a tone between two bins
    std::filesystem::copy_file(wav(48000, 1, 1005, 16000, 1005, 8000), file);
    Result plain = run({"48000", "0.1", "0", "0", "2"}, file);
    Result hann = run({"48000", "0.1", "0", "0", "2", "--window", "hann"}, file);
    ASSERT_EQ(hann.exitCode, 0) << hann.err;
    const double expected = 16000 / (32.767 * 1.4);
    auto peak = [&](const std::string& out) {
        const auto table = rows(out);
        return std::max(table[100][1], table[101][1]);
    };
    EXPECT_NEAR(20 * std::log10(expected / peak(plain.out)), 3.92, 0.05);
    EXPECT_NEAR(20 * std::log10(expected / peak(hann.out)), 1.42, 0.05);
    EXPECT_EQ(run({"--window", "hamming"}, file).exitCode, 2);

    Result db = run({"48000", "0.1", "0", "0", "2", "--window", "flat-top", "--db"}, file);
    ASSERT_EQ(db.exitCode, 0) << db.err;
    EXPECT_EQ(db.out.substr(0, db.out.find('\n') + 1), "Frequency(Hz))\tL  :dBV\n");
    EXPECT_NEAR(peak(db.out), 20 * std::log10(expected / 1000), 0.02);

    Result h1 = run(
        {"48000", "0.1", "0", "0", "3", "--h1", "--window", "hann", "--average", "--captures", "4"},
        file);
    ASSERT_EQ(h1.exitCode, 0) << h1.err;
    EXPECT_EQ(h1.out.substr(0, h1.out.find('\n') + 1),
              "Frequency(Hz)\tL  :R   ratio\tL  :R   phase difference\tcoherence\n");
    auto table = rows(h1.out);
    EXPECT_EQ(table[100].size(), 4u);
    EXPECT_NEAR(table[100][1], 2.0, 1e-3);
    EXPECT_NEAR(table[100][3], 1.0, 1e-4);

    const std::string clean = (dir / "clean.wav").string();
    std::filesystem::copy_file(wav(48000, 0.5, 1000, 16000, 1000, 16000), clean);
    Result thd = run({"48000", "0.1", "--thd"}, clean);
    ASSERT_EQ(thd.exitCode, 0) << thd.err;
    EXPECT_EQ(thd.out.substr(0, thd.out.find('\n') + 1),
              "Frequency(Hz)\tLevel:mV\tTHD:%\tTHD+N:%\n");
    table = rows(thd.out);
    ASSERT_EQ(table.size(), 1u);
    EXPECT_NEAR(table[0][0], 1000, 0.01);
    EXPECT_NEAR(table[0][1], expected, 0.01);
    EXPECT_LT(table[0][2], 0.01);  // a clean sine: quantisation only

    // Recorded, then read back: the same measurement.
    const std::string recording = (dir / "recording.wav").string();
    Result live =
        run({"48000", "0.1", "0", "0", "3", "--average", "--captures", "3", "--record", recording},
            file);
    ASSERT_EQ(live.exitCode, 0) << live.err;
    Result replay = run({"48000", "0.1", "0", "0", "3", "--average", "--captures", "3"}, recording);
    ASSERT_EQ(replay.exitCode, 0) << replay.err;
    EXPECT_EQ(replay.out, live.out);
    // A failed measurement (the file holds one second) leaves no recording.
    const std::string none = (dir / "none.wav").string();
    EXPECT_EQ(run({"48000", "0.5", "--captures", "3", "--record", none}, file).exitCode, 1);
    EXPECT_FALSE(std::filesystem::exists(none));
}

// A measurement that cannot be written is a failure, and says why.
TEST_F(VelmoraCaptureTest, AnOutputThatCannotBeWrittenFailsWithItsCause) {
    const std::string file = wav(48000, 0.2, 1000, 1000, 1000, 500);
    Result result;
    {
        test_support::FileSizeLimit limit(4096);  // the spectrum takes some 50 kB
        result = run({"48000", "0.1"}, file);
    }
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("cannot write the measurement: File too large"), std::string::npos)
        << result.err;
}

// A generator request that plays nothing fails the measurement: a script
// must not measure silence as if its stimulus were there.
TEST_F(VelmoraCaptureTest, ASignalThatCannotPlayFailsTheMeasurement) {
    const std::string file = wav(48000, 0.5, 1000, 1000, 1000, 500);
    const Result result = run({"--generate", "3", "--frequency", "1000"}, file);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("Try a frequency < 480.0 Hz."), std::string::npos) << result.err;
    EXPECT_TRUE(result.out.empty());
}

// The private server's sink suspended: its monitor, the default input,
// delivers nothing. The capture is given up with a message, and the program
// ends instead of opening the input again and waiting on it for ever.
TEST_F(VelmoraCaptureTest, AnInputThatDeliversNothingEndsTheProgram) {
    if (std::system("pactl get-default-sink 2>/dev/null | grep -qx velmora_null") != 0)
        GTEST_SKIP() << "no private PulseAudio server with its null sink (scripts/test starts one)";
    ASSERT_EQ(std::system("pactl suspend-sink velmora_null 1"), 0);
    test_support::ProcessOptions options;
    options.environment = {"VELMORA_INPUT"};
    options.timeout = std::chrono::seconds(60);
    const Result result =
        test_support::RunProcess(VELMORA_CAPTURE, {"48000", "0.1", "--captures", "3"}, options);
    std::system("pactl suspend-sink velmora_null 0");
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 1);
    // Said once: the closing stop opened the input no second time.
    const std::size_t said = result.err.find("The sound input delivered no data");
    ASSERT_NE(said, std::string::npos) << result.err;
    EXPECT_EQ(result.err.find("The sound input delivered no data", said + 1), std::string::npos)
        << result.err;
}

// Sizing the buffers for ten minutes when memory runs short: the failure's
// message and exit code 1, never an abort. The allocator is told to refuse
// large blocks, as a machine without the memory would.
TEST_F(VelmoraCaptureTest, BuffersThatCannotBeHadEndTheProgramWithItsMessage) {
#if defined(__SANITIZE_ADDRESS__)
    const std::string file = wav(48000, 0.2, 1000, 1000, 1000, 1000);
    const std::string limit =
        "ASAN_OPTIONS=allocator_may_return_null=1:max_allocation_size_mb=600:detect_leaks=0";
    Result result = run({"48000", "600"}, file, {limit});
    EXPECT_EQ(result.exitCode, 1) << result.err;
    EXPECT_NE(result.err.find("unable to allocate heap memory. quit other applications and try "
                              "again"),
              std::string::npos)
        << result.err;
    EXPECT_TRUE(result.out.empty());

    // Less still: the capture buffer itself.
    result = run({"48000", "600"}, file,
                 {"ASAN_OPTIONS=allocator_may_return_null=1:max_allocation_size_mb=100:detect_"
                  "leaks=0"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("sound driver buffer array cannot be assigned"), std::string::npos)
        << result.err;
#else
    GTEST_SKIP() << "the allocator's limit is set through AddressSanitizer";
#endif
}

// Through the real sound path: a tone played into the null sink.
TEST_F(VelmoraCaptureTest, MeasuresAToneFromTheSoundCard) {
    if (std::system("pactl info >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "no PulseAudio server (scripts/test starts one)";
    const std::string tone = wav(48000, 20, 3000, 6000, 3000, 6000);
    pid_t player = 0;
    const char* argv[] = {"paplay", tone.c_str(), nullptr};
    ASSERT_EQ(posix_spawnp(&player, "paplay", nullptr, nullptr, const_cast<char**>(argv), environ),
              0);
    // Enough captures that the last ones hear the tone.
    const Result result = run({"48000", "0.1", "0", "0", "2", "--captures", "20"});
    kill(player, SIGTERM);
    waitpid(player, nullptr, 0);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto table = rows(result.out);
    std::size_t largest = 1;
    for (std::size_t k = 1; k < table.size(); ++k)
        if (table[k][1] > table[largest][1])
            largest = k;
    EXPECT_EQ(table[largest][0], 3000);
}

// The generator's sine, looped back through the null sink.
TEST_F(VelmoraCaptureTest, TheGeneratorsSineComesBackThroughTheLoopback) {
    if (std::system("pactl info >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "no PulseAudio server (scripts/test starts one)";
    Result result = run({"48000", "0.1", "0", "0", "2", "--generate", "0", "--frequency", "1000",
                         "--captures", "5"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    auto table = rows(result.out);
    std::size_t largest = 1;
    for (std::size_t k = 1; k < table.size(); ++k)
        if (table[k][1] > table[largest][1])
            largest = k;
    EXPECT_EQ(table[largest][0], 1000);

    result = run({"48000", "0.1", "0", "0", "3", "--generate", "0", "--frequency", "1000",
                  "--captures", "5"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    table = rows(result.out);
    EXPECT_NEAR(table[100][1], 1.00, 0.01);
    EXPECT_NEAR(table[100][2], 0.0, 1.0);

    EXPECT_EQ(run({"--generate", "7"}).exitCode, 2);
    EXPECT_EQ(run({"--generate", "0", "--frequency", "0.01"}).exitCode, 2);
}

// A notice of the generator goes to stderr and the measurement goes on.
TEST_F(VelmoraCaptureTest, AGeneratorNoticeIsNoFailure) {
    if (std::system("pactl info >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "no PulseAudio server (scripts/test starts one)";
    const std::string file = wav(48000, 0.5, 1000, 1000, 1000, 500);
    const Result result =
        run({"48000", "0.1", "0", "0", "2", "--generate", "6", "--frequency", "20000"}, file);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.err.find("This is too high and reset to 9600.000000 Hz."), std::string::npos)
        << result.err;
    EXPECT_EQ(rows(result.out).size(), 2401u);
}

}  // namespace
}  // namespace velmora
