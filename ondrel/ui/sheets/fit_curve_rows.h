#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "../../fit/curve_fit.h"

class QLineSeries;
class QListWidget;
class QTableWidget;
class QTableWidgetItem;

namespace ondrel {

class ExperimentalCurves;

// The Fit sheet's curve table: the measured curves ticked in the Exp. data
// list, each with the scan rate it was recorded at and what its sweeps run
// through.
//
// A scan rate comes from the curve's file where the file gives one, else
// from what the user typed for that curve, which stays with the curve
// however often it is unticked and ticked again. A curve that has neither
// shows an empty, marked cell: it needs its rate typed before a fit.
class FitCurveRows final : public QObject {
    Q_OBJECT

public:
    enum Column { kCurve, kScanRate, kFrom, kSweeps };

    // fileScanRate: the scan rate a list row's file gives, if any.
    using FileScanRate = std::function<std::optional<double>(int row)>;

    FitCurveRows(QTableWidget& table, ExperimentalCurves& curves, QListWidget& list, char separator,
                 QObject* parent = nullptr);

    void setFileScanRate(FileScanRate fileScanRate) { fileScanRate_ = std::move(fileScanRate); }

    // The rows of the ticked curves.
    void Refresh();

    // The ticked curves, each with program, its scan rate from the table.
    // Throws Exception naming the curves whose scan rate is missing or no
    // positive number.
    std::vector<MeasuredCurve> Measured(const TPilot& program) const;

    // The curves in the table, in order, and how many still need a rate.
    std::vector<QLineSeries*> series() const { return rows_; }
    int missingRates() const;

signals:
    // A rate typed, or the rows changed.
    void changed();

private:
    void typed(int row);
    static void markRate(QTableWidgetItem& item, bool known);
    std::optional<QString> rateOf(int listRow, QLineSeries* series, QString& from) const;

    QTableWidget& table_;
    ExperimentalCurves& curves_;
    QListWidget& list_;
    const char separator_;
    FileScanRate fileScanRate_;
    std::vector<QLineSeries*> rows_;         // the curve of each table row
    std::map<QLineSeries*, QString> typed_;  // what the user typed, by curve
};

}  // namespace ondrel
