#include "about_box.h"

#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

namespace ondrel {

namespace {

// The picture: a cyclic voltammogram, its two peaks and its sweep arrows.
QPixmap voltammogramPicture() {
    QPixmap picture(320, 160);
    picture.fill(QColor(250, 250, 245));
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(200, 200, 200), 1));
    painter.drawLine(20, 80, 300, 80);
    painter.drawLine(160, 15, 160, 145);
    QPainterPath forward, back;
    for (int i = 0; i <= 280; ++i) {
        const double x = i / 280.0 * 6 - 3;  // potential
        const double wave = 1 / (1 + std::exp(-3 * x));
        const double peak = 1.6 * std::exp(-(x - 0.3) * (x - 0.3) * 2.5);
        const double yForward = 80 - 45 * (wave + peak) + 20;
        const double yBack =
            80 + 45 * (1 - wave + std::exp(-(x + 0.3) * (x + 0.3) * 2.5) * 1.6) - 70;
        if (i == 0) {
            forward.moveTo(20 + i, yForward);
            back.moveTo(20 + i, yBack);
        } else {
            forward.lineTo(20 + i, yForward);
            back.lineTo(20 + i, yBack);
        }
    }
    painter.setPen(QPen(QColor(180, 30, 30), 2));
    painter.drawPath(forward);
    painter.setPen(QPen(QColor(30, 60, 170), 2));
    painter.drawPath(back);
    return picture;
}

}  // namespace

AboutBox::AboutBox(QWidget* parent, bool asSplash) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About Ondrel"));
    if (asSplash)
        setWindowFlags(Qt::SplashScreen | Qt::WindowStaysOnTopHint);
    auto* layout = new QVBoxLayout(this);
    auto* picture = new QLabel(this);
    picture->setPixmap(voltammogramPicture());
    picture->setAlignment(Qt::AlignCenter);
    auto* title = new QLabel(QStringLiteral("<h2>Ondrel</h2>"), this);
    title->setAlignment(Qt::AlignCenter);
    auto* text =
        new QLabel(QStringLiteral("Digital simulation of cyclic voltammetry\n"
                                  "mechanisms, experiment history, measured voltammograms,\n"
                                  "peaks, smoothing and derivatives"),
                   this);
    text->setAlignment(Qt::AlignCenter);
    auto* hint = new QLabel(QStringLiteral("Click to close"), this);
    hint->setAlignment(Qt::AlignCenter);
    hint->setEnabled(false);
    for (QLabel* label : {picture, title, text, hint}) {
        layout->addWidget(label);
        label->installEventFilter(this);  // a click on the picture closes too
    }
    if (asSplash) {
        timer_ = new QTimer(this);
        timer_->setInterval(kTickMs);
        connect(timer_, &QTimer::timeout, this, [this] {
            if (++ticks_ >= kSplashTicks) {
                timer_->stop();
                accept();
            }
        });
        timer_->start();
    }
}

void AboutBox::mousePressEvent(QMouseEvent*) {
    accept();
}

bool AboutBox::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        accept();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace ondrel
