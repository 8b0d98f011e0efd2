#include "chart_panel.h"

#include <QChartView>
#include <QHBoxLayout>
#include <QLegendMarker>
#include <QLineSeries>
#include <QToolButton>
#include <QVBoxLayout>
#include <QValueAxis>

#include "hints.h"

namespace ondrel {

ChartPanel::ChartPanel(const QString& panelName, const QString& chartName, const QString& xTitle,
                       const QString& yTitle, const std::vector<Button>& buttons, QWidget* parent)
    : QWidget(parent) {
    setObjectName(panelName);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    bar_ = new QHBoxLayout;
    bar_->setSpacing(1);
    bar_->setContentsMargins(2, 2, 2, 2);
    for (const Button& b : buttons) {
        auto* button = new QToolButton(this);
        button->setObjectName(QString::fromLatin1(b.name));
        button->setText(b.caption);
        button->setCheckable(b.checkable);
        button->setAutoRaise(true);
        SetHint(button, b.hint);
        bar_->addWidget(button);
    }
    bar_->addStretch();
    layout->addLayout(bar_);

    chart_ = new QChart;
    chart_->setObjectName(chartName);
    chart_->legend()->setAlignment(Qt::AlignBottom);
    chart_->legend()->hide();
    chart_->setMargins(QMargins(4, 4, 4, 4));
    x_ = new QValueAxis(chart_);
    y_ = new QValueAxis(chart_);
    x_->setTitleText(xTitle);
    y_->setTitleText(yTitle);
    x_->setLabelFormat(QStringLiteral("%g"));
    y_->setLabelFormat(QStringLiteral("%g"));
    chart_->addAxis(x_, Qt::AlignBottom);
    chart_->addAxis(y_, Qt::AlignLeft);
    // A chart draws its axes only once a series is attached to them; this
    // empty one keeps them in place until the curves come.
    auto* frame = new QLineSeries(chart_);
    chart_->addSeries(frame);
    frame->attachAxis(x_);
    frame->attachAxis(y_);
    for (QLegendMarker* marker : chart_->legend()->markers(frame))
        marker->setVisible(false);
    view_ = new QChartView(chart_, this);
    view_->setObjectName(chartName + QStringLiteral("View"));
    view_->setRenderHint(QPainter::Antialiasing);
    view_->setMinimumSize(200, 150);
    layout->addWidget(view_, 1);
}

QToolButton* ChartPanel::button(const char* name) const {
    return findChild<QToolButton*>(QString::fromLatin1(name));
}

void ChartPanel::addToToolBar(QWidget* widget) {
    bar_->insertWidget(bar_->count() - 1, widget);
}

}  // namespace ondrel
