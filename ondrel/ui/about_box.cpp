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
    painter.drawLine(20, 95, 300, 95);
    painter.drawLine(160, 15, 160, 145);
    // A reversible wave: the forward sweep rises to its peak and falls to
    // the diffusion tail, the return sweep mirrors it below.
    QPainterPath forward, back;
    for (int i = 0; i <= 280; ++i) {
        const double x = i / 280.0 * 6 - 3;  // potential
        const double wave = 1 / (1 + std::exp(-3 * x));
        const double up = std::exp(-(x - 0.3) * (x - 0.3) * 2.5) + 0.45 * wave;
        const double down = 0.45 - std::exp(-(x + 0.3) * (x + 0.3) * 2.5) - 0.45 * (1 - wave);
        const QPointF f(20 + i, 95 - 55 * up), b(20 + i, 95 - 55 * down);
        if (i == 0) {
            forward.moveTo(f);
            back.moveTo(b);
        } else {
            forward.lineTo(f);
            back.lineTo(b);
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
