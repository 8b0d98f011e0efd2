#include "chart_picture.h"

#include <QBuffer>
#include <QChart>
#include <QFileInfo>
#include <QGraphicsScene>
#include <QImage>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>

#include "../files/file_io.h"
#include "../platform/emf_device.h"
#include "../platform/ondrel_error.h"

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

void DrawChart(QChart& chart, QPainter& painter, const QRectF& target) {
    QGraphicsScene* scene = chart.scene();
    if (!scene)
        return;
    scene->render(&painter, target, chart.sceneBoundingRect(), Qt::IgnoreAspectRatio);
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
            svg.setTitle(chart.title().isEmpty() ? QStringLiteral("Ondrel chart") : chart.title());
            {
                QPainter painter(&svg);
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
    WriteWholeFile(path.toStdString(), bytes.toStdString());
}

}  // namespace ondrel
