#include "clipboard_text.h"

#include <cstdio>

#include "../analysis/analysis.h"
#include "../capture/velmora_doc.h"
#include "c_numbers.h"

namespace velmora {

namespace {

// A row is whole whatever its numbers: a value of 300 digits keeps its line
// end.
void appendRow(std::string& text, int columns, double a, double b, double c = 0) {
    if (columns == 2)
        text += FormatText("%10.4f\t%10.4f\n", a, b);
    else
        text += FormatText("%10.4f\t%10.4f\t%10.4f\n", a, b, c);
}

}  // namespace

int FullRangeEnd(const CVelmoraDoc& doc) {
    return (doc.m_dwFlags & kFlagScope) ? doc.m_nWindowSamples : (doc.m_nWindowSamples + 1) / 2 + 1;
}

std::string DelayNote(const CVelmoraDoc& doc) {
    const bool dualScope = (doc.m_dwFlags & kFlagScope) && (doc.m_dwFlags & kFlagDual);
    if (!dualScope || doc.m_dRDelay == 0)
        return {};
    CNumbers c;
    return FormatText(
        "Note that your data do not reflect a %f second delay on your R channel segnal",
        doc.m_dRDelay);
}

std::string ClipboardText(const CVelmoraDoc& doc, int first, int last) {
    CNumbers c;
    const bool scope = doc.m_dwFlags & kFlagScope;
    const bool dual = doc.m_dwFlags & kFlagDual;
    const bool reversed = doc.m_dwFlags & kFlagReversed;
    const double rate = doc.m_nSamplingRate;
    const int N = doc.m_nWindowSamples;
    auto mv = [&](int channel, int i) { return SampleMv(doc, channel, i); };

    std::string text;
    text.reserve(64 + 34 * static_cast<std::size_t>(last > first ? last - first : 0));
    if (scope && !dual) {
        text = "Time(msec)\tCh 0:mV\n";
        for (int i = first; i < last; ++i)
            appendRow(text, 2, i * 1000.0 / rate, mv(0, i));
    } else if (scope) {
        text = std::string("Time(msec)\t") + (reversed ? "R:mV\tL:mV\n" : "L:mV\tR:mV\n");
        for (int i = first; i < last; ++i)
            appendRow(text, 3, i * 1000.0 / rate, mv(0, i), mv(1, i));
    } else if (!dual) {
        text = std::string("Frequency(Hz))\t") + (reversed ? "R  :mV\n" : "L  :mV\n");
        for (int i = first; i < last; ++i)
            appendRow(text, 2, rate * i / N, AmplitudeMv(doc, i));
    } else {
        text = std::string("Frequency(Hz)\t") + (reversed
                                                     ? "R  :L   ratio\tR  :L   phase difference\n"
                                                     : "L  :R   ratio\tL  :R   phase difference\n");
        for (int i = first; i < last; ++i)
            appendRow(text, 3, rate * i / N, RatioValue(doc, i), PhaseDegrees(doc, i));
    }
    return text;
}

}  // namespace velmora
