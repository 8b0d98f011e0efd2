#include "chart_picture.h"

#include <QBuffer>
#include <QChart>
#include <QClipboard>
#include <QFileInfo>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QGraphicsTextItem>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <cmath>
#include <vector>

#include "../../files/file_io.h"
#include "../../platform/ondrel_error.h"
#include "../../platform/path_text.h"
#include "../qt_text.h"
#include "clipping_device.h"
#include "emf_device.h"

namespace ondrel {

namespace {

// Bitmaps for reports: PNG at twice the screen's pixels, BMP as the screen.
constexpr int kPngScale = 2;

QImage bitmap(QChart& chart, QSize size, int scale) {
    QImage image(size * scale, QImage::Format_RGB32);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    DrawChart(chart, painter, QRectF(QPointF(0, 0), size));
    return image;
}

QByteArray encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format))
        throw Exception(std::string("The ") + format + " picture could not be encoded");
    return bytes;
}

// Lays the chart out at its size now. The axes choose their ticks for
// their new length, which lays the chart out again: until it holds.
void settle(QChart& chart) {
    QGraphicsLayout* layout = chart.layout();
    if (!layout)
        return;
    for (int round = 0; round < 4 && !layout->isActivated(); ++round)
        layout->activate();
}

}  // namespace

std::optional<PictureFormat> PictureFormatOf(const QString& path) {
    const QString extension = QFileInfo(path).suffix().toUpper();
    if (extension == QLatin1String("WMF") || extension == QLatin1String("EMF"))
        return PictureFormat::Emf;
    if (extension == QLatin1String("BMP"))
        return PictureFormat::Bmp;
    if (extension == QLatin1String("SVG"))
        return PictureFormat::Svg;
    if (extension == QLatin1String("PDF"))
        return PictureFormat::Pdf;
    if (extension == QLatin1String("PNG"))
        return PictureFormat::Png;
    return std::nullopt;
}

ChartPageLayout::ChartPageLayout(QChart& chart, QSizeF target, int textScale)
    : chart_(chart), screen_(chart.size()), source_(chart.sceneBoundingRect()) {
    if (target.isEmpty() || screen_.isEmpty())
        return;
    // The chart's area scaled by the text scale, in the target's shape.
    const double scale = std::pow(2.0, textScale / 100.0);
    const double area = screen_.width() * screen_.height() * scale * scale;
    const double aspect = target.width() / target.height();
    const QSizeF layout(std::sqrt(area * aspect), std::sqrt(area / aspect));
    if (std::abs(layout.width() - screen_.width()) < 0.5 &&
        std::abs(layout.height() - screen_.height()) < 0.5)
        return;
    chart_.resize(layout);
    settle(chart_);
    relaid_ = true;
    source_ = QRectF(chart_.scenePos(), layout);
}

ChartPageLayout::~ChartPageLayout() {
    // Back to the screen's layout before the screen is drawn again.
    if (!relaid_)
        return;
    chart_.resize(screen_);
    settle(chart_);
}

bool ChartTextsWhole(const QChart& chart) {
    std::vector<const QGraphicsItem*> items = {&chart};
    while (!items.empty()) {
        const QGraphicsItem* item = items.back();
        items.pop_back();
        if (!item->isVisible())
            continue;
        if (const auto* text = dynamic_cast<const QGraphicsTextItem*>(item)) {
            // The charts cut a text that has no room with an ellipsis.
            const QString shown = text->toPlainText();
            if (shown.endsWith(QStringLiteral("...")) || shown.endsWith(QChar(0x2026)))
                return false;
        }
        for (const QGraphicsItem* child : item->childItems())
            items.push_back(child);
    }
    return true;
}

int LowestWholeTextScale(QChart& chart, QSizeF target, int lowest, int step) {
    int whole = 0;
    for (int scale = 0; scale >= lowest; scale -= step) {
        const ChartPageLayout laid(chart, target, scale);
        if (!ChartTextsWhole(chart))
            break;
        whole = scale;
    }
    return whole;
}

void DrawChart(QChart& chart, QPainter& painter, const QRectF& target, int textScale) {
    QGraphicsScene* scene = chart.scene();
    if (!scene || target.isEmpty())
        return;
    const ChartPageLayout laid(chart, target.size(), textScale);
    scene->render(&painter, target, laid.source(), Qt::IgnoreAspectRatio);
}

