#include "emf_objects.h"

#include <algorithm>
#include <cmath>

namespace ondrel::emf {

void EmfObjects::clear() {
    pen_ = {};
    brush_ = {};
    font_.clear();
    fontHandle_ = 0;
}

void EmfObjects::forgetSelection() {
    pen_.known = false;
    brush_.known = false;
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

// Lets the selected object of a kind go for the stock one and, when wanted
// is one, creates it with create and selects it; nothing when it is known
// to be the one selected.
template <typename Key, typename Create>
void EmfObjects::replace(Selection<Key>& selected, const std::optional<Key>& wanted, quint32 stock,
                         quint32 handle, Create create) {
    if (selected.known && wanted == selected.object)
        return;
    if (selected.object) {
        select(stock);
        deleteObject(handle);
    } else if (!wanted) {
        select(stock);
    }
    selected = {wanted, true};
    if (!wanted)
        return;
    create(*wanted);
    select(handle);
}

void EmfObjects::usePen(const std::optional<PenKey>& key) {
    replace(pen_, key, kNullPen, kPenHandle, [this](const PenKey& pen) {
        out_.begin(EMR_EXTCREATEPEN);
        out_.u32(kPenHandle);
        out_.u32(0);  // no brush bitmap
        out_.u32(0);
        out_.u32(0);
        out_.u32(0);
        out_.u32(pen.style);
        out_.u32(pen.width);
        out_.u32(0);  // BS_SOLID
        out_.u32(pen.color);
        out_.u32(0);
        out_.u32(0);  // no style entries
        out_.end();
    });
}

void EmfObjects::useBrush(const QBrush& brush) {
    const std::optional<quint32> color =
        paints(brush) ? std::optional(colorRef(brushColor(brush))) : std::nullopt;
    replace(brush_, color, kNullBrush, kBrushHandle, [this](quint32 solid) {
        out_.begin(EMR_CREATEBRUSHINDIRECT);
        out_.u32(kBrushHandle);
        out_.u32(0);  // BS_SOLID
        out_.u32(solid);
        out_.u32(0);
        out_.end();
    });
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
