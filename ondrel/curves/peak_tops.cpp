#include "peak_tops.h"

#include <cmath>
#include <optional>
#include <utility>

namespace ondrel {

namespace {

constexpr std::size_t kMinTopPoints = 7;
constexpr std::size_t kDegree = 4;  // a quartic follows a lopsided top
constexpr int kSamples = 1000;      // across the top, where the polynomial's extremum is sought

using Polynomial = std::vector<double>;  // c0 + c1 x + c2 x² + ...

double valueOf(const Polynomial& c, double x) {
    double value = 0;
    for (std::size_t j = c.size(); j-- > 0;)
        value = value * x + c[j];
    return value;
}

// The least-squares polynomial of the given degree through (x, y), x
// within -1..1, by the normal equations solved with partial pivoting; empty
// when they are singular.
std::optional<Polynomial> fitPolynomial(const std::vector<double>& x, const std::vector<double>& y,
                                        std::size_t degree) {
    const std::size_t n = degree + 1;
    std::vector<std::vector<double>> a(n, std::vector<double>(n + 1, 0));
    std::vector<double> powers(2 * n - 1);
    for (std::size_t k = 0; k < x.size(); ++k) {
        powers[0] = 1;
        for (std::size_t j = 1; j < powers.size(); ++j)
            powers[j] = powers[j - 1] * x[k];
        for (std::size_t r = 0; r < n; ++r) {
            for (std::size_t c = 0; c < n; ++c)
                a[r][c] += powers[r + c];
            a[r][n] += powers[r] * y[k];
        }
    }
    for (std::size_t i = 0; i < n; ++i) {
        std::size_t pivot = i;
        for (std::size_t r = i + 1; r < n; ++r)
            if (std::abs(a[r][i]) > std::abs(a[pivot][i]))
                pivot = r;
        if (std::abs(a[pivot][i]) < 1e-12 * std::abs(a[0][0]))
            return std::nullopt;
        std::swap(a[i], a[pivot]);
        for (std::size_t r = i + 1; r < n; ++r) {
            const double factor = a[r][i] / a[i][i];
            for (std::size_t c = i; c <= n; ++c)
                a[r][c] -= factor * a[i][c];
        }
    }
    Polynomial c(n);
    for (std::size_t i = n; i-- > 0;) {
        double value = a[i][n];
        for (std::size_t j = i + 1; j < n; ++j)
            value -= a[i][j] * c[j];
        c[i] = value / a[i][i];
    }
    return c;
}

// The polynomial's maximum (sign 1) or minimum (sign -1) strictly inside
// -1..1 nearest to near: sampled, then placed by golden section.
std::optional<double> extremumOf(const Polynomial& c, double sign, double near) {
    auto height = [&](double x) { return sign * valueOf(c, x); };
    const double step = 2.0 / kSamples;
    std::optional<double> best;
    for (int i = 1; i < kSamples; ++i) {
        const double x = -1 + i * step;
        if (height(x) < height(x - step) || height(x) < height(x + step))
            continue;
        if (!best || std::abs(x - near) < std::abs(*best - near))
            best = x;
    }
    if (!best)
        return std::nullopt;
    double low = *best - step, high = *best + step;
    constexpr double kGolden = 0.6180339887498949;
    for (int i = 0; i < 40; ++i) {
        const double a = high - kGolden * (high - low), b = low + kGolden * (high - low);
        if (height(a) > height(b))
            high = b;
        else
            low = a;
    }
    return (low + high) / 2;
}
// Peak's top: the points on either side of it, on its sweep, whose level
// stays within kPeakTopDepth of its prominence from its extremum.
std::pair<std::size_t, std::size_t> topOf(const Curve& curve, const PeakSearch& search,
                                          const Peak& peak) {
    const double sign = peak.kind == PeakKind::Maximum ? 1 : -1;  // also the sweep's direction
    const double floor = sign * peak.top - kPeakTopDepth * peak.prominence;
    auto within = [&](std::size_t k) {
        // Curve point k is the last of the level's window k - offset + 1.
        const std::size_t at = k + 1 < search.offset ? 0 : k + 1 - search.offset;
        return at < search.level.size() && sign * search.level[at] >= floor;
    };
    std::size_t first = peak.point, last = peak.point + 1;
    while (first > 0 && sign * (curve[first].potential - curve[first - 1].potential) > 0 &&
           within(first - 1))
        --first;
    while (last + 1 < curve.size() &&
           sign * (curve[last + 1].potential - curve[last].potential) > 0 && within(last + 1))
        ++last;
    return {first, last};
}

}  // namespace

std::vector<Peak> FitPeakTops(const Curve& curve, const PeakSearch& search,
                              std::vector<Peak> peaks) {
    for (Peak& peak : peaks) {
        const auto [first, last] = topOf(curve, search, peak);
        if (last - first + 1 < kMinTopPoints)
            continue;
        const double centre = (curve[first].potential + curve[last].potential) / 2;
        const double half = std::abs(curve[last].potential - curve[first].potential) / 2;
        std::vector<double> x, y;
        for (std::size_t k = first; k <= last; ++k) {
            x.push_back((curve[k].potential - centre) / half);
            y.push_back(curve[k].current);
        }
        const auto polynomial = fitPolynomial(x, y, kDegree);
        if (!polynomial)
            continue;
        const auto extremum = extremumOf(*polynomial, peak.kind == PeakKind::Maximum ? 1 : -1,
                                         (peak.Ep - centre) / half);
        if (!extremum)
            continue;
        peak.Ep = centre + *extremum * half;
        peak.Ip = valueOf(*polynomial, *extremum);
        peak.top = peak.Ip;
    }
    return peaks;
}

}  // namespace ondrel
