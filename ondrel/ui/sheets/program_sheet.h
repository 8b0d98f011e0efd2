#pragma once

#include <QWidget>

#include "../../model/model.h"

class QCheckBox;
class QComboBox;
class QFormLayout;
class QGroupBox;
class QLineEdit;
class QRadioButton;
class QSpinBox;

namespace ondrel {

// The sheet of the potential program and the cell: the pilot edit boxes,
// the half-cycle radio buttons with the count beside them (any number, for
// the implicit solver), the quiet time, the sweep's kind (linear or a
// staircase with its step height and sampling point), the iR and charging
// check boxes, the four cell edit boxes, the model's base name and the two
// refresh intervals.
//
// A cell box writes the model whenever its text changes and reads as a
// number; a text that does not is marked and reported in the status line
// until it does. The pilot boxes are read into the model by ReadProgram,
// before a run or a save; the radio buttons set the half-cycle count at
// once.
class ProgramSheet final : public QWidget {
    Q_OBJECT

public:
    ProgramSheet(TModel& model, char separator, QWidget* parent = nullptr);

    // Shows the model's program, switches and cell in the boxes, as a model
    // load does; each cell box's change handler stores its text back.
    void ShowModel();
    // Shows the model's refresh intervals, as a recall does.
    void ShowIntervals();

    // Reads the pilot boxes, switches, cell boxes and intervals into the
    // model. Throws EConvertError naming the first box that holds no number;
    // then the model is left as it was.
    void ReadProgram();

    QLineEdit *EditInitialPotential, *EditSwitchPotential1, *EditSwitchPotential2,
        *EditFinalPotential, *EditScanRate;
    QRadioButton *OneCycle, *TwoCycle, *ThreeCycle;
    // The half-cycle count, which the radio buttons set and show from 1 to 3.
    QSpinBox* SpinHalfCycles;
    QLineEdit* EditQuietTime;  // s
    // A linear sweep or a staircase; the staircase's step height (mV) and
    // the share of each step at which its current is sampled.
    QComboBox* SweepCombo;
    QLineEdit *EditStepHeight, *EditSamplingPoint;
    QCheckBox *CheckBoxiRdrop, *CheckBoxiCcomp;
    QLineEdit *EditTempKelvin, *EditElectrodeArea, *EditDiffusionScale, *EditConcNormFactor;
    QComboBox* SolverCombo;  // classic (explicit) or implicit, for fast chemistry
    QLineEdit* EditBaseName;
    // The cell's uncompensated resistance (ohm) and double-layer
    // capacitance (µF/cm²), beside CheckBoxiRdrop and CheckBoxiCcomp.
    QLineEdit *EditResistance, *EditCapacitance;
    QLineEdit *EditPlotInterval, *EditPilotRefreshInterval;

signals:
    // A box's text is no number (empty text once it is one again).
    void conversionProblem(const QString& message);

private:
    QGroupBox* buildPilotGroup();
    void addHalfCycles(QWidget* pilot, QFormLayout* form);
    void addQuietTimeAndSweep(QWidget* pilot, QFormLayout* form);
    void addCellSwitches(QWidget* pilot, QFormLayout* form);
    void showHalfCycles(int count);
    void showSweepKind();
    QGroupBox* buildCellGroup();
    QGroupBox* buildRunGroup();
    void showProgram();
    void cellChanged(QLineEdit* edit, double TModel::*parameter, const QString& caption);

    TModel& model_;
    const char separator_;
    QFormLayout* pilotForm_ = nullptr;
};

}  // namespace ondrel
