#include "peak_baselines.h"

#include <array>
#include <cmath>
#include <utility>

namespace ondrel {

namespace {

constexpr double kFoot = 120;           // mV before the first peak where its wave has not begun
constexpr double kTailStart = 40;       // mV past a peak where its tail is fitted from
constexpr double kWaveOnset = 80;       // mV before a peak where its wave has begun
constexpr double kFreeTail = 100;       // mV of tail that also place the decay's start
constexpr double kEarliestStart = 300;  // mV before its peak that a decay may start
constexpr double kLatestStart = 20;     // mV after it
constexpr std::size_t kMinPoints = 5;
constexpr double kNernstSlope = 25.69;  // RT/F at 25 °C, mV
constexpr std::size_t kJumpPoints = 20;
constexpr std::size_t kJumpSettling = 3;  // points on either side of a turn left out
// The tail of a reversible one-electron peak at 25 °C: the Cottrell current
// nFAC·sqrt(D/(πt)) over the peak current 0.4463·nFAC·sqrt(FvD/RT) is
// 6.41 / sqrt(t), t in mV swept from about E½, 28 mV before the peak.
constexpr double kReversibleTail = 6.41;
constexpr double kReversibleStart = 28;

// The curve along the potential swept: where each point is, which sweep it
// belongs to and where each sweep ends.
struct Sweeps {
    std::vector<double> swept;       // mV since the first point
    std::vector<std::size_t> sweep;  // from 0
    std::vector<std::size_t> ends;   // each sweep's last point
};

Sweeps sweepsOf(const Curve& curve) {
    Sweeps s;
    double direction = 0;
    for (std::size_t k = 0; k < curve.size(); ++k) {
        const double step = k ? curve[k].potential - curve[k - 1].potential : 0;
        if (step != 0) {
            if (direction != 0 && (step > 0) != (direction > 0))
                s.ends.push_back(k - 1);
            direction = step;
        }
        s.swept.push_back(k ? s.swept.back() + std::abs(step) : 0);
        s.sweep.push_back(s.ends.size());
    }
    s.ends.push_back(curve.size() - 1);
    return s;
}

// The least-squares straight line through points first..last, at swept.
double lineAt(const Curve& curve, const Sweeps& s, std::size_t first, std::size_t last, double at) {
    double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (std::size_t k = first; k <= last; ++k) {
        const double x = s.swept[k] - at, y = curve[k].current;
        n += 1;
        sx += x;
        sy += y;
        sxx += x * x;
        sxy += x * y;
    }
    const double spread = n * sxx - sx * sx;
    if (spread <= 0)
        return sy / n;
    return (sy * sxx - sx * sxy) / spread;  // the intercept at x = 0
}

// How much the current jumps where the sweep that ends at point turn turns
// round: the lines through the points on either side, met at the turn. The
// few points next to the turn, where the charging current turns round, are
// left out.
std::optional<double> jumpAt(const Curve& curve, const Sweeps& s, std::size_t turn) {
    const std::size_t sweep = s.sweep[turn];
    if (turn < kJumpSettling + kMinPoints || turn + kJumpSettling + kMinPoints >= curve.size())
        return std::nullopt;
    const std::size_t last = turn - kJumpSettling, first = turn + 1 + kJumpSettling;
    std::size_t before = last, after = first;
    while (before > 0 && last - before + 1 < kJumpPoints && s.sweep[before - 1] == sweep)
        --before;
    while (after + 1 < curve.size() && after - first + 1 < kJumpPoints &&
           s.sweep[after + 1] == sweep + 1)
        ++after;
    if (s.sweep[before] != sweep || s.sweep[first] != sweep + 1 || last - before + 1 < kMinPoints ||
        after - first + 1 < kMinPoints)
        return std::nullopt;
    const double at = s.swept[turn];
    return lineAt(curve, s, first, after, at) - lineAt(curve, s, before, last, at);
}

// The current without any peak: a straight line through the foot of the
// first peak's sweep, carried over each turn by the jump there. Along the
// potential swept the line keeps its slope on every sweep: a charging
// current that follows the potential on the way out mirrors it on the way
// back.
struct Background {
    std::vector<std::optional<double>> levels;  // each sweep's current at swept 0
    double slope = 0;                           // per mV swept
    std::optional<double> at(std::size_t sweep, double swept) const {
        if (!levels[sweep])
            return std::nullopt;
        return *levels[sweep] + slope * swept;
    }
};

// The charging-current line under the foot of a wave, points first..last:
// its value at swept 0 and its slope. The foot of the wave itself, which
// grows as exp(F(E - E°)/RT) long before its peak, is fitted alongside
// (a line plus that exponential, by least squares), so that it does not
// lean the line.
std::pair<double, double> footLine(const Curve& curve, const Sweeps& s, std::size_t first,
                                   std::size_t last) {
    const double end = s.swept[last];
    std::array<std::array<double, 4>, 3> a{};
    for (std::size_t k = first; k <= last; ++k) {
        const std::array<double, 3> g = {1, s.swept[k] - end,
                                         std::exp((s.swept[k] - end) / kNernstSlope)};
        for (std::size_t r = 0; r < 3; ++r) {
            for (std::size_t c = 0; c < 3; ++c)
                a[r][c] += g[r] * g[c];
            a[r][3] += g[r] * curve[k].current;
        }
    }
    for (std::size_t i = 0; i < 3; ++i) {
        std::size_t pivot = i;
        for (std::size_t r = i + 1; r < 3; ++r)
            if (std::abs(a[r][i]) > std::abs(a[pivot][i]))
                pivot = r;
        if (!(std::abs(a[pivot][i]) > 1e-9 * a[0][0])) {
            const double slope =
                lineAt(curve, s, first, last, 1) - lineAt(curve, s, first, last, 0);
            return {lineAt(curve, s, first, last, 0), slope};
        }
        std::swap(a[i], a[pivot]);
        for (std::size_t r = i + 1; r < 3; ++r) {
            const double factor = a[r][i] / a[i][i];
            for (std::size_t c = i; c < 4; ++c)
                a[r][c] -= factor * a[i][c];
        }
    }
    std::array<double, 3> x{};
    for (std::size_t i = 3; i-- > 0;) {
        double value = a[i][3];
        for (std::size_t j = i + 1; j < 3; ++j)
            value -= a[i][j] * x[j];
        x[i] = value / a[i][i];
    }
    return {x[0] - x[1] * end, x[1]};
}

Background backgroundOf(const Curve& curve, const Sweeps& s, std::size_t firstPoint,
                        double firstAt) {
    Background background;
    background.levels.resize(s.ends.size());
    const std::size_t sweep = s.sweep[firstPoint];
    const std::size_t start = sweep ? s.ends[sweep - 1] + 1 : 0;
    std::size_t last = start;
    // The foot of the wave; a short one is its first few points.
    while (last < firstPoint &&
           (s.swept[last + 1] <= firstAt - kFoot || last + 1 - start < kMinPoints))
        ++last;
    if (last + 1 - start < kMinPoints)
        return background;
    const auto [level, slope] = footLine(curve, s, start, last);
    // A foot much shorter than the wave gives no slope worth extrapolating.
    const bool longFoot = s.swept[last] - s.swept[start] >= 100;
    background.slope = longFoot ? slope : 0;
    background.levels[sweep] =
        longFoot ? level : lineAt(curve, s, start, last, (s.swept[start] + s.swept[last]) / 2);
    auto& levels = background.levels;
    for (std::size_t j = sweep + 1; j < levels.size(); ++j)
        if (levels[j - 1])
            if (const auto jump = jumpAt(curve, s, s.ends[j - 1]))
                levels[j] = *levels[j - 1] + *jump;
    for (std::size_t j = sweep; j-- > 0;)
        if (levels[j + 1])
            if (const auto jump = jumpAt(curve, s, s.ends[j]))
                levels[j] = *levels[j + 1] - *jump;
    return background;
}

// A peak's current decaying after it: b / sqrt(t - start).
struct Decay {
    double b, start;
    double at(double t) const { return b / std::sqrt(t - start); }
};

// The b of y = b / sqrt(t - start) that fits best, with the sum of the
// squared residuals.
std::pair<double, double> fitDecay(const std::vector<double>& t, const std::vector<double>& y,
                                   double start) {
    double gg = 0, gy = 0;
    for (std::size_t k = 0; k < t.size(); ++k) {
        const double g = 1 / std::sqrt(t[k] - start);
        gg += g * g;
        gy += g * y[k];
    }
    const double b = gy / gg;
    double residual = 0;
    for (std::size_t k = 0; k < t.size(); ++k) {
        const double r = y[k] - b / std::sqrt(t[k] - start);
        residual += r * r;
    }
    return {b, residual};
}

// The decay of the tail (t, y) of a peak at peakAt: its start searched
// from 300 mV before the peak to 20 mV after it, on a 1 mV grid and then
// by golden section.
Decay freeDecay(const std::vector<double>& t, const std::vector<double>& y, double peakAt) {
    double best = peakAt - kEarliestStart;
    double least = fitDecay(t, y, best).second;
    for (double start = best + 1; start <= peakAt + kLatestStart; start += 1) {
        const double residual = fitDecay(t, y, start).second;
        if (residual < least) {
            least = residual;
            best = start;
        }
    }
    double low = best - 1, high = std::min(best + 1, peakAt + kLatestStart);
    constexpr double kGolden = 0.6180339887498949;
    for (int i = 0; i < 40; ++i) {
        const double a = high - kGolden * (high - low), b = low + kGolden * (high - low);
        if (fitDecay(t, y, a).second < fitDecay(t, y, b).second)
            high = b;
        else
            low = a;
    }
    const double start = (low + high) / 2;
    return {fitDecay(t, y, start).first, start};
}

}  // namespace

std::vector<std::optional<double>> PeakHeights(const Curve& curve, const std::vector<Peak>& peaks) {
    std::vector<std::optional<double>> heights(peaks.size());
    if (peaks.empty())
        return heights;
    const Sweeps s = sweepsOf(curve);
    // A maximum lies on a rising sweep, a minimum on a falling one.
    auto sweptAt = [&](const Peak& peak) {
        const double direction = peak.kind == PeakKind::Maximum ? 1 : -1;
        return s.swept[peak.point] + direction * (peak.Ep - curve[peak.point].potential);
    };
    const Background background =
        backgroundOf(curve, s, peaks.front().point, sweptAt(peaks.front()));

    std::vector<Decay> decays;  // of the peaks so far, while all are known
    auto earlier = [&](double t) {
        double sum = 0;
        for (const Decay& decay : decays)
            sum += decay.at(t);
        return sum;
    };
    for (std::size_t q = 0; q < peaks.size(); ++q) {
        const Peak& peak = peaks[q];
        const std::size_t sweep = s.sweep[peak.point];
        const double at = sweptAt(peak);
        const auto base = background.at(sweep, at);
        if (!base || decays.size() != q)
            break;
        const double height = peak.top - *base - earlier(at);
        heights[q] = height;

        // The tail: past the peak on its sweep, up to the next peak's wave.
        double end = s.swept[s.ends[sweep]];
        if (q + 1 < peaks.size() && s.sweep[peaks[q + 1].point] == sweep)
            end = std::min(end, sweptAt(peaks[q + 1]) - kWaveOnset);
        std::vector<double> t, y;
        for (std::size_t k = peak.point + 1; k <= s.ends[sweep] && s.swept[k] <= end; ++k) {
            if (s.swept[k] < at + kTailStart)
                continue;
            t.push_back(s.swept[k]);
            y.push_back(curve[k].current - *background.at(sweep, s.swept[k]) - earlier(s.swept[k]));
        }
        Decay decay{kReversibleTail * height, at - kReversibleStart};
        if (t.size() >= kMinPoints && t.back() - t.front() >= kFreeTail) {
            const Decay fitted = freeDecay(t, y, at);
            // A tail of the peak's own sign; otherwise the peak's own shape.
            if ((fitted.b > 0) == (height > 0))
                decay = fitted;
        }
        decays.push_back(decay);
    }
    return heights;
}

}  // namespace ondrel
