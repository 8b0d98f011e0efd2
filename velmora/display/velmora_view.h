#pragma once

#include <QTimer>
#include <QWidget>

namespace velmora {

class CVelmoraDoc;

// The one view. Its timer 1 paces the acquisition cycle: after each capture
// the document sets it with a 0 ms period, and its tick asks for the next
// capture while acquisition runs. Any key stops a running acquisition.
class CVelmoraView final : public QWidget {
    Q_OBJECT

public:
    explicit CVelmoraView(CVelmoraDoc& document, QWidget* parent = nullptr);

    void SetCaptureTimer();
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
    QTimer timer1_;
};

}  // namespace velmora
