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

#include "../engine/cv_engine.h"
#include "../engine/engine_errors.h"
#include "../engine/model_check.h"
#include "../model/validity.h"
#include "../platform/ondrel_error.h"
#include "../runs/refresh_schedule.h"
#include "../runs/run_tables.h"
#include "chart_panel.h"
#include "model_editor.h"
#include "points_table_model.h"
#include "program_sheet.h"
#include "tform1.h"

namespace ondrel {

namespace {

QString qs(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

QList<QPointF> curvePoints(const std::vector<CVpoint>& points) {
    QList<QPointF> curve;
    curve.reserve(static_cast<qsizetype>(points.size()));
    for (const CVpoint& p : points)
        curve.append({static_cast<double>(p.potential), static_cast<double>(p.current) * 1e6});
    return curve;
}

// Sets a range as the chart takes it, or says that it cannot.
void setRange(QValueAxis* axis, double min, double max, const char* message) {
    if (!std::isfinite(min) || !std::isfinite(max) || !(min < max))
        throw AxisScalingException(message);
    axis->setRange(min, max);
}

QString duration(qint64 ms) {
    const qint64 s = (ms + 500) / 1000;
    return s < 60 ? QStringLiteral("%1 s").arg(s)
                  : QStringLiteral("%1 min %2 s").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace

Potentiostat::Potentiostat(TForm1& form, TModel& model, Interaction& interaction, char separator)
    : form_(form), model_(model), interaction_(interaction), separator_(separator) {
    grid_ = new PointsTableModel(separator_, this);
    form_.SimulatedDataGrid->setModel(grid_);

    pilotSeries_ = form_.PilotChartPanel->addLine(1);

    // "Experiment" over "Aborted", lime on black, blinking over the curves.
    banner_ = new QLabel(QStringLiteral("Experiment\nAborted"), form_.VoltamogramPanel->view());
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

    progress_ = new QProgressBar;
    progress_->setObjectName(QStringLiteral("RunProgress"));
    progress_->setRange(0, 1000);
    progress_->setMaximumWidth(220);
    progressText_ = new QLabel;
    progressText_->setObjectName(QStringLiteral("RunProgressText"));
    form_.MainStatusBar->addPermanentWidget(progressText_);
    form_.MainStatusBar->addPermanentWidget(progress_);
    progress_->hide();
    progressText_->hide();
    drainTimer_.setSingleShot(true);
    drainTimer_.setInterval(kDrainIntervalMs);
    connect(&drainTimer_, &QTimer::timeout, this, &Potentiostat::drainFrame);
    progressTimer_.setInterval(200);
    connect(&progressTimer_, &QTimer::timeout, this, &Potentiostat::updateProgress);

    connect(form_.RxRunExperiment, &QPushButton::clicked, this, &Potentiostat::RunSwitchClicked);
    form_.RxRunExperiment->setEnabled(true);
    connect(form_.RxFreeze, &QPushButton::toggled, this, [this](bool on) { freeze_ = on; });
    connect(form_.RxHold, &QPushButton::clicked, this, [this] {
        if (engine_)
            engine_->ToggleHold();
    });
    for (const char* name : {"ToolbarButton976", "ToolbarButton977", "ToolbarButton978"}) {
        auto* button = form_.findChild<QToolButton*>(QString::fromLatin1(name));
        button->setEnabled(true);
        connect(button, &QToolButton::toggled, this, &Potentiostat::setTracking);
    }

    QListWidget* list = form_.VirtualExpListBox;
    list->installEventFilter(this);
    connect(list, &QListWidget::itemClicked, this, [this, list](QListWidgetItem* item) {
        if (form_.ReloadOnSingleClick->isChecked())
            Recall(list->row(item));
    });
    connect(list, &QListWidget::itemDoubleClicked, this, [this, list](QListWidgetItem* item) {
        if (form_.ReloadOnDoubleClick->isChecked())
            Recall(list->row(item));
    });
    connect(list, &QListWidget::itemChanged, this, [this, list](QListWidgetItem* item) {
        const int row = list->row(item);
        if (row >= 0 && row < static_cast<int>(historySeries_.size())) {
            const bool shown = item->checkState() == Qt::Checked;
            historySeries_[row]->setVisible(shown);
            emit historyCurveShown(historySeries_[row], shown);
            AutoScale();
        }
    });
    auto* remove = form_.findChild<QPushButton*>(QStringLiteral("DeleteVirtualVoltamogram"));
    remove->setEnabled(true);
    connect(remove, &QPushButton::clicked, this, [this, list] { DeleteRow(list->currentRow()); });
}

// The Delete key in the history list deletes its current row.
bool Potentiostat::eventFilter(QObject* watched, QEvent* event) {
    if (watched == form_.VirtualExpListBox && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        DeleteRow(form_.VirtualExpListBox->currentRow());
        return true;
    }
    return QObject::eventFilter(watched, event);
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
        live_->setTracking(
            {form_.findChild<QToolButton*>(QStringLiteral("ToolbarButton976"))->isChecked(),
             form_.findChild<QToolButton*>(QStringLiteral("ToolbarButton977"))->isChecked(),
             form_.findChild<QToolButton*>(QStringLiteral("ToolbarButton978"))->isChecked()});
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
    form_.RxRunExperiment->setChecked(false);
    form_.RxRunExperiment->setEnabled(true);
    for (QPushButton* button : {form_.RxFreeze, form_.RxHold}) {
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
        form_.VoltamogramPanel->chart()->removeSeries(currentSeries_);
        delete currentSeries_;
        currentSeries_ = nullptr;
    }
}

void Potentiostat::startRun() {
    // The program, the cell and the intervals as the boxes hold them, then
    // what the editors have not applied yet.
    try {
        form_.Program->ReadProgram();
    } catch (const Exception& error) {
        resetRunControls();
        interaction_.showError(qs(error.what()));
        return;
    }
    if (!form_.Editor->ApplyPending()) {
        resetRunControls();
        return;
    }
    snapshot_ = TVirtualExperiment::Snapshot(model_, form_.modelName());
    for (const std::string& message : snapshot_->messages)
        interaction_.showMessage(qs(message));
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
        interaction_.showError(qs(problem));
        return;
    }
    currentSeries_ = form_.VoltamogramPanel->addLine(2);
    currentCurve_.clear();
    currentPoints_.clear();
    emit runStarted();
    freeze_ = false;
    form_.RxFreeze->setEnabled(true);
    form_.RxHold->setEnabled(true);
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
    currentRangeEmpty_ = true;
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
    // A series takes a whole list at once far faster than appended points,
    // which it handles one by one: the charts' points are kept here and
    // handed over whole.
    if (frame.resetPilot) {
        pilotCurve_.clear();
        pilotSeries_->clear();
    }
    if (frame.potentialRange) {
        const auto [emax, emin] = *frame.potentialRange;
        setRange(form_.PilotChartPanel->yAxis(), emin * 1000, emax * 1000, kPilotChartScale);
        setRange(form_.PilotChartPanel->xAxis(), -100,
                 static_cast<double>(live_ ? live_->nSteps() : 0) + 100, kPilotChartScale);
        setRange(form_.VoltamogramPanel->xAxis(), emin * 1000, emax * 1000, kVoltammogramScale);
    }
    if (!frame.pilotPoints.empty()) {
        for (const auto& [step, e] : frame.pilotPoints)
            pilotCurve_.append({static_cast<double>(step), e});
        pilotSeries_->replace(pilotCurve_);
    }
    if (frame.readout) {
        form_.PotentialLabel->setText(qs(frame.readout->potential));
        form_.CurrentLabel->setText(qs(frame.readout->current));
        form_.TimeLabel->setText(qs(frame.readout->step));
    }
    if (!frame.voltammogramPoints.empty() && currentSeries_) {
        for (const auto& [e, i] : frame.voltammogramPoints)
            currentCurve_.append({e, i});
        currentSeries_->replace(currentCurve_);
        extendCurrentRange(frame.voltammogramPoints);
    }
    if (frame.profiles) {
        try {
            refreshProfiles(*frame.profiles);
        } catch (const std::exception&) {
            interaction_.showError(QString::fromLatin1(kRefreshProfilesError));
        }
    }
}

void Potentiostat::extendCurrentRange(const std::vector<std::pair<double, double>>& points) {
    for (const auto& point : points) {
        if (currentRangeEmpty_) {
            currentMin_ = currentMax_ = point.second;
            currentRangeEmpty_ = false;
        }
        currentMin_ = std::min(currentMin_, point.second);
        currentMax_ = std::max(currentMax_, point.second);
    }
    const double margin = std::max((currentMax_ - currentMin_) * 0.05, 1e-9);
    setRange(form_.VoltamogramPanel->yAxis(), currentMin_ - margin, currentMax_ + margin,
             kVoltammogramScale);
    form_.VoltamogramPanel->yAxis()->applyNiceNumbers();
}

void Potentiostat::AutoScale() {
    ChartPanel* panel = form_.VoltamogramPanel;
    double emin = 0, emax = 0;
    std::vector<std::pair<double, double>> all;
    for (QAbstractSeries* series : panel->chart()->series()) {
        auto* line = qobject_cast<QLineSeries*>(series);
        if (!line || !line->isVisible() || !line->attachedAxes().contains(panel->yAxis()))
            continue;
        for (const QPointF& p : line->points()) {
            if (all.empty())
                emin = emax = p.x();
            emin = std::min(emin, p.x());
            emax = std::max(emax, p.x());
            all.emplace_back(p.x(), p.y());
        }
    }
    currentRangeEmpty_ = true;
    if (all.empty())
        return;
    if (emin < emax) {
        panel->xAxis()->setRange(emin, emax);
        panel->xAxis()->applyNiceNumbers();
    }
    extendCurrentRange(all);
}

// One series per species, in order; series of species no longer there are
// hidden. Only what changed is touched: a chart lays itself out anew on
// every name, visibility or range change.
void Potentiostat::refreshProfiles(const ConcentrationProfiles& profiles) {
    ChartPanel* panel = form_.ConcProfilPanel;
    for (std::size_t s = profiles.values.size(); s < form_.profileSeries.size(); ++s)
        form_.profileSeries[s]->hide();
    double top = 1;
    std::size_t boxes = 0;
    for (std::size_t s = 0; s < profiles.values.size(); ++s) {
        if (s >= form_.profileSeries.size())
            form_.profileSeries.push_back(panel->addLine(1));
        QLineSeries* series = form_.profileSeries[s];
        if (series->name() != qs(profiles.names[s]))
            series->setName(qs(profiles.names[s]));
        QList<QPointF> points;
        const std::vector<double>& values = profiles.values[s];
        points.reserve(static_cast<qsizetype>(values.size()));
        for (std::size_t b = 0; b < values.size(); ++b) {
            points.append({static_cast<double>(ProfilePosition(static_cast<int>(b))), values[b]});
            top = std::max(top, values[b]);
        }
        series->replace(points);
        series->show();
        boxes = std::max(boxes, values.size());
    }
    panel->chart()->legend()->setVisible(!profiles.values.empty());
    if (boxes > 1)
        panel->xAxis()->setRange(0,
                                 static_cast<double>(ProfilePosition(static_cast<int>(boxes) - 1)));
    panel->xAxis()->applyNiceNumbers();
    panel->yAxis()->setRange(0, top * 1.05);
    panel->yAxis()->applyNiceNumbers();
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

    if (failure) {
        resetRunControls();
        destroySnapshot();
        try {
            std::rethrow_exception(failure);
        } catch (const EngineStopException&) {
            blinkAborted();
        } catch (const EngineErrorException& error) {
            interaction_.showError(qs(error.what()));
        } catch (const AxisScalingException& error) {
            interaction_.showError(qs(error.what()));
        } catch (...) {
            interaction_.showError(QString::fromLatin1(kErrorWhileRunning));
        }
        emit runEnded();
        return;
    }
    resetRunControls();
    showGrid(currentPoints_, form_.StaticText2->text());
    const ExperimentHistory::Comparison comparison = history_.Compare(*snapshot_);
    if (comparison.equal) {
        destroySnapshot();  // the history keeps the earlier, equal one
    } else if (form_.AutoSaveInHistory->isChecked() ||
               interaction_.askOkCancel(qs(ExperimentHistory::SaveQuestion(comparison.last)))) {
        storeExperiment();
    } else {
        destroySnapshot();
    }
    AutoScale();
    emit runEnded();
}

void Potentiostat::storeExperiment() {
    const std::size_t row = history_.Store(std::move(*snapshot_), currentPoints_);
    snapshot_.reset();
    const TVirtualExperiment& stored = history_.at(row).experiment;
    currentSeries_->replace(curvePoints(currentPoints_));
    currentSeries_->setName(qs(stored.SeriesTitle()));
    historySeries_.push_back(currentSeries_);
    currentSeries_ = nullptr;
    form_.StaticText2->setText(qs(stored.SeriesTitle()));

    auto* item = new QListWidgetItem(qs(stored.RowText()));
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Checked);
    {
        const QSignalBlocker block(form_.VirtualExpListBox);
        form_.VirtualExpListBox->addItem(item);
        form_.VirtualExpListBox->setCurrentRow(form_.VirtualExpListBox->count() - 1);
    }
}

void Potentiostat::showGrid(const std::vector<CVpoint>& points, const QString& title) {
    grid_->setPoints(points);
    form_.StaticText2->setText(title);
    form_.StaticText3->setText(qs(PointCountText(points.size())));
}

void Potentiostat::blinkAborted() {
    bannerTicks_ = 0;
    banner_->hide();
    bannerTimer_.start();
}

int Potentiostat::SelectedExperiment() {
    const int row = form_.VirtualExpListBox->currentRow();
    if (row < 0 || static_cast<std::size_t>(row) >= history_.size()) {
        interaction_.showError(QString::fromLatin1(kCantFindVirtual));
        return -1;
    }
    return row;
}

void Potentiostat::Recall(int row) {
    const ExperimentHistory::Entry* entry = nullptr;
    try {
        entry = &history_.at(static_cast<std::size_t>(row < 0 ? -1 : row));
    } catch (const Exception& error) {
        interaction_.showError(qs(error.what()));
        return;
    }
    const TVirtualExperiment& e = entry->experiment;
    form_.SetModelName(e.modelName);
    e.RecallInto(model_);
    showGrid(entry->points, qs(e.SeriesTitle()));
    form_.Program->ShowModel();
    form_.Program->ShowIntervals();
    form_.Editor->RebuildAll();
}

void Potentiostat::DeleteRow(int row) {
    if (row < 0 || row >= static_cast<int>(history_.size()))
        return;
    const auto at = static_cast<std::size_t>(row);
    if (!interaction_.askYesNo(qs(history_.DeleteQuestion(at))))
        return;
    QLineSeries* series = historySeries_[at];
    emit historyCurveRemoved(series);
    form_.VoltamogramPanel->chart()->removeSeries(series);
    delete series;
    historySeries_.erase(historySeries_.begin() + row);
    history_.Remove(at);
    delete form_.VirtualExpListBox->takeItem(row);
    AutoScale();
}

}  // namespace ondrel
