#include "capture_options.h"

#include <cstdlib>
#include <ostream>

namespace velmora {

namespace {

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

std::optional<CaptureOptions> ParseCaptureOptions(int argc, char** argv, std::ostream& err) {
    CaptureOptions o;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const char* next = i + 1 < argc ? argv[i + 1] : nullptr;
        if (arg == "-h") {
            o.usage = true;
        } else if (arg == "--captures" && next && readCount(next, 1, 1'000'000, o.captures)) {
            ++i;
        } else if (arg == "--mode" && next && readCount(next, 0, 3, o.mode)) {
            ++i;
        } else if (arg == "--generate" && next && readCount(next, 0, 6, o.waveform)) {
            ++i;
        } else if (arg == "--frequency" && next && readFrequency(next, o.frequency)) {
            ++i;
        } else if (arg == "--window" && next && WindowNamed(next)) {
            o.window = *WindowNamed(next);
            ++i;
        } else if (arg == "--record" && next && *next) {
            o.record = next;
            ++i;
        } else if (arg == "--average") {
            o.average = true;
        } else if (arg == "--reverse") {
            o.reverse = true;
        } else if (arg == "--db") {
            o.decibels = true;
        } else if (arg == "--h1") {
            o.h1 = true;
        } else if (arg == "--thd") {
            o.thd = true;
        } else if (arg.starts_with("--")) {
            err << "velmora-capture: bad option " << arg
                << (next && !std::string(next).starts_with("--") ? std::string(" ") + next : "")
                << '\n';
            return std::nullopt;
        } else {
            if (!o.words.empty())
                o.words += ' ';
            o.words += arg;
        }
    }
    return o;
}

}  // namespace velmora
