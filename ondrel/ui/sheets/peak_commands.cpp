#include "peak_commands.h"

#include <QAbstractButton>
#include <QChart>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineSeries>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QScatterSeries>
#include <QSpinBox>
#include <QTableView>
#include <QValueAxis>
#include <algorithm>

#include "../../curves/couples.h"
#include "../../curves/savitzky_golay.h"
#include "../charts/axis_scaling.h"
#include "../charts/axis_ticks.h"
#include "../charts/chart_panel.h"
#include "../charts/curve_series.h"
#include "../hints.h"
#include "../potentiostat/potentiostat.h"
#include "../qt_text.h"
#include "measured_curves.h"
#include "text_grid_model.h"

namespace ondrel {

namespace {

constexpr const char* kCantFindTarget = "Can't find target !";

QScatterSeries* peakSeries(const QString& title, const QColor& color) {
    auto* series = new QScatterSeries;
    series->setName(title);
    series->setMarkerShape(QScatterSeries::MarkerShapeTriangle);
    series->setMarkerSize(11);
    series->setColor(color);
    series->setBorderColor(color.darker(150));
    // Each peak marked with its potential.
    series->setPointLabelsFormat(QStringLiteral("@xPoint"));
    series->setPointLabelsVisible(true);
    series->setPointLabelsClipping(false);
    return series;
}

QList<QPointF> peakPoints(const std::vector<Peak>& peaks) {
    QList<QPointF> points;
    for (const Peak& peak : peaks)
        points.append({peak.Ep, peak.Ip});
    return points;
}

// What a command met on a curve; a curve too short for the filter is named,
// as the message itself does not say which.
QString curveError(const QLineSeries& series, const std::exception& error) {
    if (dynamic_cast<const CurveTooShort*>(&error))
        return series.name() + QStringLiteral(": ") + ToQString(error.what());
    return ToQString(error.what());
}

void tick(QListWidget* list, int row) {
    if (QListWidgetItem* item = list->item(row))
        item->setCheckState(Qt::Checked);
}

}  // namespace

PeakSeries AddPeakSeries(ChartPanel& panel) {
    QChart* chart = panel.chart();
    PeakSeries added;
    added.derivativeAxis = new QValueAxis(chart);
    added.derivativeAxis->setObjectName(QStringLiteral("DerivativeAxis"));
    // The derivative is taken per point of the curve, not per millivolt.
    added.derivativeAxis->setTitleText(QStringLiteral("dI/dE (\u00B5A per point)"));
    chart->addAxis(added.derivativeAxis, Qt::AlignRight);
    KeepRoundTicks(*chart, *added.derivativeAxis);
    TrackAutomaticScaling(*added.derivativeAxis);
    added.derivative = new QLineSeries;
    added.derivative->setObjectName(QStringLiteral("SerieDerivee1"));
    added.derivative->setName(QStringLiteral("dI/dE"));
    chart->addSeries(added.derivative);
    added.derivative->attachAxis(panel.xAxis());
    added.derivative->attachAxis(added.derivativeAxis);
    added.derivative->setPen(QPen(Qt::green, 1));
    panel.watch(added.derivative);
    added.derivative->hide();
    added.derivativeAxis->hide();

    added.smoothed = panel.addLine(2);
    added.smoothed->setObjectName(QStringLiteral("SeriesExpSmoothed"));
    added.smoothed->setName(QStringLiteral("Exp Smooth"));
    added.smoothed->setPen(QPen(QColor(128, 0, 128), 2));
    added.smoothed->hide();
    added.simulatedPeaks = peakSeries(QStringLiteral("SimPeaks"), QColor(200, 0, 0));
    added.measuredPeaks = peakSeries(QStringLiteral("ExpPeaks"), QColor(0, 0, 200));
    added.simulatedPeaks->setObjectName(QStringLiteral("SimPeaksSeries"));
    added.measuredPeaks->setObjectName(QStringLiteral("ExpPeaksSeries"));
    for (QScatterSeries* peaks : {added.simulatedPeaks, added.measuredPeaks}) {
        chart->addSeries(peaks);
        peaks->attachAxis(panel.xAxis());
        peaks->attachAxis(panel.yAxis());
        peaks->hide();
        panel.watch(peaks);
    }
    return added;
}

PeakCommands::PeakCommands(const Widgets& widgets, ExperimentalCurves& curves, Potentiostat& runs,
                           Interaction& interaction, char separator, QObject* parent)
    : QObject(parent),
      w_(widgets),
      curves_(curves),
      runs_(runs),
      interaction_(interaction),
      separator_(separator),
      derivativeGrid_(new TextGridModel({{"# Pt", "E", "dI/dE"}}, this)),
      measuredPeaks_(new TextGridModel({{"index", "Ep", "Ip"}}, this)),
      simulatedPeaks_(new TextGridModel({{"index", "Ep", "Ip"}}, this)) {
    TextGridModel::Show(derivativeGrid_, w_.derivativeGrid);
    TextGridModel::Show(measuredPeaks_, w_.measuredPeaks);
    TextGridModel::Show(simulatedPeaks_, w_.simulatedPeaks);
    w_.toggleDerivative->setCheckable(true);
    const QString couplesHint = QStringLiteral(
        "Couples: \u0394Ep, E\u00BD, |Ipa/Ipc||Each peak current from its own baseline: the "
        "charging current of the foot, carried over each switching potential, plus the "
        "decaying current of the peaks before it");
    SetHint(w_.measuredCouples, couplesHint);
    SetHint(w_.simulatedCouples, couplesHint);
    wireCommands();
    followSimulatedCurves();
    followMeasuredCurves();
}

void PeakCommands::wireCommands() {
    connect(w_.findSimulated, &QAbstractButton::clicked, this, [this] { FindPeaksButtonClick(); });
    connect(w_.findMeasured, &QAbstractButton::clicked, this,
            [this] { FindExpPeaksButtonClick(); });
    connect(w_.smooth, &QAbstractButton::clicked, this, [this] { SmoothExpButtonClick(); });
    connect(w_.toggleDerivative, &QAbstractButton::clicked, this,
            [this] { ToggleDerivativeButtonClick(); });
    connect(w_.width, &QSpinBox::valueChanged, this, [this] {
        if (SmoothExpButtonClick())
            FindExpPeaksButtonClick();
    });
    // The threshold picks again among the peaks already found.
    connect(w_.threshold, &QDoubleSpinBox::valueChanged, this, [this] {
        if (measuredSearch_ && measured_)
            showPeaks(*measuredSearch_, false);
        if (simulatedSearch_ && simulated_)
            showPeaks(*simulatedSearch_, true);
    });
}

// Peaks show and go with the simulated curve they were found on; a new run
// has no derivative yet.
void PeakCommands::followSimulatedCurves() {
    connect(&runs_, &Potentiostat::runStarted, this, [this] { derivativeAvailable_ = false; });
    connect(&runs_, &Potentiostat::historyCurveShown, this,
            [this](QLineSeries* series, bool shown) {
                if (series == simulated_)
                    series_.simulatedPeaks->setVisible(shown);
            });
    connect(&runs_, &Potentiostat::historyCurveRemoved, this, [this](QLineSeries* series) {
        forgetDerivativeOf(series);
        if (series != simulated_)
            return;
        // Nothing found on a deleted curve stays on show.
        series_.simulatedPeaks->clear();
        series_.simulatedPeaks->hide();
        simulatedPeaks_->setRows({{"index", "Ep", "Ip"}});
        w_.simulatedTitle->clear();
        w_.simulatedCouples->clear();
        simulated_ = nullptr;
        simulatedSearch_.reset();
    });
}

// Peaks and smoothing show and go with the measured curve they were made from.
void PeakCommands::followMeasuredCurves() {
    connect(&curves_, &ExperimentalCurves::curveShown, this,
            [this](QLineSeries* series, bool shown) {
                if (series != measured_)
                    return;
                series_.measuredPeaks->setVisible(shown);
                series_.smoothed->setVisible(shown);
            });
    connect(&curves_, &ExperimentalCurves::curveRemoved, this, [this](QLineSeries* series) {
        forgetDerivativeOf(series);
        if (series != measured_)
            return;
        // Nothing made from a deleted curve stays on show, nor is saved.
        series_.measuredPeaks->clear();
        series_.measuredPeaks->hide();
        series_.smoothed->clear();
        series_.smoothed->hide();
        measuredPeaks_->setRows({{"index", "Ep", "Ip"}});
        w_.measuredTitle->clear();
        w_.measuredCouples->clear();
        measured_ = nullptr;
        measuredSearch_.reset();
    });
}

void PeakCommands::forgetDerivativeOf(QLineSeries* series) {
    if (series != derivativeOf_)
        return;
    series_.derivative->clear();
    setDerivativeShown(false);
    derivativeGrid_->setRows({{"# Pt", "E", "dI/dE"}});
    derivativeAvailable_ = false;
    derivativeOf_ = nullptr;
}

int PeakCommands::filterWidth() const {
    return w_.width->value();
}

double PeakCommands::prominenceThreshold() const {
    return w_.threshold->value();
}

// The measured curve selected in the list, ticked and shown; null when none
// is selected (or, when asked, after saying that its curve is missing).
QLineSeries* PeakCommands::selectedMeasured(bool reportMissing) {
    const int row = w_.measuredList->currentRow();
    if (row < 0)
        return nullptr;
    QLineSeries* series = curves_.seriesOfRow(row);
    if (!series) {
        if (reportMissing)
            interaction_.showMessage(QString::fromLatin1(kCantFindTarget));
        return nullptr;
    }
    tick(w_.measuredList, row);
    series->show();
    measured_ = series;
    return series;
}

bool PeakCommands::SmoothExpButtonClick() {
    QLineSeries* series = selectedMeasured(false);
    if (!series)
        return false;
    Curve smoothed;
    bool whole = true;
    try {
        Smooth(CurveOf(*series), smoothed, filterWidth());
    } catch (const std::exception& error) {
        // What was smoothed before the error stays in the series.
        whole = false;
        interaction_.showError(curveError(*series, error));
    }
    series_.smoothed->replace(ChartPoints(smoothed));
    series_.smoothed->show();
    curves_.SetSmoothedWhole(whole);
    emit curves_.curvesChanged();
    return whole;
}

void PeakCommands::FindExpPeaksButtonClick() {
    QLineSeries* series = selectedMeasured(true);
    if (!series)
        return;
    series_.measuredPeaks->clear();
    series_.measuredPeaks->show();
    series_.derivative->clear();
    Examined examined{CurveOf(*series), {}};
    try {
        examined.search = FindMeasuredPeaks(examined.curve, filterWidth());
    } catch (const std::exception& error) {
        measuredSearch_.reset();
        interaction_.showError(curveError(*series, error));
        return;
    }
    showDerivative(examined.search.derivative);
    derivativeOf_ = series;
    derivativeGrid_->setRows(MeasuredDerivativeRows(examined.search.derivative, separator_));
    w_.measuredTitle->setText(w_.measuredList->currentItem()->text());
    measuredSearch_ = std::move(examined);
    showPeaks(*measuredSearch_, false);
    derivativeAvailable_ = true;
}

void PeakCommands::FindPeaksButtonClick() {
    const int row = runs_.SelectedExperiment();
    if (row < 0)
        return;
    tick(w_.historyList, row);
    QLineSeries* series = runs_.historySeries(static_cast<std::size_t>(row));
    series->show();
    simulated_ = series;
    series_.simulatedPeaks->clear();
    series_.simulatedPeaks->show();
    series_.derivative->clear();

    Examined examined{CurveOf(*series), {}};
    examined.search = FindSimulatedPeaks(examined.curve);
    showDerivative(examined.search.derivative);
    derivativeOf_ = series;
    derivativeGrid_->setRows(SimulatedDerivativeRows(examined.search.derivative, separator_));
    w_.simulatedTitle->setText(series->name());
    simulatedSearch_ = std::move(examined);
    showPeaks(*simulatedSearch_, true);
    derivativeAvailable_ = true;
}

void PeakCommands::ToggleDerivativeButtonClick() {
    setDerivativeShown(derivativeAvailable_ && !series_.derivative->isVisible());
}

void PeakCommands::setDerivativeShown(bool shown) {
    series_.derivative->setVisible(shown);
    series_.derivativeAxis->setVisible(shown);
    w_.toggleDerivative->setChecked(shown);
}

void PeakCommands::showDerivative(const Curve& derivative) {
    series_.derivative->replace(ChartPoints(derivative));
    if (derivative.empty())
        return;
    const auto [low, high] = std::minmax_element(
        derivative.begin(), derivative.end(),
        [](const CurvePoint& a, const CurvePoint& b) { return a.current < b.current; });
    const double margin = std::max((high->current - low->current) * 0.05, 1e-12);
    SetAutomaticRange(*series_.derivativeAxis, low->current - margin, high->current + margin, true);
}

// The peaks that pass the threshold in their grid and on the chart, and
// under the grid what is read first off a couple's two peaks.
void PeakCommands::showPeaks(const Examined& examined, bool simulated) {
    const std::vector<Peak> peaks =
        ShownPeaks(examined.curve, examined.search, prominenceThreshold());
    (simulated ? simulatedPeaks_ : measuredPeaks_)->setRows(PeakRows(peaks, separator_));
    QList<QPointF> points = peakPoints(peaks);
    if (simulated) {
        // The simulated peaks are kept in the order of their potentials.
        std::stable_sort(points.begin(), points.end(),
                         [](const QPointF& a, const QPointF& b) { return a.x() < b.x(); });
    }
    (simulated ? series_.simulatedPeaks : series_.measuredPeaks)->replace(points);
    QStringList lines;
    for (const std::string& line : CoupleLines(FindCouples(examined.curve, peaks), separator_))
        lines << ToQString(line);
    (simulated ? w_.simulatedCouples : w_.measuredCouples)->setPlainText(lines.join('\n'));
}

}  // namespace ondrel
