#include "emf_device.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>
#include <QTransform>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>

namespace ondrel {

namespace {

// Record types and constants of the Enhanced Metafile format.
enum Record : quint32 {
    EMR_HEADER = 1,
    EMR_POLYPOLYLINE = 7,
    EMR_POLYPOLYGON = 8,
    EMR_EOF = 14,
    EMR_SETBKMODE = 18,
    EMR_SETPOLYFILLMODE = 19,
    EMR_SETTEXTALIGN = 22,
    EMR_SETTEXTCOLOR = 24,
    EMR_INTERSECTCLIPRECT = 30,
    EMR_SAVEDC = 33,
    EMR_RESTOREDC = 34,
    EMR_SELECTOBJECT = 37,
    EMR_CREATEBRUSHINDIRECT = 39,
    EMR_DELETEOBJECT = 40,
    EMR_STRETCHDIBITS = 81,
    EMR_EXTCREATEFONTINDIRECTW = 82,
    EMR_EXTTEXTOUTW = 84,
    EMR_EXTCREATEPEN = 95,
};
constexpr quint32 kSignature = 0x464D4520;  // " EMF"
constexpr quint32 kNullBrush = 0x80000005, kNullPen = 0x80000008, kSystemFont = 0x8000000D;
constexpr quint32 kTransparent = 1, kAlternate = 1, kWinding = 2;
constexpr quint32 kTaBaseline = 24;
constexpr quint32 kPsGeometric = 0x10000, kPsSolid = 0, kPsDash = 1, kPsDot = 2, kPsDashDot = 3,
                  kPsDashDotDot = 4;
constexpr quint32 kPsEndcapRound = 0, kPsEndcapSquare = 0x100, kPsEndcapFlat = 0x200;
constexpr quint32 kPsJoinRound = 0, kPsJoinBevel = 0x1000, kPsJoinMiter = 0x2000;
constexpr quint32 kSrcCopy = 0x00CC0020;

// Metafile units: 1/16 mm, so that a 96-dpi pixel is 4.23 units.
constexpr double kUnitsPerMm = 16;
constexpr double kUnitsPerPixel = kUnitsPerMm * 25.4 / EmfDevice::kDpi;
// The reference device the units belong to: one metre square.
constexpr qint32 kReferenceMm = 1000;

// A colour as the format stores it, red in the low byte. Translucent
// colours are laid on white, the background of every picture here.
quint32 colorRef(const QColor& color) {
    const double a = color.alphaF();
    auto blend = [a](int c) { return static_cast<quint32>(std::lround(c * a + 255 * (1 - a))); };
    return blend(color.red()) | blend(color.green()) << 8 | blend(color.blue()) << 16;
}

// The colour a brush paints with; a gradient gives its middle colour.
QColor brushColor(const QBrush& brush) {
    if (const QGradient* gradient = brush.gradient(); gradient && !gradient->stops().isEmpty())
        return gradient->stops().at(gradient->stops().size() / 2).second;
    return brush.color();
}

bool paints(const QBrush& brush) {
    return brush.style() != Qt::NoBrush && brushColor(brush).alpha() != 0;
}

bool paints(const QPen& pen) {
    return pen.style() != Qt::NoPen && paints(pen.brush());
}

// Little-endian records, each padded to whole 32-bit words.
class RecordWriter {
public:
    void begin(quint32 type) {
        start_ = bytes_.size();
        u32(type);
        u32(0);
    }
    void end() {
        while (bytes_.size() % 4)
            bytes_.append('\0');
        qToLittleEndian(static_cast<quint32>(bytes_.size() - start_), bytes_.data() + start_ + 4);
        ++count_;
    }
    qsizetype offset() const { return bytes_.size() - start_; }

