#include "measured_curves.h"

#include <QApplication>
#include <QChart>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineSeries>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>
#include <algorithm>

#include "../../curves/blank.h"
#include "../../curves/simulated_curve.h"
#include "../../files/file_io.h"
#include "../../files/voltammogram_file.h"
#include "../../platform/float_text.h"
#include "../../platform/ondrel_error.h"
#include "../../platform/path_text.h"
#include "../charts/chart_panel.h"
#include "../charts/curve_series.h"
#include "../potentiostat/potentiostat.h"
#include "../qt_text.h"
#include "text_grid_model.h"

namespace ondrel {

namespace {

constexpr const char* kSelectFile = "You have to select a file !";
constexpr const char* kCantFindIndex = "Can't find target index !";
constexpr const char* kNoSmoothed =
    "There is no smoothed voltamogram to save: smooth an exp. voltamogram first";
constexpr const char* kSmoothedIncomplete =
    "The smoothed voltamogram is incomplete: its smoothing stopped with an error. Smooth the "
    "exp. voltamogram again before saving it";

TextGridModel::Rows gridHeader() {
    return {{"Exp", "E (mV)", "I (\u00B5A)"}};
}

}  // namespace

ExperimentalCurves::ExperimentalCurves(const Widgets& widgets, Potentiostat& runs,
                                       Interaction& interaction, char separator, QObject* parent)
    : QObject(parent),
      w_(widgets),
      runs_(runs),
      interaction_(interaction),
      separator_(separator),
      grid_(new TextGridModel(gridHeader(), this)) {
    TextGridModel::Show(grid_, w_.grid);
    QListWidget* list = w_.list;
    list->installEventFilter(this);
    // One curve is the current one: the one the grid and the labels show and
    // the commands act on. A click anywhere on an entry, its tick box
    // included, makes it current.
    connect(list, &QListWidget::currentRowChanged, this, &ExperimentalCurves::ShowCurveOfRow);
    connect(list, &QListWidget::itemClicked, this,
            [list](QListWidgetItem* item) { list->setCurrentItem(item); });
    connect(list, &QListWidget::itemChanged, this, [this, list](QListWidgetItem* item) {
        QLineSeries* series = seriesOfRow(list->row(item));
        if (!series)
            return;
        const bool shown = item->checkState() == Qt::Checked;
        if (series->isVisible() == shown)
            return;
        series->setVisible(shown);
        emit curvesChanged();
    });

    connect(w_.open, &QAbstractButton::clicked, this, [this] { LoadVoltamogramFrom(); });
    connect(w_.saveSimulated, &QAbstractButton::clicked, this,
            [this] { SaveVirtualVoltamogramAs(); });
    connect(w_.subtractBlank, &QAbstractButton::clicked, this, [this] { SubtractBlankClick(); });
    // One command for both buttons; it tells them apart.
    for (QAbstractButton* button : {w_.saveMeasured, w_.saveSmoothed})
        connect(button, &QAbstractButton::clicked, this,
                [this, button] { SaveExperimentalVoltamogramAsClick(button); });
}

QLineSeries* ExperimentalCurves::seriesOfRow(int row) const {
    if (row < 0 || row >= count())
        return nullptr;
    return series_[static_cast<std::size_t>(row)];
}

namespace {

FileRequest curveFileRequest() {
    FileRequest request;
    request.filters = {{QStringLiteral("Fichier data ecco"), QStringLiteral("*OCV")},
                       {QStringLiteral("Fichier config ecco "), QStringLiteral("*.ICV")},
                       {QStringLiteral("Fichier data Tacussel ?"), QStringLiteral("*.AA0")},
                       {QStringLiteral("Fichier PRN (ESP)"), QStringLiteral("*.PRN")}};
    request.defaultExtension = QStringLiteral("OCV");
    return request;
}

}  // namespace

void ExperimentalCurves::LoadVoltamogramFrom() {
    FileRequest request = curveFileRequest();
    request.multiple = true;
    const QStringList chosen = interaction_.getOpenFileNames(request);
    if (!chosen.isEmpty())
        LoadVoltamogramFiles(chosen);
}

void ExperimentalCurves::LoadVoltamogramFiles(const QStringList& paths) {
    try {
        for (const QString& path : paths)
            loadFile(path);
    } catch (const std::exception& error) {
        interaction_.showError(ToQString(error.what()));
        emit curvesChanged();
        return;
    }
    emit curvesChanged();
    interaction_.beep();
}

void ExperimentalCurves::loadFile(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    // The extension first, so that an unknown one is named before the file
    // is read at all.
    if (!CurveFormatOf(path.toStdString()))
        throw Exception("unknown file type");
    const std::string text = ReadWholeFile(PathBytes(path));
    VoltammogramRead read = ReadVoltammogram(text, path.toStdString(), separator_);

    // Only a file read whole is shown: after a failure the labels and the
    // grid still show one and the same curve.
    w_.fileName->setText(name);
    grid_->setRows(std::move(read.grid));
    w_.pointCount->setText(ToQString(read.pointCountText));
    addCurve(name, read.curve);
}

void ExperimentalCurves::addCurve(const QString& name, const Curve& curve) {
    QLineSeries* series = w_.voltammogram->addLine(1);
    series->setName(name);
    series->replace(ChartPoints(curve));
    series_.push_back(series);
    followVisibility(series);

    auto* item = new QListWidgetItem(name);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Checked);
    QListWidget* list = w_.list;
    const QSignalBlocker block(list);
    list->addItem(item);
    list->setCurrentRow(list->count() - 1);
}

