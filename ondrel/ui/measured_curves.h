#pragma once

#include <QObject>
#include <vector>

#include "../curves/curve.h"
#include "interaction.h"

class QLineSeries;
class QListWidgetItem;

namespace ondrel {

class TForm1;
class TextGridModel;

// The measured voltammograms: reading curve files into the voltammogram
// chart, their check list and data grid, and writing simulated, measured
// and smoothed curves back out as curve files.
class ExperimentalCurves final : public QObject {
    Q_OBJECT

public:
    ExperimentalCurves(TForm1& form, Interaction& interaction, char separator);

    // Reads the files in order into the chart; a file that fails is
    // reported and ends the command.
    void LoadVoltamogramFiles(const QStringList& paths);

    // The curve of a list row, or null.
    QLineSeries* seriesOfRow(int row) const;
    int count() const { return static_cast<int>(series_.size()); }
    TextGridModel* gridModel() const { return grid_; }

signals:
    // A measured curve was ticked or unticked.
    void curveShown(QLineSeries* series, bool shown);
    // A measured curve is about to be destroyed.
    void curveRemoved(QLineSeries* series);
    // Curves came or went: the axes may be fitted again.
    void curvesChanged();

public slots:
    void LoadVoltamogramFrom();
    void SaveVirtualVoltamogramAs();
    // From SaveExperimentalVoltamogramAs the curve selected in the list,
    // from SaveSmoothedButton the smoothed curve.
    void SaveExperimentalVoltamogramAsClick(QObject* sender);
    void ShowCurveOfRow(int row);
    void DeleteRow(int row);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void loadFile(const QString& path);
    void saveCurve(const Curve& curve, bool simulated, const QString& suggestedName);

    TForm1& form_;
    Interaction& interaction_;
    const char separator_;
    std::vector<QLineSeries*> series_;  // one for each row of the list
    TextGridModel* grid_;
};

}  // namespace ondrel
