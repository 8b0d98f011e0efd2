#pragma once

#include <cstddef>
#include <vector>

#include "curve.h"

namespace ondrel {

// The standard deviation of a curve's noise, read from its second
// differences (which a smooth curve keeps near zero) through their median
// absolute deviation, so that peaks and turns do not count as noise; 0 for
// fewer than three points or an exactly straight curve.
double CurveNoise(const Curve& curve);

// How far the extremum values[top] stands out: its height above the higher
// of the lowest values on either side before the values pass it (for a
// minimum, mirrored). The first and last values are no extrema.
double Prominence(const std::vector<double>& values, std::size_t top, bool maximum);

}  // namespace ondrel
