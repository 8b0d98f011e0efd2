#include "fit_curve_rows.h"

#include <QLineSeries>
#include <QListWidget>
#include <QTableWidget>

#include "../../platform/float_text.h"
#include "../../platform/ondrel_error.h"
#include "../charts/curve_series.h"
#include "../qt_text.h"
#include "curve_program.h"
#include "measured_curves.h"

namespace ondrel {

namespace {

const QColor kNeeded(255, 214, 214);

QTableWidgetItem* fixed(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    return item;
}

}  // namespace

FitCurveRows::FitCurveRows(QTableWidget& table, ExperimentalCurves& curves, QListWidget& list,
                           char separator, QObject* parent)
    : QObject(parent), table_(table), curves_(curves), list_(list), separator_(separator) {
    connect(&table_, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (item->column() == kScanRate)
            typed(item->row());
    });
    // A deleted curve's rate goes with it.
    connect(&curves_, &ExperimentalCurves::curveRemoved, this,
            [this](QLineSeries* series) { typed_.erase(series); });
}

void FitCurveRows::typed(int row) {
    if (row < 0 || row >= static_cast<int>(rows_.size()))
        return;
    const QString text = table_.item(row, kScanRate)->text().trimmed();
    QLineSeries* series = rows_[static_cast<std::size_t>(row)];
    if (text.isEmpty())
        typed_.erase(series);
    else
        typed_[series] = text;
    // The row is marked in place: the item that told of the change stays.
    const QSignalBlocker block(table_);
    markRate(*table_.item(row, kScanRate), !text.isEmpty());
    table_.item(row, kFrom)
        ->setText(text.isEmpty() ? QStringLiteral("needed") : QStringLiteral("typed"));
    emit changed();
}

void FitCurveRows::markRate(QTableWidgetItem& item, bool known) {
    item.setBackground(known ? QBrush() : QBrush(kNeeded));
    item.setToolTip(known
                        ? QString()
                        : QStringLiteral("Type the scan rate this curve was recorded at, in V/s"));
}

std::optional<QString> FitCurveRows::rateOf(int listRow, QLineSeries* series, QString& from) const {
    if (fileScanRate_)
        if (const std::optional<double> rate = fileScanRate_(listRow)) {
            from = QStringLiteral("file");
            return ToQString(FloatToGeneral(*rate, 6, separator_));
        }
    if (const auto at = typed_.find(series); at != typed_.end()) {
        from = QStringLiteral("typed");
        return at->second;
    }
    from = QStringLiteral("needed");
    return std::nullopt;
}

void FitCurveRows::Refresh() {
    const QSignalBlocker block(table_);
    table_.setRowCount(0);
    rows_.clear();
    for (int row = 0; row < list_.count() && row < curves_.count(); ++row) {
        if (list_.item(row)->checkState() != Qt::Checked)
            continue;
        QLineSeries* series = curves_.seriesOfRow(row);
        const int r = table_.rowCount();
        table_.insertRow(r);
        rows_.push_back(series);
        table_.setItem(r, kCurve, fixed(list_.item(row)->text()));
        QString from;
        const std::optional<QString> rate = rateOf(row, series, from);
        auto* rateItem = new QTableWidgetItem(rate.value_or(QString()));
        if (from == QLatin1String("file"))
            rateItem->setFlags(rateItem->flags() & ~Qt::ItemIsEditable);
        markRate(*rateItem, rate.has_value());
        table_.setItem(r, kScanRate, rateItem);
        table_.setItem(r, kFrom, fixed(from));
        table_.setItem(r, kSweeps, fixed(ToQString(SweepText(CurveOf(*series)))));
    }
    table_.resizeColumnsToContents();
    emit changed();
}

int FitCurveRows::missingRates() const {
    int missing = 0;
    for (int r = 0; r < table_.rowCount(); ++r)
        missing += table_.item(r, kScanRate)->text().trimmed().isEmpty();
    return missing;
}

std::vector<MeasuredCurve> FitCurveRows::Measured(const TPilot& program) const {
    std::vector<MeasuredCurve> measured;
    std::string needed;
    for (int r = 0; r < static_cast<int>(rows_.size()); ++r) {
        MeasuredCurve m;
        m.name = table_.item(r, kCurve)->text().toStdString();
        m.curve = CurveOf(*rows_[static_cast<std::size_t>(r)]);
        m.program = program;
        const QString rate = table_.item(r, kScanRate)->text().trimmed();
        if (rate.isEmpty()) {
            needed += (needed.empty() ? "" : ", ") + m.name;
            continue;
        }
        try {
            m.program.scanRate = TextToFloat(rate.toStdString(), separator_);
        } catch (const EConvertError&) {
            throw Exception(m.name + ": the scan rate '" + rate.toStdString() +
                            "' is not a number");
        }
        if (!(m.program.scanRate > 0))
            throw Exception(m.name + ": the scan rate must be above 0 V/s");
        measured.push_back(std::move(m));
    }
    if (!needed.empty())
        throw Exception(
            "The scan rate each curve was recorded at is needed: type it (V/s) in "
            "the Fit sheet's curve table for " +
            needed + ".");
    return measured;
}

}  // namespace ondrel
