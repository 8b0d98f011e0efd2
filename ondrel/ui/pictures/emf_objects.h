#pragma once

#include <QByteArray>
#include <QPen>
#include <QTransform>
#include <optional>

#include "emf_records.h"

namespace ondrel::emf {

// The metafile's drawing objects: one pen, one brush and a font selected at
// a time, each created only when it changes and deleted once it is let go.
// What a device context holds at the start, and again after a saved state
// is restored, is not known here (a fresh one draws with a black pen and
// fills with a white brush): the next pen and brush are then selected
// whatever they are, so that nothing is drawn with an object the picture
// did not ask for.
class EmfObjects {
public:
    // A pen as the metafile creates it: style bits, width in units, colour.
    struct PenKey {
        quint32 style, width, color;
        bool operator==(const PenKey&) const = default;
    };

    // Handles: 0 is the metafile itself; two fonts take turns.
    static constexpr quint32 kPenHandle = 1, kBrushHandle = 2, kFontHandle = 3;
    static constexpr quint16 kHandleCount = 5;

    explicit EmfObjects(RecordWriter& out) : out_(out) {}

    // The pen's key; a pen that is not cosmetic is scaled by the painter's
    // transform.
    static PenKey PenOf(const QPen& pen, const QTransform& painterTransform);

    // Forgets every object, for a new picture.
    void clear();
    // The device context was restored: what it has selected is not known.
    void forgetSelection();

    // Selects a pen, or the null pen.
    void usePen(const std::optional<PenKey>& key);
    // Selects a solid brush of the brush's colour, or the null brush.
    void useBrush(const QBrush& brush);
    // Selects a font from its LOGFONTW bytes.
    void useFont(const QByteArray& logFont);
    // Selects the stock objects again and deletes ours.
    void releaseObjects();

private:
    // What is selected of one kind: the stock object (no value) or ours,
    // once known.
    template <typename Key>
    struct Selection {
        std::optional<Key> object;
        bool known = false;
    };

    template <typename Key, typename Create>
    void replace(Selection<Key>& selected, const std::optional<Key>& wanted, quint32 stock,
                 quint32 handle, Create create);
    void select(quint32 handle);
    void deleteObject(quint32 handle);

    RecordWriter& out_;
    Selection<PenKey> pen_;
    Selection<quint32> brush_;  // the colour of the selected brush
    QByteArray font_;
    quint32 fontHandle_ = 0;
};

}  // namespace ondrel::emf
