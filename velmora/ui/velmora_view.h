#pragma once

#include <QImage>
#include <QTimer>
#include <QWidget>

#include "../display/plot_view.h"

class QPrinter;

namespace velmora {

// A key that only modifies others: Shift, Ctrl, Alt, AltGr, Super, the locks.
bool IsModifierKey(int key);

class CVelmoraDoc;
class Interaction;

// The one view. It paints the plot into a canvas of its own, which keeps
// what it shows between paints as a window's pixels would: a capture
// repaints without erasing, the readout and the drag outline are drawn
// straight onto it. Its timer 1 paces the acquisition cycle: after each
// capture the document sets it with a 0 ms period, and its tick asks for
// the next capture while acquisition runs. Any key stops a running
// acquisition.
class CVelmoraView final : public QWidget {
    Q_OBJECT

public:
    CVelmoraView(CVelmoraDoc& document, Interaction& interaction, QWidget* parent = nullptr);

    void SetCaptureTimer();
    // Copy: the data behind the plot, the shown range, to the clipboard.
    void OnEditCopy();
    // Save data: the whole record of the display, with the settings, to a
    // text or CSV file the user names.
    void OnSaveData();
    bool timerPending() const { return timer1_.isActive(); }

    // Repaints the plot at the next paint, erasing the canvas first or not.
    void Invalidate(bool erase);
    // Draws one page of the plot at the printer's size.
    void PrintPage(QPrinter& printer);

    PlotView& plot() { return plot_; }
    const QImage& canvas() const { return canvas_; }

signals:
    // A command for the frame to route, as a posted window message would.
    void command(int id);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void onTimer1();
    void ensureCanvas();

    CVelmoraDoc& document_;
    Interaction& interaction_;
    QTimer timer1_;
    PlotView plot_;
    QImage canvas_;
    bool plotPending_ = true;
};

}  // namespace velmora
