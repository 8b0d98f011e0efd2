#pragma once

namespace velmora {

// Samples are counts of the converter. A channel of weight w takes
// 32.767 w counts for a millivolt, so that at weight 1 full scale is 1 V.
constexpr double kCountsPerMillivolt = 32.767;

// Radians to degrees: 180 / pi.
constexpr double kDegreesPerRadian = 57.29577951308232;

}  // namespace velmora