    void u32(quint32 v) { append(v); }
    void i32(qint32 v) { append(v); }
    void u16(quint16 v) { append(v); }
    void u8(quint8 v) { bytes_.append(static_cast<char>(v)); }
    void f32(float v) { append(v); }
    void rect(qint32 left, qint32 top, qint32 right, qint32 bottom) {
        for (qint32 v : {left, top, right, bottom})
            i32(v);
    }
    void raw(const QByteArray& data) { bytes_.append(data); }
    void utf16(const QString& text) {
        for (QChar c : text)
            u16(c.unicode());
    }

    QByteArray& bytes() { return bytes_; }
    quint32 count() const { return count_; }

private:
    template <typename T>
    void append(T v) {
        char data[sizeof(T)];
        qToLittleEndian(v, data);
        bytes_.append(data, sizeof(T));
    }

    QByteArray bytes_;
    qsizetype start_ = 0;
    quint32 count_ = 0;
};

qint32 unit(double pixels) {
    const double units = std::round(pixels * kUnitsPerPixel);
    return static_cast<qint32>(std::clamp(units, -1e9, 1e9));
}

}  // namespace

class EmfPaintEngine final : public QPaintEngine {
public:
    explicit EmfPaintEngine(QSize size) : QPaintEngine(QPaintEngine::AllFeatures), size_(size) {}

    QByteArray data() const { return data_; }

    bool begin(QPaintDevice*) override {
        out_ = RecordWriter();
        pen_.reset();
        brush_.reset();
        pending_.clear();
        font_.clear();
        fontHandle_ = 0;
        clipSaved_ = false;
        clipDirty_ = true;
        header();
        out_.begin(EMR_SETBKMODE);
        out_.u32(kTransparent);
        out_.end();
        out_.begin(EMR_SETTEXTALIGN);
        out_.u32(kTaBaseline);
        out_.end();
        return true;
    }

    bool end() override {
        flushStroke();
        if (clipSaved_)
            restore();
        releaseObjects();
        out_.begin(EMR_EOF);
        out_.u32(0);   // no palette
        out_.u32(16);  // offset of the (absent) palette entries
        out_.u32(20);  // the record's size, repeated
        out_.end();
        QByteArray& bytes = out_.bytes();
        qToLittleEndian(static_cast<quint32>(bytes.size()), bytes.data() + kBytesAt);
        qToLittleEndian(out_.count(), bytes.data() + kRecordsAt);
        qToLittleEndian(kHandleCount, bytes.data() + kHandlesAt);
        data_ = bytes;
        return true;
    }

    void updateState(const QPaintEngineState& state) override {
        if (state.state() & (DirtyClipRegion | DirtyClipPath | DirtyClipEnabled | DirtyTransform))
            clipDirty_ = true;
    }

    void drawPath(const QPainterPath& path) override { paintPath(path, true); }

    void paintPath(const QPainterPath& path, bool fill) {
        applyClip();
        const QTransform t = deviceTransform();
        const QPen pen = painter()->pen();
        const QBrush brush = painter()->brush();
        if (fill && paints(brush)) {
            flushStroke();
            useBrush(brush);
            usePen(std::nullopt);
            polygons(EMR_POLYPOLYGON, toPolygons(path.toFillPolygons(t)), path.fillRule());
        }
        if (paints(pen))
            stroke(penOf(pen), toPolygons(path.toSubpathPolygons(t)));
    }

    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override {
        if (count <= 0)
            return;
        QPainterPath path;
        path.addPolygon(QPolygonF(QList<QPointF>(points, points + count)));
        if (mode == PolylineMode) {
            paintPath(path, false);
            return;
        }
        path.closeSubpath();
        path.setFillRule(mode == WindingMode ? Qt::WindingFill : Qt::OddEvenFill);
        drawPath(path);
    }

