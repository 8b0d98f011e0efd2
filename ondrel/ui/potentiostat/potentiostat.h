#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <atomic>
#include <exception>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "../../engine/cv_point.h"
#include "../../platform/ondrel_error.h"
#include "../../runs/experiment_history.h"
#include "../../runs/live_run.h"
#include "../charts/run_charts.h"
#include "../interaction.h"

class QAbstractButton;
class QCheckBox;
class QLabel;
class QLineSeries;
class QListWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QStatusBar;
class QTableView;

namespace ondrel {

class ChartPanel;
class CVSimulation;
class ModelEditor;
class PointsTableModel;
class ProgramSheet;

inline constexpr const char* kErrorWhileRunning = "Error while Running Experiment";
inline constexpr const char* kRefreshProfilesError = "Error in RefreshConcProfile()";
inline constexpr const char* kCantFindVirtual = "Can't find target VirtualExperiment";

// The virtual potentiostat: the run, freeze, hold and track switches, the
// live charts and read-outs, the simulated-data grid and the history of
// stored experiments. The engine runs on a thread of its own; everything
// the window shows is drawn on the user-interface thread from the frames
// the live display gathers.
class Potentiostat final : public QObject {
    Q_OBJECT

public:
    // The window's controls that the potentiostat drives.
    struct Widgets {
        ChartPanel *voltammogram, *profiles, *pilot;
        QStatusBar* statusBar;  // the run's progress
        QTableView* pointsGrid;
        QLabel *curveTitle, *pointCount;  // over the points grid
        QPushButton *run, *freeze, *hold;
        QLabel *potential, *current, *step;  // the live read-outs
        // The electrode's own potential and its caption, shown while an
        // uncompensated resistance acts.
        QLabel *electrodePotential, *electrodePotentialCaption;
        QAbstractButton *trackVoltammogram, *trackProfiles, *trackPilot;
        QListWidget* history;
        QCheckBox* autoSave;
        QRadioButton *reloadOnSingleClick, *reloadOnDoubleClick;
        QAbstractButton* deleteExperiment;
    };

    // Runs model, named modelName, with the program of program's boxes and
    // the changes pending in editor.
    Potentiostat(const Widgets& widgets, TModel& model, const std::string& modelName,
                 ProgramSheet& program, ModelEditor& editor, Interaction& interaction,
                 char separator);
    ~Potentiostat() override;

    bool running() const { return engine_ != nullptr; }
    // Stops a run and waits for its engine to end; nothing is stored.
    void StopAndWait();

    const ExperimentHistory& history() const { return history_; }
    // The history row selected in its list; without one, the error "Can't
    // find target VirtualExperiment" is shown and -1 returned.
    int SelectedExperiment();
    QLineSeries* historySeries(std::size_t row) const { return historySeries_.at(row); }
    // Keeps the model as it stands recallable from the history: stores it
    // with its curve unless an equal experiment is stored already. The curve
    // is the last run's when that ran this very model, else a simulation of
    // the model made now; a model that cannot be simulated is stored without
    // one, and a message says why.
    void KeepModelInHistory();
    // The points of the last run, also of one that was stopped.
    const std::vector<CVpoint>& currentPoints() const { return currentPoints_; }
    // How long the engine of the last run computed, in seconds.
    double lastRunSeconds() const { return lastRunSeconds_; }
    // The last step the running engine finished, -1 without a run.
    std::int64_t engineStep() const { return live_ ? live_->lastStep() : -1; }
    QLabel* abortedBanner() const { return banner_; }
    PointsTableModel* gridModel() const { return grid_; }
    RunCharts& charts() { return charts_; }

    static constexpr int kBannerTickMs = 150;
    static constexpr int kDrainIntervalMs = 20;
    static constexpr int kBannerTicks = 10;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    // A run started; its curve is not yet stored.
    void runStarted();
    // A run ended, whatever its outcome, and the window shows it.
    void runEnded();
    // A stored curve was ticked or unticked in the history list.
    void historyCurveShown(QLineSeries* series, bool shown);
    // A stored curve is about to be destroyed.
    void historyCurveRemoved(QLineSeries* series);
    // A stored experiment was recalled into the model, and the editor and
    // the boxes show it; the model takes its name.
    void experimentRecalled(const std::string& modelName);

public slots:
    // Both axes of the voltammogram chart made automatic again and fitted
    // to every curve shown.
    void AutoScale();
    // After the curves shown changed: the automatic axes follow them, fixed
    // ones keep their range.
    void FitAutomaticAxes();
    void RunSwitchClicked(bool on);
    void Recall(int row);
    void DeleteRow(int row);

private:
    void buildBanner();
    void buildProgress();
    void wireSwitches();
    void wireHistory();
    void startRun();
    bool buildAndStart();
    void drainFrame();
    void applyFrame(LiveFrame frame);
    void finishRun();
    void storeExperiment();
    void addHistoryRow(const TVirtualExperiment& stored, QLineSeries* series);
    void showEqualExperiment(std::size_t row);
    void followVisibility(QLineSeries* series);
    void resetRunControls();
    void destroySnapshot();
    void blinkAborted();
    void showGrid(const std::vector<CVpoint>& points, const QString& title);
    void updateProgress();
    void setTracking();

    const Widgets w_;
    TModel& model_;
    const std::string& modelName_;
    ProgramSheet& program_;
    ModelEditor& editor_;
    Interaction& interaction_;
    const char separator_;

    // A run: its snapshot and curve, and the engine on its thread.
    std::optional<TVirtualExperiment> snapshot_;
    QLineSeries* currentSeries_ = nullptr;
    std::unique_ptr<LiveRun> live_;
    std::unique_ptr<CVSimulation> engine_;
    std::vector<CVpoint> enginePoints_;  // written by the engine's thread only
    std::atomic<bool> freeze_{false};
    std::atomic<double> lastRunSeconds_{0};
    std::thread worker_;
    std::exception_ptr failure_, drawFailure_;
    QTimer drainTimer_;

    std::vector<CVpoint> currentPoints_;
    // The experiment of the last run that completed, whose curve
    // currentPoints_ holds.
    std::optional<TVirtualExperiment> lastRun_;
    ExperimentHistory history_;
    std::vector<QLineSeries*> historySeries_;
    RunCharts charts_;

    PointsTableModel* grid_;
    QLabel* banner_;
    QTimer bannerTimer_;
    int bannerTicks_ = 0;
    QProgressBar* progress_;
    QLabel* progressText_;
    QTimer progressTimer_;
    QElapsedTimer elapsed_;
};

}  // namespace ondrel