void ExperimentalCurves::SubtractBlankClick() {
    const int row = w_.list->currentRow();
    const QLineSeries* series = seriesOfRow(row);
    if (!series) {
        interaction_.showError(QString::fromLatin1(kSelectFile));
        return;
    }
    FileRequest request = curveFileRequest();
    request.title = QStringLiteral("Blank voltamogram to subtract from ") + series->name();
    const QStringList chosen = interaction_.getOpenFileNames(request);
    if (chosen.isEmpty())
        return;
    try {
        const std::string path = chosen.front().toStdString();
        if (!CurveFormatOf(path))
            throw Exception("unknown file type");
        const Curve blank = ReadVoltammogram(ReadWholeFile(path), path, separator_).curve;
        const Curve difference = SubtractBlank(CurveOf(*series), blank);
        addCurve(series->name() + QStringLiteral(" - ") + QFileInfo(chosen.front()).fileName(),
                 difference);
        ShowCurveOfRow(count() - 1);
    } catch (const std::exception& error) {
        interaction_.showError(ToQString(error.what()));
        return;
    }
    emit curvesChanged();
}

// However a curve is shown or hidden (its tick, a command, the chart
// settings), its tick says so, and what was made from it follows.
void ExperimentalCurves::followVisibility(QLineSeries* series) {
    connect(series, &QXYSeries::visibleChanged, this, [this, series] {
        const auto at = std::find(series_.begin(), series_.end(), series);
        if (at == series_.end())
            return;
        QListWidgetItem* item = w_.list->item(static_cast<int>(at - series_.begin()));
        const bool shown = series->isVisible();
        if (item) {
            const QSignalBlocker block(w_.list);
            item->setCheckState(shown ? Qt::Checked : Qt::Unchecked);
        }
        emit curveShown(series, shown);
    });
}

void ExperimentalCurves::ShowCurveOfRow(int row) {
    const QLineSeries* series = seriesOfRow(row);
    if (!series) {
        // No curve is current: nothing is shown as if it were.
        grid_->setRows(gridHeader());
        w_.fileName->clear();
        w_.pointCount->clear();
        return;
    }
    TextGridModel::Rows rows = gridHeader();
    const QList<QPointF> points = series->points();
    rows.reserve(static_cast<std::size_t>(points.size()) + 1);
    for (qsizetype k = 0; k < points.size(); ++k)
        rows.push_back({std::to_string(k + 1), FloatToGeneral(points[k].x(), 5, separator_),
                        FloatToGeneral(points[k].y(), 5, separator_)});
    grid_->setRows(std::move(rows));
    w_.fileName->setText(series->name());
    w_.pointCount->setText(QStringLiteral("%1 pts").arg(points.size()));
}

