#include "curve_colors.h"

#include <QChart>
#include <QLineSeries>
#include <array>

namespace ondrel {

namespace {

const std::array<QColor, kCurveColors> kPalette = {
    QColor(0x00, 0x72, 0xB2),  // blue
    QColor(0xD5, 0x5E, 0x00),  // vermilion
    QColor(0x00, 0x9E, 0x73),  // bluish green
    QColor(0xCC, 0x79, 0xA7),  // reddish purple
    QColor(0xE6, 0x9F, 0x00),  // orange
    QColor(0x56, 0xB4, 0xE9),  // sky blue
    QColor(0x00, 0x00, 0x00),  // black
    QColor(0x7A, 0x4A, 0x1E),  // brown
    QColor(0x5A, 0x5A, 0x9E),  // slate
    QColor(0x80, 0x80, 0x80),  // grey
};

}  // namespace

QColor CurveColor(int index) {
    const int n = static_cast<int>(kPalette.size());
    return kPalette[static_cast<std::size_t>(((index % n) + n) % n)];
}

QColor NextCurveColor(const QChart& chart) {
    std::array<int, kCurveColors> uses{};
    for (const QAbstractSeries* abstract : chart.series()) {
        const auto* line = qobject_cast<const QLineSeries*>(abstract);
        if (!line || line->count() == 0)
            continue;
        for (int i = 0; i < kCurveColors; ++i)
            if (line->color() == kPalette[static_cast<std::size_t>(i)])
                ++uses[static_cast<std::size_t>(i)];
    }
    // The least used colour, the earliest among equals.
    int best = 0;
    for (int i = 1; i < kCurveColors; ++i)
        if (uses[static_cast<std::size_t>(i)] < uses[static_cast<std::size_t>(best)])
            best = i;
    return kPalette[static_cast<std::size_t>(best)];
}

}  // namespace ondrel
