#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>
#include <optional>

class QChart;
class QPainter;
class QRectF;

namespace ondrel {

// The picture formats a chart is exported in, told by the file's extension:
// ".WMF" and ".EMF" an Enhanced Metafile, ".BMP", ".SVG", ".PDF", ".PNG".
enum class PictureFormat { Emf, Bmp, Svg, Pdf, Png };

std::optional<PictureFormat> PictureFormatOf(const QString& path);

// Draws the chart into target, as the screen shows it: every picture and
// every page goes through here.
void DrawChart(QChart& chart, QPainter& painter, const QRectF& target);

// The whole picture file of the chart at size (logical pixels).
QByteArray ChartPicture(QChart& chart, QSize size, PictureFormat format);

// Writes the chart at its size on screen to path, whole or not at all.
// Throws Exception naming an extension that is no picture format, or what
// the write met.
void SaveChartPicture(QChart& chart, const QString& path);

}  // namespace ondrel