    void drawTextItem(const QPointF& p, const QTextItem& item) override {
        const QString text = item.text();
        if (text.isEmpty() || !paints(painter()->pen()))
            return;
        applyClip();
        flushStroke();
        const QTransform t = deviceTransform();
        const double scale = std::hypot(t.m11(), t.m12()) / kUnitsPerPixel;
        const double angle = std::atan2(t.m12(), t.m11());
        const QFont font = item.font();
        const double pixelSize =
            font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF() * EmfDevice::kDpi / 72.0;

        QByteArray logFont;  // LOGFONTW
        {
            RecordWriter f;
            f.i32(-unit(pixelSize * scale));  // character height
            f.i32(0);
            const auto tenths = static_cast<qint32>(std::lround(-angle * 1800 / std::numbers::pi));
            f.i32(tenths);  // escapement, counterclockwise
            f.i32(tenths);  // orientation
            f.i32(font.weight());
            f.u8(font.italic());
            f.u8(font.underline());
            f.u8(font.strikeOut());
            f.u8(1);  // DEFAULT_CHARSET
            f.u8(0);
            f.u8(0);
            f.u8(4);  // ANTIALIASED_QUALITY
            f.u8(0);
            QString face = font.family().left(31);
            face.resize(32, QChar(0));
            f.utf16(face);
            logFont = f.bytes();
        }
        useFont(logFont);

        out_.begin(EMR_SETTEXTCOLOR);
        out_.u32(colorRef(brushColor(painter()->pen().brush())));
        out_.end();

        // Each character's advance, so that readers place the text as it is
        // laid out here whatever font they find.
        const QFontMetricsF metrics(font);
        std::vector<qint32> advances;
        qint32 placed = 0;
        for (qsizetype i = 1; i <= text.size(); ++i) {
            const qint32 at = unit(metrics.horizontalAdvance(text.left(i)) * scale);
            advances.push_back(at - placed);
            placed = at;
        }
        const QPointF origin = t.map(p);
        const QRectF box = t.mapRect(QRectF(p.x(), p.y() - metrics.ascent(),
                                            metrics.horizontalAdvance(text), metrics.height()));
        constexpr quint32 kFixed = 76;
        const auto chars = static_cast<quint32>(text.size());
        const quint32 dxAt = kFixed + ((chars * 2 + 3) & ~3u);
        out_.begin(EMR_EXTTEXTOUTW);
        out_.rect(static_cast<qint32>(box.left()), static_cast<qint32>(box.top()),
                  static_cast<qint32>(box.right()), static_cast<qint32>(box.bottom()));
        out_.u32(1);  // GM_COMPATIBLE
        out_.f32(0);
        out_.f32(0);
        out_.i32(static_cast<qint32>(std::lround(origin.x())));
        out_.i32(static_cast<qint32>(std::lround(origin.y())));
        out_.u32(chars);
        out_.u32(kFixed);
        out_.u32(0);  // no options, no clipping rectangle
        out_.rect(0, 0, -1, -1);
        out_.u32(dxAt);
        out_.utf16(text);
        while (out_.offset() < dxAt)
            out_.u8(0);
        for (qint32 advance : advances)
            out_.i32(advance);
        out_.end();
    }

    void drawPixmap(const QRectF& r, const QPixmap& pixmap, const QRectF& source) override {
        drawImage(r, pixmap.toImage(), source, Qt::AutoColor);
    }

