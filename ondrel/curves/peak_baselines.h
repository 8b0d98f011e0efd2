#pragma once

#include <optional>
#include <vector>

#include "curve.h"
#include "peaks.h"

namespace ondrel {

// Each peak's height above its own baseline, the current that would have
// flowed without its wave, as electrochemists read it off a voltammogram:
// - the background of the curve: the charging current, a straight line
//   through the foot of the first peak's sweep well before that peak (its
//   mean where the foot is short), carried over each switching potential
//   by the jump of the current there (the charging current turning round
//   with the sweep);
// - plus the decaying current of every earlier peak: a Cottrell decay
//   b / sqrt(t - t0), time being the potential swept, fitted to the tail
//   that follows the peak on its sweep, or, where that tail is too short,
//   the tail of a reversible one-electron peak of the same height.
// So the reverse peak of a couple is measured from the decaying forward
// current. peaks are those of curve in curve order (as a search found them,
// noise left out); a height is empty where the curve gives no baseline.
std::vector<std::optional<double>> PeakHeights(const Curve& curve, const std::vector<Peak>& peaks);

}  // namespace ondrel
