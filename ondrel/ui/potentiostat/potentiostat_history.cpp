// The potentiostat's history of stored experiments: its list, storing a
// run's experiment or the model as it stands, recalling one into the model
// and deleting one.
#include <QApplication>
#include <QChart>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineSeries>
#include <QListWidget>
#include <QRadioButton>
#include <QStatusBar>
#include <algorithm>
#include <atomic>

#include "../../engine/cv_simulation.h"
#include "../../engine/model_check.h"
#include "../../model/validity.h"
#include "../../runs/run_tables.h"
#include "../charts/chart_panel.h"
#include "../qt_text.h"
#include "../sheets/model_editor.h"
#include "../sheets/points_table_model.h"
#include "../sheets/program_sheet.h"
#include "potentiostat.h"

namespace ondrel {

void Potentiostat::wireHistory() {
    QListWidget* list = w_.history;
    list->installEventFilter(this);
    connect(list, &QListWidget::itemClicked, this, [this, list](QListWidgetItem* item) {
        if (w_.reloadOnSingleClick->isChecked())
            Recall(list->row(item));
    });
    connect(list, &QListWidget::itemDoubleClicked, this, [this, list](QListWidgetItem* item) {
        if (w_.reloadOnDoubleClick->isChecked())
            Recall(list->row(item));
    });
    connect(list, &QListWidget::itemChanged, this, [this, list](QListWidgetItem* item) {
        const int row = list->row(item);
        if (row >= 0 && row < static_cast<int>(historySeries_.size())) {
            historySeries_[row]->setVisible(item->checkState() == Qt::Checked);
            FitAutomaticAxes();
        }
    });
    connect(w_.deleteExperiment, &QAbstractButton::clicked, this,
            [this, list] { DeleteRow(list->currentRow()); });
}

// The Delete key in the history list deletes its current row.
bool Potentiostat::eventFilter(QObject* watched, QEvent* event) {
    if (watched == w_.history && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        DeleteRow(w_.history->currentRow());
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void Potentiostat::storeExperiment() {
    const std::size_t row = history_.Store(std::move(*snapshot_), currentPoints_);
    snapshot_.reset();
    const TVirtualExperiment& stored = history_.at(row).experiment;
    currentSeries_->replace(CurvePoints(currentPoints_));
    addHistoryRow(stored, currentSeries_);
    currentSeries_ = nullptr;
    w_.curveTitle->setText(ToQString(stored.SeriesTitle()));
}

void Potentiostat::addHistoryRow(const TVirtualExperiment& stored, QLineSeries* series) {
    series->setName(ToQString(stored.SeriesTitle()));
    historySeries_.push_back(series);
    followVisibility(series);
    auto* item = new QListWidgetItem(ToQString(stored.RowText()));
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Checked);
    {
        const QSignalBlocker block(w_.history);
        w_.history->addItem(item);
        w_.history->setCurrentRow(w_.history->count() - 1);
    }
}

void Potentiostat::KeepModelInHistory() {
    TVirtualExperiment experiment = TVirtualExperiment::Snapshot(model_, modelName_);
    if (history_.Compare(experiment).equal)
        return;
    std::vector<CVpoint> points;
    std::string problem;
    if (lastRun_ && CompareExperiments(*lastRun_, experiment) == noDiff) {
        points = currentPoints_;
    } else if (experiment.invalid) {
        problem = kCantBuildExperiment;
    } else if (problem = ModelProblem(model_); problem.empty()) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        try {
            const std::atomic<bool> freeze{false};
            NullDisplay display;
            MakeSimulation(model_, points, freeze, display)->Run();
        } catch (const std::exception& error) {
            problem = error.what();
            points.clear();
        }
        QApplication::restoreOverrideCursor();
    }
    const std::size_t row = history_.Store(std::move(experiment), std::move(points));
    const ExperimentHistory::Entry& stored = history_.at(row);
    QLineSeries* series = w_.voltammogram->addLine(2);
    series->replace(CurvePoints(stored.points));
    addHistoryRow(stored.experiment, series);
    FitAutomaticAxes();
    if (!problem.empty())
        interaction_.showMessage(
            ToQString("The model is kept in the history as " + stored.experiment.RowText() +
                      " without its curve, which could not be simulated: " + problem));
}

// However a stored curve is shown or hidden (its tick, a command, the chart
// settings), its tick says so, and its peaks follow.
void Potentiostat::followVisibility(QLineSeries* series) {
    connect(series, &QXYSeries::visibleChanged, this, [this, series] {
        const auto at = std::find(historySeries_.begin(), historySeries_.end(), series);
        if (at == historySeries_.end())
            return;
        const bool shown = series->isVisible();
        if (QListWidgetItem* item =
                w_.history->item(static_cast<int>(at - historySeries_.begin()))) {
            const QSignalBlocker block(w_.history);
            item->setCheckState(shown ? Qt::Checked : Qt::Unchecked);
        }
        emit historyCurveShown(series, shown);
    });
}

// A run equal to a stored experiment is not stored again: the user is told
// which one it equals, and that one is selected and shown in its place.
void Potentiostat::showEqualExperiment(std::size_t row) {
    const ExperimentHistory::Entry& entry = history_.at(row);
    w_.history->setCurrentRow(static_cast<int>(row));
    historySeries_[row]->show();
    showGrid(entry.points, ToQString(entry.experiment.SeriesTitle()));
    w_.statusBar->showMessage(
        QStringLiteral("The run equals the stored experiment %1: it is not stored again")
            .arg(ToQString(entry.experiment.RowText())));
}

void Potentiostat::showGrid(const std::vector<CVpoint>& points, const QString& title) {
    grid_->setPoints(points);
    w_.curveTitle->setText(title);
    w_.pointCount->setText(ToQString(PointCountText(points.size())));
}

int Potentiostat::SelectedExperiment() {
    const int row = w_.history->currentRow();
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
        interaction_.showError(ToQString(error.what()));
        return;
    }
    const TVirtualExperiment& e = entry->experiment;
    e.RecallInto(model_);
    showGrid(entry->points, ToQString(e.SeriesTitle()));
    program_.ShowModel();
    program_.ShowIntervals();
    editor_.RebuildAll();
    emit experimentRecalled(e.modelName);
}

void Potentiostat::DeleteRow(int row) {
    if (row < 0 || row >= static_cast<int>(history_.size()))
        return;
    const auto at = static_cast<std::size_t>(row);
    if (!interaction_.askYesNo(ToQString(history_.DeleteQuestion(at))))
        return;
    QLineSeries* series = historySeries_[at];
    emit historyCurveRemoved(series);
    w_.voltammogram->chart()->removeSeries(series);
    delete series;
    historySeries_.erase(historySeries_.begin() + row);
    history_.Remove(at);
    delete w_.history->takeItem(row);
    FitAutomaticAxes();
}

}  // namespace ondrel
