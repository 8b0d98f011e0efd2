#include "fit_sheet.h"

#include <QChart>
#include <QChartView>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QThread>
#include <QVBoxLayout>

#include "../../platform/float_text.h"
#include "../../platform/ondrel_error.h"
#include "../hints.h"
#include "../qt_text.h"
#include "curve_program.h"
#include "fit_curve_rows.h"
#include "fit_parameter_rows.h"
#include "measured_curves.h"

namespace ondrel {

namespace {

QTableWidget* table(QWidget* parent, const char* name, const QStringList& headers) {
    auto* t = new QTableWidget(0, static_cast<int>(headers.size()), parent);
    t->setObjectName(QString::fromLatin1(name));
    t->setHorizontalHeaderLabels(headers);
    t->verticalHeader()->setVisible(false);
    t->horizontalHeader()->setStretchLastSection(true);
    t->setMinimumHeight(110);
    return t;
}

QLabel* wrapped(QWidget* parent, const char* name, const QString& text = {}) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setWordWrap(true);
    // A long message takes more lines, never more width than the pane has.
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    return label;
}

}  // namespace

FitSheet::FitSheet(const TModel& model, ExperimentalCurves& curves, QListWidget& list,
                   Interaction& interaction, char separator, Hooks hooks, QWidget* parent)
    : QWidget(parent),
      model_(model),
      curves_(curves),
      list_(list),
      interaction_(interaction),
      separator_(separator),
      hooks_(std::move(hooks)) {
    setObjectName(QStringLiteral("FitSheet"));
    new QVBoxLayout(this);
    buildTables();
    buildButtons();
    buildResult();
    connect(&list_, &QListWidget::itemChanged, this, &FitSheet::RefreshCurves);
    connect(&curves_, &ExperimentalCurves::curvesChanged, this, &FitSheet::RefreshCurves);
    connect(curveRows_, &FitCurveRows::changed, this, &FitSheet::showCurvesHelp);
    setRunning(false);
    FollowModel();
    RefreshCurves();
}

void FitSheet::buildTables() {
    auto* layout = static_cast<QVBoxLayout*>(this->layout());
    FitCurvesLabel = wrapped(this, "FitCurvesLabel");
    layout->addWidget(FitCurvesLabel);
    FitCurvesTable = table(this, "FitCurvesTable",
                           {QStringLiteral("Curve"), QStringLiteral("Scan rate (V/s)"),
                            QStringLiteral("From"), QStringLiteral("Sweeps")});
    FitCurvesTable->setMaximumHeight(110);
    SetHint(FitCurvesTable,
            QStringLiteral("Curves to fit| The curves ticked in Exp. data; each needs the scan "
                           "rate it was recorded at, from its file or typed here"));
    layout->addWidget(FitCurvesTable);
    curveRows_ = new FitCurveRows(*FitCurvesTable, curves_, list_, separator_, this);

    FitParameterTable =
        table(this, "FitParameterTable",
              {QStringLiteral("Vary"), QStringLiteral("Parameter"), QStringLiteral("Value"),
               QStringLiteral("Lower"), QStringLiteral("Upper")});
    FitParameterTable->setMinimumHeight(180);
    SetHint(FitParameterTable,
            QStringLiteral("Parameters| Tick those the fit varies; Value is where it starts, "
                           "Lower and Upper bound it. The table follows the model"));
    layout->addWidget(FitParameterTable);
    parameterRows_ = std::make_unique<FitParameterRows>(*FitParameterTable, separator_);
}

void FitSheet::buildButtons() {
    auto* buttons = new QHBoxLayout;
    auto button = [&](const char* name, const QString& caption, const QString& hint) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        SetHint(b, hint);
        buttons->addWidget(b);
        return b;
    };
    FitButton = button("FitButton", QStringLiteral("Fit"),
                       QStringLiteral("Fit| Fit the ticked parameters to the curves in the "
                                      "table"));
    StopFitButton = button("StopFitButton", QStringLiteral("Stop"),
                           QStringLiteral("Stop| End the fit and show the best values reached"));
    AcceptFitButton = button(
        "AcceptFitButton", QStringLiteral("Accept"),
        QStringLiteral("Accept| Put the fitted values into the model "
                       "and keep the fitted model in the history"));
    ReloadFitParametersButton =
        button("ReloadFitParametersButton", QStringLiteral("Values from model"),
               QStringLiteral("Values from model| Start every parameter from the model's value "
                              "again, in place of the start values typed"));
    buttons->addStretch();
    static_cast<QVBoxLayout*>(layout())->addLayout(buttons);
    connect(FitButton, &QPushButton::clicked, this, &FitSheet::FitButtonClick);
    connect(StopFitButton, &QPushButton::clicked, this, &FitSheet::StopFitButtonClick);
    connect(AcceptFitButton, &QPushButton::clicked, this, &FitSheet::AcceptFitButtonClick);
    connect(ReloadFitParametersButton, &QPushButton::clicked, this, &FitSheet::ReloadParameters);
}

