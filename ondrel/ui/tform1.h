#pragma once

#include <QMainWindow>
#include <string>
#include <vector>

#include "../model/model.h"
#include "interaction.h"

class QAbstractButton;
class QCheckBox;
class QDoubleSpinBox;
class QLineSeries;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QScatterSeries;
class QSpinBox;
class QSplitter;
class QStatusBar;
class QTableView;
class QTableWidget;
class QTabWidget;
class QToolButton;

namespace ondrel {

class ChartPanel;
class ChartViewCommands;
class ExperimentalCurves;
class FitSheet;
struct FitParameter;
struct MecHeader;
class ModelEditor;
class PeakCommands;
class Potentiostat;
class ProgramSheet;

// The main window: the chart column on the left, the model panel's sheets
// and the pilot panel on the right, the main tool bar and the status bar.
// It owns the current model for its whole life. The window builds every
// control and hands each collaborator (the runs, the measured curves, the
// peak commands, the chart view commands) the controls it drives.
class TForm1 final : public QMainWindow {
    Q_OBJECT

public:
    struct Options {
        bool splash = false;  // the about window as a start-up splash
    };
    TForm1(Interaction& interaction, Options options, QWidget* parent = nullptr);
    ~TForm1() override;

    const TModel& model() const { return model_; }
    const std::string& modelName() const { return modelName_; }

    // Opens a file named on the command line as its dialog would: a model
    // (.CVN, .MEC) is loaded, a voltammogram (.OCV, .AA0, .PRN) is read as a
    // measured curve; any other file is reported.
    void OpenFile(const QString& path);

    // Files named on the command line: opened as OpenFile does once the
    // window shows, after the start-up splash.
    void OpenAtStart(const QStringList& paths);

    // Loads a model file. A failure is shown and changes nothing.
    bool LoadModel(const QString& path);

    // The model's base name, shown in EditBaseName.
    void SetModelName(const std::string& name);

    ModelEditor* Editor;
    Potentiostat* Runs;
    ExperimentalCurves* Curves;
    PeakCommands* Peaks;
    ChartViewCommands* ViewCommands;
    ProgramSheet* Program;
    FitSheet* Fit;
    QTabWidget* ModelPanel;
    QWidget* PilotPanel;
    QSplitter *Splitter1, *Splitter2;
    ChartPanel *VoltamogramPanel, *ConcProfilPanel, *PilotChartPanel;
    QStatusBar* MainStatusBar;
    QToolButton *OpenOcvButton97, *SaveAsOcvButton97, *SaveExperimentalVoltamogramAs,
        *SaveAsButton97, *ToggleDerivativeButton;

    QLabel *StaticText2, *StaticText3;
    QTableView* SimulatedDataGrid;
    QPlainTextEdit* Memo1;
    QLineEdit *EditSR, *EditIP, *EditV1, *EditV2, *EditFP, *EditAR, *EditTE;

    QPushButton *RxRunExperiment, *RxFreeze, *RxHold, *RxPowerSwitch, *DeleteVirtualVoltamogram;
    QLabel *PotentialLabel, *CurrentLabel, *TimeLabel;
    QLabel *ElectrodePotentialLabel, *ElectrodePotentialCaption;
    QListWidget* VirtualExpListBox;
    QCheckBox* AutoSaveInHistory;
    QRadioButton *ReloadOnSingleClick, *ReloadOnDoubleClick;

    // Measured curves, peaks, smoothing and the derivative.
    QListWidget* RealExpListBox;
    QTableView *ExpDataGrid, *PeaksGrid, *VirtualVoltamogramsPeakGrid, *StringGridDerivative1;
    QLabel *ExpInputFileName, *ExpInputFileNpts, *StaticText1, *StaticText4;
    QPlainTextEdit *MeasuredCouples, *VirtualCouples;  // ΔEp, E½ and the current ratio
    QPushButton *FindPeaksButton, *FindExpPeaksButton, *SmoothExpButton, *SaveSmoothedButton,
        *SubtractBlankButton;
    QSpinBox* RxSpinEdit1;
    QDoubleSpinBox* ProminenceSpinEdit;  // the peaks' prominence threshold, × noise
    QLineSeries *SerieDerivee1, *SeriesExpSmoothed;
    QScatterSeries *SimPeaksSeries, *ExpPeaksSeries;
    // The values under the mouse over the voltammogram and profile charts.
    QLabel *Label36, *Label24;

signals:
    // The model changed as a whole or in part: an edit, a load, a recall,
    // an accepted fit.
    void modelChanged();

public slots:
    void LoadModelFrom();
    void SaveModeleAs();
    void SaveAsButton97Click();
    void ExportConcProfilesButton97Click();
    void ShowAbout();
    void ShowHelp();
    // Puts a fit's values into the model.
    void AcceptFit(const std::vector<FitParameter>& fitted);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QToolButton* toolButton(const char* name, const QString& caption, const QString& hint);
    void buildToolBar();
    QWidget* buildPanels();
    QTabWidget* buildModelPanel();
    QWidget* buildChartColumn();
    QWidget* buildSimulatedDataSheet();
    QWidget* buildExperimentalDataSheet();
    QWidget* buildPeaksSheet();
    QWidget* buildEspSheet();
    QWidget* buildPilotPanel();
    void createCollaborators();
    void addFitSheet();
    void wireWindowCommands();
    void showMecHeader(const MecHeader& header);
    void refreshFromModel();
    void openPendingFiles();
    bool confirmExit();
    void exportChart(ChartPanel& panel);

    Interaction& interaction_;
    const Options options_;
    const char separator_;
    TModel model_;
    std::string modelName_ = "NoName";
    bool started_ = false;  // shown once: the splash and the files at start
    QStringList pendingFiles_;
    bool exitConfirmed_ = false;
};

}  // namespace ondrel
