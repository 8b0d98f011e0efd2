#include "emf_objects.h"

#include <algorithm>
#include <cmath>

namespace ondrel::emf {

void EmfObjects::clear() {
    pen_.reset();
    brush_.reset();
    font_.clear();
    fontHandle_ = 0;
}

EmfObjects::PenKey EmfObjects::PenOf(const QPen& pen, const QTransform& painterTransform) {
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
        width *= std::sqrt(std::abs(painterTransform.determinant()));
    return {style, static_cast<quint32>(std::max(1, unit(width))),
            colorRef(brushColor(pen.brush()))};
}

void EmfObjects::usePen(const std::optional<PenKey>& key) {
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

void EmfObjects::useBrush(const QBrush& brush) {
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

// Two handles take turns, so that the old font is deleted once the new
// one is selected.
void EmfObjects::useFont(const QByteArray& logFont) {
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

void EmfObjects::releaseObjects() {
    usePen(std::nullopt);
    useBrush(Qt::NoBrush);
    if (fontHandle_) {
        select(kSystemFont);
        deleteObject(fontHandle_);
        fontHandle_ = 0;
        font_.clear();
    }
}

void EmfObjects::select(quint32 handle) {
    out_.begin(EMR_SELECTOBJECT);
    out_.u32(handle);
    out_.end();
}

void EmfObjects::deleteObject(quint32 handle) {
    out_.begin(EMR_DELETEOBJECT);
    out_.u32(handle);
    out_.end();
}

}  // namespace ondrel::emf