void FitSheet::buildResult() {
    auto* layout = static_cast<QVBoxLayout*>(this->layout());
    FitProgressLabel = wrapped(this, "FitProgressLabel", QStringLiteral("Ready"));
    layout->addWidget(FitProgressLabel);
    FitResultTable =
        table(this, "FitResultTable",
              {QStringLiteral("Parameter"), QStringLiteral("Value"), QStringLiteral("Std. error"),
               QStringLiteral("Unit"), QStringLiteral("Note")});
    FitResultTable->setMaximumHeight(160);
    layout->addWidget(FitResultTable);
    FitCorrelationTable = table(this, "FitCorrelationTable", {});
    FitCorrelationTable->horizontalHeader()->setStretchLastSection(false);
    FitCorrelationTable->setMinimumHeight(80);
    FitCorrelationTable->setMaximumHeight(140);
    SetHint(FitCorrelationTable,
            QStringLiteral("Correlations| How the fitted parameters' errors go together: near "
                           "+1 or -1 the data fix only a combination of the two, not each"));
    layout->addWidget(FitCorrelationTable);
    FitSummaryLabel = wrapped(this, "FitSummaryLabel");
    layout->addWidget(FitSummaryLabel);
    FitChart = FitChartView(this, "FitChart", QStringLiteral("Measured and fitted"),
                            QStringLiteral("I (\u00B5A)"));
    layout->addWidget(FitChart);
    FitResidualChart = FitChartView(this, "FitResidualChart", QStringLiteral("Residuals"),
                                    QStringLiteral("\u0394I (\u00B5A)"));
    FitResidualChart->setMinimumHeight(160);
    layout->addWidget(FitResidualChart);
    resultWidgets_ = {FitProgressLabel, FitResultTable, FitCorrelationTable,
                      FitSummaryLabel,  FitChart,       FitResidualChart};
}

FitSheet::~FitSheet() {
    if (worker_) {
        fit_->Stop();
        worker_->wait();
        delete worker_;
    }
}

void FitSheet::showEvent(QShowEvent* event) {
    FollowModel();
    RefreshCurves();
    QWidget::showEvent(event);
}

void FitSheet::RefreshCurves() {
    curveRows_->Refresh();
}

// What the curve table still needs, above it.
void FitSheet::showCurvesHelp() {
    const int missing = curveRows_->missingRates();
    if (FitCurvesTable->rowCount() == 0)
        FitCurvesLabel->setText(
            QStringLiteral("No curve to fit: read recordings with \"Exp files\" and tick them in "
                           "Exp. data."));
    else if (missing > 0)
        FitCurvesLabel->setText(
            QStringLiteral("Curves ticked in Exp. data. %1 still need%2 the scan rate it was "
                           "recorded at (V/s), typed in the marked cell%3.")
                .arg(missing == 1 ? QStringLiteral("One") : QString::number(missing),
                     missing == 1 ? QStringLiteral("s") : QString(),
                     missing == 1 ? QString() : QStringLiteral("s")));
    else
        FitCurvesLabel->setText(
            QStringLiteral("Curves ticked in Exp. data, with their scan "
                           "rates:"));
}

void FitSheet::FollowModel() {
    if (worker_)
        return;  // the table stays as the running fit took it
    parameterRows_->Follow(model_);
    updateAccept();
}

void FitSheet::ReloadParameters() {
    parameterRows_->TakeValues(model_);
    updateAccept();
}

std::vector<MeasuredCurve> FitSheet::measuredCurves() {
    std::vector<MeasuredCurve> measured = curveRows_->Measured(model_.pilot);
    if (measured.empty())
        throw Exception("No curve to fit: tick the curves to fit in Exp. data.");
    return measured;
}

