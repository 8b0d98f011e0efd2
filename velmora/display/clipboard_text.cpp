#include "clipboard_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "../analysis/analysis.h"
#include "../capture/velmora_doc.h"
#include "c_numbers.h"

namespace velmora {

int FullRangeEnd(const CVelmoraDoc& doc) {
    return (doc.m_dwFlags & kFlagScope) ? doc.m_nWindowSamples : (doc.m_nWindowSamples + 1) / 2 + 1;
}

int FullRangeStart(const CVelmoraDoc& doc) {
    // A logarithmic frequency axis has no place for DC.
    return !(doc.m_dwFlags & kFlagScope) && doc.m_bLogFrequency ? 1 : 0;
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

DataColumns ShownColumns(const CVelmoraDoc& doc) {
    const bool scope = doc.m_dwFlags & kFlagScope;
    const bool dual = doc.m_dwFlags & kFlagDual;
    const bool reversed = doc.m_dwFlags & kFlagReversed;
    const double rate = doc.m_nSamplingRate;
    const int N = doc.m_nWindowSamples;
    const std::string near = reversed ? "R" : "L", far = reversed ? "L" : "R";
    const CVelmoraDoc* d = &doc;

    if (scope && !dual)
        return {"Time(msec)\tCh 0:mV\n", 2, [=](int i, double* row) {
                    row[0] = i * 1000.0 / rate;
                    row[1] = SampleMv(*d, 0, i);
                }};
    if (scope)
        return {"Time(msec)\t" + near + ":mV\t" + far + ":mV\n", 3, [=](int i, double* row) {
                    row[0] = i * 1000.0 / rate;
                    row[1] = SampleMv(*d, 0, i);
                    row[2] = SampleMv(*d, 1, i);
                }};
    if (!dual)
        return {"Frequency(Hz))\t" + near + "  :" + AmplitudeUnit(doc) + "\n", 2,
                [=](int i, double* row) {
                    row[0] = rate * i / N;
                    row[1] = ShownAmplitude(*d, i);
                }};
    const bool h1 = doc.m_nTransferEstimate == TransferEstimate::H1;
    const std::string pair = near + "  :" + far + "   ";
    return {"Frequency(Hz)\t" + pair + (doc.m_bRatioInDb ? "ratio dB\t" : "ratio\t") + pair +
                "phase difference" + (h1 ? "\tcoherence\n" : "\n"),
            h1 ? 4 : 3, [=](int i, double* row) {
                row[0] = rate * i / N;
                row[1] = ShownRatio(*d, i);
                row[2] = PhaseDegrees(*d, i);
                if (h1)
                    row[3] = CoherenceValue(*d, i);
            }};
}

std::string ClipboardText(const CVelmoraDoc& doc, int first, int last, int* leftOut) {
    CNumbers c;
    const DataColumns columns = ShownColumns(doc);
    std::string text = columns.header;
    text.reserve(text.size() +
                 11 * columns.count * static_cast<std::size_t>(std::max(last - first, 0)));
    double row[DataColumns::kMost];
    for (int i = first; i < last; ++i) {
        columns.row(i, row);
        if (leftOut &&
            !std::all_of(row, row + columns.count, [](double v) { return std::isfinite(v); })) {
            ++*leftOut;
            continue;
        }
        // A row is whole whatever its numbers: a value of 300 digits keeps
        // its line end.
        for (int k = 0; k < columns.count; ++k) {
            text += FormatText("%10.4f", row[k]);
            text += k + 1 < columns.count ? '\t' : '\n';
        }
    }
    return text;
}

}  // namespace velmora
