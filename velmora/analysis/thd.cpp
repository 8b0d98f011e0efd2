#include "thd.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "../capture/velmora_doc.h"
#include "analysis.h"

namespace velmora {

ThdResult MeasureThd(const CVelmoraDoc& doc) {
    ThdResult result;
    const int N = doc.m_nWindowSamples;
    const int H = N / 2;  // the highest bin below or at half the rate
    const int L = MainLobeHalfWidth(doc.m_nWindowFunction);
    if (doc.m_nAverageCount == 0 || H < 3 * L + 2)
        return result;

    // Amplitudes squared: a tone's lobe adds up to its amplitude squared
    // times the window's noise bandwidth, whatever its place between bins.
    std::vector<double> power(static_cast<std::size_t>(H) + 1);
    for (int k = 0; k <= H; ++k) {
        const double a = AmplitudeMv(doc, k);
        power[k] = std::isfinite(a) ? a * a : 0;
    }
    auto lobe = [&](int centre) {
        double sum = 0;
        for (int k = std::max(centre - L, 0); k <= std::min(centre + L, H); ++k)
            sum += power[k];
        return sum;
    };

    // The strongest bin beyond DC's lobe is the tone.
    int peak = L + 1;
    for (int k = L + 1; k <= H; ++k)
        if (power[k] > power[peak])
            peak = k;
    const double tone = lobe(peak);
    if (!(power[peak] > 0) || peak + L > H)
        return result;

    // Its frequency from the centre of its lobe's power.
    double moment = 0;
    for (int k = peak - L; k <= peak + L; ++k)
        moment += k * power[k];
    const double toneBin = moment / tone;
    result.frequency = toneBin * doc.m_nSamplingRate / N;
    result.amplitudeMv = std::sqrt(tone / doc.EquivalentNoiseBandwidthBins());

    // Harmonics whose lobes lie whole below half the rate and clear of the
    // tone's, of DC's and of each other's.
    std::vector<bool> taken(static_cast<std::size_t>(H) + 1, false);
    auto take = [&](int centre) {
        for (int k = std::max(centre - L, 0); k <= std::min(centre + L, H); ++k)
            taken[k] = true;
    };
    take(0);
    take(peak);
    double harmonics = 0;
    for (int h = 2; std::lround(h * toneBin) + L <= H; ++h) {
        const int centre = static_cast<int>(std::lround(h * toneBin));
        bool clear = true;
        for (int k = centre - L; k <= centre + L; ++k)
            clear = clear && !taken[k];
        if (!clear)
            continue;
        harmonics += lobe(centre);
        take(centre);
        ++result.harmonics;
    }

    // Everything but DC and the tone: harmonics, noise and hum alike. The
    // tone's side lobes are no distortion: a notch four lobe widths either
    // side keeps them out, as an analyser's notch filter does.
    const int notch = 4 * L;
    double rest = 0;
    for (int k = L + 1; k <= H; ++k)
        if (k < peak - notch || k > peak + notch)
            rest += power[k];
    result.thd = std::sqrt(harmonics / tone);
    result.thdPlusNoise = std::sqrt(rest / tone);
    result.found = true;
    return result;
}

}  // namespace velmora
