#pragma once

#include <QByteArray>
#include <QPaintDevice>
#include <QSize>
#include <memory>

namespace ondrel {

class EmfPaintEngine;

// A paint device whose drawing becomes an Enhanced Metafile, the vector
// picture format that office suites and drawing programs on every platform
// open: lines, filled shapes, text as text and images, clipped to
// rectangles. Painted at 96 dots per inch in logical pixels; the metafile
// keeps a finer grid of 1/16 mm so that nothing snaps to whole pixels.
class EmfDevice final : public QPaintDevice {
public:
    explicit EmfDevice(QSize size);
    ~EmfDevice() override;

    QPaintEngine* paintEngine() const override;

    // The whole file, once the painter has ended.
    QByteArray data() const;

    static constexpr int kDpi = 96;

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    QSize size_;
    std::unique_ptr<EmfPaintEngine> engine_;
};

}  // namespace ondrel
