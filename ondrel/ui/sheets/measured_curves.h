#pragma once

#include <QObject>
#include <vector>

#include "../../curves/curve.h"
#include "../interaction.h"

class QAbstractButton;
class QLabel;
class QLineSeries;
class QListWidget;
class QTableView;

namespace ondrel {

class ChartPanel;
class Potentiostat;
class TextGridModel;

// The measured voltammograms: reading curve files into the voltammogram
// chart, their check list and data grid, and writing simulated, measured
// and smoothed curves back out as curve files.
class ExperimentalCurves final : public QObject {
    Q_OBJECT

public:
    // The window's controls that the measured curves drive.
    struct Widgets {
        ChartPanel* voltammogram;
        QListWidget* list;  // one row for each curve, ticked when shown
        QTableView* grid;   // the points of the curve last read or clicked
        QLabel *fileName, *pointCount;
        QLineSeries* smoothed;  // the smoothed curve, saved by its own button
        QAbstractButton *open, *saveSimulated, *saveMeasured, *saveSmoothed;
        QAbstractButton* subtractBlank;  // the selected curve less a blank file
    };

    // runs: the history whose selected curve is saved as simulated.
    ExperimentalCurves(const Widgets& widgets, Potentiostat& runs, Interaction& interaction,
                       char separator, QObject* parent = nullptr);

    // Reads the files in order into the chart; a file that fails is
    // reported and ends the command.
    void LoadVoltamogramFiles(const QStringList& paths);

    // The curve of a list row, or null.
    QLineSeries* seriesOfRow(int row) const;
    int count() const { return static_cast<int>(series_.size()); }
    TextGridModel* gridModel() const { return grid_; }

    // Whether the smoothed curve is whole; one whose smoothing stopped with
    // an error is not saved.
    void SetSmoothedWhole(bool whole) { smoothedWhole_ = whole; }

signals:
    // A measured curve was shown or hidden.
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
    // Asks for a blank voltammogram file and adds the selected curve less
    // the blank to the list, or says where their potentials differ.
    void SubtractBlankClick();
    void DeleteRow(int row);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void loadFile(const QString& path);
    // A new measured curve in the chart and the list, selected.
    void addCurve(const QString& name, const Curve& curve);
    void followVisibility(QLineSeries* series);
    void saveCurve(const Curve& curve, bool simulated, const QString& suggestedName);

    const Widgets w_;
    Potentiostat& runs_;
    Interaction& interaction_;
    const char separator_;
    std::vector<QLineSeries*> series_;  // one for each row of the list
    TextGridModel* grid_;
    bool smoothedWhole_ = true;
};

}  // namespace ondrel