    void drawImage(const QRectF& r, const QImage& image, const QRectF& source,
                   Qt::ImageConversionFlags) override {
        const QImage part = image.copy(source.toAlignedRect());
        if (part.isNull())
            return;
        // Translucent pixels are laid on white, as colours are.
        QImage bits(part.size(), QImage::Format_RGB32);
        bits.fill(Qt::white);
        {
            QPainter onWhite(&bits);
            onWhite.drawImage(0, 0, part);
        }
        applyClip();
        flushStroke();
        const QRect target = deviceTransform().mapRect(r).toAlignedRect();
        const auto width = static_cast<quint32>(bits.width()),
                   height = static_cast<quint32>(bits.height());
        const quint32 bitsSize = width * height * 4;
        constexpr quint32 kFixed = 80, kInfo = 40;
        out_.begin(EMR_STRETCHDIBITS);
        out_.rect(target.left(), target.top(), target.right(), target.bottom());
        out_.i32(target.left());
        out_.i32(target.top());
        out_.i32(0);
        out_.i32(0);
        out_.i32(static_cast<qint32>(width));
        out_.i32(static_cast<qint32>(height));
        out_.u32(kFixed);
        out_.u32(kInfo);
        out_.u32(kFixed + kInfo);
        out_.u32(bitsSize);
        out_.u32(0);  // DIB_RGB_COLORS
        out_.u32(kSrcCopy);
        out_.i32(target.width());
        out_.i32(target.height());
        out_.u32(kInfo);  // BITMAPINFOHEADER, top-down 32-bit rows
        out_.i32(static_cast<qint32>(width));
        out_.i32(-static_cast<qint32>(height));
        out_.u16(1);
        out_.u16(32);
        out_.u32(0);  // BI_RGB
        out_.u32(bitsSize);
        out_.i32(3780);  // pixels per metre at 96 dpi
        out_.i32(3780);
        out_.u32(0);
        out_.u32(0);
        for (int y = 0; y < bits.height(); ++y) {
            const auto* row = reinterpret_cast<const quint32*>(bits.constScanLine(y));
            for (int x = 0; x < bits.width(); ++x)
                out_.u32(row[x] & 0xFFFFFFu);
        }
        out_.end();
    }

    Type type() const override { return QPaintEngine::User; }

private:
    // Offsets of the header's totals, filled in at the end.
    static constexpr qsizetype kBytesAt = 48, kRecordsAt = 52, kHandlesAt = 56;
    // A pen, a brush and two fonts at a time; 0 is the metafile itself.
    static constexpr quint32 kPenHandle = 1, kBrushHandle = 2, kFontHandle = 3;
    static constexpr quint16 kHandleCount = 5;

    void header() {
        static const QString description = QStringLiteral("Ondrel\0Chart\0\0");
        constexpr quint32 kHeaderSize = 108;
        const qint32 width = unit(size_.width()), height = unit(size_.height());
        out_.begin(EMR_HEADER);
        out_.rect(0, 0, width - 1, height - 1);  // bounds, device units
        // The frame in 1/100 mm.
        out_.rect(0, 0, static_cast<qint32>(std::lround(size_.width() * 2540.0 / EmfDevice::kDpi)),
                  static_cast<qint32>(std::lround(size_.height() * 2540.0 / EmfDevice::kDpi)));
        out_.u32(kSignature);
        out_.u32(0x10000);  // version
        out_.u32(0);        // bytes, at the end
        out_.u32(0);        // records, at the end
        out_.u16(0);        // handles, at the end
        out_.u16(0);
        out_.u32(static_cast<quint32>(description.size()));
        out_.u32(kHeaderSize);
        out_.u32(0);  // palette entries
        const auto device = static_cast<qint32>(kReferenceMm * kUnitsPerMm);
        out_.i32(device);
        out_.i32(device);
        out_.i32(kReferenceMm);
        out_.i32(kReferenceMm);
        out_.u32(0);  // no pixel format
        out_.u32(0);
        out_.u32(0);  // no OpenGL
        out_.i32(kReferenceMm * 1000);
        out_.i32(kReferenceMm * 1000);
        out_.utf16(description);
        out_.end();
    }

    // The painter's transform, then pixels to metafile units.
    QTransform deviceTransform() const {
        return painter()->deviceTransform() * QTransform::fromScale(kUnitsPerPixel, kUnitsPerPixel);
    }

    // Clipping to the bounding rectangle of the painter's clip, which is
    // what charts use: the plot area. A clip lives in a saved state of the
    // metafile's device context, so that restoring the state ends it.
    void applyClip() {
        if (!clipDirty_)
            return;
        clipDirty_ = false;
        flushStroke();
        if (clipSaved_)
            restore();
        if (!painter()->hasClipping())
            return;
        const QRect clip = deviceTransform().mapRect(painter()->clipBoundingRect()).toAlignedRect();
        releaseObjects();
        out_.begin(EMR_SAVEDC);
        out_.end();
        clipSaved_ = true;
        out_.begin(EMR_INTERSECTCLIPRECT);
        out_.rect(clip.left(), clip.top(), clip.right() + 1, clip.bottom() + 1);
        out_.end();
    }

