#pragma once

#include <QColor>

class QChart;

namespace ondrel {

// The colours curves are drawn in, told apart also by those who see colours
// weakly (Okabe and Ito's palette, its yellow left out for being faint on
// white, with three darker tones after it), in the order they are taken.
inline constexpr int kCurveColors = 10;
QColor CurveColor(int index);

// The first colour of the palette that no other line on the chart shows,
// so that every curve on show has its own; past the palette's end, the
// colours come round again.
QColor NextCurveColor(const QChart& chart);

}  // namespace ondrel
