#pragma once

#include <QWidget>
#include <vector>

class QChart;
class QXYSeries;
class QLineSeries;
class QChartView;
class QHBoxLayout;
class QToolButton;
class QValueAxis;

namespace ondrel {

class Chart3DLook;

// A chart with its small tool bar above it: the voltammogram, the
// concentration profiles or the pilot.
class ChartPanel final : public QWidget {
    Q_OBJECT

public:
    struct Button {
        const char* name;
        QString caption;
        QString hint;
        bool checkable = false;
        bool down = false;  // a two-state button's first state
        bool spin = false;  // an up and a down arrow instead of a button
    };

    ChartPanel(const QString& panelName, const QString& chartName, const QString& xTitle,
               const QString& yTitle, const std::vector<Button>& buttons,
               QWidget* parent = nullptr);

    QChart* chart() const { return chart_; }
    QChartView* view() const { return view_; }
    QValueAxis* xAxis() const { return x_; }
    QValueAxis* yAxis() const { return y_; }
    QToolButton* button(const char* name) const;
    // The up or down arrow of a spin button.
    QToolButton* arrow(const char* name, bool up) const;

    // The 3D look of the chart, on or off.
    bool is3D() const;
    void set3D(bool on);

    // A new line series on the chart's two axes, in the theme's next colour.
    QLineSeries* addLine(int penWidth);
    // Redraws what depends on the series (its 3D ribbon) when it changes.
    void watch(QXYSeries* series);

    // The chart's point under a point of the view; on a curve's 3D ribbon,
    // the point of the curve it runs back from.
    QPointF chartPointAt(QPoint viewPosition) const;
    // Chart values at a point of the view, through the chart's axes: on a
    // curve's 3D ribbon, the curve's.
    QPointF valueAt(QPoint viewPosition) const;

    // More controls on the tool bar, after the buttons.
    void addToToolBar(QWidget* widget);

private:
    QChart* chart_;
    QChartView* view_;
    QValueAxis *x_, *y_;
    QLineSeries* frame_;
    Chart3DLook* look_;
    QHBoxLayout* bar_;
};

}  // namespace ondrel
