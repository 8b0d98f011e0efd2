#pragma once

#include <QWidget>
#include <vector>

class QChart;
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

    // More controls on the tool bar, after the buttons.
    void addToToolBar(QWidget* widget);

private:
    QChart* chart_;
    QChartView* view_;
    QValueAxis *x_, *y_;
    QHBoxLayout* bar_;
};

}  // namespace ondrel
