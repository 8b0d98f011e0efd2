#pragma once

#include <algorithm>
#include <cmath>

namespace velmora {

// Samples are counts of the converter. A channel of weight w takes
// 32.767 w counts for a millivolt, so that at weight 1 full scale is 1 V.
constexpr double kCountsPerMillivolt = 32.767;

// The largest sample: a sine of this amplitude is at full scale (0 dBFS).
constexpr double kFullScaleCounts = 32767;

// Radians to degrees: 180 / pi.
constexpr double kDegreesPerRadian = 57.29577951308232;

// Levels in decibels stay within these: nothing (or no number) is the
// floor, an infinite ratio the ceiling, so that no level is ever infinite.
constexpr double kDecibelFloor = -300;
constexpr double kDecibelCeiling = 300;

// 20 log10 of an amplitude ratio.
inline double Decibels(double ratio) {
    if (!(ratio > 0))
        return kDecibelFloor;
    const double db = 20 * std::log10(ratio);
    return db < kDecibelFloor ? kDecibelFloor : db > kDecibelCeiling ? kDecibelCeiling : db;
}

// A y range in dB that shows levels from least to most: its top up to 5 dB
// above the highest on a 10 dB step, its depth 50, 100 or 150 dB (so that
// the five grid divisions fall on round levels), enough for the lowest
// level if it can. fallback when there is no level above the floor.
struct DecibelSpan {
    double bottom, top;
};
inline DecibelSpan DecibelRange(double least, double most, DecibelSpan fallback) {
    if (!(most > kDecibelFloor))
        return fallback;
    const double top = std::ceil((most + 5) / 10) * 10;
    const double depth = std::clamp(std::ceil((top - least + 5) / 50) * 50, 50.0, 150.0);
    return {top - depth, top};
}

}  // namespace velmora
