// The real sound path: a tone played into the PulseAudio null sink comes
// back through its monitor, the default input, into a capture.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include "test_support/temp_dir.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/command_line.h"
#include "capture/velmora_doc.h"
#include "fakes.h"
#include "platform/portaudio_wave_input.h"

extern char** environ;

namespace velmora {
namespace {

// Plays a stereo tone on the default sink with pacat until destroyed.
class TonePlayer {
public:
    TonePlayer(double frequency, double amplitude) {
        raw_ = (dir_ / "tone.raw").string();
        std::ofstream out(raw_, std::ios::binary);
        for (int i = 0; i < 48000 * 20; ++i) {
            const auto v =
                static_cast<std::int16_t>(amplitude * std::sin(2 * M_PI * frequency * i / 48000));
            out.write(reinterpret_cast<const char*>(&v), 2);
            out.write(reinterpret_cast<const char*>(&v), 2);
        }
        out.close();
        const char* argv[] = {"pacat",        "--playback", "--format=s16le", "--rate=48000",
                              "--channels=2", raw_.c_str(), nullptr};
        posix_spawnp(&pid_, "pacat", nullptr, nullptr, const_cast<char**>(argv), environ);
    }
    ~TonePlayer() {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }

private:
    test_support::TempDir dir_;
    std::string raw_;
    pid_t pid_ = 0;
};

bool haveSoundServer() {
    return std::system("pactl info >/dev/null 2>&1") == 0;
}

TEST(AudioLoopback, AToneOnTheNullSinkArrivesInTheCapture) {
    if (!haveSoundServer())
        GTEST_SKIP() << "no PulseAudio server (scripts/test starts one)";
    TonePlayer tone(1000, 8000);
    PortAudioWaveInput input;
    testing::ScriptedInteraction dialogs;
    testing::RecordingHost host;
    CVelmoraDoc doc(*SplitCommandLine("48000 0.1"), input, dialogs);
    doc.SetHost(&host);

    // The first captures may come before the tone reaches the sink.
    double peak = 0;
    int crossings = 0;
    doc.ToggleAcquisition();
    for (int attempt = 0; attempt < 30 && peak < 4000; ++attempt) {
        doc.CaptureOnce();
        peak = 0;
        crossings = 0;
        for (int i = 0; i < doc.m_nWindowSamples; ++i) {
            peak = std::max(peak, std::fabs(doc.m_pTime[0][i]));
            if (i > 0 && (doc.m_pTime[0][i - 1] < 0) != (doc.m_pTime[0][i] < 0))
                ++crossings;
        }
    }
    doc.ToggleAcquisition();
    ASSERT_TRUE(dialogs.messages.empty()) << dialogs.messages[0];
    EXPECT_NEAR(peak, 8000, 400);
    EXPECT_NEAR(crossings, 200, 4);  // 1 kHz over 0.1 s
}

}  // namespace
}  // namespace velmora
