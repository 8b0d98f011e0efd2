#include "sweeps.h"

#include <algorithm>
#include <cmath>

namespace ondrel {

std::vector<SweepRange> SplitSweeps(const Curve& curve, double turnMv) {
    std::vector<SweepRange> sweeps;
    if (curve.empty())
        return sweeps;
    std::size_t begin = 0, extreme = 0;
    int direction = 0;
    for (std::size_t i = 1; i < curve.size(); ++i) {
        const double E = curve[i].potential;
        if (direction == 0) {
            if (std::fabs(E - curve[begin].potential) > turnMv)
                direction = E > curve[begin].potential ? 1 : -1;
            extreme = i;
            continue;
        }
        if ((E - curve[extreme].potential) * direction >= 0) {
            extreme = i;
        } else if ((curve[extreme].potential - E) * direction > turnMv) {
            sweeps.push_back({begin, extreme + 1, direction});
            begin = extreme + 1;
            direction = -direction;
            extreme = begin;
            for (std::size_t k = begin; k <= i; ++k)
                if ((curve[k].potential - curve[extreme].potential) * direction > 0)
                    extreme = k;
        }
    }
    sweeps.push_back({begin, curve.size(), direction});
    return sweeps;
}

std::optional<double> InterpolateCurrent(const SweepSamples& sweep, double potentialMv) {
    const std::vector<double>& E = sweep.potential;
    if (E.empty())
        return std::nullopt;
    // Along the sweep the potential times its direction rises.
    const double d = sweep.direction < 0 ? -1 : 1;
    const double x = potentialMv * d;
    if (x < E.front() * d || x > E.back() * d)
        return std::nullopt;
    const auto after = std::lower_bound(E.begin(), E.end(), x,
                                        [d](double e, double value) { return e * d < value; });
    const std::size_t k = static_cast<std::size_t>(after - E.begin());
    if (k == 0 || E[k] * d == x)
        return sweep.current[k];
    const double t = (x - E[k - 1] * d) / ((E[k] - E[k - 1]) * d);
    return sweep.current[k - 1] + t * (sweep.current[k] - sweep.current[k - 1]);
}

std::optional<double> HighFrequencyNoise(const Curve& curve) {
    std::vector<double> differences;
    for (const SweepRange& sweep : SplitSweeps(curve))
        for (std::size_t i = sweep.begin + 1; i + 1 < sweep.end; ++i)
            differences.push_back(
                std::fabs(curve[i - 1].current - 2 * curve[i].current + curve[i + 1].current));
    if (differences.size() < 8)
        return std::nullopt;
    const auto middle = differences.begin() + static_cast<std::ptrdiff_t>(differences.size() / 2);
    std::nth_element(differences.begin(), middle, differences.end());
    return *middle / (0.674489750196 * std::sqrt(6.0));
}

}  // namespace ondrel
