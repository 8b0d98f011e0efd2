// velmora-capture: measures without a window. Runs captures from the
// default input (or VELMORA_INPUT's WAV file) and prints what Copy would put
// on the clipboard for the full range.
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <thread>

#include "../capture/velmora_doc.h"
#include "../display/clipboard_text.h"
#include "../platform/portaudio_wave_output.h"
#include "command_line.h"
#include "program_information.h"

namespace {

using namespace velmora;

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

void printUsage(std::ostream& out) {
    out << "Usage: velmora-capture [P1 [P2 [P3 [P4 [P5 [P6]]]]]] [OPTION]...\n"
           "Measures through the sound card as velmora does, without a window, and prints\n"
           "what velmora's Copy puts on the clipboard for the full range.\n"
           "\n"
           "P1..P6 as on velmora's command line: sampling rate, time window, channel\n"
           "weights, starting mode, right-channel delay.\n"
           "      --captures N     make N captures (default 1)\n"
           "      --average        sum the captures as the averaging switch does\n"
           "      --mode 0..3      the display mode, over P5's\n"
           "      --reverse        swap the inputs\n"
           "      --generate 0..6  play a signal on the default output while measuring:\n"
           "                       0 sine, 1 triangle, 2 square, 3 1:100 pulse, 4 white\n"
           "                       noise, 5 held noise, 6 sweep\n"
           "      --frequency F    the signal's frequency in Hz (default 440)\n"
           "      --help           show this help and exit\n"
           "      --version        show the version and exit\n"
           "\n"
           "VELMORA_INPUT=FILE.wav takes the captures from a WAV file instead.\n";
}

// Messages go to stderr. A failure ends the measurement; a notice (the
// generator's frequency reset, its block cut short) lets it go on.
class ConsoleInteraction final : public Interaction {
public:
    void MessageBox(const std::string& text) override {
        std::cerr << text << '\n';
        failed = true;
    }
    void Notice(const std::string& text) override { std::cerr << text << '\n'; }
    void EditNumber(const std::string&, double&) override {}
    bool failed = false;
};

bool readCount(const char* text, long low, long high, long& value) {
    char* end = nullptr;
    value = std::strtol(text, &end, 10);
    return end != text && *end == '\0' && value >= low && value <= high;
}

bool readFrequency(const char* text, double& value) {
    char* end = nullptr;
    value = std::strtod(text, &end);
    return end != text && *end == '\0' && value > 0.05 && value <= 48000;
}

}  // namespace

int main(int argc, char** argv) {
    if (const auto answered = suite::AnswerHelpOrVersion(argc, argv, "velmora-capture", printUsage))
        return *answered;
    std::string words;
    long captures = 1, mode = -1, waveform = -1;
    double frequency = 440.0;
    bool average = false, reverse = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-h") {
            printUsage(std::cout);
            return 0;
        } else if (arg == "--captures" && i + 1 < argc &&
                   readCount(argv[i + 1], 1, 1'000'000, captures)) {
            ++i;
        } else if (arg == "--mode" && i + 1 < argc && readCount(argv[i + 1], 0, 3, mode)) {
            ++i;
        } else if (arg == "--generate" && i + 1 < argc && readCount(argv[i + 1], 0, 6, waveform)) {
            ++i;
        } else if (arg == "--frequency" && i + 1 < argc && readFrequency(argv[i + 1], frequency)) {
            ++i;
        } else if (arg == "--average") {
            average = true;
        } else if (arg == "--reverse") {
            reverse = true;
        } else if (arg.starts_with("--")) {
            std::cerr << "velmora-capture: bad option " << arg << '\n';
            printUsage(std::cerr);
            return kExitUsage;
        } else {
            if (!words.empty())
                words += ' ';
            words += arg;
        }
    }
    const auto params = SplitCommandLine(words);
    if (!params) {
        std::cerr << "velmora-capture: at most eight parameters of at most 80 characters\n";
        return kExitUsage;
    }

    ConsoleInteraction console;
    try {
        const auto input = MakeDefaultWaveInput();
        PortAudioWaveOutput output;
        CVelmoraDoc doc(*params, *input, console, &output);
        if (mode >= 0)
            doc.m_dwFlags = StartingModeFlags(static_cast<int>(mode));
        if (average)
            doc.m_dwFlags |= kFlagAverage;
        if (reverse)
            doc.m_dwFlags |= kFlagReversed;

        if (waveform >= 0) {
            doc.m_dOutputFrequency = frequency;
            doc.SelectWaveform(static_cast<int>(waveform));
            // A signal refused (a pulse too fast for the rate) plays
            // nothing: no measurement of a stimulus that is not there.
            if (console.failed || doc.m_nWaveform == kWaveformSilent)
                return kExitFailed;
            // Let the signal reach the circuit and come back to the input.
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
        }

        // Frames the input dropped are said, capture by capture; the
        // measurement goes on.
        auto reportOverflows = [&](long capture) {
            if (!console.failed && doc.m_nOverflows > 0)
                std::cerr << "Capture " << capture << ": " << OverflowText(doc.m_nOverflows)
                          << '\n';
        };
        doc.ToggleAcquisition();  // the first capture
        reportOverflows(1);
        for (long n = 2; n <= captures && !console.failed; ++n) {
            doc.CaptureOnce();
            reportOverflows(n);
        }
        doc.StopAcquisition();
        if (console.failed)
            return kExitFailed;

        if (const std::string note = DelayNote(doc); !note.empty())
            std::cerr << note << '\n';
        errno = 0;
        if (!(std::cout << ClipboardText(doc, 0, FullRangeEnd(doc)) << std::flush)) {
            std::cerr << "velmora-capture: cannot write the measurement: "
                      << (errno != 0 ? std::strerror(errno) : "the output refused it") << '\n';
            return kExitFailed;
        }
        return 0;
    } catch (const FatalError& error) {
        return error.exitCode;
    } catch (const std::bad_alloc&) {
        // Whatever a library allocated on the way ends the same way.
        std::cerr << "unable to allocate heap memory. quit other applications and try again\n";
        return kExitFailed;
    }
}
