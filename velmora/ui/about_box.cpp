#include "about_box.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app_icon.h"

namespace velmora {

namespace {
constexpr int kWidth = 417;
}

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About KORVANE"));
    auto* layout = new QVBoxLayout(this);
    auto* icon = new QLabel(this);
    icon->setPixmap(AppIcon().pixmap(32, 32));
    layout->addWidget(icon);
    const char* texts[] = {
        "KORVANE 1.1",
        "KORVANE uses PC sound cards as frequency \nanalyzers and oscilloscopes for easier lab "
        "learning ",
        "1) Command line parameters: P1 = sampling rate (default 44100), P2= time window, P3, P4 "
        "= weighing factors for ch0 (red) and ch1 (blue), P5 = starting mode(0-3), P6 = R channel "
        "delay, 1.425e-5 on our Abit MB built-in sound, 0 for most cases.",
        "2) Ch0/1 can be changed between L/R(default) or R/L by selecting the \"reverse input "
        "connections\".",
        "3) Most sound cards/amplifiers are AC coupled by capacitors. You can increase those "
        "capacitor values to improve the low frequency performace.",
        "4) Some computer speakers have a filter circuit to compensate the speaker "
        "frequency-response-curve. You may want to bypass it."};
    const QMargins margins = layout->contentsMargins();
    const int textWidth = kWidth - margins.left() - margins.right();
    for (const char* text : texts) {
        auto* label = new QLabel(QString::fromLatin1(text), this);
        label->setWordWrap(true);
        // A fixed width lets the label ask for the height its lines need.
        label->setFixedWidth(textWidth);
        label->setMinimumHeight(label->heightForWidth(textWidth));
        layout->addWidget(label);
    }
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(ok, 0, Qt::AlignRight);
    // The box is as tall as its texts: every line of every note shows.
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace velmora
