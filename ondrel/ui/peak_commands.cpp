#include "peak_commands.h"

#include <QAbstractButton>
#include <QChart>
#include <QLabel>
#include <QLineSeries>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QScatterSeries>
#include <QSpinBox>
#include <QTableView>
#include <QValueAxis>
#include <algorithm>

#include "../curves/savitzky_golay.h"
#include "chart_panel.h"
#include "curve_series.h"
#include "measured_curves.h"
#include "potentiostat.h"
#include "text_grid_model.h"
#include "tform1.h"

namespace ondrel {

namespace {

constexpr const char* kCantFindTarget = "Can't find target !";

QString qs(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

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

void tick(QListWidget* list, int row) {
    if (QListWidgetItem* item = list->item(row))
        item->setCheckState(Qt::Checked);
}

}  // namespace

PeakCommands::PeakCommands(TForm1& form, ExperimentalCurves& curves, Interaction& interaction,
                           char separator)
    : QObject(&form),
      form_(form),
      curves_(curves),
      interaction_(interaction),
      separator_(separator),
      derivativeGrid_(new TextGridModel({{"# Pt", "E", "dI/dE"}}, this)),
      measuredPeaks_(new TextGridModel({{"index", "Ep", "Ip"}}, this)),
      simulatedPeaks_(new TextGridModel({{"index", "Ep", "Ip"}}, this)) {
    ChartPanel* panel = form_.VoltamogramPanel;
    QChart* chart = panel->chart();

    // The derivative on an axis of its own, on the right.
    derivativeAxis_ = new QValueAxis(chart);
    derivativeAxis_->setObjectName(QStringLiteral("DerivativeAxis"));
    derivativeAxis_->setTitleText(QStringLiteral("dI/dE"));
    derivativeAxis_->setLabelFormat(QStringLiteral("%g"));
    chart->addAxis(derivativeAxis_, Qt::AlignRight);
    auto* derivative = new QLineSeries;
    derivative->setObjectName(QStringLiteral("SerieDerivee1"));
    derivative->setName(QStringLiteral("dI/dE"));
    chart->addSeries(derivative);
    derivative->attachAxis(panel->xAxis());
    derivative->attachAxis(derivativeAxis_);
    derivative->setPen(QPen(Qt::green, 1));
    form_.SerieDerivee1 = derivative;
    panel->watch(derivative);
    setDerivativeShown(false);

    form_.SeriesExpSmoothed = panel->addLine(2);
    form_.SeriesExpSmoothed->setObjectName(QStringLiteral("SeriesExpSmoothed"));
    form_.SeriesExpSmoothed->setName(QStringLiteral("Exp Smooth"));
    form_.SeriesExpSmoothed->setPen(QPen(QColor(128, 0, 128), 2));
    form_.SeriesExpSmoothed->hide();
    form_.SimPeaksSeries = peakSeries(QStringLiteral("SimPeaks"), QColor(200, 0, 0));
    form_.ExpPeaksSeries = peakSeries(QStringLiteral("ExpPeaks"), QColor(0, 0, 200));
    form_.SimPeaksSeries->setObjectName(QStringLiteral("SimPeaksSeries"));
    form_.ExpPeaksSeries->setObjectName(QStringLiteral("ExpPeaksSeries"));
    for (QScatterSeries* peaks : {form_.SimPeaksSeries, form_.ExpPeaksSeries}) {
        chart->addSeries(peaks);
        peaks->attachAxis(panel->xAxis());
        peaks->attachAxis(panel->yAxis());
        peaks->hide();
        panel->watch(peaks);
    }

    TextGridModel::Show(derivativeGrid_, form_.StringGridDerivative1);
    TextGridModel::Show(measuredPeaks_, form_.PeaksGrid);
    TextGridModel::Show(simulatedPeaks_, form_.VirtualVoltamogramsPeakGrid);

    auto enable = [this](const char* name, auto slot) {
        auto* button = form_.findChild<QAbstractButton*>(QString::fromLatin1(name));
        button->setEnabled(true);
        connect(button, &QAbstractButton::clicked, this, slot);
    };
    enable("FindPeaksButton", [this] { FindPeaksButtonClick(); });
    enable("FindExpPeaksButton", [this] { FindExpPeaksButtonClick(); });
    enable("SmoothExpButton", [this] { SmoothExpButtonClick(); });
    enable("ToggleDerivativeButton", [this] { ToggleDerivativeButtonClick(); });
    form_.findChild<QAbstractButton*>(QStringLiteral("ToggleDerivativeButton"))->setCheckable(true);
    form_.RxSpinEdit1->setEnabled(true);
    connect(form_.RxSpinEdit1, &QSpinBox::valueChanged, this, [this] {
        if (SmoothExpButtonClick())
            FindExpPeaksButtonClick();
    });

    // A new run has no derivative yet.
    connect(form_.Runs, &Potentiostat::runStarted, this, [this] { derivativeAvailable_ = false; });
    // Peaks and smoothing show and go with the curve they were made from.
    connect(form_.Runs, &Potentiostat::historyCurveShown, this,
            [this](QLineSeries* series, bool shown) {
                if (series == simulated_)
                    form_.SimPeaksSeries->setVisible(shown);
            });
    connect(form_.Runs, &Potentiostat::historyCurveRemoved, this, [this](QLineSeries* series) {
        if (series != simulated_)
            return;
        form_.SimPeaksSeries->hide();
        simulated_ = nullptr;
    });
    connect(&curves_, &ExperimentalCurves::curveShown, this,
            [this](QLineSeries* series, bool shown) {
                if (series != measured_)
                    return;
                form_.ExpPeaksSeries->setVisible(shown);
                form_.SeriesExpSmoothed->setVisible(shown);
            });
    connect(&curves_, &ExperimentalCurves::curveRemoved, this, [this](QLineSeries* series) {
        if (series != measured_)
            return;
        form_.ExpPeaksSeries->hide();
        form_.SeriesExpSmoothed->hide();
        measured_ = nullptr;
    });
}

int PeakCommands::filterWidth() const {
    return form_.RxSpinEdit1->value();
}

// The measured curve selected in the list, ticked and shown; null when none
// is selected (or, when asked, after saying that its curve is missing).
QLineSeries* PeakCommands::selectedMeasured(bool reportMissing) {
    const int row = form_.RealExpListBox->currentRow();
    if (row < 0)
        return nullptr;
    QLineSeries* series = curves_.seriesOfRow(row);
    if (!series) {
        if (reportMissing)
            interaction_.showMessage(QString::fromLatin1(kCantFindTarget));
        return nullptr;
    }
    tick(form_.RealExpListBox, row);
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
        interaction_.showError(qs(error.what()));
    }
    form_.SeriesExpSmoothed->replace(ChartPoints(smoothed));
    form_.SeriesExpSmoothed->show();
    emit curves_.curvesChanged();
    return whole;
}

void PeakCommands::FindExpPeaksButtonClick() {
    QLineSeries* series = selectedMeasured(true);
    if (!series)
        return;
    form_.ExpPeaksSeries->clear();
    form_.ExpPeaksSeries->show();
    form_.SerieDerivee1->clear();
    PeakSearch search;
    try {
        search = FindMeasuredPeaks(CurveOf(*series), filterWidth());
    } catch (const std::exception& error) {
        interaction_.showError(qs(error.what()));
        return;
    }
    showDerivative(search.derivative);
    derivativeGrid_->setRows(MeasuredDerivativeRows(search.derivative, separator_));
    form_.StaticText1->setText(form_.RealExpListBox->currentItem()->text());
    measuredPeaks_->setRows(PeakRows(search.peaks, separator_));
    form_.ExpPeaksSeries->replace(peakPoints(search.peaks));
    showCouples(search.peaks, false);
    derivativeAvailable_ = true;
}

void PeakCommands::FindPeaksButtonClick() {
    const int row = form_.Runs->SelectedExperiment();
    if (row < 0)
        return;
    tick(form_.VirtualExpListBox, row);
    QLineSeries* series = form_.Runs->historySeries(static_cast<std::size_t>(row));
    series->show();
    simulated_ = series;
    form_.SimPeaksSeries->clear();
    form_.SimPeaksSeries->show();
    form_.SerieDerivee1->clear();

    const PeakSearch search = FindSimulatedPeaks(CurveOf(*series));
    showDerivative(search.derivative);
    derivativeGrid_->setRows(SimulatedDerivativeRows(search.derivative, separator_));
    form_.StaticText4->setText(series->name());
    simulatedPeaks_->setRows(PeakRows(search.peaks, separator_));
    // The simulated peaks are kept in the order of their potentials.
    QList<QPointF> points = peakPoints(search.peaks);
    std::stable_sort(points.begin(), points.end(),
                     [](const QPointF& a, const QPointF& b) { return a.x() < b.x(); });
    form_.SimPeaksSeries->replace(points);
    showCouples(search.peaks, true);
    derivativeAvailable_ = true;
}

void PeakCommands::ToggleDerivativeButtonClick() {
    setDerivativeShown(derivativeAvailable_ && !form_.SerieDerivee1->isVisible());
}

void PeakCommands::setDerivativeShown(bool shown) {
    form_.SerieDerivee1->setVisible(shown);
    derivativeAxis_->setVisible(shown);
    if (auto* button = form_.findChild<QAbstractButton*>(QStringLiteral("ToggleDerivativeButton")))
        button->setChecked(shown);
}

void PeakCommands::showDerivative(const Curve& derivative) {
    form_.SerieDerivee1->replace(ChartPoints(derivative));
    if (derivative.empty())
        return;
    const auto [low, high] = std::minmax_element(
        derivative.begin(), derivative.end(),
        [](const CurvePoint& a, const CurvePoint& b) { return a.current < b.current; });
    const double margin = std::max((high->current - low->current) * 0.05, 1e-12);
    derivativeAxis_->setRange(low->current - margin, high->current + margin);
    derivativeAxis_->applyNiceNumbers();
}

// Under the peak grid, what is read first off a couple's two peaks.
void PeakCommands::showCouples(const std::vector<Peak>& peaks, bool simulated) {
    QStringList lines;
    for (const std::string& line : CoupleLines(PairPeaks(peaks), separator_))
        lines << qs(line);
    (simulated ? form_.VirtualCouples : form_.MeasuredCouples)->setPlainText(lines.join('\n'));
}

}  // namespace ondrel
