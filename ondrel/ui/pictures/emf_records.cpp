#include "emf_records.h"

#include <QRect>
#include <QSize>
#include <algorithm>
#include <cmath>

namespace ondrel::emf {

namespace {

// Offsets of the header's totals, filled in at the end.
constexpr qsizetype kBytesAt = 48, kRecordsAt = 52, kHandlesAt = 56;

}  // namespace

qint32 unit(double pixels) {
    const double units = std::round(pixels * kUnitsPerPixel);
    return static_cast<qint32>(std::clamp(units, -1e9, 1e9));
}

quint32 colorRef(const QColor& color) {
    const double a = color.alphaF();
    auto blend = [a](int c) { return static_cast<quint32>(std::lround(c * a + 255 * (1 - a))); };
    return blend(color.red()) | blend(color.green()) << 8 | blend(color.blue()) << 16;
}

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

void WriteHeader(RecordWriter& out, QSize size) {
    static const QString description = QStringLiteral("Ondrel\0Chart\0\0");
    constexpr quint32 kHeaderSize = 108;
    const qint32 width = unit(size.width()), height = unit(size.height());
    out.begin(EMR_HEADER);
    out.rect(0, 0, width - 1, height - 1);  // bounds, device units
    // The frame in 1/100 mm.
    out.rect(0, 0, static_cast<qint32>(std::lround(size.width() * 2540.0 / EmfDevice::kDpi)),
             static_cast<qint32>(std::lround(size.height() * 2540.0 / EmfDevice::kDpi)));
    out.u32(kSignature);
    out.u32(0x10000);  // version
    out.u32(0);        // bytes, at the end
    out.u32(0);        // records, at the end
    out.u16(0);        // handles, at the end
    out.u16(0);
    out.u32(static_cast<quint32>(description.size()));
    out.u32(kHeaderSize);
    out.u32(0);  // palette entries
    const auto device = static_cast<qint32>(kReferenceMm * kUnitsPerMm);
    out.i32(device);
    out.i32(device);
    out.i32(kReferenceMm);
    out.i32(kReferenceMm);
    out.u32(0);  // no pixel format
    out.u32(0);
    out.u32(0);  // no OpenGL
    out.i32(kReferenceMm * 1000);
    out.i32(kReferenceMm * 1000);
    out.utf16(description);
    out.end();
}

void WriteEnd(RecordWriter& out, quint16 handles) {
    out.begin(EMR_EOF);
    out.u32(0);   // no palette
    out.u32(16);  // offset of the (absent) palette entries
    out.u32(20);  // the record's size, repeated
    out.end();
    QByteArray& bytes = out.bytes();
    qToLittleEndian(static_cast<quint32>(bytes.size()), bytes.data() + kBytesAt);
    qToLittleEndian(out.count(), bytes.data() + kRecordsAt);
    qToLittleEndian(handles, bytes.data() + kHandlesAt);
}

void WritePolygons(RecordWriter& out, Record type, const QList<QPolygon>& kept, Qt::FillRule rule) {
    if (kept.isEmpty())
        return;
    if (type == EMR_POLYPOLYGON) {
        out.begin(EMR_SETPOLYFILLMODE);
        out.u32(rule == Qt::WindingFill ? kWinding : kAlternate);
        out.end();
    }
    QRect bounds;
    quint32 total = 0;
    for (const QPolygon& shape : kept) {
        bounds |= shape.boundingRect();
        total += static_cast<quint32>(shape.size());
    }
    out.begin(type);
    out.rect(bounds.left(), bounds.top(), bounds.right(), bounds.bottom());
    out.u32(static_cast<quint32>(kept.size()));
    out.u32(total);
    for (const QPolygon& shape : kept)
        out.u32(static_cast<quint32>(shape.size()));
    for (const QPolygon& shape : kept)
        for (const QPoint& point : shape) {
            out.i32(point.x());
            out.i32(point.y());
        }
    out.end();
}

}  // namespace ondrel::emf