// The Delete key, on release, deletes the current entry after asking.
bool ExperimentalCurves::eventFilter(QObject* watched, QEvent* event) {
    if (watched == w_.list && event->type() == QEvent::KeyRelease &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        DeleteRow(w_.list->currentRow());
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void ExperimentalCurves::DeleteRow(int row) {
    QLineSeries* series = seriesOfRow(row);
    if (!series)
        return;
    QListWidget* list = w_.list;
    if (!interaction_.askYesNo(QStringLiteral("Delete : ") + list->item(row)->text() +
                               QStringLiteral(" ?")))
        return;
    emit curveRemoved(series);
    w_.voltammogram->chart()->removeSeries(series);
    delete series;
    series_.erase(series_.begin() + row);
    delete list->takeItem(row);
    emit curvesChanged();
}

void ExperimentalCurves::SaveVirtualVoltamogramAs() {
    const int row = runs_.SelectedExperiment();
    if (row < 0)
        return;
    const ExperimentHistory::Entry& entry = runs_.history().at(static_cast<std::size_t>(row));
    saveCurve(SimulatedCurve(entry.points), true, ToQString(entry.experiment.SeriesTitle()));
}

void ExperimentalCurves::SaveExperimentalVoltamogramAsClick(QObject* sender) {
    const QLineSeries* series = nullptr;
    if (sender && sender->objectName() == QLatin1String("SaveSmoothedButton")) {
        series = w_.smoothed;
        if (series && series->count() == 0) {
            interaction_.showError(QString::fromLatin1(kNoSmoothed));
            return;
        }
        if (series && !smoothedWhole_) {
            interaction_.showError(QString::fromLatin1(kSmoothedIncomplete));
            return;
        }
    } else if (sender && sender->objectName() == QLatin1String("SaveExperimentalVoltamogramAs")) {
        const int row = w_.list->currentRow();
        if (row < 0) {
            interaction_.showError(QString::fromLatin1(kSelectFile));
            return;
        }
        series = seriesOfRow(row);
        if (!series) {
            interaction_.showError(QString::fromLatin1(kCantFindIndex));
            return;
        }
    } else {
        interaction_.showError(QString::fromLatin1(kCantFindIndex));
        return;
    }
    if (!series) {
        interaction_.showError(QStringLiteral("Can't Sender objet !"));
        return;
    }
    saveCurve(CurveOf(*series), false, QString());
}

void ExperimentalCurves::saveCurve(const Curve& curve, bool simulated,
                                   const QString& suggestedName) {
    FileRequest request;
    request.title = QStringLiteral("Save virtual voltamogram as pseudo-experimental file");
    request.filters = {{QStringLiteral("Fichiers OCV"), QStringLiteral("*.OCV")},
                       {QStringLiteral("Fichiers AA0"), QStringLiteral("*.AA0")},
                       {QStringLiteral("Fichiers PRN"), QStringLiteral("*.PRN")}};
    request.defaultExtension = QStringLiteral("OCV");
    request.suggestedName = suggestedName;
    const QString path = interaction_.getSaveFileName(request);
    if (path.isEmpty())
        return;
    const CurveOrigin origin = simulated ? CurveOrigin::Simulated : CurveOrigin::Measured;
    try {
        const CurveFormat format = WriteFormatOf(path.toStdString(), origin);
        WriteWholeFile(PathBytes(path), WriteVoltammogram(curve, format, origin));
    } catch (const std::exception& error) {
        interaction_.showError(ToQString(error.what()));
    }
}

}  // namespace ondrel
