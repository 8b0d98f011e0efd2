#include "chart_hints.h"

#include <QChart>
#include <QChartView>
#include <QEvent>
#include <QHelpEvent>
#include <QListWidget>
#include <QMouseEvent>
#include <QToolTip>
#include <QXYSeries>
#include <cmath>

#include "../../platform/float_text.h"
#include "../qt_text.h"
#include "chart_panel.h"

namespace ondrel {

namespace {

constexpr double kNear = 4;  // pixels

}  // namespace

ChartHint ChartHintAt(const ChartPanel& panel, QPoint viewPosition, char separator) {
    QChart* chart = panel.chart();
    const QChartView* view = panel.view();
    const QPointF mouse = chart->mapFromScene(view->mapToScene(viewPosition));
    const QRectF plot = chart->plotArea();
    if (mouse.x() < plot.left() || mouse.x() > plot.right() || mouse.y() < plot.top() ||
        mouse.y() > plot.bottom())
        return {view->toolTip(), QColor()};
    // On a curve's 3D ribbon: the point of the curve.
    const QPointF at = panel.chartPointAt(viewPosition);

    const QPointF value = panel.valueAt(viewPosition);
    const QString values = QStringLiteral("(%1, %2)")
                               .arg(ToQString(FloatToGeneral(value.x(), 4, separator)),
                                    ToQString(FloatToGeneral(value.y(), 4, separator)));
    for (QAbstractSeries* abstract : chart->series()) {
        auto* series = qobject_cast<QXYSeries*>(abstract);
        if (!series || !series->isVisible() || series->count() == 0)
            continue;
        const QList<QPointF> points = series->points();
        for (qsizetype i = 1; i < points.size(); ++i) {
            const QPointF p = chart->mapToPosition(points[i], series);
            if (std::abs(p.x() - at.x()) < kNear && std::abs(p.y() - at.y()) < kNear)
                return {series->name() + QStringLiteral(" ") + values, QColor(0xFF, 0xFF, 0x00)};
        }
    }
    return {values, QColor(0xFF, 0xFF, 0xFF)};
}

QString ListRowHint(const QListWidget& list, QPoint viewportPosition) {
    const QListWidgetItem* item = list.itemAt(viewportPosition);
    return item ? item->text() : list.toolTip();
}

HoverHints::HoverHints(char separator, QObject* parent)
    : QObject(parent), separator_(separator), usual_(QToolTip::palette()) {}

void HoverHints::watch(ChartPanel& panel) {
    charts_.push_back(&panel);
    panel.view()->viewport()->installEventFilter(this);
    panel.view()->viewport()->setMouseTracking(true);
}

void HoverHints::watch(QListWidget& list) {
    lists_.push_back(&list);
    list.viewport()->installEventFilter(this);
    list.viewport()->setMouseTracking(true);
}

bool HoverHints::show(QObject* watched, QPoint position, QPoint global) {
    for (ChartPanel* panel : charts_) {
        if (watched != panel->view()->viewport())
            continue;
        const ChartHint hint = ChartHintAt(*panel, position, separator_);
        QPalette palette = usual_;
        if (hint.background.isValid())
            palette.setColor(QPalette::ToolTipBase, hint.background);
        QToolTip::setPalette(palette);
        QToolTip::showText(global, hint.text, panel->view()->viewport());
        return true;
    }
    for (QListWidget* list : lists_) {
        if (watched != list->viewport())
            continue;
        QToolTip::setPalette(usual_);
        QToolTip::showText(global, ListRowHint(*list, position), list->viewport());
        return true;
    }
    return false;
}

// A hint is shown where the mouse rests and then follows it while shown.
bool HoverHints::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        if (show(watched, help->pos(), help->globalPos()))
            return true;
    } else if (event->type() == QEvent::MouseMove && QToolTip::isVisible()) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        show(watched, mouse->position().toPoint(), mouse->globalPosition().toPoint());
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace ondrel
