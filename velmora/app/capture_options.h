#pragma once

#include <iosfwd>
#include <optional>
#include <string>

#include "../analysis/window_function.h"

namespace velmora {

// velmora-capture's command line: the words P1..P6, and its options.
struct CaptureOptions {
    std::string words;  // P1..P6 as one text, blank-separated
    long captures = 1;
    long mode = -1;      // none: P5's mode
    long waveform = -1;  // none: the generator stays silent
    double frequency = 440.0;
    bool average = false;
    bool reverse = false;
    WindowFunction window = WindowFunction::Rectangular;
    bool decibels = false;  // the spectrum in dBV, the ratio in dB
    bool h1 = false;        // the H1 estimate with its coherence
    bool thd = false;       // THD and THD+N instead of the table
    std::string record;     // the WAV file the captures go to, if any
    bool usage = false;     // -h
};

// The options of argv; nothing, with the reason written to err, for a bad
// one.
std::optional<CaptureOptions> ParseCaptureOptions(int argc, char** argv, std::ostream& err);

}  // namespace velmora