    // Back to the state before the clip. Our objects are let go on both sides
    // of a saved state, so that none is deleted while a saved state holds it.
    void restore() {
        releaseObjects();
        out_.begin(EMR_RESTOREDC);
        out_.i32(-1);
        out_.end();
        clipSaved_ = false;
    }

    struct PenKey {
        quint32 style, width, color;
        bool operator==(const PenKey&) const = default;
    };

    PenKey penOf(const QPen& pen) const {
        quint32 style = kPsGeometric;
        switch (pen.style()) {
            case Qt::DashLine:
                style |= kPsDash;
                break;
            case Qt::DotLine:
                style |= kPsDot;
                break;
            case Qt::DashDotLine:
                style |= kPsDashDot;
                break;
            case Qt::DashDotDotLine:
                style |= kPsDashDotDot;
                break;
            default:
                style |= kPsSolid;
                break;
        }
        switch (pen.capStyle()) {
            case Qt::FlatCap:
                style |= kPsEndcapFlat;
                break;
            case Qt::SquareCap:
                style |= kPsEndcapSquare;
                break;
            default:
                style |= kPsEndcapRound;
                break;
        }
        switch (pen.joinStyle()) {
            case Qt::BevelJoin:
                style |= kPsJoinBevel;
                break;
            case Qt::RoundJoin:
                style |= kPsJoinRound;
                break;
            default:
                style |= kPsJoinMiter;
                break;
        }
        // A cosmetic pen is as wide on every device; another one follows the
        // painter's scale.
        double width = pen.widthF() > 0 ? pen.widthF() : 1.0;
        if (!pen.isCosmetic())
            width *= std::sqrt(std::abs(painter()->deviceTransform().determinant()));
        return {style, static_cast<quint32>(std::max(1, unit(width))),
                colorRef(brushColor(pen.brush()))};
    }

    // Selects a pen, or the null pen, creating it only when it changes.
    void usePen(const std::optional<PenKey>& key) {
        if (key == pen_)
            return;
        if (pen_) {
            select(kNullPen);
            deleteObject(kPenHandle);
        }
        pen_ = key;
        if (!key)
            return;
        out_.begin(EMR_EXTCREATEPEN);
        out_.u32(kPenHandle);
        out_.u32(0);  // no brush bitmap
        out_.u32(0);
        out_.u32(0);
        out_.u32(0);
        out_.u32(key->style);
        out_.u32(key->width);
        out_.u32(0);  // BS_SOLID
        out_.u32(key->color);
        out_.u32(0);
        out_.u32(0);  // no style entries
        out_.end();
        select(kPenHandle);
    }

    void useBrush(const QBrush& brush) {
        const std::optional<quint32> color =
            paints(brush) ? std::optional(colorRef(brushColor(brush))) : std::nullopt;
        if (color == brush_)
            return;
        if (brush_) {
            select(kNullBrush);
            deleteObject(kBrushHandle);
        }
        brush_ = color;
        if (!color)
            return;
        out_.begin(EMR_CREATEBRUSHINDIRECT);
        out_.u32(kBrushHandle);
        out_.u32(0);  // BS_SOLID
        out_.u32(*color);
        out_.u32(0);
        out_.end();
        select(kBrushHandle);
    }

    // Strokes are gathered: a chart draws a curve segment by segment, and a
    // segment that goes on from the last one with the same pen extends it,
    // so that a curve becomes one polyline.
    void stroke(const PenKey& key, QList<QPolygon> shapes) {
        if (shapes.isEmpty())
            return;
        if (!pending_.isEmpty() && key == pendingPen_ && shapes.size() == 1 &&
            pending_.last().last() == shapes.first().first()) {
            pending_.last() += shapes.first().mid(1);
            return;
        }
        flushStroke();
        pendingPen_ = key;
        pending_ = std::move(shapes);
    }

