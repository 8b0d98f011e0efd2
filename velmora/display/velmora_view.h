#pragma once

#include <QTimer>
#include <QWidget>

namespace velmora {

class CVelmoraDoc;
class Interaction;

// The one view. Its timer 1 paces the acquisition cycle: after each capture
// the document sets it with a 0 ms period, and its tick asks for the next
// capture while acquisition runs. Any key stops a running acquisition.
class CVelmoraView final : public QWidget {
    Q_OBJECT

public:
    CVelmoraView(CVelmoraDoc& document, Interaction& interaction, QWidget* parent = nullptr);

    void SetCaptureTimer();
    // Copy: the data behind the plot to the clipboard as text.
    void OnEditCopy();
    bool timerPending() const { return timer1_.isActive(); }

signals:
    // A command for the frame to route, as a posted window message would.
    void command(int id);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void onTimer1();

    CVelmoraDoc& document_;
    Interaction& interaction_;
    QTimer timer1_;
};

}  // namespace velmora
