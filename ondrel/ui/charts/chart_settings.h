#pragma once

#include <QDialog>
#include <vector>

#include "../interaction.h"

class QAbstractAxis;
class QChart;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;
class QValueAxis;
class QXYSeries;

namespace ondrel {

class ChartPanel;

// The settings of one chart, changed at once as they are edited: its title
// and legend, each axis's title, range (automatic or fixed) and grid lines,
// each series's visibility, title, colour, line width, point marks and
// style; and the chart copied or exported as a picture. Nothing is stored
// on disk: the settings last while the program runs.
class ChartSettings final : public QDialog {
    Q_OBJECT

public:
    ChartSettings(ChartPanel& panel, Interaction& interaction, char separator,
                  QWidget* parent = nullptr);

    // The series listed, in the list's order: those with a title or points.
    const std::vector<QXYSeries*>& series() const { return series_; }

    // Fits an axis to the visible series attached to it.
    static void FitAxis(QChart& chart, QValueAxis& axis);

private:
    struct AxisRow {
        QValueAxis* axis;
        QLineEdit *title, *min, *max;
        QCheckBox *automatic, *grid;
    };

    QWidget* buildChartBox();
    QWidget* buildAxesBox();
    QWidget* buildSeriesBox();
    void showAxis(const AxisRow& row);
    void applyRange(const AxisRow& row);
    void showSeries(int row);
    QXYSeries* current() const;

    ChartPanel& panel_;
    Interaction& interaction_;
    const char separator_;
    std::vector<AxisRow> axes_;
    std::vector<QXYSeries*> series_;
    QListWidget* seriesList_;
    QCheckBox *seriesVisible_, *seriesMarks_;
    QLineEdit* seriesTitle_;
    QPushButton* seriesColor_;
    QSpinBox* seriesWidth_;
    QComboBox* seriesStyle_;
};

}  // namespace ondrel