    void flushStroke() {
        if (pending_.isEmpty())
            return;
        usePen(pendingPen_);
        polygons(EMR_POLYPOLYLINE, pending_, Qt::OddEvenFill);
        pending_.clear();
    }

    static QList<QPolygon> toPolygons(const QList<QPolygonF>& shapes) {
        QList<QPolygon> kept;
        for (const QPolygonF& shape : shapes)
            if (shape.size() >= 2)
                kept.append(shape.toPolygon());
        return kept;
    }

    // Selects a font, creating it only when it changes. Two handles take
    // turns, so that the old font is deleted once the new one is selected.
    void useFont(const QByteArray& logFont) {
        if (logFont == font_)
            return;
        const quint32 handle = fontHandle_ == kFontHandle ? kFontHandle + 1 : kFontHandle;
        out_.begin(EMR_EXTCREATEFONTINDIRECTW);
        out_.u32(handle);
        out_.raw(logFont);
        out_.end();
        select(handle);
        if (fontHandle_)
            deleteObject(fontHandle_);
        fontHandle_ = handle;
        font_ = logFont;
    }

    void releaseObjects() {
        usePen(std::nullopt);
        useBrush(Qt::NoBrush);
        if (fontHandle_) {
            select(kSystemFont);
            deleteObject(fontHandle_);
            fontHandle_ = 0;
            font_.clear();
        }
    }

    void select(quint32 handle) {
        out_.begin(EMR_SELECTOBJECT);
        out_.u32(handle);
        out_.end();
    }

    void deleteObject(quint32 handle) {
        out_.begin(EMR_DELETEOBJECT);
        out_.u32(handle);
        out_.end();
    }

    void polygons(Record type, const QList<QPolygon>& kept, Qt::FillRule rule) {
        if (kept.isEmpty())
            return;
        if (type == EMR_POLYPOLYGON) {
            out_.begin(EMR_SETPOLYFILLMODE);
            out_.u32(rule == Qt::WindingFill ? kWinding : kAlternate);
            out_.end();
        }
        QRect bounds;
        quint32 total = 0;
        for (const QPolygon& shape : kept) {
            bounds |= shape.boundingRect();
            total += static_cast<quint32>(shape.size());
        }
        out_.begin(type);
        out_.rect(bounds.left(), bounds.top(), bounds.right(), bounds.bottom());
        out_.u32(static_cast<quint32>(kept.size()));
        out_.u32(total);
        for (const QPolygon& shape : kept)
            out_.u32(static_cast<quint32>(shape.size()));
        for (const QPolygon& shape : kept)
            for (const QPoint& point : shape) {
                out_.i32(point.x());
                out_.i32(point.y());
            }
        out_.end();
    }

    const QSize size_;
    RecordWriter out_;
    QByteArray data_;
    bool clipDirty_ = true, clipSaved_ = false;
    std::optional<PenKey> pen_, pendingPen_;
    std::optional<quint32> brush_;  // the colour of the selected brush
    QList<QPolygon> pending_;
    QByteArray font_;
    quint32 fontHandle_ = 0;
};

EmfDevice::EmfDevice(QSize size) : size_(size), engine_(std::make_unique<EmfPaintEngine>(size)) {}

EmfDevice::~EmfDevice() = default;

QPaintEngine* EmfDevice::paintEngine() const {
    return engine_.get();
}

QByteArray EmfDevice::data() const {
    return engine_->data();
}

int EmfDevice::metric(PaintDeviceMetric metric) const {
    switch (metric) {
        case PdmWidth:
            return size_.width();
        case PdmHeight:
            return size_.height();
        case PdmWidthMM:
            return static_cast<int>(std::lround(size_.width() * 25.4 / kDpi));
        case PdmHeightMM:
            return static_cast<int>(std::lround(size_.height() * 25.4 / kDpi));
        case PdmNumColors:
            return std::numeric_limits<int>::max();
        case PdmDepth:
            return 32;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return kDpi;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return static_cast<int>(devicePixelRatioFScale());
    }
    return QPaintDevice::metric(metric);
}

}  // namespace ondrel
