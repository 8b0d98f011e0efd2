#include "blank.h"

#include <algorithm>
#include <string>
#include <vector>

#include "../platform/float_text.h"
#include "../platform/ondrel_error.h"

namespace ondrel {

namespace {

// A run of points in which the potential moves one way: points
// first..last (the turning point closes one sweep and opens the next).
struct Sweep {
    std::size_t first, last;
    int direction;  // +1 up, -1 down, 0 for a curve that never moves
};

std::vector<Sweep> SweepsOf(const Curve& curve) {
    std::vector<Sweep> sweeps;
    if (curve.empty())
        return sweeps;
    sweeps.push_back({0, 0, 0});
    for (std::size_t i = 1; i < curve.size(); ++i) {
        const double step = curve[i].potential - curve[i - 1].potential;
        const int direction = (step > 0) - (step < 0);
        Sweep& current = sweeps.back();
        if (direction != 0 && current.direction != 0 && direction != current.direction)
            sweeps.push_back({i - 1, i, direction});
        else {
            sweeps.back().last = i;
            if (current.direction == 0)
                sweeps.back().direction = direction;
        }
    }
    return sweeps;
}

std::string mV(double potential) {
    return FloatToGeneral(potential, 6, '.') + " mV";
}

const char* way(int direction) {
    return direction > 0 ? "up" : direction < 0 ? "down" : "nowhere";
}

// The blank's current at potential E within one of its sweeps, or false.
bool currentAt(const Curve& blank, const Sweep& sweep, double E, double& current) {
    for (std::size_t i = sweep.first; i <= sweep.last; ++i) {
        if (blank[i].potential == E) {
            current = blank[i].current;
            return true;
        }
        if (i == sweep.first)
            continue;
        const CurvePoint &a = blank[i - 1], &b = blank[i];
        if ((E - a.potential) * (E - b.potential) < 0) {
            const double f = (E - a.potential) / (b.potential - a.potential);
            current = a.current + f * (b.current - a.current);
            return true;
        }
    }
    return false;
}

}  // namespace

Curve SubtractBlank(const Curve& curve, const Curve& blank) {
    if (curve.empty() || blank.empty())
        throw Exception(curve.empty() ? "The curve has no points." : "The blank has no points.");
    const std::vector<Sweep> sweeps = SweepsOf(curve), blankSweeps = SweepsOf(blank);
    if (sweeps.size() != blankSweeps.size())
        throw Exception("The curve sweeps " + std::to_string(sweeps.size()) +
                        " times and the blank " + std::to_string(blankSweeps.size()) +
                        " times: their potentials do not match.");
    Curve difference;
    difference.reserve(curve.size());
    for (std::size_t k = 0; k < sweeps.size(); ++k) {
        if (sweeps[k].direction != blankSweeps[k].direction)
            throw Exception("Sweep " + std::to_string(k + 1) + " runs " + way(sweeps[k].direction) +
                            " in the curve and " + way(blankSweeps[k].direction) +
                            " in the blank: their potentials do not match.");
        // The turning point went with the sweep before.
        for (std::size_t i = k == 0 ? 0 : sweeps[k].first + 1; i <= sweeps[k].last; ++i) {
            double current = 0;
            if (!currentAt(blank, blankSweeps[k], curve[i].potential, current)) {
                const Sweep& b = blankSweeps[k];
                throw Exception(
                    "Point " + std::to_string(i + 1) + " of the curve (" + mV(curve[i].potential) +
                    ", sweep " + std::to_string(k + 1) + ") lies outside the blank's sweep, from " +
                    mV(blank[b.first].potential) + " to " + mV(blank[b.last].potential) + ".");
            }
            difference.push_back({curve[i].potential, curve[i].current - current});
        }
    }
    return difference;
}

}  // namespace ondrel
