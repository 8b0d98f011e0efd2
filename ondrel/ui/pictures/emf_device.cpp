#include "emf_device.h"

#include "emf_objects.h"
#include "emf_records.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>

namespace ondrel {

using namespace emf;

class EmfPaintEngine final : public QPaintEngine {
public:
    explicit EmfPaintEngine(QSize size) : QPaintEngine(QPaintEngine::AllFeatures), size_(size) {}

    QByteArray data() const { return data_; }

    bool begin(QPaintDevice*) override {
        out_ = RecordWriter();
        objects_.clear();
        pending_.clear();
        clip_.reset();
        WriteHeader(out_, size_);
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
        if (clip_)
            restore();
        objects_.releaseObjects();
        WriteEnd(out_, EmfObjects::kHandleCount);
        data_ = out_.bytes();
        return true;
    }

    // The painter's state is read as each drawing needs it.
    void updateState(const QPaintEngineState&) override {}

    void drawPath(const QPainterPath& path) override { paintPath(path, true); }

    void paintPath(const QPainterPath& path, bool fill) {
        const QTransform t = deviceTransform();
        const QPen pen = painter()->pen();
        const QBrush brush = painter()->brush();
        std::optional<EmfObjects::PenKey> penKey;
        if (paints(pen))
            penKey = EmfObjects::PenOf(pen, painter()->deviceTransform());
        // A wide pen's corners reach out by up to its width.
        const double reach = penKey ? penKey->width : 0;
        applyClip(t.map(path).boundingRect().adjusted(-reach, -reach, reach, reach));
        if (fill && paints(brush)) {
            flushStroke();
            objects_.useBrush(brush);
            objects_.usePen(std::nullopt);
            // Each subpath its own polygon, filled together by the path's
            // rule; Qt's fill polygons join overlapping subpaths into one,
            // which only Qt's own filling reads as meant.
            WritePolygons(out_, EMR_POLYPOLYGON, toPolygons(path.toSubpathPolygons(t)),
                          path.fillRule());
        }
        if (penKey)
            stroke(*penKey, toPolygons(path.toSubpathPolygons(t)));
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
        const QTransform t = deviceTransform();
        const double scale = std::hypot(t.m11(), t.m12()) / kUnitsPerPixel;
        const double angle = std::atan2(t.m12(), t.m11());
        const QFont font = item.font();
        const double pixelSize =
            font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF() * EmfDevice::kDpi / 72.0;
        const QFontMetricsF metrics(font);
        const QRectF box = t.mapRect(QRectF(p.x(), p.y() - metrics.ascent(),
                                            metrics.horizontalAdvance(text), metrics.height()));
        applyClip(box);
        flushStroke();

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
        objects_.useFont(logFont);

        out_.begin(EMR_SETTEXTCOLOR);
        out_.u32(colorRef(brushColor(painter()->pen().brush())));
        out_.end();

        // Each character's advance, so that readers place the text as it is
        // laid out here whatever font they find.
        std::vector<qint32> advances;
        qint32 placed = 0;
        for (qsizetype i = 1; i <= text.size(); ++i) {
            const qint32 at = unit(metrics.horizontalAdvance(text.left(i)) * scale);
            advances.push_back(at - placed);
            placed = at;
        }
        const QPointF origin = t.map(p);
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
        const QRect target = deviceTransform().mapRect(r).toAlignedRect();
        applyClip(target);
        flushStroke();
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
    // The painter's transform, then pixels to metafile units.
    QTransform deviceTransform() const {
        return painter()->deviceTransform() * QTransform::fromScale(kUnitsPerPixel, kUnitsPerPixel);
    }

    // Clipping to the bounding rectangle of the painter's clip, which is
    // what charts use: the plot area. A clip lives in a saved state of the
    // metafile's device context, so that restoring the state ends it. It is
    // written only for a drawing that reaches beyond it: readers handle a
    // clip around turned text poorly (some cut the text to the clip turned
    // with it), and a chart clips every label to its own box.
    void applyClip(const QRectF& drawing) {
        std::optional<QRect> wanted;
        if (painter()->hasClipping())
            wanted = deviceTransform().mapRect(painter()->clipBoundingRect()).toAlignedRect();
        if (clip_ && clip_ == wanted)
            return;
        const bool needed = wanted && !QRectF(*wanted).contains(drawing);
        if (!clip_ && !needed)
            return;
        flushStroke();
        if (clip_)
            restore();
        if (!needed)
            return;
        objects_.releaseObjects();
        out_.begin(EMR_SAVEDC);
        out_.end();
        out_.begin(EMR_INTERSECTCLIPRECT);
        out_.rect(wanted->left(), wanted->top(), wanted->right() + 1, wanted->bottom() + 1);
        out_.end();
        clip_ = wanted;
    }

    // Back to the state before the clip. Our objects are let go on both sides
    // of a saved state, so that none is deleted while a saved state holds it;
    // the restored state's pen and brush are selected anew when next used.
    void restore() {
        objects_.releaseObjects();
        out_.begin(EMR_RESTOREDC);
        out_.i32(-1);
        out_.end();
        objects_.forgetSelection();
        clip_.reset();
    }

    // Strokes are gathered: a chart draws a curve segment by segment, and a
    // segment that goes on from the last one with the same pen extends it,
    // so that a curve becomes one polyline.
    void stroke(const EmfObjects::PenKey& key, QList<QPolygon> shapes) {
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
        objects_.usePen(pendingPen_);
        WritePolygons(out_, EMR_POLYPOLYLINE, pending_, Qt::OddEvenFill);
        pending_.clear();
    }

    static QList<QPolygon> toPolygons(const QList<QPolygonF>& shapes) {
        QList<QPolygon> kept;
        for (const QPolygonF& shape : shapes)
            if (shape.size() >= 2)
                kept.append(shape.toPolygon());
        return kept;
    }

    const QSize size_;
    RecordWriter out_;
    QByteArray data_;
    std::optional<QRect> clip_;  // the clip written, in metafile units
    EmfObjects objects_{out_};
    std::optional<EmfObjects::PenKey> pendingPen_;
    QList<QPolygon> pending_;
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
