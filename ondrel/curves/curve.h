#pragma once

#include <vector>

namespace ondrel {

// One point of a voltammogram as charts and curve files hold it.
struct CurvePoint {
    double potential;  // mV
    double current;    // µA
    bool operator==(const CurvePoint&) const = default;
};

// A voltammogram in acquisition order: the potential rises and falls.
using Curve = std::vector<CurvePoint>;

}  // namespace ondrel
