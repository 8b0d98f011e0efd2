#pragma once

#include <vector>

#include "../engine/cv_point.h"
#include "curve.h"

namespace ondrel {

// The stored points of a run as a curve in mV and µA.
inline Curve SimulatedCurve(const std::vector<CVpoint>& points) {
    Curve curve;
    curve.reserve(points.size());
    for (const CVpoint& p : points)
        curve.push_back({static_cast<double>(p.potential), static_cast<double>(p.current) * 1e6});
    return curve;
}

}  // namespace ondrel
