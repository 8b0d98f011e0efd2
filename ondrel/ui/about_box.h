#pragma once

#include <QDialog>

class QTimer;

namespace ondrel {

// The about window, also the start-up splash: as the splash a 150 ms timer
// closes it after 20 ticks. A click anywhere on it closes it at once.
class AboutBox final : public QDialog {
    Q_OBJECT

public:
    AboutBox(QWidget* parent, bool asSplash);

    static constexpr int kTickMs = 150;
    static constexpr int kSplashTicks = 20;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTimer* timer_ = nullptr;
    int ticks_ = 0;
};

}  // namespace ondrel
