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
#include "../display/data_file.h"
#include "../platform/portaudio_wave_output.h"
#include "capture_options.h"
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
           "      --window NAME    weight the samples before the transform: rectangular\n"
           "                       (default), hann, flat-top or blackman-harris\n"
           "      --db             the spectrum in dBV, the transfer function's ratio in dB\n"
           "      --h1             the H1 transfer function, with the coherence in a fourth\n"
           "                       column\n"
           "      --thd            print the strongest tone's frequency and level, its THD and\n"
           "                       THD+N, instead of the table\n"
           "      --record FILE    record the captures into a WAV file that VELMORA_INPUT\n"
           "                       reads back\n"
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

}  // namespace

int main(int argc, char** argv) {
    if (const auto answered = suite::AnswerHelpOrVersion(argc, argv, "velmora-capture", printUsage))
        return *answered;
    const auto options = ParseCaptureOptions(argc, argv, std::cerr);
    if (!options) {
        printUsage(std::cerr);
        return kExitUsage;
    }
    if (options->usage) {
        printUsage(std::cout);
        return 0;
    }
    const CaptureOptions& o = *options;
    const auto params = SplitCommandLine(o.words);
    if (!params) {
        std::cerr << "velmora-capture: at most eight parameters of at most 80 characters\n";
        return kExitUsage;
    }

    ConsoleInteraction console;
    try {
        const auto input = MakeDefaultWaveInput();
        PortAudioWaveOutput output;
        CVelmoraDoc doc(*params, *input, console, &output);
        if (o.mode >= 0)
            doc.m_dwFlags = StartingModeFlags(static_cast<int>(o.mode));
        if (o.average)
            doc.m_dwFlags |= kFlagAverage;
        if (o.reverse)
            doc.m_dwFlags |= kFlagReversed;
        doc.SetWindowFunction(o.window);
        if (o.h1)
            doc.SetTransferEstimate(TransferEstimate::H1);
        if (o.decibels) {
            doc.SetAmplitudeScale(AmplitudeScale::DbV);
            doc.SetRatioInDb(true);
        }
        if (console.failed)
            return kExitFailed;

        if (o.waveform >= 0) {
            doc.m_dOutputFrequency = o.frequency;
            doc.SelectWaveform(static_cast<int>(o.waveform));
            // A signal refused (a pulse too fast for the rate) plays
            // nothing: no measurement of a stimulus that is not there.
            if (console.failed || doc.m_nWaveform == kWaveformSilent)
                return kExitFailed;
            // Let the signal reach the circuit and come back to the input.
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
        }

        if (!o.record.empty() && !doc.StartRecording(o.record))
            return kExitFailed;

        // Frames the input dropped are said, capture by capture; the
        // measurement goes on.
        auto reportOverflows = [&](long capture) {
            if (!console.failed && doc.m_nOverflows > 0)
                std::cerr << "Capture " << capture << ": " << OverflowText(doc.m_nOverflows)
                          << '\n';
        };
        doc.ToggleAcquisition();  // the first capture
        reportOverflows(1);
        for (long n = 2; n <= o.captures && !console.failed; ++n) {
            doc.CaptureOnce();
            reportOverflows(n);
        }
        doc.StopAcquisition();
        // A measurement that failed leaves no recording behind.
        if (console.failed) {
            doc.CancelRecording();
            return kExitFailed;
        }
        if (doc.recording() && !doc.StopRecording())
            return kExitFailed;

        if (const std::string note = DelayNote(doc); !note.empty())
            std::cerr << note << '\n';
        std::string text;
        if (o.thd) {
            text = ThdReport(doc);
            if (text.empty()) {
                std::cerr << "velmora-capture: no tone stands out of the spectrum to measure "
                             "its distortion\n";
                return kExitFailed;
            }
        } else {
            text = ClipboardText(doc, FullRangeStart(doc), FullRangeEnd(doc));
        }
        errno = 0;
        if (!(std::cout << text << std::flush)) {
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
