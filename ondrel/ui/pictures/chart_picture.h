#pragma once

#include <QByteArray>
#include <QRectF>
#include <QSize>
#include <QString>
#include <optional>

#include "../interaction.h"

class QChart;
class QPainter;

namespace ondrel {

// The picture formats a chart is exported in, told by the file's extension:
// ".WMF" and ".EMF" an Enhanced Metafile, ".BMP", ".SVG", ".PDF", ".PNG".
enum class PictureFormat { Emf, Bmp, Svg, Pdf, Png };

std::optional<PictureFormat> PictureFormatOf(const QString& path);

// The chart laid out as DrawChart lays it out for a target of size target
// at textScale, for as long as this lives; the chart's layout on screen
// comes back after.
class ChartPageLayout final {
public:
    ChartPageLayout(QChart& chart, QSizeF target, int textScale);
    ~ChartPageLayout();
    ChartPageLayout(const ChartPageLayout&) = delete;
    ChartPageLayout& operator=(const ChartPageLayout&) = delete;

    // The part of the scene that holds the chart so laid out.
    QRectF source() const { return source_; }

private:
    QChart& chart_;
    QSizeF screen_;
    bool relaid_ = false;
    QRectF source_;
};

// Whether every text of the chart as it is laid out now (the title, the
// axes' labels and titles, the legend's entries) is shown whole, none cut
// short to an ellipsis.
bool ChartTextsWhole(const QChart& chart);

// The lowest text scale (the largest text), from 0 down to lowest in steps
// of step, down to which the chart drawn into a target of size target shows
// every text whole; 0 when even that cuts one.
int LowestWholeTextScale(QChart& chart, QSizeF target, int lowest, int step);

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
