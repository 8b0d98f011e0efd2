#pragma once

#include <QBrush>
#include <QByteArray>
#include <QColor>
#include <QList>
#include <QPen>
#include <QPolygon>
#include <QString>
#include <QtEndian>

#include "emf_device.h"

// The Enhanced Metafile format as the paint device writes it: record types
// and constants, metafile units, colours, and the writer of little-endian
// records.
namespace ondrel::emf {

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
inline constexpr quint32 kSignature = 0x464D4520;  // " EMF"
inline constexpr quint32 kNullBrush = 0x80000005, kNullPen = 0x80000008, kSystemFont = 0x8000000D;
inline constexpr quint32 kTransparent = 1, kAlternate = 1, kWinding = 2;
inline constexpr quint32 kTaBaseline = 24;
inline constexpr quint32 kPsGeometric = 0x10000, kPsSolid = 0, kPsDash = 1, kPsDot = 2,
                         kPsDashDot = 3, kPsDashDotDot = 4;
inline constexpr quint32 kPsEndcapRound = 0, kPsEndcapSquare = 0x100, kPsEndcapFlat = 0x200;
inline constexpr quint32 kPsJoinRound = 0, kPsJoinBevel = 0x1000, kPsJoinMiter = 0x2000;
inline constexpr quint32 kSrcCopy = 0x00CC0020;

// Metafile units: 1/16 mm, so that a 96-dpi pixel is 4.23 units.
inline constexpr double kUnitsPerMm = 16;
inline constexpr double kUnitsPerPixel = kUnitsPerMm * 25.4 / EmfDevice::kDpi;
// The reference device the units belong to: one metre square.
inline constexpr qint32 kReferenceMm = 1000;

// Pixels as metafile units, rounded and kept within what a record holds.
qint32 unit(double pixels);

// A colour as the format stores it, red in the low byte. Translucent
// colours are laid on white, the background of every picture here.
quint32 colorRef(const QColor& color);
// The colour a brush paints with; a gradient gives its middle colour.
QColor brushColor(const QBrush& brush);
bool paints(const QBrush& brush);
bool paints(const QPen& pen);

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

// The metafile's header record for a picture of size pixels; its totals
// are filled in by WriteEnd.
void WriteHeader(RecordWriter& out, QSize size);
// The closing record, and the header's totals of bytes, records and handles.
void WriteEnd(RecordWriter& out, quint16 handles);
// Polylines or filled polygons (EMR_POLYPOLYLINE, EMR_POLYPOLYGON); polygons
// first set their fill rule. Nothing for no shape.
void WritePolygons(RecordWriter& out, Record type, const QList<QPolygon>& shapes,
                   Qt::FillRule rule);

}  // namespace ondrel::emf
