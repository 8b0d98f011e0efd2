#pragma once

#include <QColor>
#include <QObject>
#include <QPalette>
#include <QString>

class QListWidget;

namespace ondrel {

class ChartPanel;

// A hint over a chart: the values under the mouse on white inside the plot
// area, the series title with them on yellow over one of its points (every
// point but the first, within 4 pixels), the chart's own hint outside.
struct ChartHint {
    QString text;
    QColor background;  // invalid: the usual hint colours
};

ChartHint ChartHintAt(const ChartPanel& panel, QPoint viewPosition, char separator);

// The hint over a list: the text of the row under the mouse, or the list's
// own hint below its last row.
QString ListRowHint(const QListWidget& list, QPoint viewportPosition);

// Shows these hints as tool tips that follow the mouse over the charts and
// over a list.
class HoverHints final : public QObject {
    Q_OBJECT

public:
    explicit HoverHints(char separator, QObject* parent = nullptr);
    void watch(ChartPanel& panel);
    void watch(QListWidget& list);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool show(QObject* watched, QPoint position, QPoint global);

    const char separator_;
    const QPalette usual_;  // the tool tips' own colours
    std::vector<ChartPanel*> charts_;
    std::vector<QListWidget*> lists_;
};

}  // namespace ondrel
