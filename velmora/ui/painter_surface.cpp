#include "painter_surface.h"

#include <QFontMetrics>
#include <QImage>
#include <QPaintDevice>
#include <QPainter>
#include <cmath>

namespace velmora {

namespace {

QColor colourOf(Rgb rgb) {
    return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

// Halves away from zero, as lround, without a library call per pixel.
int roundToPixel(double v) {
    return static_cast<int>(v < 0 ? v - 0.5 : v + 0.5);
}

// The plot's font in units of 0.01 inch.
constexpr double kFontHeight = 16;
constexpr double kFontWidth = 9;

}  // namespace

DeviceCaps CapsOf(const QPaintDevice& device, int width, int height) {
    return {width, height, static_cast<double>(device.logicalDpiX()),
            static_cast<double>(device.logicalDpiY()), device.depth() == 1 ? 1 : 24};
}

PainterSurface::PainterSurface(QPainter& painter, const DeviceCaps& caps, QImage* canvas)
    : painter_(painter),
      canvas_(canvas && canvas->format() == QImage::Format_RGB32 ? canvas : nullptr),
      caps_(caps),
      pixelsPerUnitX_(caps.dotsPerInchX / 100),
      pixelsPerUnitY_(caps.dotsPerInchY / 100),
      font_(QStringLiteral("Arial")) {
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setRenderHint(QPainter::TextAntialiasing, true);
    font_.setStyleHint(QFont::SansSerif);
    font_.setPixelSize(std::max(1, static_cast<int>(std::lround(kFontHeight * pixelsPerUnitY_))));
    // Narrowed or widened to the average character width asked for.
    const int average = QFontMetrics(font_).averageCharWidth();
    if (average > 0)
        font_.setStretch(std::clamp(
            static_cast<int>(std::lround(100 * kFontWidth * pixelsPerUnitX_ / average)), 1, 4000));
    painter_.setFont(font_);
}

PainterSurface::~PainterSurface() {
    flush();
}

void PainterSurface::usePen(const QColor& colour) {
    if (painterPen_ != colour || painter_.pen().widthF() != 0) {
        painter_.setPen(QPen(colour, 0));
        painterPen_ = colour;
    }
}

void PainterSurface::flush() {
    flushPath();
    flushPixels();
}

void PainterSurface::flushPath() {
    if (!lines_.isEmpty()) {
        usePen(pen_);
        painter_.drawLines(lines_);
        // Both ends too, whatever the rasteriser does with them.
        painter_.drawPoints(lineEnds_);
        lines_.clear();
        lineEnds_.clear();
    }
}

void PainterSurface::storeColumn(int x, int y0, int y1, QRgb rgb) {
    if (x < 0 || x >= canvas_->width())
        return;
    const int top = std::max(std::min(y0, y1), 0);
    const int bottom = std::min(std::max(y0, y1), canvas_->height() - 1);
    uchar* bits = canvas_->bits();
    const qsizetype stride = canvas_->bytesPerLine();
    for (int y = top; y <= bottom; ++y)
        reinterpret_cast<QRgb*>(bits + y * stride)[x] = rgb;
}

void PainterSurface::flushPixels() {
    if (canvas_ && !pixels_.isEmpty()) {
        // Thousands of dots cost what their stores cost.
        const QRgb rgb = pixelColour_.rgb();
        const int width = canvas_->width(), height = canvas_->height();
        uchar* bits = canvas_->bits();
        const qsizetype stride = canvas_->bytesPerLine();
        for (const QPoint& p : std::as_const(pixels_))
            if (p.x() >= 0 && p.x() < width && p.y() >= 0 && p.y() < height)
                reinterpret_cast<QRgb*>(bits + p.y() * stride)[p.x()] = rgb;
        pixels_.clear();
    }
    if (pixels_.isEmpty())
        return;
    // On a device finer than the plot's unit (a printer) a pixel would
    // vanish: a dot there is one unit square.
    const int size = std::max(1, roundToPixel(std::min(pixelsPerUnitX_, pixelsPerUnitY_)));
    if (size == 1) {
        usePen(pixelColour_);
        painter_.drawPoints(pixels_);
    } else {
        for (const QPoint& p : std::as_const(pixels_))
            painter_.fillRect(p.x() - size / 2, p.y() - size / 2, size, size, pixelColour_);
    }
    pixels_.clear();
}

QPoint PainterSurface::device(int x, int y) const {
    return {roundToPixel(x * pixelsPerUnitX_), roundToPixel(-y * pixelsPerUnitY_)};
}

void PainterSurface::SetPen(Rgb colour) {
    const QColor pen = colourOf(colour);
    if (pen != pen_)
        flushPath();
    pen_ = pen;
}

void PainterSurface::MoveTo(int x, int y) {
    position_ = device(x, y);
}

void PainterSurface::LineTo(int x, int y) {
    const QPoint to = device(x, y);
    flushPixels();
    if (canvas_ && to.x() == position_.x()) {
        storeColumn(to.x(), position_.y(), to.y(), pen_.rgb());
    } else {
        lines_ << QLine(position_, to);
        lineEnds_ << position_ << to;
    }
    position_ = to;
}

void PainterSurface::FillRect(int x0, int y0, int x1, int y1, Rgb colour) {
    flush();
    painter_.fillRect(QRect(device(x0, y0), device(x1, y1)).normalized(), colourOf(colour));
}

void PainterSurface::SetPixel(int x, int y, Rgb colour) {
    const QColor pixel = colourOf(colour);
    flushPath();
    if (pixel != pixelColour_)
        flushPixels();
    pixelColour_ = pixel;
    pixels_ << device(x, y);
}

void PainterSurface::SetPixels(int x, const int* ys, std::size_t count, Rgb colour) {
    if (count == 0)
        return;
    SetPixel(x, ys[0], colour);
    const int deviceX = roundToPixel(x * pixelsPerUnitX_);
    if (canvas_ && deviceX >= 0 && deviceX < canvas_->width()) {
        flushPixels();
        const QRgb rgb = pixelColour_.rgb();
        uchar* bits = canvas_->bits();
        const qsizetype stride = canvas_->bytesPerLine();
        const int height = canvas_->height();
        for (std::size_t k = 1; k < count; ++k) {
            const int y = roundToPixel(-ys[k] * pixelsPerUnitY_);
            if (y >= 0 && y < height)
                reinterpret_cast<QRgb*>(bits + y * stride)[deviceX] = rgb;
        }
        return;
    }
    for (std::size_t k = 1; k < count; ++k)
        pixels_ << QPoint(deviceX, roundToPixel(-ys[k] * pixelsPerUnitY_));
}

void PainterSurface::SetTextColour(Rgb colour) {
    text_ = colourOf(colour);
}

TextBox PainterSurface::TextOut(int x, int y, const std::string& text, TextAlign align) {
    const QString line = QString::fromStdString(text);
    const QFontMetrics metrics(font_);
    const int width = metrics.horizontalAdvance(line);
    QPoint at = device(x, y);
    if (align == TextAlign::Centre)
        at.rx() -= width / 2;
    flush();
    // Opaque: the text's box in the window colour first.
    painter_.fillRect(QRect(at.x(), at.y(), width, metrics.height()), colourOf(kWindowColour));
    usePen(text_);
    painter_.drawText(at.x(), at.y() + metrics.ascent(), line);
    // The box in units, whole pixels rounded outward.
    const int left = static_cast<int>(std::floor(at.x() / pixelsPerUnitX_));
    const int right = static_cast<int>(std::ceil((at.x() + width) / pixelsPerUnitX_));
    return {left, y, right, y - TextHeight()};
}

int PainterSurface::TextHeight() const {
    return static_cast<int>(std::ceil(QFontMetrics(font_).height() / pixelsPerUnitY_));
}

void PainterSurface::InvertRectOutline(int x0, int y0, int x1, int y1) {
    flush();
    const QRect r = QRect(QPoint(x0, y0), QPoint(x1, y1)).normalized();
    painter_.save();
    painter_.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    const QColor white(255, 255, 255);
    // Each pixel of the outline once: full top and bottom rows, the sides
    // between them.
    painter_.fillRect(QRect(r.left(), r.top(), r.width(), 1), white);
    if (r.height() > 1) {
        painter_.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), white);
        if (r.height() > 2) {
            painter_.fillRect(QRect(r.left(), r.top() + 1, 1, r.height() - 2), white);
            if (r.width() > 1)
                painter_.fillRect(QRect(r.right(), r.top() + 1, 1, r.height() - 2), white);
        }
    }
    painter_.restore();
}

}  // namespace velmora
