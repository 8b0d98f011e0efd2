#include "chart_panel.h"

#include <QChartView>
#include <QHBoxLayout>
#include <QLegendMarker>
#include <QLineSeries>
#include <QScatterSeries>
#include <QToolButton>
#include <QVBoxLayout>
#include <QValueAxis>

#include "../hints.h"
#include "axis_scaling.h"
#include "axis_ticks.h"
#include "chart_3d.h"

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
        if (b.spin) {
            // Two small arrows, one over the other, as a spin button has.
            auto* spin = new QWidget(this);
            spin->setObjectName(QString::fromLatin1(b.name));
            SetHint(spin, b.hint);
            auto* arrows = new QVBoxLayout(spin);
            arrows->setContentsMargins(0, 0, 0, 0);
            arrows->setSpacing(0);
            for (bool up : {true, false}) {
                auto* arrow = new QToolButton(spin);
                arrow->setObjectName(QString::fromLatin1(b.name) +
                                     (up ? QStringLiteral("Up") : QStringLiteral("Down")));
                arrow->setArrowType(up ? Qt::UpArrow : Qt::DownArrow);
                arrow->setAutoRaise(true);
                arrow->setFixedSize(18, 11);
                SetHint(arrow, b.hint);
                arrows->addWidget(arrow);
            }
            bar_->addWidget(spin);
            continue;
        }
        auto* button = new QToolButton(this);
        button->setObjectName(QString::fromLatin1(b.name));
        button->setText(b.caption);
        button->setCheckable(b.checkable);
        button->setChecked(b.down);
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
    chart_->addAxis(x_, Qt::AlignBottom);
    chart_->addAxis(y_, Qt::AlignLeft);
    KeepRoundTicks(*chart_, *x_);
    KeepRoundTicks(*chart_, *y_);
    TrackAutomaticScaling(*x_);
    TrackAutomaticScaling(*y_);
    // A chart draws its axes only once a series is attached to them; this
    // empty one keeps them in place until the curves come.
    frame_ = new QLineSeries(chart_);
    chart_->addSeries(frame_);
    frame_->attachAxis(x_);
    frame_->attachAxis(y_);
    for (QLegendMarker* marker : chart_->legend()->markers(frame_))
        marker->setVisible(false);
    // The axes scale themselves until a range is fixed.
    SetAutomatic(*x_, true);
    SetAutomatic(*y_, true);
    look_ = new Chart3DLook(*chart_);
    connect(x_, &QValueAxis::rangeChanged, look_, [this] { look_->update(); });
    connect(y_, &QValueAxis::rangeChanged, look_, [this] { look_->update(); });
    connect(x_, &QValueAxis::reverseChanged, look_, [this] { look_->update(); });
    connect(y_, &QValueAxis::reverseChanged, look_, [this] { look_->update(); });
    view_ = new QChartView(chart_, this);
    view_->setObjectName(chartName + QStringLiteral("View"));
    view_->setRenderHint(QPainter::Antialiasing);
    // Marks' labels and the 3D walls reach beyond the items that own them:
    // every change repaints the whole chart, so that nothing stale is left.
    view_->setViewportUpdateMode(QGraphicsView::FullViewportUpdate);
    view_->setMinimumSize(200, 150);
    layout->addWidget(view_, 1);
}

QToolButton* ChartPanel::button(const char* name) const {
    return findChild<QToolButton*>(QString::fromLatin1(name));
}

QToolButton* ChartPanel::arrow(const char* name, bool up) const {
    return findChild<QToolButton*>(QString::fromLatin1(name) +
                                   (up ? QStringLiteral("Up") : QStringLiteral("Down")));
}

bool ChartPanel::is3D() const {
    return look_->isOn();
}

void ChartPanel::set3D(bool on) {
    look_->setOn(on);
}

QLineSeries* ChartPanel::addLine(int penWidth) {
    auto* series = new QLineSeries;
    chart_->addSeries(series);
    series->attachAxis(x_);
    series->attachAxis(y_);
    QPen pen = series->pen();
    pen.setWidth(penWidth);
    series->setPen(pen);
    watch(series);
    return series;
}

void ChartPanel::watch(QXYSeries* series) {
    auto redraw = [this] { look_->update(); };
    connect(series, &QXYSeries::pointsReplaced, look_, redraw);
    connect(series, &QXYSeries::pointAdded, look_, redraw);
    connect(series, &QXYSeries::pointsRemoved, look_, redraw);
    connect(series, &QXYSeries::visibleChanged, look_, redraw);
    connect(series, &QXYSeries::colorChanged, look_, redraw);
    // The legend lists the curves on show: neither the peaks' marks nor a
    // curve with no points yet. The legend shows a series' entry again
    // whenever the series changes, after this is told: the entry is set
    // now and once more when the legend is done.
    auto listed = [this, series] {
        auto apply = [this, series] {
            const bool curve = !qobject_cast<QScatterSeries*>(series) && series->isVisible() &&
                               series->count() > 0;
            for (QLegendMarker* marker : chart_->legend()->markers(series))
                if (marker->isVisible() != curve)
                    marker->setVisible(curve);
        };
        apply();
        QMetaObject::invokeMethod(series, apply, Qt::QueuedConnection);
    };
    connect(series, &QXYSeries::pointsReplaced, this, listed);
    connect(series, &QXYSeries::pointAdded, this, listed);
    connect(series, &QXYSeries::pointsRemoved, this, listed);
    connect(series, &QXYSeries::visibleChanged, this, listed);
    listed();
}

QPointF ChartPanel::chartPointAt(QPoint viewPosition) const {
    return look_->frontOf(chart_->mapFromScene(view_->mapToScene(viewPosition)));
}

QPointF ChartPanel::valueAt(QPoint viewPosition) const {
    return chart_->mapToValue(chartPointAt(viewPosition), frame_);
}

void ChartPanel::addToToolBar(QWidget* widget) {
    bar_->insertWidget(bar_->count() - 1, widget);
}

}  // namespace ondrel
