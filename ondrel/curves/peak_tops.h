#pragma once

#include <vector>

#include "curve.h"
#include "peaks.h"

namespace ondrel {

// How far down its prominence a peak's top reaches, for FitPeakTops.
inline constexpr double kPeakTopDepth = 0.2;

// The peaks of a recorded curve placed on the whole of their tops rather
// than on the few points a derivative window spans, which noise moves by
// millivolts: a quartic fitted to the curve's points of the peak's sweep
// whose smoothed current lies within a fifth of the prominence of the
// peak's extremum; Ep where the quartic has that extremum, Ip (and top) its
// value there. A peak whose top holds fewer than 7 points, or whose quartic
// has no such extremum inside the top, keeps its place. peaks come from
// search, made on curve.
std::vector<Peak> FitPeakTops(const Curve& curve, const PeakSearch& search,
                              std::vector<Peak> peaks);

}  // namespace ondrel
