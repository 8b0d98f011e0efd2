#pragma once

#include <QObject>
#include <optional>

#include "../../curves/peaks.h"
#include "../interaction.h"

class QAbstractButton;
class QDoubleSpinBox;
class QLabel;
class QLineSeries;
class QListWidget;
class QPlainTextEdit;
class QScatterSeries;
class QSpinBox;
class QTableView;
class QValueAxis;

namespace ondrel {

class ChartPanel;
class ExperimentalCurves;
class Potentiostat;
class TextGridModel;

// The series of peaks, smoothing and the derivative on the voltammogram
// chart, the derivative on an axis of its own on the right.
struct PeakSeries {
    QLineSeries* derivative;  // SerieDerivee1
    QValueAxis* derivativeAxis;
    QLineSeries* smoothed;                           // SeriesExpSmoothed
    QScatterSeries *simulatedPeaks, *measuredPeaks;  // SimPeaksSeries, ExpPeaksSeries
};

// Adds them to the chart, hidden.
PeakSeries AddPeakSeries(ChartPanel& voltammogram);

// Peaks, smoothing and the derivative: the commands that examine a
// simulated curve of the history or a measured curve, their series on the
// voltammogram chart and their grids.
class PeakCommands final : public QObject {
    Q_OBJECT

public:
    // The window's controls that the commands drive.
    struct Widgets {
        PeakSeries series;
        QListWidget *measuredList, *historyList;  // where the curves are chosen
        QSpinBox* width;                          // the filter width
        QDoubleSpinBox* threshold;                // the prominence threshold, × noise
        QTableView *derivativeGrid, *measuredPeaks, *simulatedPeaks;
        QLabel *measuredTitle, *simulatedTitle;  // the curves whose peaks are listed
        QPlainTextEdit *measuredCouples, *simulatedCouples;
        QAbstractButton *findSimulated, *findMeasured, *smooth, *toggleDerivative;
    };

    PeakCommands(const Widgets& widgets, ExperimentalCurves& curves, Potentiostat& runs,
                 Interaction& interaction, char separator, QObject* parent = nullptr);

    bool derivativeAvailable() const { return derivativeAvailable_; }
    // The filter width of the width box, truncated to an integer.
    int filterWidth() const;
    // The prominence a peak needs, in multiples of its curve's noise.
    double prominenceThreshold() const;

    TextGridModel* derivativeGrid() const { return derivativeGrid_; }
    TextGridModel* measuredPeakGrid() const { return measuredPeaks_; }
    TextGridModel* simulatedPeakGrid() const { return simulatedPeaks_; }

public slots:
    void FindPeaksButtonClick();
    void FindExpPeaksButtonClick();
    // True when the smoothing ran whole.
    bool SmoothExpButtonClick();
    void ToggleDerivativeButtonClick();

private:
    void wireCommands();
    void followSimulatedCurves();
    void followMeasuredCurves();
    QLineSeries* selectedMeasured(bool reportMissing);
    void showDerivative(const Curve& derivative);
    void setDerivativeShown(bool shown);
    // A curve and the search made on it, whose peaks the threshold picks.
    struct Examined {
        Curve curve;
        PeakSearch search;
    };
    void showPeaks(const Examined& examined, bool simulated);
    // A curve is deleted: the derivative found on it goes with it.
    void forgetDerivativeOf(QLineSeries* series);

    const Widgets w_;
    const PeakSeries& series_ = w_.series;
    ExperimentalCurves& curves_;
    Potentiostat& runs_;
    Interaction& interaction_;
    const char separator_;

    TextGridModel *derivativeGrid_, *measuredPeaks_, *simulatedPeaks_;
    // The curves last examined, whose peaks and smoothing are shown.
    QLineSeries *measured_ = nullptr, *simulated_ = nullptr;
    std::optional<Examined> measuredSearch_, simulatedSearch_;
    QLineSeries* derivativeOf_ = nullptr;  // the curve the derivative was found on
    bool derivativeAvailable_ = false;
};

}  // namespace ondrel
