#include "tform1.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <utility>

#include "../files/file_io.h"
#include "../files/model_file.h"
#include "../fit/fit_parameters.h"
#include "../platform/float_text.h"
#include "../platform/ondrel_error.h"
#include "../platform/path_text.h"
#include "charts/chart_hints.h"
#include "charts/chart_panel.h"
#include "charts/chart_readout.h"
#include "charts/chart_view_commands.h"
#include "hints.h"
#include "pictures/chart_picture.h"
#include "potentiostat/potentiostat.h"
#include "qt_text.h"
#include "sheets/fit_parameter_rows.h"
#include "sheets/fit_sheet.h"
#include "sheets/measured_curves.h"
#include "sheets/model_editor.h"
#include "sheets/peak_commands.h"
#include "sheets/program_sheet.h"

namespace ondrel {

namespace {

constexpr const char* kExitQuestion = "Exit Ondrel ?";
constexpr const char* kHelpNotice =
    "Sorry No help file!\n\rSee Manual.doc for a short program description\n\rSee also hints in "
    "status bar";

}  // namespace

TForm1::TForm1(Interaction& interaction, Options options, QWidget* parent)
    : QMainWindow(parent),
      interaction_(interaction),
      options_(options),
      separator_(UserDecimalSeparator()),
      model_(DefaultModel()) {
    setObjectName(QStringLiteral("TForm1"));
    setWindowTitle(QStringLiteral("Ondrel"));
    buildToolBar();
    setCentralWidget(buildPanels());
    MainStatusBar = new QStatusBar;
    MainStatusBar->setObjectName(QStringLiteral("MainStatusBar"));
    setStatusBar(MainStatusBar);
    createCollaborators();
    wireWindowCommands();
    resize(1280, 800);
}

// The runs go first: a running engine is stopped while the window it draws
// into still stands. The curve commands watch the window's lists, so they go
// before the widgets do.
TForm1::~TForm1() {
    delete Fit;
    delete Runs;
    delete Peaks;
    delete Curves;
}

void TForm1::createCollaborators() {
    Runs = new Potentiostat({.voltammogram = VoltamogramPanel,
                             .profiles = ConcProfilPanel,
                             .pilot = PilotChartPanel,
                             .statusBar = MainStatusBar,
                             .pointsGrid = SimulatedDataGrid,
                             .curveTitle = StaticText2,
                             .pointCount = StaticText3,
                             .run = RxRunExperiment,
                             .freeze = RxFreeze,
                             .hold = RxHold,
                             .potential = PotentialLabel,
                             .current = CurrentLabel,
                             .step = TimeLabel,
                             .electrodePotential = ElectrodePotentialLabel,
                             .electrodePotentialCaption = ElectrodePotentialCaption,
                             .trackVoltammogram = VoltamogramPanel->button("ToolbarButton976"),
                             .trackProfiles = ConcProfilPanel->button("ToolbarButton977"),
                             .trackPilot = PilotChartPanel->button("ToolbarButton978"),
                             .history = VirtualExpListBox,
                             .autoSave = AutoSaveInHistory,
                             .reloadOnSingleClick = ReloadOnSingleClick,
                             .reloadOnDoubleClick = ReloadOnDoubleClick,
                             .deleteExperiment = DeleteVirtualVoltamogram},
                            model_, modelName_, *Program, *Editor, interaction_, separator_);
    connect(Runs, &Potentiostat::experimentRecalled, this, &TForm1::SetModelName);

    const PeakSeries peakSeries = AddPeakSeries(*VoltamogramPanel);
    SerieDerivee1 = peakSeries.derivative;
    SeriesExpSmoothed = peakSeries.smoothed;
    SimPeaksSeries = peakSeries.simulatedPeaks;
    ExpPeaksSeries = peakSeries.measuredPeaks;
    Curves = new ExperimentalCurves({.voltammogram = VoltamogramPanel,
                                     .list = RealExpListBox,
                                     .grid = ExpDataGrid,
                                     .fileName = ExpInputFileName,
                                     .pointCount = ExpInputFileNpts,
                                     .smoothed = SeriesExpSmoothed,
                                     .open = OpenOcvButton97,
                                     .saveSimulated = SaveAsOcvButton97,
                                     .saveMeasured = SaveExperimentalVoltamogramAs,
                                     .saveSmoothed = SaveSmoothedButton,
                                     .subtractBlank = SubtractBlankButton},
                                    *Runs, interaction_, separator_, this);
    Peaks = new PeakCommands({.series = peakSeries,
                              .measuredList = RealExpListBox,
                              .historyList = VirtualExpListBox,
                              .width = RxSpinEdit1,
                              .threshold = ProminenceSpinEdit,
                              .derivativeGrid = StringGridDerivative1,
                              .measuredPeaks = PeaksGrid,
                              .simulatedPeaks = VirtualVoltamogramsPeakGrid,
                              .measuredTitle = StaticText1,
                              .simulatedTitle = StaticText4,
                              .measuredCouples = MeasuredCouples,
                              .simulatedCouples = VirtualCouples,
                              .findSimulated = FindPeaksButton,
                              .findMeasured = FindExpPeaksButton,
                              .smooth = SmoothExpButton,
                              .toggleDerivative = ToggleDerivativeButton},
                             *Curves, *Runs, interaction_, separator_, this);
    connect(Curves, &ExperimentalCurves::curvesChanged, Runs, &Potentiostat::FitAutomaticAxes);
    addFitSheet();
}

// What the window's own controls do: the read-outs and hints over the
// charts, the chart view commands, the automatic scaling, the chart
// pictures and the program sheet's conversion messages.
void TForm1::wireWindowCommands() {
    auto* voltammogramReadout =
        new ChartReadout(*VoltamogramPanel, *Label36, QStringLiteral("mV: "),
                         QStringLiteral("  \u00B5A: "), separator_);
    connect(voltammogramReadout, &ChartReadout::axisClicked, Runs, &Potentiostat::AutoScale);
    new ChartReadout(*ConcProfilPanel, *Label24, QStringLiteral("x: "), QStringLiteral(" conc: "),
                     separator_);
    ViewCommands = new ChartViewCommands({.voltammogram = VoltamogramPanel,
                                          .profiles = ConcProfilPanel,
                                          .pilot = PilotChartPanel,
                                          .column = Splitter2,
                                          .window = this},
                                         interaction_, separator_, this);
    auto* hints = new HoverHints(separator_, this);
    for (ChartPanel* panel : {VoltamogramPanel, ConcProfilPanel, PilotChartPanel})
        hints->watch(*panel);
    hints->watch(*Editor->RedoxReactionsListBox);

    connect(VoltamogramPanel->button("AutoScaleButton"), &QToolButton::clicked, Runs,
            &Potentiostat::AutoScale);
    connect(SaveAsButton97, &QToolButton::clicked, this, &TForm1::SaveAsButton97Click);
    connect(ConcProfilPanel->button("ExportConcProfilesButton97"), &QToolButton::clicked, this,
            &TForm1::ExportConcProfilesButton97Click);
    connect(Program, &ProgramSheet::conversionProblem, this, [this](const QString& message) {
        if (message.isEmpty())
            MainStatusBar->clearMessage();
        else
            MainStatusBar->showMessage(message);
    });
}

void TForm1::SetModelName(const std::string& name) {
    modelName_ = name;
    Program->EditBaseName->setText(ToQString(name));
}

void TForm1::showMecHeader(const MecHeader& header) {
    EditSR->setText(ToQString(header.SR));
    EditIP->setText(ToQString(header.IP));
    EditV1->setText(ToQString(header.V1));
    EditV2->setText(ToQString(header.V2));
    EditFP->setText(ToQString(header.FP));
    EditAR->setText(ToQString(header.AR));
    EditTE->setText(ToQString(header.TE));
}

void TForm1::AcceptFit(const std::vector<FitParameter>& fitted) {
    // The model may have changed since the fit began: a parameter it no
    // longer has is left out and named.
    std::vector<FitParameter> offered = FitParameters(model_);
    std::string missing;
    for (const FitParameter& p : fitted) {
        const FitParameter* now = FindParameter(offered, p.name);
        if (now && now->kind == p.kind && now->index == p.index)
            SetParameterValue(model_, p, ShownFitValue(p.value));
        else
            missing += (missing.empty() ? "" : ", ") + p.name;
    }
    refreshFromModel();
    // The fitted model goes into the history, selected, so that a click on
    // the newest entry recalls what the fit gave.
    Runs->KeepModelInHistory();
    if (!missing.empty())
        interaction_.showMessage(ToQString("The model no longer has " + missing +
                                           ": those fitted values were left out."));
}

void TForm1::refreshFromModel() {
    Program->ShowModel();
    Editor->RebuildAll();
    emit modelChanged();
}

void TForm1::LoadModelFrom() {
    FileRequest request;
    request.filters = {{QStringLiteral("Fichiers CVN  (*.cvn)"), QStringLiteral("*.CVN")},
                       {QStringLiteral("Fichiers MEC (ESP files)"), QStringLiteral("*.MEC")}};
    request.defaultExtension = QStringLiteral("CVN");
    const QStringList chosen = interaction_.getOpenFileNames(request);
    if (!chosen.isEmpty())
        LoadModel(chosen.constFirst());
}

bool TForm1::LoadModel(const QString& path) {
    // Read into a copy: a file that fails leaves the model and the window
    // as they were.
    TModel loaded = model_;
    ModelFileExtras extras;
    try {
        // A name typed into the dialog may carry another extension.
        if (!LoadModelFile(PathBytes(path), loaded, separator_, &extras))
            throw Exception("Extension: " + ExtensionOf(path.toStdString()) +
                            " non reconnue (a model file ends in .CVN or .MEC)");
    } catch (const std::exception& error) {
        interaction_.showError(ToQString(error.what()));
        return false;
    }
    const QString fileName = QFileInfo(path).fileName();
    SetModelName(ModelNameOf(path.toStdString()));
    setWindowTitle(fileName);
    StaticText2->setText(fileName);
    model_ = std::move(loaded);
    // The ESP sheet shows the mechanism file just read, or nothing.
    Memo1->setPlainText(extras.header ? ToQString(extras.text) : QString());
    showMecHeader(extras.header.value_or(MecHeader{}));
    refreshFromModel();
    return true;
}

void TForm1::SaveModeleAs() {
    // The program's boxes hold what the user sees: they are saved too.
    try {
        Program->ReadProgram();
    } catch (const Exception& error) {
        interaction_.showError(ToQString(error.what()));
        return;
    }
    FileRequest request;
    request.filters = {{QStringLiteral("Fichiers CVN (*.cvn)"), QStringLiteral("*.CVN")},
                       {QStringLiteral("Fichiers MEC (*.mec)"), QStringLiteral("*.MEC")}};
    request.defaultExtension = QStringLiteral("CVN");
    request.suggestedName = ToQString(modelName_);
    // Only this case is saved: the other is refused.
    request.exactCase = true;
    const QString path = interaction_.getSaveFileName(request);
    if (path.isEmpty())
        return;
    try {
        WriteWholeFile(PathBytes(path), ModelFileText(model_, path.toStdString(), separator_));
    } catch (const Exception& error) {
        // The model keeps its name: the next run is not stored under the
        // name of a file that was never written.
        interaction_.showError(ToQString(error.what()));
        return;
    }
    SetModelName(ModelNameOf(path.toStdString()));
}

void TForm1::OpenFile(const QString& path) {
    const QString extension = QFileInfo(path).suffix().toUpper();
    if (extension == QLatin1String("CVN") || extension == QLatin1String("MEC"))
        LoadModel(path);
    else if (extension == QLatin1String("OCV") || extension == QLatin1String("AA0") ||
             extension == QLatin1String("PRN"))
        Curves->LoadVoltamogramFiles({path});
    else
        interaction_.showError(
            path + QStringLiteral(": neither a model (.CVN, .MEC) nor a voltammogram (.OCV, "
                                  ".AA0, .PRN)"));
}

void TForm1::OpenAtStart(const QStringList& paths) {
    pendingFiles_ = paths;
}

void TForm1::openPendingFiles() {
    const QStringList paths = std::exchange(pendingFiles_, {});
    for (const QString& path : paths)
        OpenFile(path);
}

void TForm1::SaveAsButton97Click() {
    exportChart(*VoltamogramPanel);
}

void TForm1::ExportConcProfilesButton97Click() {
    exportChart(*ConcProfilPanel);
}

void TForm1::exportChart(ChartPanel& panel) {
    ExportChart(*panel.chart(), interaction_);
}

void TForm1::ShowAbout() {
    interaction_.showAbout(false);
}

void TForm1::ShowHelp() {
    interaction_.showMessage(QString::fromLatin1(kHelpNotice));
}

// The files named at the start open once the splash has gone, so that a
// message about one is never hidden beneath it.
void TForm1::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (started_)
        return;
    started_ = true;
    QTimer::singleShot(0, this, [this] {
        if (options_.splash)
            interaction_.showAbout(true);
        openPendingFiles();
    });
}

bool TForm1::confirmExit() {
    exitConfirmed_ = interaction_.askYesNo(QString::fromLatin1(kExitQuestion));
    return exitConfirmed_;
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (!exitConfirmed_ && !confirmExit()) {
        event->ignore();
        return;
    }
    // A run ends cleanly before the window goes.
    Runs->StopAndWait();
    // Both chart panels visible again, whatever their zoom left.
    VoltamogramPanel->show();
    ConcProfilPanel->show();
    event->accept();
}

}  // namespace ondrel