QByteArray ChartPicture(QChart& chart, QSize size, PictureFormat format) {
    const QRectF target(QPointF(0, 0), size);
    switch (format) {
        case PictureFormat::Emf: {
            EmfDevice device(size);
            {
                QPainter painter(&device);
                DrawChart(chart, painter, target);
            }
            return device.data();
        }
        case PictureFormat::Bmp:
            return encoded(bitmap(chart, size, 1), "BMP");
        case PictureFormat::Png:
            return encoded(bitmap(chart, size, kPngScale), "PNG");
        case PictureFormat::Svg: {
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            QSvgGenerator svg;
            svg.setOutputDevice(&buffer);
            svg.setSize(size);
            svg.setViewBox(target);
            // The same physical size as the metafile and the PDF page.
            svg.setResolution(EmfDevice::kDpi);
            svg.setTitle(chart.title().isEmpty() ? QStringLiteral("Ondrel chart") : chart.title());
            {
                // The generator ignores clipping: the chart is clipped on
                // its way there.
                QPainter onSvg(&svg);
                ClippingPaintDevice clipped(onSvg);
                QPainter painter(&clipped);
                DrawChart(chart, painter, target);
            }
            return bytes;
        }
        case PictureFormat::Pdf: {
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            QPdfWriter pdf(&buffer);
            pdf.setCreator(QStringLiteral("Ondrel"));
            pdf.setResolution(EmfDevice::kDpi);
            // A page the size of the chart: points are 1/72 inch.
            const QSizeF points = QSizeF(size) * 72.0 / EmfDevice::kDpi;
            pdf.setPageLayout(
                QPageLayout(QPageSize(points, QPageSize::Point, QString(), QPageSize::ExactMatch),
                            QPageLayout::Portrait, QMarginsF()));
            {
                QPainter painter(&pdf);
                DrawChart(chart, painter, QRectF(0, 0, pdf.width(), pdf.height()));
            }
            return bytes;
        }
    }
    return {};
}

void SaveChartPicture(QChart& chart, const QString& path) {
    const std::optional<PictureFormat> format = PictureFormatOf(path);
    if (!format)
        throw Exception("Unknown picture extension: \"" + ExtensionOf(path.toStdString()) +
                        "\" (a picture is written as .WMF, .EMF, .BMP, .SVG, .PDF or .PNG)");
    const QSize size = chart.size().toSize();
    if (size.isEmpty())
        throw Exception("The chart has no size to draw");
    const QByteArray bytes = ChartPicture(chart, size, *format);
    WriteWholeFile(PathBytes(path), bytes.toStdString());
}

void ExportChart(QChart& chart, Interaction& interaction) {
    FileRequest request;
    request.title = QStringLiteral("Export Graph as MetaFile or BMP");
    request.filters = {{QStringLiteral("Fichiers WMF (ehanced)"), QStringLiteral("*.WMF")},
                       {QStringLiteral("Fichiers BMP"), QStringLiteral("*.BMP")},
                       {QStringLiteral("Fichiers WMF"), QStringLiteral("*.EMF")},
                       {QStringLiteral("Fichiers SVG"), QStringLiteral("*.SVG")},
                       {QStringLiteral("Fichiers PDF"), QStringLiteral("*.PDF")},
                       {QStringLiteral("Fichiers PNG"), QStringLiteral("*.PNG")}};
    request.defaultExtension = QStringLiteral("WMF");
    const QString path = interaction.getSaveFileName(request);
    if (path.isEmpty())
        return;
    try {
        SaveChartPicture(chart, path);
    } catch (const std::exception& error) {
        interaction.showError(ToQString(error.what()));
    }
}

void CopyChart(QChart& chart) {
    const QSize size = chart.size().toSize();
    auto* data = new QMimeData;
    data->setImageData(bitmap(chart, size, 1));
    data->setData(QStringLiteral("image/svg+xml"), ChartPicture(chart, size, PictureFormat::Svg));
    QGuiApplication::clipboard()->setMimeData(data);
}

}  // namespace ondrel
