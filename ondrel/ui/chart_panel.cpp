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
    frame_ = new QLineSeries(chart_);
    chart_->addSeries(frame_);
    frame_->attachAxis(x_);
    frame_->attachAxis(y_);
    for (QLegendMarker* marker : chart_->legend()->markers(frame_))
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

QLineSeries* ChartPanel::addLine(int penWidth) {
    auto* series = new QLineSeries;
    chart_->addSeries(series);
    series->attachAxis(x_);
    series->attachAxis(y_);
    QPen pen = series->pen();
    pen.setWidth(penWidth);
    series->setPen(pen);
    return series;
}

QPointF ChartPanel::valueAt(QPoint viewPosition) const {
    return chart_->mapToValue(chart_->mapFromScene(view_->mapToScene(viewPosition)), frame_);
}

void ChartPanel::addToToolBar(QWidget* widget) {
    bar_->insertWidget(bar_->count() - 1, widget);
}

}  // namespace ondrel
