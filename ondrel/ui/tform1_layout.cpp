// How the main window is laid out: the tool bar, the chart column, the
// model panel's sheets and the pilot panel with the run switches and the
// history.
#include <QChartView>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QValueAxis>

#include "../curves/peaks.h"
#include "../platform/ondrel_error.h"
#include "charts/axis_scaling.h"
#include "charts/chart_panel.h"
#include "hints.h"
#include "potentiostat/potentiostat.h"
#include "qt_text.h"
#include "sheets/fit_sheet.h"
#include "sheets/model_editor.h"
#include "sheets/program_sheet.h"
#include "tform1.h"

namespace ondrel {

namespace {

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
                        const QString& hint) {
    auto* button = named(new QPushButton(caption, parent), name);
    SetHint(button, hint);
    return button;
}

// A sheet in a frameless scroll area, for a pane lower than the sheet. The
// pane is kept as wide as the sheet needs, so that it never scrolls
// sideways: a focused field would take the lists' left side out of view.
QScrollArea* scrolled(QWidget* sheet) {
    auto* scroll = new QScrollArea;
    scroll->setWidget(sheet);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setMinimumWidth(sheet->minimumSizeHint().width() +
                            scroll->verticalScrollBar()->sizeHint().width());
    return scroll;
}

}  // namespace

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
    // Measured curves, curve files, pictures and the derivative.
    for (auto [button, name, caption, hint] :
         {std::tuple{&OpenOcvButton97, "OpenOcvButton97", "Exp files",
                     "Read experimental voltamograms"},
          std::tuple{&SaveAsOcvButton97, "SaveAsOcvButton97", "Save sim.",
                     "Save virtual voltamogram"},
          std::tuple{&SaveExperimentalVoltamogramAs, "SaveExperimentalVoltamogramAs", "Save exp.",
                     "Save exp. voltamogram"},
          std::tuple{&SaveAsButton97, "SaveAsButton97", "Export",
                     "Export Graph as MetaFile or BMP"},
          std::tuple{&ToggleDerivativeButton, "ToggleDerivativeButton", "dI/dE",
                     "Show/Hide voltamogram derivative"}}) {
        *button = toolButton(name, QString::fromUtf8(caption), QString::fromUtf8(hint));
        bar->addWidget(*button);
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

QWidget* TForm1::buildPanels() {
    ModelPanel = buildModelPanel();
    Splitter1 = named(new QSplitter(Qt::Horizontal), "Splitter1");
    Splitter1->addWidget(buildChartColumn());
    Splitter1->addWidget(ModelPanel);
    Splitter1->addWidget(buildPilotPanel());
    Splitter1->setStretchFactor(0, 5);
    Splitter1->setStretchFactor(1, 3);
    Splitter1->setStretchFactor(2, 2);
    Splitter1->setChildrenCollapsible(false);
    return Splitter1;
}

// The fit sheet watches the measured curves, so it comes after them.
void TForm1::addFitSheet() {
    FitSheet::Hooks hooks;
    // A fit takes the model as a run does: the program's boxes and the
    // editors' pending changes first.
    hooks.prepare = [this] {
        try {
            Program->ReadProgram();
        } catch (const Exception& error) {
            interaction_.showError(ToQString(error.what()));
            return false;
        }
        return Editor->ApplyPending();
    };
    hooks.takeProgram = [this](const TPilot& program) {
        model_.pilot = program;
        Program->ShowModel();
        emit modelChanged();
    };
    Fit = new FitSheet(model_, *Curves, *RealExpListBox, interaction_, separator_, hooks);
    ModelPanel->addTab(scrolled(Fit), QStringLiteral("Fit"));
    connect(Fit, &FitSheet::fitAccepted, this, &TForm1::AcceptFit);
    connect(this, &TForm1::modelChanged, Fit, &FitSheet::FollowModel);
    connect(Editor, &ModelEditor::modelEdited, this, &TForm1::modelChanged);
    connect(Runs, &Potentiostat::experimentRecalled, this, &TForm1::modelChanged);
}

QTabWidget* TForm1::buildModelPanel() {
    auto* panel = named(new QTabWidget, "ModelPanel");
    Editor = new ModelEditor(model_, interaction_, separator_);
    panel->addTab(scrolled(Editor), QStringLiteral("Model"));
    Program = new ProgramSheet(model_, separator_);
    panel->addTab(scrolled(Program), QStringLiteral("Program"));
    panel->addTab(buildSimulatedDataSheet(), QStringLiteral("Sim. data"));
    panel->addTab(buildExperimentalDataSheet(), QStringLiteral("Exp. data"));
    panel->addTab(buildPeaksSheet(), QStringLiteral("Peaks"));
    panel->addTab(buildEspSheet(), QStringLiteral("ESP"));
    return panel;
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
    SetHint(VoltamogramPanel->view(), QStringLiteral("Voltamogram"));
    SetHint(ConcProfilPanel->view(), QStringLiteral("Concentration profiles"));
    Label36 = named(new QLabel(VoltamogramPanel), "Label36");
    Label24 = named(new QLabel(ConcProfilPanel), "Label24");
    for (QLabel* readout : {Label36, Label24})
        readout->setMinimumWidth(readout->fontMetrics().horizontalAdvance(
            QStringLiteral("mV: -1234.5  \u00B5A: -1234.5")));
    VoltamogramPanel->addToToolBar(Label36);
    ConcProfilPanel->addToToolBar(Label24);
    // The empty voltammogram's first view; its axes stay automatic, so the
    // first curve shown sets them.
    SetAutomaticRange(*VoltamogramPanel->xAxis(), 1000, 1600, false);
    SetAutomaticRange(*VoltamogramPanel->yAxis(), -10, 10, false);
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
    FindExpPeaksButton = pushButton(sheet, "FindExpPeaksButton", QStringLiteral("Peaks"),
                                    QStringLiteral("Find Peaks in selected exp. voltamogram"));
    SmoothExpButton = pushButton(sheet, "SmoothExpButton", QStringLiteral("Smooth"),
                                 QStringLiteral("Smooth selected exp. voltamogram"));
    SaveSmoothedButton = pushButton(sheet, "SaveSmoothedButton", QStringLiteral("Save smoothed"),
                                    QStringLiteral("Save smoothed  exp. voltamogram"));
    SubtractBlankButton =
        pushButton(sheet, "SubtractBlankButton", QStringLiteral("Subtract blank"),
                   QStringLiteral("Subtract a blank voltamogram from the selected exp. "
                                  "voltamogram"));
    for (QPushButton* button :
         {FindExpPeaksButton, SmoothExpButton, SaveSmoothedButton, SubtractBlankButton})
        buttons->addWidget(button);
    RxSpinEdit1 = named(new QSpinBox(sheet), "RxSpinEdit1");
    RxSpinEdit1->setRange(5, 25);
    RxSpinEdit1->setSingleStep(2);
    RxSpinEdit1->setValue(11);
    SetHint(RxSpinEdit1, QStringLiteral("Smooth Order (Savitsky-Golay)"));
    buttons->addStretch();
    layout->addLayout(buttons);
    // The filter's width and the peaks' threshold, on a row of their own.
    auto* filter = new QHBoxLayout;
    filter->addWidget(new QLabel(QStringLiteral("Width"), sheet));
    filter->addWidget(RxSpinEdit1);
    ProminenceSpinEdit = named(new QDoubleSpinBox(sheet), "ProminenceSpinEdit");
    ProminenceSpinEdit->setRange(0, 1000);
    ProminenceSpinEdit->setDecimals(1);
    ProminenceSpinEdit->setValue(kDefaultProminence);
    ProminenceSpinEdit->setSuffix(QStringLiteral(" \u00D7 noise"));
    SetHint(ProminenceSpinEdit,
            QStringLiteral("Peak prominence|How far a peak must stand out of the curve around it, "
                           "in multiples of the curve's noise; 0 lists every zero of the "
                           "derivative"));
    filter->addWidget(new QLabel(QStringLiteral("Prominence"), sheet));
    filter->addWidget(ProminenceSpinEdit);
    filter->addStretch();
    layout->addLayout(filter);
    ExpDataGrid = grid(sheet, "ExpDataGrid");
    layout->addWidget(ExpDataGrid, 1);
    return sheet;
}

QWidget* TForm1::buildPeaksSheet() {
    auto* sheet = named(new QWidget, "PeaksSheet");
    auto* layout = new QGridLayout(sheet);
    FindPeaksButton = pushButton(sheet, "FindPeaksButton", QStringLiteral("Find peaks"),
                                 QStringLiteral("Find Peaks in selected virtual voltamogram"));
    layout->addWidget(FindPeaksButton, 0, 0, 1, 2, Qt::AlignLeft);
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
    SetHint(PilotChartPanel->view(), QStringLiteral("Pilot"));
    PilotChartPanel->xAxis()->setRange(-100, 2100);
    PilotChartPanel->yAxis()->setRange(1000, 1600);
    layout->addWidget(PilotChartPanel, 3);

    auto* switches = new QGridLayout;
    RxRunExperiment = pushButton(PilotPanel, "RxRunExperiment", QStringLiteral("Start"),
                                 QStringLiteral("Start/Stop Scan | Scan can be Canceled"));
    RxFreeze = pushButton(PilotPanel, "RxFreeze", QStringLiteral("Freeze"),
                          QStringLiteral("Freeze the current siumlation when pushed (to take a "
                                         "snapshot)"));
    RxHold = pushButton(PilotPanel, "RxHold", QStringLiteral("Hold"),
                        QStringLiteral("Hold potential while running time when pushed"));
    RxPowerSwitch = pushButton(PilotPanel, "RxPowerSwitch", QStringLiteral("Power"),
                               QStringLiteral("Turn Main Power OFF (Quit application)"));
    // Freeze and hold act on a running engine only.
    RxFreeze->setEnabled(false);
    RxHold->setEnabled(false);
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
    // The electrode's own potential, apart from the applied one while an
    // uncompensated resistance acts.
    ElectrodePotentialCaption = new QLabel(QStringLiteral("E electrode (mV)"), PilotPanel);
    ElectrodePotentialLabel = named(new QLabel(PilotPanel), "ElectrodePotentialLabel");
    SetHint(ElectrodePotentialLabel,
            QStringLiteral("The applied potential less the ohmic drop i\u00B7Ru"));
    readouts->addRow(ElectrodePotentialCaption, ElectrodePotentialLabel);
    ElectrodePotentialCaption->hide();
    ElectrodePotentialLabel->hide();
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
    DeleteVirtualVoltamogram =
        pushButton(history, "DeleteVirtualVoltamogram", QStringLiteral("Delete"),
                   QStringLiteral("Delete selected virtual voltamogram"));
    historyLayout->addWidget(DeleteVirtualVoltamogram);
    layout->addWidget(history, 2);
    return PilotPanel;
}

}  // namespace ondrel
