#include "tform1.h"

#include <QApplication>
#include <QChartView>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QValueAxis>

#include "../files/file_io.h"
#include "../files/model_file.h"
#include "../platform/float_text.h"
#include "../platform/ondrel_error.h"
#include "chart_hints.h"
#include "chart_panel.h"
#include "chart_picture.h"
#include "chart_readout.h"
#include "chart_view_commands.h"
#include "hints.h"
#include "measured_curves.h"
#include "model_editor.h"
#include "peak_commands.h"
#include "potentiostat.h"
#include "program_sheet.h"

namespace ondrel {

namespace {

constexpr const char* kExitQuestion = "Exit Ondrel ?";
constexpr const char* kHelpNotice =
    "Sorry No help file!\n\rSee Manual.doc for a short program description\n\rSee also hints in "
    "status bar";

QString qs(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

template <typename Widget>
Widget* named(Widget* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// A read-only grid; its model comes with the commands that fill it.
QTableView* grid(QWidget* parent, const char* name) {
    auto* table = named(new QTableView(parent), name);
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->horizontalHeader()->setStretchLastSection(true);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 4);
    return table;
}

QPushButton* pushButton(QWidget* parent, const char* name, const QString& caption,
                        const QString& hint, bool enabled) {
    auto* button = named(new QPushButton(caption, parent), name);
    SetHint(button, hint);
    button->setEnabled(enabled);
    return button;
}

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

    ModelPanel = named(new QTabWidget, "ModelPanel");
    Editor = new ModelEditor(model_, interaction_, separator_);
    auto* editorScroll = new QScrollArea;
    editorScroll->setWidget(Editor);
    editorScroll->setWidgetResizable(true);
    editorScroll->setFrameShape(QFrame::NoFrame);
    ModelPanel->addTab(editorScroll, QStringLiteral("Model"));
    Program = new ProgramSheet(model_, separator_);
    auto* programScroll = new QScrollArea;
    programScroll->setWidget(Program);
    programScroll->setWidgetResizable(true);
    programScroll->setFrameShape(QFrame::NoFrame);
    ModelPanel->addTab(programScroll, QStringLiteral("Program"));
    ModelPanel->addTab(buildSimulatedDataSheet(), QStringLiteral("Sim. data"));
    ModelPanel->addTab(buildExperimentalDataSheet(), QStringLiteral("Exp. data"));
    ModelPanel->addTab(buildPeaksSheet(), QStringLiteral("Peaks"));
    ModelPanel->addTab(buildEspSheet(), QStringLiteral("ESP"));

    Splitter1 = named(new QSplitter(Qt::Horizontal), "Splitter1");
    Splitter1->addWidget(buildChartColumn());
    Splitter1->addWidget(ModelPanel);
    Splitter1->addWidget(buildPilotPanel());
    Splitter1->setStretchFactor(0, 5);
    Splitter1->setStretchFactor(1, 3);
    Splitter1->setStretchFactor(2, 2);
    Splitter1->setChildrenCollapsible(false);
    setCentralWidget(Splitter1);

    // A renamed species renames its concentration profile.
    connect(Editor, &ModelEditor::speciesRenamed, this, [this](int index, const QString& name) {
        if (index >= 1 && index <= static_cast<int>(profileSeries.size()))
            profileSeries[index - 1]->setName(name);
    });

    MainStatusBar = named(new QStatusBar, "MainStatusBar");
    setStatusBar(MainStatusBar);
    Runs = new Potentiostat(*this, model_, interaction_, separator_);
    Curves = new ExperimentalCurves(*this, interaction_, separator_);
    Peaks = new PeakCommands(*this, *Curves, interaction_, separator_);
    connect(Curves, &ExperimentalCurves::curvesChanged, Runs, &Potentiostat::AutoScale);

    auto* voltammogramReadout =
        new ChartReadout(*VoltamogramPanel, *Label36, QStringLiteral("mV: "),
                         QStringLiteral("  \u00B5A: "), separator_);
    connect(voltammogramReadout, &ChartReadout::axisClicked, Runs, &Potentiostat::AutoScale);
    new ChartReadout(*ConcProfilPanel, *Label24, QStringLiteral("x: "), QStringLiteral(" conc: "),
                     separator_);
    ViewCommands = new ChartViewCommands(*this, interaction_, separator_);
    auto* hints = new HoverHints(separator_, this);
    for (ChartPanel* panel : {VoltamogramPanel, ConcProfilPanel, PilotChartPanel})
        hints->watch(*panel);
    hints->watch(*Editor->RedoxReactionsListBox);

    QToolButton* autoScale = VoltamogramPanel->button("AutoScaleButton");
    autoScale->setEnabled(true);
    connect(autoScale, &QToolButton::clicked, Runs, &Potentiostat::AutoScale);
    QToolButton* exportVoltammogram = findChild<QToolButton*>(QStringLiteral("SaveAsButton97"));
    exportVoltammogram->setEnabled(true);
    connect(exportVoltammogram, &QToolButton::clicked, this, &TForm1::SaveAsButton97Click);
    QToolButton* exportProfiles = ConcProfilPanel->button("ExportConcProfilesButton97");
    exportProfiles->setEnabled(true);
    connect(exportProfiles, &QToolButton::clicked, this, &TForm1::ExportConcProfilesButton97Click);
    connect(Program, &ProgramSheet::conversionProblem, this, [this](const QString& message) {
        if (message.isEmpty())
            MainStatusBar->clearMessage();
        else
            MainStatusBar->showMessage(message);
    });
    resize(1280, 800);
}

// The runs go first: a running engine is stopped while the window it draws
// into still stands. The curve commands watch the window's lists, so they go
// before the widgets do.
TForm1::~TForm1() {
    delete Runs;
    delete Peaks;
    delete Curves;
}

QToolButton* TForm1::toolButton(const char* name, const QString& caption, const QString& hint) {
    auto* button = named(new QToolButton, name);
    button->setText(caption);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    SetHint(button, hint);
    return button;
}

void TForm1::buildToolBar() {
    auto* bar = named(addToolBar(QStringLiteral("Main")), "MainToolBar");
    bar->setMovable(false);
    QToolButton* open = toolButton("OpenButton97", QStringLiteral("Open"),
                                   QStringLiteral("Open Model ( *.CVN; *.MEC )"));
    QToolButton* save = toolButton("SaveButton97", QStringLiteral("Save"),
                                   QStringLiteral("Save Current Model As ( *.CVN; *.MEC )"));
    connect(open, &QToolButton::clicked, this, &TForm1::LoadModelFrom);
    connect(save, &QToolButton::clicked, this, &TForm1::SaveModeleAs);
    bar->addWidget(open);
    bar->addWidget(save);
    bar->addSeparator();
    // Measured curves, curve files, pictures and the derivative come with
    // their own commands; their buttons stand here from the start.
    for (auto [name, caption, hint] :
         {std::tuple{"OpenOcvButton97", "Exp files", "Read experimental voltamograms"},
          std::tuple{"SaveAsOcvButton97", "Save sim.", "Save virtual voltamogram"},
          std::tuple{"SaveExperimentalVoltamogramAs", "Save exp.", "Save exp. voltamogram"},
          std::tuple{"SaveAsButton97", "Export", "Export Graph as MetaFile or BMP"},
          std::tuple{"ToggleDerivativeButton", "dI/dE", "Show/Hide voltamogram derivative"}}) {
        QToolButton* button = toolButton(name, QString::fromUtf8(caption), QString::fromUtf8(hint));
        button->setEnabled(false);
        bar->addWidget(button);
    }
    bar->addSeparator();
    QToolButton* rightPanel =
        toolButton("ToolbarButton975", QStringLiteral("Z+"),
                   QStringLiteral("Hide/Show Right panel| Click to make more space for "
                                  "voltamogram display"));
    rightPanel->setCheckable(true);
    connect(rightPanel, &QToolButton::toggled, this, [this](bool down) {
        ModelPanel->setVisible(!down);
        PilotPanel->setVisible(!down);
    });
    bar->addWidget(rightPanel);
    QToolButton* about =
        toolButton("AboutButton97", QStringLiteral("About"), QStringLiteral("About Ondrel"));
    connect(about, &QToolButton::clicked, this, &TForm1::ShowAbout);
    bar->addWidget(about);
    QToolButton* help =
        toolButton("ToolbarButton971", QStringLiteral("Help"), QStringLiteral("Help"));
    connect(help, &QToolButton::clicked, this, &TForm1::ShowHelp);
    bar->addWidget(help);
}

QWidget* TForm1::buildChartColumn() {
    VoltamogramPanel = new ChartPanel(
        QStringLiteral("VoltamogramPanel"), QStringLiteral("VoltamogramChart"),
        QStringLiteral("E (mV)"), QStringLiteral("I (\u00B5A)"),
        {{"FlipAxisButton97", QStringLiteral("\u2194E"), QStringLiteral("Flip potential axis")},
         {"ToolbarButton973", QStringLiteral("\u2195I"), QStringLiteral("Flip current axis")},
         {"ZoomVoltamogramButton97", QStringLiteral("Zoom"), QStringLiteral("Zoom Window"), true},
         {"Toggle3D1Button97", QStringLiteral("3D"), QStringLiteral("Toggle 3D mode"), true, true},
         {"RxZoomButton1", QString(), QStringLiteral("Zoom In/Out"), false, false, true},
         {"EditVoltamogramsSeries", QStringLiteral("Edit"), QStringLiteral("Open Graph Editor")},
         {"PrintVoltamogramButton97", QStringLiteral("Print"), QStringLiteral("Preview & Print")},
         {"ToolbarButton976", QStringLiteral("Track"), QStringLiteral("Track voltamogram"), true},
         {"AutoScaleButton", QStringLiteral("Auto"),
          QStringLiteral("Automatic scaling| Fit both axes to the curves shown (a click on an "
                         "axis does the same)")}});
    ConcProfilPanel = new ChartPanel(
        QStringLiteral("ConcProfilPanel"), QStringLiteral("ConcProfilChart"),
        QStringLiteral("Distance"), QStringLiteral("C (relative)"),
        {{"ZoomConcentrationButton97", QStringLiteral("Zoom"), QStringLiteral("Zoom Window"), true},
         {"Toggle3D2Button97", QStringLiteral("3D"), QStringLiteral("Toggle 3D mode"), true, true},
         {"RxZoomButton2", QString(), QStringLiteral("Zoom In/Out"), false, false, true},
         {"GraphProperties2Button97", QStringLiteral("Edit"), QStringLiteral("Open Graph Editor")},
         {"PrintConcProfilesButton97", QStringLiteral("Print"), QStringLiteral("Preview & Print")},
         {"ExportConcProfilesButton97", QStringLiteral("Export"),
          QStringLiteral("Export Graph as MetaFile or BMP")},
         {"ToolbarButton977", QStringLiteral("Track"),
          QStringLiteral("Track concentration profiles"), true}});
    // The view commands come with their own issue; their buttons stand here.
    for (ChartPanel* panel : {VoltamogramPanel, ConcProfilPanel})
        for (QToolButton* button : panel->findChildren<QToolButton*>())
            button->setEnabled(false);
    SetHint(VoltamogramPanel->view(), QStringLiteral("Voltamogram"));
    SetHint(ConcProfilPanel->view(), QStringLiteral("Concentration profiles"));
    Label36 = named(new QLabel(VoltamogramPanel), "Label36");
    Label24 = named(new QLabel(ConcProfilPanel), "Label24");
    for (QLabel* readout : {Label36, Label24})
        readout->setMinimumWidth(readout->fontMetrics().horizontalAdvance(
            QStringLiteral("mV: -1234.5  \u00B5A: -1234.5")));
    VoltamogramPanel->addToToolBar(Label36);
    ConcProfilPanel->addToToolBar(Label24);
    VoltamogramPanel->xAxis()->setRange(1000, 1600);
    VoltamogramPanel->yAxis()->setRange(-10, 10);
    ConcProfilPanel->xAxis()->setRange(0, 500);
    ConcProfilPanel->yAxis()->setRange(0, 1);
    Splitter2 = named(new QSplitter(Qt::Vertical), "Splitter2");
    Splitter2->addWidget(VoltamogramPanel);
    Splitter2->addWidget(ConcProfilPanel);
    Splitter2->setStretchFactor(0, 3);
    Splitter2->setStretchFactor(1, 2);
    Splitter2->setChildrenCollapsible(false);
    return Splitter2;
}

QWidget* TForm1::buildSimulatedDataSheet() {
    auto* sheet = named(new QWidget, "SimulatedDataSheet");
    auto* layout = new QVBoxLayout(sheet);
    auto* labels = new QHBoxLayout;
    StaticText2 = named(new QLabel(QStringLiteral("NoName"), sheet), "StaticText2");
    StaticText3 = named(new QLabel(QStringLiteral("0 pts"), sheet), "StaticText3");
    labels->addWidget(StaticText2, 1);
    labels->addWidget(StaticText3);
    layout->addLayout(labels);
    // A view over the run's points, given its model by the runs.
    SimulatedDataGrid = named(new QTableView(sheet), "SimulatedDataGrid");
    SimulatedDataGrid->verticalHeader()->hide();
    SimulatedDataGrid->horizontalHeader()->setStretchLastSection(true);
    SimulatedDataGrid->verticalHeader()->setDefaultSectionSize(
        SimulatedDataGrid->fontMetrics().height() + 4);
    layout->addWidget(SimulatedDataGrid, 1);
    return sheet;
}

QWidget* TForm1::buildExperimentalDataSheet() {
    auto* sheet = named(new QWidget, "ExperimentalDataSheet");
    auto* layout = new QVBoxLayout(sheet);
    RealExpListBox = named(new QListWidget(sheet), "RealExpListBox");
    RealExpListBox->setMaximumHeight(110);
    SetHint(RealExpListBox, QStringLiteral("Exp. voltamograms| Tick to show, Delete to remove"));
    layout->addWidget(RealExpListBox);
    auto* labels = new QHBoxLayout;
    ExpInputFileName = named(new QLabel(QString(), sheet), "ExpInputFileName");
    ExpInputFileNpts = named(new QLabel(QStringLiteral("0 pts"), sheet), "ExpInputFileNpts");
    labels->addWidget(ExpInputFileName, 1);
    labels->addWidget(ExpInputFileNpts);
    layout->addLayout(labels);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(pushButton(sheet, "FindExpPeaksButton", QStringLiteral("Peaks"),
                                  QStringLiteral("Find Peaks in selected exp. voltamogram"),
                                  false));
    buttons->addWidget(pushButton(sheet, "SmoothExpButton", QStringLiteral("Smooth"),
                                  QStringLiteral("Smooth selected exp. voltamogram"), false));
    buttons->addWidget(pushButton(sheet, "SaveSmoothedButton", QStringLiteral("Save smoothed"),
                                  QStringLiteral("Save smoothed  exp. voltamogram"), true));
    RxSpinEdit1 = named(new QSpinBox(sheet), "RxSpinEdit1");
    RxSpinEdit1->setRange(5, 25);
    RxSpinEdit1->setSingleStep(2);
    RxSpinEdit1->setValue(11);
    RxSpinEdit1->setEnabled(false);
    SetHint(RxSpinEdit1, QStringLiteral("Smooth Order (Savitsky-Golay)"));
    buttons->addWidget(new QLabel(QStringLiteral("Width"), sheet));
    buttons->addWidget(RxSpinEdit1);
    buttons->addStretch();
    layout->addLayout(buttons);
    ExpDataGrid = grid(sheet, "ExpDataGrid");
    layout->addWidget(ExpDataGrid, 1);
    return sheet;
}

QWidget* TForm1::buildPeaksSheet() {
    auto* sheet = named(new QWidget, "PeaksSheet");
    auto* layout = new QGridLayout(sheet);
    layout->addWidget(
        pushButton(sheet, "FindPeaksButton", QStringLiteral("Find peaks"),
                   QStringLiteral("Find Peaks in selected virtual voltamogram"), false),
        0, 0, 1, 2, Qt::AlignLeft);
    // The simulated and the measured peaks side by side, each with its
    // curve's title above and its couples below; the derivative under both.
    StaticText4 = named(new QLabel(QStringLiteral("Simulated"), sheet), "StaticText4");
    StaticText1 = named(new QLabel(QStringLiteral("Experimental"), sheet), "StaticText1");
    VirtualVoltamogramsPeakGrid = grid(sheet, "VirtualVoltamogramsPeakGrid");
    PeaksGrid = grid(sheet, "PeaksGrid");
    VirtualCouples = named(new QPlainTextEdit(sheet), "VirtualCouples");
    MeasuredCouples = named(new QPlainTextEdit(sheet), "MeasuredCouples");
    int column = 0;
    for (auto [title, peaks, couples] :
         {std::tuple{StaticText4, VirtualVoltamogramsPeakGrid, VirtualCouples},
          std::tuple{StaticText1, PeaksGrid, MeasuredCouples}}) {
        title->setWordWrap(true);
        // Four lines high, wrapped; a noisy curve's many couples scroll.
        couples->setReadOnly(true);
        couples->setFixedHeight(couples->fontMetrics().lineSpacing() * 4 +
                                2 * couples->frameWidth() + 8);
        layout->addWidget(title, 1, column);
        layout->addWidget(peaks, 2, column);
        layout->addWidget(couples, 3, column);
        ++column;
    }
    layout->addWidget(new QLabel(QStringLiteral("Derivative"), sheet), 4, 0, 1, 2);
    StringGridDerivative1 = grid(sheet, "StringGridDerivative1");
    layout->addWidget(StringGridDerivative1, 5, 0, 1, 2);
    layout->setRowStretch(2, 2);
    layout->setRowStretch(5, 3);
    return sheet;
}

QWidget* TForm1::buildEspSheet() {
    auto* sheet = named(new QWidget, "EspSheet");
    auto* layout = new QVBoxLayout(sheet);
    auto* header = new QGroupBox(QStringLiteral("Mechanism header"), sheet);
    auto* form = new QGridLayout(header);
    int at = 0;
    for (auto [edit, name, caption] :
         {std::tuple{&EditSR, "EditSR", "SR (V/s)"}, std::tuple{&EditIP, "EditIP", "IP (V)"},
          std::tuple{&EditV1, "EditV1", "V1 (V)"}, std::tuple{&EditV2, "EditV2", "V2 (V)"},
          std::tuple{&EditFP, "EditFP", "FP (V)"}, std::tuple{&EditAR, "EditAR", "AR (cm\u00B2)"},
          std::tuple{&EditTE, "EditTE", "TE (\u00B0C)"}}) {
        *edit = named(new QLineEdit(header), name);
        (*edit)->setReadOnly(true);
        form->addWidget(new QLabel(QString::fromUtf8(caption), header), at / 2, (at % 2) * 2);
        form->addWidget(*edit, at / 2, (at % 2) * 2 + 1);
        ++at;
    }
    layout->addWidget(header);
    Memo1 = named(new QPlainTextEdit(sheet), "Memo1");
    Memo1->setReadOnly(true);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(Memo1, 1);
    return sheet;
}

QWidget* TForm1::buildPilotPanel() {
    PilotPanel = named(new QWidget, "PilotPanel");
    auto* layout = new QVBoxLayout(PilotPanel);
    layout->setContentsMargins(2, 2, 2, 2);
    PilotChartPanel = new ChartPanel(
        QStringLiteral("PilotChartPanel"), QStringLiteral("PilotChart"), QStringLiteral("Step"),
        QStringLiteral("E (mV)"),
        {{"ToolbarButton978", QStringLiteral("Track"), QStringLiteral("Track pilot"), true},
         {"ToolbarButton974", QStringLiteral("Edit"), QStringLiteral("Open Graph Editor")}});
    for (QToolButton* button : PilotChartPanel->findChildren<QToolButton*>())
        button->setEnabled(false);
    SetHint(PilotChartPanel->view(), QStringLiteral("Pilot"));
    PilotChartPanel->xAxis()->setRange(-100, 2100);
    // A narrow panel: few step labels, each whole.
    PilotChartPanel->xAxis()->setTickCount(3);
    PilotChartPanel->xAxis()->setLabelFormat(QStringLiteral("%.0f"));
    PilotChartPanel->yAxis()->setRange(1000, 1600);
    layout->addWidget(PilotChartPanel, 3);

    auto* switches = new QGridLayout;
    RxRunExperiment = pushButton(PilotPanel, "RxRunExperiment", QStringLiteral("Start"),
                                 QStringLiteral("Start/Stop Scan | Scan can be Canceled"), false);
    RxFreeze = pushButton(PilotPanel, "RxFreeze", QStringLiteral("Freeze"),
                          QStringLiteral("Freeze the current siumlation when pushed (to take a "
                                         "snapshot)"),
                          false);
    RxHold = pushButton(PilotPanel, "RxHold", QStringLiteral("Hold"),
                        QStringLiteral("Hold potential while running time when pushed"), false);
    RxPowerSwitch = pushButton(PilotPanel, "RxPowerSwitch", QStringLiteral("Power"),
                               QStringLiteral("Turn Main Power OFF (Quit application)"), true);
    for (QPushButton* button : {RxRunExperiment, RxFreeze, RxHold, RxPowerSwitch})
        button->setCheckable(true);
    RxPowerSwitch->setChecked(true);
    connect(RxPowerSwitch, &QPushButton::clicked, this, [this](bool on) {
        if (on)
            return;
        if (confirmExit())
            close();
        else
            RxPowerSwitch->setChecked(true);
    });
    switches->addWidget(RxRunExperiment, 0, 0);
    switches->addWidget(RxFreeze, 0, 1);
    switches->addWidget(RxHold, 1, 0);
    switches->addWidget(RxPowerSwitch, 1, 1);
    layout->addLayout(switches);

    auto* readouts = new QFormLayout;
    PotentialLabel = named(new QLabel(QStringLiteral("0"), PilotPanel), "PotentialLabel");
    CurrentLabel = named(new QLabel(QStringLiteral("0"), PilotPanel), "CurrentLabel");
    TimeLabel = named(new QLabel(QStringLiteral("0"), PilotPanel), "TimeLabel");
    readouts->addRow(QStringLiteral("E (mV)"), PotentialLabel);
    readouts->addRow(QStringLiteral("I (A)"), CurrentLabel);
    readouts->addRow(QStringLiteral("Step"), TimeLabel);
    layout->addLayout(readouts);

    auto* history = new QGroupBox(QStringLiteral("History"), PilotPanel);
    auto* historyLayout = new QVBoxLayout(history);
    VirtualExpListBox = named(new QListWidget(history), "VirtualExpListBox");
    historyLayout->addWidget(VirtualExpListBox, 1);
    AutoSaveInHistory = named(new QCheckBox(QStringLiteral("Auto save in history list"), history),
                              "AutoSaveInHistory");
    AutoSaveInHistory->setChecked(true);
    ReloadOnSingleClick = named(new QRadioButton(QStringLiteral("Reload On Single Click"), history),
                                "ReloadOnSingleClick");
    ReloadOnDoubleClick = named(new QRadioButton(QStringLiteral("Reload On Double Click"), history),
                                "ReloadOnDoubleClick");
    ReloadOnSingleClick->setChecked(true);
    historyLayout->addWidget(AutoSaveInHistory);
    historyLayout->addWidget(ReloadOnSingleClick);
    historyLayout->addWidget(ReloadOnDoubleClick);
    historyLayout->addWidget(
        pushButton(history, "DeleteVirtualVoltamogram", QStringLiteral("Delete"),
                   QStringLiteral("Delete selected virtual voltamogram"), false));
    layout->addWidget(history, 2);
    return PilotPanel;
}

void TForm1::SetModelName(const std::string& name) {
    modelName_ = name;
    Program->EditBaseName->setText(qs(name));
}

void TForm1::showMecHeader(const MecHeader& header) {
    EditSR->setText(qs(header.SR));
    EditIP->setText(qs(header.IP));
    EditV1->setText(qs(header.V1));
    EditV2->setText(qs(header.V2));
    EditFP->setText(qs(header.FP));
    EditAR->setText(qs(header.AR));
    EditTE->setText(qs(header.TE));
}

void TForm1::refreshFromModel() {
    Program->ShowModel();
    Editor->RebuildAll();
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
        if (!LoadModelFile(path.toStdString(), loaded, separator_, &extras))
            throw Exception("Extension: " + ExtensionOf(path.toStdString()) +
                            " non reconnue (a model file ends in .CVN or .MEC)");
    } catch (const std::exception& error) {
        interaction_.showError(qs(error.what()));
        return false;
    }
    const QString fileName = QFileInfo(path).fileName();
    SetModelName(ModelNameOf(path.toStdString()));
    setWindowTitle(fileName);
    StaticText2->setText(fileName);
    model_ = std::move(loaded);
    if (extras.header) {
        Memo1->setPlainText(qs(extras.text));
        showMecHeader(*extras.header);
    }
    refreshFromModel();
    return true;
}

void TForm1::SaveModeleAs() {
    // The program's boxes hold what the user sees: they are saved too.
    try {
        Program->ReadProgram();
    } catch (const Exception& error) {
        interaction_.showError(qs(error.what()));
        return;
    }
    FileRequest request;
    request.filters = {{QStringLiteral("Fichiers CVN (*.cvn)"), QStringLiteral("*.CVN")},
                       {QStringLiteral("Fichiers MEC (*.mec)"), QStringLiteral("*.MEC")}};
    request.defaultExtension = QStringLiteral("CVN");
    request.suggestedName = qs(modelName_);
    const QString path = interaction_.getSaveFileName(request);
    if (path.isEmpty())
        return;
    SetModelName(ModelNameOf(path.toStdString()));
    try {
        WriteWholeFile(path.toStdString(), ModelFileText(model_, path.toStdString(), separator_));
    } catch (const Exception& error) {
        interaction_.showError(qs(error.what()));
    }
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

void TForm1::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (options_.splash && !splashShown_) {
        splashShown_ = true;
        QTimer::singleShot(0, this, [this] { interaction_.showAbout(true); });
    }
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
