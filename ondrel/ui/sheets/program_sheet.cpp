#include "program_sheet.h"

#include <tuple>

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <cmath>

#include "../../platform/float_text.h"
#include "../../platform/ondrel_error.h"
#include "../qt_text.h"

namespace ondrel {

namespace {

QLineEdit* box(QWidget* parent, const char* name, const QString& text = {}) {
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(QString::fromLatin1(name));
    return edit;
}

QString number(double value, char separator) {
    return ToQString(FloatToText(value, separator));
}

// The number in a box, or EConvertError naming the box by its caption.
double numberIn(const QLineEdit* edit, const QString& caption, char separator) {
    try {
        return TextToFloat(edit->text().toStdString(), separator);
    } catch (const EConvertError& error) {
        throw EConvertError(caption.toStdString() + ": " + error.what());
    }
}

// An interval box: a number, truncated toward zero to whole millivolts.
int intervalIn(const QLineEdit* edit, const QString& caption, char separator) {
    const double value = numberIn(edit, caption, separator);
    if (!(std::fabs(value) < 2147483648.0))
        throw EConvertError(caption.toStdString() + ": '" + edit->text().toStdString() +
                            "' does not fit a whole number of millivolts");
    return static_cast<int>(std::trunc(value));
}

void markInvalid(QLineEdit* edit, bool invalid) {
    edit->setStyleSheet(invalid ? QStringLiteral("background: #ffd0d0;") : QString());
}

}  // namespace

ProgramSheet::ProgramSheet(TModel& model, char separator, QWidget* parent)
    : QWidget(parent), model_(model), separator_(separator) {
    setObjectName(QStringLiteral("ProgramSheet"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(buildPilotGroup());
    layout->addWidget(buildCellGroup());
    layout->addWidget(buildRunGroup());
    layout->addStretch();

    cellChanged(EditTempKelvin, &TModel::temperature, QStringLiteral("Temperature"));
    cellChanged(EditElectrodeArea, &TModel::area, QStringLiteral("Electrode area"));
    cellChanged(EditDiffusionScale, &TModel::diffusionScale, QStringLiteral("Diffusion scale"));
    cellChanged(EditConcNormFactor, &TModel::concScale, QStringLiteral("Concentration factor"));

    // The three boxes other than the temperature show the model from the
    // start; the program boxes show its program.
    EditElectrodeArea->setText(number(model_.area, separator_));
    EditDiffusionScale->setText(number(model_.diffusionScale, separator_));
    EditConcNormFactor->setText(number(model_.concScale, separator_));
    showProgram();
}

// The potential program: the four potentials, the scan rate, the
// half-cycle count, the quiet time, the sweep's kind and the two
// compensation switches.
QGroupBox* ProgramSheet::buildPilotGroup() {
    auto* pilot = new QGroupBox(QStringLiteral("Cyclic Voltametry"), this);
    auto* pilotForm = new QFormLayout(pilot);
    pilotForm_ = pilotForm;
    EditInitialPotential = box(pilot, "EditInitialPotential");
    EditSwitchPotential1 = box(pilot, "EditSwitchPotential1");
    EditSwitchPotential2 = box(pilot, "EditSwitchPotential2");
    EditFinalPotential = box(pilot, "EditFinalPotential");
    EditScanRate = box(pilot, "EditScanRate");
    pilotForm->addRow(QStringLiteral("Initial potential (V)"), EditInitialPotential);
    pilotForm->addRow(QStringLiteral("Switch potential 1 (V)"), EditSwitchPotential1);
    pilotForm->addRow(QStringLiteral("Switch potential 2 (V)"), EditSwitchPotential2);
    pilotForm->addRow(QStringLiteral("Final potential (V)"), EditFinalPotential);
    pilotForm->addRow(QStringLiteral("Scan rate (V/s)"), EditScanRate);
    addHalfCycles(pilot, pilotForm);
    addQuietTimeAndSweep(pilot, pilotForm);
    addCellSwitches(pilot, pilotForm);
    return pilot;
}

// The radio buttons of one to three half-cycles and the count beside them:
// a button sets the count, and the count checks its button (none above 3).
void ProgramSheet::addHalfCycles(QWidget* pilot, QFormLayout* form) {
    auto* cycles = new QHBoxLayout;
    OneCycle = new QRadioButton(QStringLiteral("1"), pilot);
    TwoCycle = new QRadioButton(QStringLiteral("2"), pilot);
    ThreeCycle = new QRadioButton(QStringLiteral("3"), pilot);
    SpinHalfCycles = new QSpinBox(pilot);
    SpinHalfCycles->setObjectName(QStringLiteral("SpinHalfCycles"));
    SpinHalfCycles->setRange(1, kMaxHalfCycles);
    SpinHalfCycles->setToolTip(QStringLiteral(
        "Half-cycles back and forth between the switching potentials, the last one ending at "
        "the final potential from 3 on (more than 3: implicit solver)"));
    int count = 1;
    for (QRadioButton* button : {OneCycle, TwoCycle, ThreeCycle}) {
        button->setObjectName(count == 1 ? "OneCycle" : count == 2 ? "TwoCycle" : "ThreeCycle");
        cycles->addWidget(button);
        connect(button, &QRadioButton::toggled, this, [this, count](bool checked) {
            if (checked) {
                model_.pilot.halfCycles = count;
                SpinHalfCycles->setValue(count);
            }
        });
        ++count;
    }
    cycles->addWidget(SpinHalfCycles);
    cycles->addStretch();
    connect(SpinHalfCycles, &QSpinBox::valueChanged, this, [this](int value) {
        model_.pilot.halfCycles = value;
        showHalfCycles(value);
    });
    form->addRow(QStringLiteral("Half-cycles"), cycles);
}

void ProgramSheet::addQuietTimeAndSweep(QWidget* pilot, QFormLayout* form) {
    EditQuietTime = box(pilot, "EditQuietTime", QStringLiteral("0"));
    EditQuietTime->setToolTip(
        QStringLiteral("Held at the initial potential before the sweep, simulated but not recorded "
                       "(implicit solver)"));
    form->addRow(QStringLiteral("Quiet time (s)"), EditQuietTime);
    SweepCombo = new QComboBox(pilot);
    SweepCombo->setObjectName(QStringLiteral("SweepCombo"));
    SweepCombo->addItem(QStringLiteral("Linear"));
    SweepCombo->addItem(QStringLiteral("Staircase"));
    SweepCombo->setToolTip(QStringLiteral(
        "A linear sweep, or a staircase of steps sampled as a digital instrument samples them "
        "(implicit solver)"));
    form->addRow(QStringLiteral("Sweep"), SweepCombo);
    EditStepHeight = box(pilot, "EditStepHeight", QStringLiteral("2"));
    EditSamplingPoint = box(pilot, "EditSamplingPoint", QStringLiteral("1"));
    EditStepHeight->setToolTip(QStringLiteral("The potential step of the staircase"));
    EditSamplingPoint->setToolTip(
        QStringLiteral("Where in each step the current is sampled: 1 at its end, 0.5 half-way"));
    form->addRow(QStringLiteral("Step height (mV)"), EditStepHeight);
    form->addRow(QStringLiteral("Sampled at (share of step)"), EditSamplingPoint);
    connect(SweepCombo, &QComboBox::currentIndexChanged, this, &ProgramSheet::showSweepKind);
    showSweepKind();
}

// The cell's values beside their switches; they act in the implicit solver.
void ProgramSheet::addCellSwitches(QWidget* pilot, QFormLayout* form) {
    CheckBoxiRdrop = new QCheckBox(QStringLiteral("iR drop compensation"), pilot);
    CheckBoxiRdrop->setObjectName(QStringLiteral("CheckBoxiRdrop"));
    CheckBoxiCcomp = new QCheckBox(QStringLiteral("Charging current compensation"), pilot);
    CheckBoxiCcomp->setObjectName(QStringLiteral("CheckBoxiCcomp"));
    EditResistance = box(pilot, "EditResistance");
    EditCapacitance = box(pilot, "EditCapacitance");
    EditResistance->setToolTip(QStringLiteral(
        "Uncompensated resistance: the electrode sees the applied potential less i\u00B7Ru "
        "(implicit solver)"));
    EditCapacitance->setToolTip(QStringLiteral(
        "Double-layer capacitance per electrode area: its charging current adds to the "
        "current (implicit solver)"));
    for (const auto& [check, edit, unit] :
         {std::tuple{CheckBoxiRdrop, EditResistance, QStringLiteral("\u03A9")},
          {CheckBoxiCcomp, EditCapacitance, QStringLiteral("\u00B5F/cm\u00B2")}}) {
        auto* row = new QHBoxLayout;
        row->addWidget(check);
        row->addStretch();
        edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("0.000000000")));
        row->addWidget(edit);
        auto* label = new QLabel(unit, pilot);
        // Both units as wide as the wider, so that the boxes line up.
        label->setMinimumWidth(
            label->fontMetrics().horizontalAdvance(QStringLiteral("\u00B5F/cm\u00B2")));
        row->addWidget(label);
        form->addRow(row);
    }
}

void ProgramSheet::showHalfCycles(int count) {
    if (count >= 1 && count <= 3) {
        (count == 1 ? OneCycle : count == 2 ? TwoCycle : ThreeCycle)->setChecked(true);
        return;
    }
    // No button stands for the count: none is checked.
    for (QRadioButton* button : {OneCycle, TwoCycle, ThreeCycle})
        if (button->isChecked()) {
            button->setAutoExclusive(false);
            button->setChecked(false);
            button->setAutoExclusive(true);
        }
}

// The staircase's boxes show only for a staircase.
void ProgramSheet::showSweepKind() {
    const bool staircase = SweepCombo->currentIndex() == 1;
    pilotForm_->setRowVisible(EditStepHeight, staircase);
    pilotForm_->setRowVisible(EditSamplingPoint, staircase);
}

// The cell: temperature, electrode area, the two scales and the solver.
QGroupBox* ProgramSheet::buildCellGroup() {
    auto* cell = new QGroupBox(QStringLiteral("Cell"), this);
    auto* cellForm = new QFormLayout(cell);
    // The temperature box keeps its own first text: the model holds 298.15 K
    // until the user types another temperature.
    EditTempKelvin = box(cell, "EditTempKelvin", QStringLiteral("298"));
    EditElectrodeArea = box(cell, "EditElectrodeArea");
    EditDiffusionScale = box(cell, "EditDiffusionScale");
    EditConcNormFactor = box(cell, "EditConcNormFactor");
    EditDiffusionScale->setToolTip(
        QStringLiteral("Diffusion coef will be multiplied by this factor"));
    EditConcNormFactor->setToolTip(
        QStringLiteral("Bulk concentrations will be multiplied by this factor"));
    cellForm->addRow(QStringLiteral("Temperature (K)"), EditTempKelvin);
    cellForm->addRow(QStringLiteral("Electrode area (cm\u00B2)"), EditElectrodeArea);
    cellForm->addRow(QStringLiteral("Diffusion scale (cm\u00B2/s)"), EditDiffusionScale);
    cellForm->addRow(QStringLiteral("Concentration factor (mol/cm\u00B3)"), EditConcNormFactor);
    SolverCombo = new QComboBox(cell);
    SolverCombo->setObjectName(QStringLiteral("SolverCombo"));
    SolverCombo->addItem(QStringLiteral("Classic (explicit)"));
    SolverCombo->addItem(QStringLiteral("Implicit (fast chemistry)"));
    SolverCombo->setToolTip(
        QStringLiteral("The classic engine takes its time step from the fastest reaction; the "
                       "implicit one solves fast (stiff) chemistry in the time of a slow one"));
    cellForm->addRow(QStringLiteral("Solver"), SolverCombo);
    connect(SolverCombo, &QComboBox::currentIndexChanged, this,
            [this](int index) { model_.solver = index == 1 ? Solver::Implicit : Solver::Classic; });
    return cell;
}

// The experiment: the model's base name and the two refresh intervals.
QGroupBox* ProgramSheet::buildRunGroup() {
    auto* run = new QGroupBox(QStringLiteral("Experiment"), this);
    auto* runForm = new QFormLayout(run);
    EditBaseName = box(run, "EditBaseName", QStringLiteral("NoName"));
    EditPlotInterval = box(run, "EditPlotInterval", QStringLiteral("50"));
    EditPilotRefreshInterval = box(run, "EditPilotRefreshInterval", QStringLiteral("5"));
    runForm->addRow(QStringLiteral("Model name"), EditBaseName);
    runForm->addRow(QStringLiteral("Plot interval (mV)"), EditPlotInterval);
    runForm->addRow(QStringLiteral("Pilot refresh interval (mV)"), EditPilotRefreshInterval);
    return run;
}

void ProgramSheet::showProgram() {
    const TPilot& p = model_.pilot;
    EditInitialPotential->setText(number(p.Einitial, separator_));
    EditSwitchPotential1->setText(number(p.Eswitch1, separator_));
    EditSwitchPotential2->setText(number(p.Eswitch2, separator_));
    EditFinalPotential->setText(number(p.Efinal, separator_));
    EditScanRate->setText(number(p.scanRate, separator_));
    CheckBoxiRdrop->setChecked(p.irComp != 0);
    CheckBoxiCcomp->setChecked(p.icComp != 0);
    EditResistance->setText(number(p.resistance, separator_));
    EditCapacitance->setText(number(p.capacitance, separator_));
    // A count outside the box's range leaves the buttons and the box as
    // they were.
    if (p.halfCycles >= 1 && p.halfCycles <= kMaxHalfCycles) {
        SpinHalfCycles->setValue(p.halfCycles);
        showHalfCycles(p.halfCycles);
    }
    EditQuietTime->setText(number(p.quietTime, separator_));
    // A linear sweep leaves the staircase's boxes as they were, for when it
    // is chosen again.
    SweepCombo->setCurrentIndex(p.staircase() ? 1 : 0);
    if (p.staircase()) {
        EditStepHeight->setText(number(p.stepHeight * 1000, separator_));
        EditSamplingPoint->setText(number(p.samplingPoint, separator_));
    }
}

void ProgramSheet::cellChanged(QLineEdit* edit, double TModel::*parameter, const QString& caption) {
    connect(edit, &QLineEdit::textChanged, this, [=, this] {
        try {
            model_.*parameter = numberIn(edit, caption, separator_);
            markInvalid(edit, false);
            emit conversionProblem({});
        } catch (const EConvertError& error) {
            markInvalid(edit, true);
            emit conversionProblem(ToQString(error.what()));
        }
    });
}

void ProgramSheet::ShowModel() {
    showProgram();
    // Each of these stores its text back into the model.
    EditElectrodeArea->setText(number(model_.area, separator_));
    EditDiffusionScale->setText(number(model_.diffusionScale, separator_));
    EditConcNormFactor->setText(number(model_.concScale, separator_));
    EditTempKelvin->setText(number(model_.temperature, separator_));
    SolverCombo->setCurrentIndex(model_.solver == Solver::Implicit ? 1 : 0);
}

void ProgramSheet::ShowIntervals() {
    EditPlotInterval->setText(QString::number(model_.plotInterval));
    EditPilotRefreshInterval->setText(QString::number(model_.pilotRefreshInterval));
}

void ProgramSheet::ReadProgram() {
    TPilot pilot = model_.pilot;
    pilot.Einitial =
        numberIn(EditInitialPotential, QStringLiteral("Initial potential"), separator_);
    pilot.Eswitch1 =
        numberIn(EditSwitchPotential1, QStringLiteral("Switch potential 1"), separator_);
    pilot.Efinal = numberIn(EditFinalPotential, QStringLiteral("Final potential"), separator_);
    pilot.Eswitch2 =
        numberIn(EditSwitchPotential2, QStringLiteral("Switch potential 2"), separator_);
    pilot.scanRate = numberIn(EditScanRate, QStringLiteral("Scan rate"), separator_);
    // The buttons set the count as they are checked.
    pilot.halfCycles = SpinHalfCycles->value();
    pilot.quietTime = numberIn(EditQuietTime, QStringLiteral("Quiet time"), separator_);
    // A linear sweep is a plain one, whatever the staircase's boxes hold.
    const TPilot plain;
    pilot.stepHeight = plain.stepHeight;
    pilot.samplingPoint = plain.samplingPoint;
    if (SweepCombo->currentIndex() == 1) {
        pilot.stepHeight =
            numberIn(EditStepHeight, QStringLiteral("Step height"), separator_) / 1000;
        pilot.samplingPoint =
            numberIn(EditSamplingPoint, QStringLiteral("Sampling point"), separator_);
    }
    pilot.irComp = CheckBoxiRdrop->isChecked() ? 1 : 0;
    pilot.icComp = CheckBoxiCcomp->isChecked() ? 1 : 0;
    pilot.resistance =
        numberIn(EditResistance, QStringLiteral("Uncompensated resistance"), separator_);
    pilot.capacitance =
        numberIn(EditCapacitance, QStringLiteral("Double-layer capacitance"), separator_);
    const double temperature = numberIn(EditTempKelvin, QStringLiteral("Temperature"), separator_);
    const double area = numberIn(EditElectrodeArea, QStringLiteral("Electrode area"), separator_);
    const double diffusionScale =
        numberIn(EditDiffusionScale, QStringLiteral("Diffusion scale"), separator_);
    const double concScale =
        numberIn(EditConcNormFactor, QStringLiteral("Concentration factor"), separator_);
    const int plotInterval =
        intervalIn(EditPlotInterval, QStringLiteral("Plot interval"), separator_);
    const int pilotInterval =
        intervalIn(EditPilotRefreshInterval, QStringLiteral("Pilot refresh interval"), separator_);
    // Everything read: only now does the model change.
    model_.pilot = pilot;
    model_.temperature = temperature;
    model_.area = area;
    model_.diffusionScale = diffusionScale;
    model_.concScale = concScale;
    model_.plotInterval = plotInterval;
    model_.pilotRefreshInterval = pilotInterval;
}

}  // namespace ondrel
