#include "potentiostat.h"

#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineSeries>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTableView>
#include <QToolButton>
#include <QValueAxis>
#include <chrono>
#include <cmath>

#include "../../engine/cv_engine.h"
#include "../../engine/engine_errors.h"
#include "../../engine/model_check.h"
#include "../../model/validity.h"
#include "../../platform/ondrel_error.h"
#include "../../runs/refresh_schedule.h"
#include "../../runs/run_tables.h"
#include "../charts/chart_panel.h"
#include "../qt_text.h"
#include "../sheets/model_editor.h"
#include "../sheets/points_table_model.h"
#include "../sheets/program_sheet.h"

namespace ondrel {

namespace {

QString duration(qint64 ms) {
    const qint64 s = (ms + 500) / 1000;
    return s < 60 ? QStringLiteral("%1 s").arg(s)
                  : QStringLiteral("%1 min %2 s").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace

Potentiostat::Potentiostat(const Widgets& widgets, TModel& model, const std::string& modelName,
                           ProgramSheet& program, ModelEditor& editor, Interaction& interaction,
                           char separator)
    : w_(widgets),
      model_(model),
      modelName_(modelName),
      program_(program),
      editor_(editor),
      interaction_(interaction),
      separator_(separator),
      charts_(*widgets.voltammogram, *widgets.profiles, *widgets.pilot) {
    grid_ = new PointsTableModel(separator_, this);
    w_.pointsGrid->setModel(grid_);
    buildBanner();
    buildProgress();
    wireSwitches();
    wireHistory();
    // A renamed species renames its concentration profile.
    connect(&editor_, &ModelEditor::speciesRenamed, this,
            [this](int index, const QString& name) { charts_.RenameProfile(index, name); });
}

// "Experiment" over "Aborted", lime on black, blinking over the curves.
void Potentiostat::buildBanner() {
    banner_ = new QLabel(QStringLiteral("Experiment\nAborted"), w_.voltammogram->view());
    banner_->setObjectName(QStringLiteral("AbortedBanner"));
    banner_->setAlignment(Qt::AlignCenter);
    banner_->setStyleSheet(QStringLiteral(
        "QLabel { color: lime; background: black; font-weight: bold; font-size: 20pt; "
        "padding: 8px; }"));
    banner_->adjustSize();
    banner_->hide();
    bannerTimer_.setInterval(kBannerTickMs);
    connect(&bannerTimer_, &QTimer::timeout, this, [this] {
        banner_->move((banner_->parentWidget()->width() - banner_->width()) / 2,
                      (banner_->parentWidget()->height() - banner_->height()) / 2);
        banner_->setVisible(!banner_->isVisible());
        if (++bannerTicks_ >= kBannerTicks) {
            bannerTimer_.stop();
            banner_->hide();
        }
    });
}

// The run's progress in the status bar, and the timers that draw the run.
void Potentiostat::buildProgress() {
    progress_ = new QProgressBar;
    progress_->setObjectName(QStringLiteral("RunProgress"));
    progress_->setRange(0, 1000);
    progress_->setMaximumWidth(220);
    progressText_ = new QLabel;
    progressText_->setObjectName(QStringLiteral("RunProgressText"));
    w_.statusBar->addPermanentWidget(progressText_);
    w_.statusBar->addPermanentWidget(progress_);
    progress_->hide();
    progressText_->hide();
    drainTimer_.setSingleShot(true);
    drainTimer_.setInterval(kDrainIntervalMs);
    connect(&drainTimer_, &QTimer::timeout, this, &Potentiostat::drainFrame);
    progressTimer_.setInterval(200);
    connect(&progressTimer_, &QTimer::timeout, this, &Potentiostat::updateProgress);
}

void Potentiostat::wireSwitches() {
    connect(w_.run, &QPushButton::clicked, this, &Potentiostat::RunSwitchClicked);
    connect(w_.freeze, &QPushButton::toggled, this, [this](bool on) { freeze_ = on; });
    connect(w_.hold, &QPushButton::clicked, this, [this] {
        if (engine_)
            engine_->ToggleHold();
    });
    for (QAbstractButton* track : {w_.trackVoltammogram, w_.trackProfiles, w_.trackPilot})
        connect(track, &QAbstractButton::toggled, this, &Potentiostat::setTracking);
}

Potentiostat::~Potentiostat() {
    StopAndWait();
}

void Potentiostat::StopAndWait() {
    if (!engine_)
        return;
    engine_->Stop();
    freeze_ = false;
    if (worker_.joinable())
        worker_.join();
    engine_.reset();
    live_.reset();
    snapshot_.reset();
}

void Potentiostat::setTracking() {
    if (live_)
        live_->setTracking({w_.trackVoltammogram->isChecked(), w_.trackProfiles->isChecked(),
                            w_.trackPilot->isChecked()});
}

void Potentiostat::RunSwitchClicked(bool on) {
    if (!on) {
        if (engine_)
            engine_->Stop();
        return;
    }
    if (engine_)
        return;  // a run is going: the switch only stops it
    startRun();
}

void Potentiostat::resetRunControls() {
    w_.run->setChecked(false);
    w_.run->setEnabled(true);
    for (QPushButton* button : {w_.freeze, w_.hold}) {
        button->setChecked(false);
        button->setEnabled(false);
    }
    freeze_ = false;
    progressTimer_.stop();
    progress_->hide();
    progressText_->hide();
}

void Potentiostat::destroySnapshot() {
    snapshot_.reset();
    if (currentSeries_) {
        w_.voltammogram->chart()->removeSeries(currentSeries_);
        delete currentSeries_;
        currentSeries_ = nullptr;
    }
}

void Potentiostat::startRun() {
    // The program, the cell and the intervals as the boxes hold them, then
    // what the editors have not applied yet.
    try {
        program_.ReadProgram();
    } catch (const Exception& error) {
        resetRunControls();
        interaction_.showError(ToQString(error.what()));
        return;
    }
    if (!editor_.ApplyPending()) {
        resetRunControls();
        return;
    }
    snapshot_ = TVirtualExperiment::Snapshot(model_, modelName_);
    for (const std::string& message : snapshot_->messages)
        interaction_.showMessage(ToQString(message));
    if (snapshot_->invalid) {
        resetRunControls();
        snapshot_.reset();
        interaction_.showError(QString::fromLatin1(kCantBuildExperiment));
        return;
    }
    // A model that cannot be simulated is refused before an engine is built,
    // with the value named.
    if (const std::string problem = ModelProblem(model_); !problem.empty()) {
        resetRunControls();
        snapshot_.reset();
        interaction_.showError(ToQString(problem));
        return;
    }
    currentSeries_ = charts_.StartCurve();
    currentPoints_.clear();
    emit runStarted();
    freeze_ = false;
    w_.freeze->setEnabled(true);
    w_.hold->setEnabled(true);
    buildAndStart();
}

bool Potentiostat::buildAndStart() {
    enginePoints_.clear();
    failure_ = nullptr;
    live_ = std::make_unique<LiveRun>(separator_, [this] {
        // From the engine's thread: draw on the interface thread, at most
        // once per screen refresh; what falls due meanwhile is merged.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (!drainTimer_.isActive())
                    drainTimer_.start();
            },
            Qt::QueuedConnection);
    });
    setTracking();
    try {
        engine_ = MakeSimulation(model_, enginePoints_, freeze_, *live_);
    } catch (...) {
        failure_ = std::current_exception();
        QMetaObject::invokeMethod(this, &Potentiostat::finishRun, Qt::QueuedConnection);
        return false;
    }
    charts_.ForgetCurrentRange();
    elapsed_.start();
    // The progress shows from its first tick on: a run shorter than that
    // leaves the status bar as it is.
    progressTimer_.start();
    worker_ = std::thread([this] {
        const auto start = std::chrono::steady_clock::now();
        try {
            engine_->Run();
        } catch (...) {
            failure_ = std::current_exception();
        }
        lastRunSeconds_ =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        QMetaObject::invokeMethod(this, &Potentiostat::finishRun, Qt::QueuedConnection);
    });
    return true;
}

void Potentiostat::drainFrame() {
    if (!live_)
        return;
    // A chart that refuses a range ends the run; the error is reported with
    // its outcome.
    try {
        applyFrame(live_->take());
    } catch (const AxisScalingException&) {
        if (!drawFailure_)
            drawFailure_ = std::current_exception();
        if (engine_)
            engine_->Stop();
    }
}

void Potentiostat::applyFrame(LiveFrame frame) {
    if (frame.resetPilot)
        charts_.ClearPilot();
    if (frame.potentialRange)
        charts_.SetPotentialRange(*frame.potentialRange, live_ ? live_->nSteps() : 0);
    if (!frame.pilotPoints.empty())
        charts_.AddPilotPoints(frame.pilotPoints);
    if (frame.readout) {
        w_.potential->setText(ToQString(frame.readout->potential));
        w_.current->setText(ToQString(frame.readout->current));
        w_.step->setText(ToQString(frame.readout->step));
        const std::string& electrode = frame.readout->electrodePotential;
        w_.electrodePotential->setText(ToQString(electrode));
        w_.electrodePotential->setVisible(!electrode.empty());
        w_.electrodePotentialCaption->setVisible(!electrode.empty());
    }
    if (!frame.voltammogramPoints.empty() && currentSeries_)
        charts_.AddCurrentPoints(*currentSeries_, frame.voltammogramPoints);
    if (frame.profiles) {
        try {
            charts_.ShowProfiles(*frame.profiles);
        } catch (const std::exception&) {
            interaction_.showError(QString::fromLatin1(kRefreshProfilesError));
        }
    }
}

void Potentiostat::AutoScale() {
    charts_.AutoScale();
}

void Potentiostat::FitAutomaticAxes() {
    charts_.FitAutomaticAxes();
}

void Potentiostat::updateProgress() {
    if (!live_ || live_->nSteps() <= 0)
        return;
    const double done =
        static_cast<double>(live_->lastStep() + 1) / static_cast<double>(live_->nSteps());
    progress_->setValue(static_cast<int>(std::min(done, 1.0) * 1000));
    progress_->show();
    progressText_->show();
    const qint64 ms = elapsed_.elapsed();
    QString text = QStringLiteral("elapsed %1").arg(duration(ms));
    if (done > 0.001)
        text += QStringLiteral(", about %1 left")
                    .arg(duration(static_cast<qint64>(ms * (1 - done) / done)));
    progressText_->setText(text);
}

void Potentiostat::finishRun() {
    if (worker_.joinable())
        worker_.join();
    // What the engine reported last, then the end of the run.
    // A failure to draw outranks the stop it caused.
    std::exception_ptr failure = drawFailure_ ? drawFailure_ : failure_;
    failure_ = drawFailure_ = nullptr;
    if (live_) {
        try {
            applyFrame(live_->take());
        } catch (...) {
            if (!failure)
                failure = std::current_exception();
        }
    }
    engine_.reset();
    live_.reset();
    currentPoints_ = enginePoints_;
    lastRun_.reset();

    if (failure) {
        resetRunControls();
        destroySnapshot();
        try {
            std::rethrow_exception(failure);
        } catch (const EngineStopException&) {
            blinkAborted();
        } catch (const EngineErrorException& error) {
            interaction_.showError(ToQString(error.what()));
        } catch (const AxisScalingException& error) {
            interaction_.showError(ToQString(error.what()));
        } catch (...) {
            interaction_.showError(QString::fromLatin1(kErrorWhileRunning));
        }
        emit runEnded();
        return;
    }
    resetRunControls();
    showGrid(currentPoints_, w_.curveTitle->text());
    lastRun_ = *snapshot_;
    const ExperimentHistory::Comparison comparison = history_.Compare(*snapshot_);
    if (comparison.equal) {
        destroySnapshot();  // the history keeps the earlier, equal one
        showEqualExperiment(*comparison.equal);
    } else if (w_.autoSave->isChecked() || interaction_.askOkCancel(ToQString(
                                               ExperimentHistory::SaveQuestion(comparison.last)))) {
        storeExperiment();
    } else {
        destroySnapshot();
    }
    AutoScale();
    emit runEnded();
}

void Potentiostat::blinkAborted() {
    bannerTicks_ = 0;
    banner_->hide();
    bannerTimer_.start();
}

}  // namespace ondrel
