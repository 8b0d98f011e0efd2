#pragma once

#include <QString>
#include <vector>

#include "../../fit/fit_parameters.h"
#include "../../model/model.h"

class QTableWidget;

namespace ondrel {

// The Fit sheet's parameter table: one row for each parameter the model
// offers, with its vary tick, its start value and its bounds, as the user
// set them up.
//
// The table follows the model: a parameter whose value the model changed
// since the table last saw it (an edit, a load, a recall, an accepted fit)
// starts from the new value, and a parameter the model no longer has goes.
// What the user set up stays: the ticks, a start value typed for a
// parameter the model did not change, and typed bounds while they still
// hold the value.
class FitParameterRows {
public:
    enum Column { kVary, kName, kValue, kLower, kUpper };

    FitParameterRows(QTableWidget& table, char separator);

    // Brings the rows to the model as above.
    void Follow(const TModel& model);
    // Every start value from the model ("Values from model"); ticks and the
    // bounds that hold the new values stay.
    void TakeValues(const TModel& model);

    // The ticked parameters with the table's start values and bounds.
    // Throws Exception naming the first field that is no number, or a
    // parameter the model no longer has.
    std::vector<FitParameter> Varied(const TModel& model) const;

    // The parameter of a row, by the name the fit knows it by.
    QString nameOfRow(int row) const;
    void setVaried(int row, bool varied);

private:
    void update(const TModel& model, bool everyValue);

    QTableWidget& table_;
    const char separator_;
};

// A fitted value as the model keeps it once accepted: six significant
// digits, far finer than the errors a fit gives, so that the editor's fields
// show no digits of noise.
double ShownFitValue(double value);

}  // namespace ondrel
