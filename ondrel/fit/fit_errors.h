#pragma once

// What the data determine at the solution of a fit: the covariance of the
// parameters from the Jacobian, and the parameters that can only be held or
// bounded.

#include <optional>
#include <string>
#include <vector>

#include "../model/model.h"

namespace ondrel {

// The k° above which a couple is reversible at the scan rate v (V/s):
// Λ = k°/√(D·F·v/RT) reaches lambda, D the geometric mean of its two
// species' (cm²/s).
double ReversibleK0(const TModel& model, int couple, double scanRate, double lambda);

// A k° (cm/s) whose 2σ interval (its log10 error) reaches the reversible
// limit is bounded from below only: by that limit or the interval's lower
// end, whichever is lower. Nothing when the interval stays below the limit.
std::optional<double> K0LowerLimit(double k0, double log10Error, double reversibleK0);

// The columns of a Jacobian that move no point: all their entries are
// negligible beside the largest entry of all the columns.
std::vector<bool> MovesNoPoint(const std::vector<std::vector<double>>& columns);

// (JᵀJ)⁻¹ of the Jacobian's columns, found through the singular values of
// the Jacobian with each column scaled to unit length, so that parameters
// of different units weigh alike.
struct JacobianCovariance {
    // Row-major, of the columns in order; empty when the Jacobian is
    // rank-deficient.
    std::vector<double> matrix;
    // The smallest singular value of the scaled Jacobian over its largest.
    double reciprocalCondition = 0;
    bool rankDeficient() const { return matrix.empty(); }
};

// A Jacobian whose reciprocal condition number lies below minimum is
// rank-deficient.
JacobianCovariance CovarianceOf(const std::vector<std::vector<double>>& columns,
                                double minimum = 1e-7);

}  // namespace ondrel
