#include "savitzky_golay.h"

#include <array>
#include <string>

namespace ondrel {

namespace {

struct SmoothingRow {
    std::array<int, kMaxFilterWidth> weights;  // the whole window, zero past w
    int normaliser;
};

// Quadratic smoothing convolution integers for 5, 7, ... 25 points.
constexpr std::array<SmoothingRow, 11> kSmoothing = {{
    {{-3, 12, 17, 12, -3}, 35},
    {{-2, 3, 6, 7, 6, 3, -2}, 21},
    {{-21, 14, 39, 54, 59, 54, 39, 14, -21}, 231},
    {{-36, 9, 44, 69, 84, 89, 84, 69, 44, 9, -36}, 429},
    {{-11, 0, 9, 16, 21, 24, 25, 24, 21, 16, 9, 0, -11}, 143},
    {{-78, -13, 42, 87, 122, 147, 162, 167, 162, 147, 122, 87, 42, -13, -78}, 1105},
    {{-21, -6, 7, 18, 27, 34, 39, 42, 43, 42, 39, 34, 27, 18, 7, -6, -21}, 323},
    {{-136, -51, 24, 89, 144, 189, 224, 249, 264, 269, 264, 249, 224, 189, 144, 89, 24, -51, -136},
     2261},
    {{-171, -76, 9,   84,  149, 204, 249, 284, 309, 324, 329,
      324,  309, 284, 249, 204, 149, 84,  9,   -76, -171},
     3059},
    {{-42, -21, -2, 15, 30, 43, 54, 63, 70, 75,  78, 79,
      78,  75,  70, 63, 54, 43, 30, 15, -2, -21, -42},
     805},
    {{-253, -138, -33, 62,  147, 222, 287, 342, 387, 422, 447,  462, 467,
      462,  447,  422, 387, 342, 287, 222, 147, 62,  -33, -138, -253},
     5175},
}};

// Half the width; throws for a width or a curve the filters cannot serve.
int halfWidth(const Curve& source, int w) {
    if (w < kMinFilterWidth || w > kMaxFilterWidth)
        throw Exception("The filter width must be " + std::to_string(kMinFilterWidth) + " to " +
                        std::to_string(kMaxFilterWidth) + " points, not " + std::to_string(w));
    const int m = w / 2;
    if (static_cast<int>(source.size()) < 2 * m + 1)
        throw CurveTooShort("The curve has " + std::to_string(source.size()) +
                            " points, fewer than the " + std::to_string(2 * m + 1) +
                            " of the filter window");
    return m;
}

}  // namespace

void Smooth(const Curve& source, Curve& destination, int w) {
    destination.clear();
    const int m = halfWidth(source, w);
    const int n = static_cast<int>(source.size());
    const SmoothingRow& row = kSmoothing[static_cast<std::size_t>(m - 2)];

    destination.assign(source.begin(), source.begin() + m);
    int sum = 0;
    for (int j = 0; j < w; ++j)
        sum += row.weights[static_cast<std::size_t>(j)];
    if (sum != row.normaliser)
        throw Exception("pb de coef: " + std::to_string(sum) +
                        " != " + std::to_string(row.normaliser));

    const double normaliser = row.normaliser;
    for (int i = m; i < n - m; ++i) {
        double weighted = 0;
        for (int j = 0; j < w; ++j)
            weighted += row.weights[static_cast<std::size_t>(j)] *
                        source[static_cast<std::size_t>(i + j - m)].current;
        destination.push_back(
            {source[static_cast<std::size_t>(i)].potential, weighted / normaliser});
    }
    destination.insert(destination.end(), source.end() - m, source.end());
}

void Derive(const Curve& source, Curve& destination, int w) {
    destination.clear();
    const int m = halfWidth(source, w);
    const int n = static_cast<int>(source.size());
    const double normaliser = m * (m + 1) * (2 * m + 1) / 3.0;
    destination.reserve(static_cast<std::size_t>(n - 2 * m));
    for (int i = m; i < n - m; ++i) {
        double weighted = 0;
        for (int j = -m; j <= m; ++j)
            weighted += j * source[static_cast<std::size_t>(i + j)].current;
        destination.push_back(
            {source[static_cast<std::size_t>(i)].potential, weighted / normaliser});
    }
}

}  // namespace ondrel