// A curve that the program does not cover would leave the fit without its
// points: the user is told which potentials it runs through and may take
// them into the Program sheet.
void FitSheet::matchProgram(std::vector<MeasuredCurve>& measured) {
    for (const MeasuredCurve& m : measured) {
        if (CurveLiesOnProgram(m.curve, m.program))
            continue;
        const QString question =
            ToQString(m.name + " runs " + SweepText(m.curve) +
                      ", but the Program sheet's "
                      "potentials run " +
                      ProgramSweepText(m.program) +
                      ": the fit would find few or none of its points on them.\n\n"
                      "Take the potentials from the curve into the Program sheet?");
        if (!interaction_.askYesNo(question))
            return;  // the user knows better: the fit says what it finds
        const TPilot taken = ProgramOfCurve(m.curve, model_.pilot);
        if (hooks_.takeProgram)
            hooks_.takeProgram(taken);
        measured = measuredCurves();
        for (const MeasuredCurve& other : measured)
            if (!CurveLiesOnProgram(other.curve, other.program))
                throw Exception(other.name + " runs " + SweepText(other.curve) + ", the program " +
                                ProgramSweepText(other.program) +
                                ": fit together only curves recorded over the same potentials.");
        return;
    }
}

void FitSheet::FitButtonClick() {
    if (worker_)
        return;
    if (hooks_.prepare && !hooks_.prepare())
        return;
    FollowModel();
    try {
        std::vector<MeasuredCurve> measured = measuredCurves();
        std::vector<FitParameter> varied = parameterRows_->Varied(model_);
        matchProgram(measured);
        fit_ = std::make_unique<CurveFit>(model_, std::move(measured), std::move(varied));
    } catch (const std::exception& error) {
        interaction_.showError(ToQString(error.what()));
        return;
    }
    fittedFrom_ = FitParameters(model_);
    pending_.reset();
    FitProgressLabel->setStyleSheet(QString());
    FitProgressLabel->setText(QStringLiteral("Fitting..."));
    CurveFit* fit = fit_.get();
    worker_ = QThread::create([this, fit] {
        pending_ = fit->Run([this](const FitProgress& progress) {
            QMetaObject::invokeMethod(
                this, [this, progress] { showProgress(progress); }, Qt::QueuedConnection);
        });
    });
    connect(worker_, &QThread::finished, this, &FitSheet::finishFit);
    setRunning(true);
    worker_->start();
}

void FitSheet::StopFitButtonClick() {
    if (fit_ && worker_) {
        fit_->Stop();
        FitProgressLabel->setText(QStringLiteral("Stopping..."));
    }
}

void FitSheet::AcceptFitButtonClick() {
    if (!result_ || result_->status != FitStatus::Converged)
        return;
    if (const QString doubt = FitDoubt(*result_); !doubt.isEmpty())
        if (!interaction_.askYesNo(doubt + QStringLiteral(".\n\nAccept these values all the "
                                                          "same?")))
            return;
    std::vector<FitParameter> fitted;
    for (const FittedParameter& p : result_->parameters)
        fitted.push_back(p.parameter);
    // Accepted once: the model now holds these values.
    accepted_ = true;
    AcceptFitButton->setEnabled(false);
    emit fitAccepted(fitted);
    FollowModel();
}

void FitSheet::showProgress(const FitProgress& progress) {
    if (!worker_)
        return;
    FitProgressLabel->setText(
        QStringLiteral("Iteration %1: residual sum %2 \u00B5A\u00B2, %3 simulations")
            .arg(progress.iteration)
            .arg(ToQString(FloatToGeneral(progress.residualSum, 6, separator_)))
            .arg(progress.simulations));
}

void FitSheet::finishFit() {
    worker_->deleteLater();
    worker_ = nullptr;
    fit_.reset();
    setRunning(false);
    if (pending_) {
        result_ = std::move(pending_);
        pending_.reset();
        accepted_ = false;
        ShowFitResult(*result_, resultWidgets_, separator_);
    }
    FollowModel();
    emit fitFinished();
}

// Accept takes a converged fit of the model as it still stands.
void FitSheet::updateAccept() {
    AcceptFitButton->setEnabled(!worker_ && !accepted_ && result_ &&
                                result_->status == FitStatus::Converged &&
                                FitParameters(model_) == fittedFrom_);
}

void FitSheet::setRunning(bool running) {
    FitButton->setEnabled(!running);
    StopFitButton->setEnabled(running);
    ReloadFitParametersButton->setEnabled(!running);
    updateAccept();
}

}  // namespace ondrel
