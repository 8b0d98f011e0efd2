#pragma once

#include <QObject>
#include <QString>

class QLabel;

namespace ondrel {

class ChartPanel;

// The values under the mouse over a chart, shown in a label as
// xCaption + x + yCaption + y, and a click on one of the chart's axes.
class ChartReadout final : public QObject {
    Q_OBJECT

public:
    ChartReadout(ChartPanel& panel, QLabel& label, QString xCaption, QString yCaption,
                 char separator);

    // The label's text for a position in the chart's view.
    QString textAt(QPoint viewPosition) const;

signals:
    // A click on an axis: beside the plot area, level with it.
    void axisClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool onAxis(QPoint viewPosition) const;

    ChartPanel& panel_;
    QLabel& label_;
    const QString xCaption_, yCaption_;
    const char separator_;
};

}  // namespace ondrel
