#include "prominence.h"

#include <algorithm>
#include <cmath>

namespace ondrel {

namespace {

double median(std::vector<double> values) {
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

}  // namespace

double CurveNoise(const Curve& curve) {
    if (curve.size() < 3)
        return 0;
    std::vector<double> second;
    second.reserve(curve.size() - 2);
    for (std::size_t k = 1; k + 1 < curve.size(); ++k)
        second.push_back(curve[k + 1].current - 2 * curve[k].current + curve[k - 1].current);
    // White noise of deviation s gives second differences of deviation s·√6.
    const double centre = median(second);
    std::vector<double> deviations;
    deviations.reserve(second.size());
    double squares = 0;
    for (double value : second) {
        deviations.push_back(std::abs(value - centre));
        squares += value * value;
    }
    const double robust = 1.4826 * median(deviations);
    // Currents quantised to a few steps can leave most differences at zero.
    const double spread = robust > 0 ? robust : std::sqrt(squares / second.size());
    return spread / std::sqrt(6.0);
}

double Prominence(const std::vector<double>& values, std::size_t top, bool maximum) {
    const double sign = maximum ? 1 : -1;
    const double height = sign * values[top];
    double left = height, right = height;
    for (std::size_t k = top; k-- > 0;) {
        if (sign * values[k] > height)
            break;
        left = std::min(left, sign * values[k]);
    }
    for (std::size_t k = top + 1; k < values.size(); ++k) {
        if (sign * values[k] > height)
            break;
        right = std::min(right, sign * values[k]);
    }
    return height - std::max(left, right);
}

}  // namespace ondrel
