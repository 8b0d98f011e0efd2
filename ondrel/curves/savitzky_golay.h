#pragma once

#include "../platform/ondrel_error.h"
#include "curve.h"

namespace ondrel {

// Savitzky-Golay filters of a width w of 5 to 25 points over a curve's
// currents; m = w / 2 points at each end have no full window.
inline constexpr int kMinFilterWidth = 5;
inline constexpr int kMaxFilterWidth = 25;
inline constexpr int kDefaultFilterWidth = 11;

// A curve with fewer points than the filter window: the caller names the
// curve, which the message does not.
class CurveTooShort : public Exception {
public:
    using Exception::Exception;
};

// destination gets the source with every point that has a full window
// smoothed (quadratic/cubic weights) and the m points at each end copied.
// An even width uses the first w weights of the next odd row, which do not
// sum to its normaliser: "pb de coef: 23 != 21" for 6; destination then
// holds the first m points. Throws Exception for a width outside 5..25 and
// CurveTooShort for a curve shorter than the window, leaving destination
// empty.
void Smooth(const Curve& source, Curve& destination, int w);

// destination gets the quadratic first derivative per point (not per mV)
// at every point with a full window of 2m + 1: derivative point p belongs to
// source point p + m. Throws Exception as Smooth does.
void Derive(const Curve& source, Curve& destination, int w);

}  // namespace ondrel
