#pragma once

#include <QObject>

#include "../curves/peaks.h"
#include "interaction.h"

class QLineSeries;
class QScatterSeries;
class QValueAxis;

namespace ondrel {

class ExperimentalCurves;
class TForm1;
class TextGridModel;

// Peaks, smoothing and the derivative: the commands that examine a
// simulated curve of the history or a measured curve, their series on the
// voltammogram chart and their grids.
class PeakCommands final : public QObject {
    Q_OBJECT

public:
    PeakCommands(TForm1& form, ExperimentalCurves& curves, Interaction& interaction,
                 char separator);

    bool derivativeAvailable() const { return derivativeAvailable_; }
    // The filter width of the width box, truncated to an integer.
    int filterWidth() const;

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
    QLineSeries* selectedMeasured(bool reportMissing);
    void showDerivative(const Curve& derivative);
    void setDerivativeShown(bool shown);
    void showCouples(const std::vector<Peak>& peaks, bool simulated);

    TForm1& form_;
    ExperimentalCurves& curves_;
    Interaction& interaction_;
    const char separator_;

    QValueAxis* derivativeAxis_;
    TextGridModel *derivativeGrid_, *measuredPeaks_, *simulatedPeaks_;
    // The curves last examined, whose peaks and smoothing are shown.
    QLineSeries *measured_ = nullptr, *simulated_ = nullptr;
    bool derivativeAvailable_ = false;
};

}  // namespace ondrel
