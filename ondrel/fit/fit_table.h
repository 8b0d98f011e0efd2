#pragma once

#include <string>

#include "curve_fit.h"

namespace ondrel {

// The text of a value or error as the tables show it.
std::string FitNumber(double value);

// What a parameter's value reads as: the number, or "> limit" for one the
// data bound from below only.
std::string FittedValueText(const FittedParameter& p);

// The status of a fit as a word: "converged", "not converged", "stopped",
// "failed".
std::string FitStatusText(FitStatus status);

// The result as tab-separated text: a header and one row per parameter
// (parameter, value, standard error, unit, log10 value, log10 error, start,
// note), the correlation matrix, then the fit's figures one per row.
std::string FitResultTable(const FitResult& result);

}  // namespace ondrel
