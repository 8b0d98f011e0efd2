#pragma once

#include <QWidget>
#include <vector>

class QChart;
class QLineSeries;
class QChartView;
class QHBoxLayout;
class QToolButton;
class QValueAxis;

namespace ondrel {

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
    };

    ChartPanel(const QString& panelName, const QString& chartName, const QString& xTitle,
               const QString& yTitle, const std::vector<Button>& buttons,
               QWidget* parent = nullptr);

    QChart* chart() const { return chart_; }
    QChartView* view() const { return view_; }
    QValueAxis* xAxis() const { return x_; }
    QValueAxis* yAxis() const { return y_; }
    QToolButton* button(const char* name) const;

    // A new line series on the chart's two axes, in the theme's next colour.
    QLineSeries* addLine(int penWidth);

    // Chart values at a point of the view, through the chart's axes.
    QPointF valueAt(QPoint viewPosition) const;

    // More controls on the tool bar, after the buttons.
    void addToToolBar(QWidget* widget);

private:
    QChart* chart_;
    QChartView* view_;
    QValueAxis *x_, *y_;
    QLineSeries* frame_;
    QHBoxLayout* bar_;
};

}  // namespace ondrel
