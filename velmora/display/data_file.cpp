#include "data_file.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "../analysis/analysis.h"
#include "../capture/velmora_doc.h"
#include "c_numbers.h"
#include "clipboard_text.h"

namespace velmora {

namespace {

std::string modeName(const CVelmoraDoc& doc) {
    const bool dual = doc.m_dwFlags & kFlagDual;
    if (doc.m_dwFlags & kFlagScope)
        return dual ? "oscilloscope, two channels" : "oscilloscope, one channel";
    return dual ? "FFT transfer function" : "FFT spectrum";
}

std::string settingsLines(const CVelmoraDoc& doc) {
    const bool scope = doc.m_dwFlags & kFlagScope;
    const bool reversed = doc.m_dwFlags & kFlagReversed;
    const int N = doc.m_nWindowSamples;
    std::string text = "# velmora data\n";
    text += FormatText("# Sampling rate: %d Hz\n", doc.m_nSamplingRate);
    text += FormatText("# Window length: %d samples (%g s)\n", N,
                       static_cast<double>(N) / doc.m_nSamplingRate);
    text += "# Mode: " + modeName(doc) + "\n";
    text += std::string("# Inputs: channel 0 is the ") + (reversed ? "right" : "left") +
            ", channel 1 the " + (reversed ? "left" : "right") + " input\n";
    text += FormatText("# Weights: %g and %g\n", doc.m_dWeight[0], doc.m_dWeight[1]);
    text += FormatText("# Right-channel delay: %g s\n", doc.m_dRDelay);
    if (scope)
        return text;
    const double enbw = doc.EquivalentNoiseBandwidthBins();
    text += FormatText("# Window function: %s, equivalent noise bandwidth %.4f bins (%.4f Hz)\n",
                       WindowName(doc.m_nWindowFunction), enbw, enbw * doc.m_nSamplingRate / N);
    text += FormatText("# Averages: %d (averaging %s)\n", doc.m_nAverageCount,
                       (doc.m_dwFlags & kFlagAverage) ? "on" : "off");
    if (doc.m_dwFlags & kFlagDual)
        text += doc.m_nTransferEstimate == TransferEstimate::H1
                    ? "# Estimate: H1, the cross-spectrum over the reference's (channel 1) "
                      "auto-spectrum, with the coherence\n"
                    : "# Estimate: average of the ratios of channel 0 to channel 1\n";
    return text;
}

std::string csvField(std::string heading) {
    std::string quoted = "\"";
    for (char c : heading)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::string csvText(const CVelmoraDoc& doc) {
    const DataColumns columns = ShownColumns(doc);
    std::string header = columns.header.substr(0, columns.header.size() - 1);
    std::string text;
    std::size_t start = 0;
    for (std::size_t tab; (tab = header.find('\t', start)) != std::string::npos; start = tab + 1)
        text += csvField(header.substr(start, tab - start)) + ",";
    text += csvField(header.substr(start)) + "\n";
    double row[DataColumns::kMost];
    for (int i = FullRangeStart(doc); i < FullRangeEnd(doc); ++i) {
        columns.row(i, row);
        for (int k = 0; k < columns.count; ++k) {
            if (std::isfinite(row[k]))
                text += FormatText("%.10g", row[k]);
            text += k + 1 < columns.count ? ',' : '\n';
        }
    }
    return text;
}

}  // namespace

std::string ThdReport(CVelmoraDoc& doc) {
    const ThdResult& thd = doc.Thd();
    if (!thd.found)
        return {};
    CNumbers c;
    const double level = ShownLevel(doc, thd.amplitudeMv);
    return std::string("Frequency(Hz)\tLevel:") + AmplitudeUnit(doc) + "\tTHD:%\tTHD+N:%\n" +
           FormatText("%10.4f\t%10.4f\t%10.4f\t%10.4f\n", thd.frequency, level, 100 * thd.thd,
                      100 * thd.thdPlusNoise);
}

bool IsCsvName(const std::string& path) {
    if (path.size() < 4)
        return false;
    std::string end = path.substr(path.size() - 4);
    std::transform(end.begin(), end.end(), end.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return end == ".csv";
}

std::string DataFileText(const CVelmoraDoc& doc, bool csv) {
    CNumbers c;
    if (csv)
        return settingsLines(doc) + csvText(doc);
    // A file keeps numbers only: the rows with a value that is none (a
    // ratio where the reference input is silent) are left out, and counted.
    int leftOut = 0;
    const std::string table = ClipboardText(doc, FullRangeStart(doc), FullRangeEnd(doc), &leftOut);
    std::string settings = settingsLines(doc);
    if (leftOut > 0)
        settings +=
            FormatText("# Rows left out: %d, holding a value that is not a number\n", leftOut);
    return settings + table;
}

}  // namespace velmora
