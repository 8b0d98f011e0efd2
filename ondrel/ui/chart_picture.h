#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>
#include <optional>

#include "interaction.h"

class QChart;
class QPainter;
class QRectF;

namespace ondrel {

// The picture formats a chart is exported in, told by the file's extension:
// ".WMF" and ".EMF" an Enhanced Metafile, ".BMP", ".SVG", ".PDF", ".PNG".
enum class PictureFormat { Emf, Bmp, Svg, Pdf, Png };

std::optional<PictureFormat> PictureFormatOf(const QString& path);

// Draws the chart into target, as the screen shows it: every picture, the
// preview and every page go through here. A target of another shape than
// the chart's lays the chart out anew in that shape, keeping its area, so
// that its text is not stretched. textScale sets the text's size for the
// chart's: 0 as on screen, -100 twice as large, +100 half as large.
void DrawChart(QChart& chart, QPainter& painter, const QRectF& target, int textScale = 0);

// The whole picture file of the chart at size (logical pixels).
QByteArray ChartPicture(QChart& chart, QSize size, PictureFormat format);

// Writes the chart at its size on screen to path, whole or not at all.
// Throws Exception naming an extension that is no picture format, or what
// the write met.
void SaveChartPicture(QChart& chart, const QString& path);

// The export command: the picture dialog, then the picture written; what
// fails is shown.
void ExportChart(QChart& chart, Interaction& interaction);

// The chart on the clipboard as a bitmap and as SVG, for documents.
void CopyChart(QChart& chart);

}  // namespace ondrel
