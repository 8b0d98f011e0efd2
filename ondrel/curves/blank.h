#pragma once

#include "curve.h"

namespace ondrel {

// The curve less a blank voltammogram (the same program without the
// analyte), point by point: at each point's potential, the blank's current
// in the same sweep (the blank's own points, or a straight line between
// the two that enclose the potential). Both curves must sweep the same way
// the same number of times, and each of the curve's points must lie within
// the blank's sweep; otherwise throws Exception saying where they differ.
Curve SubtractBlank(const Curve& curve, const Curve& blank);

}  // namespace ondrel
