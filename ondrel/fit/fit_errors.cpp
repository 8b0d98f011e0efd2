#include "fit_errors.h"

#include <Eigen/SVD>
#include <algorithm>
#include <cmath>

#include "../engine/electrode_kinetics.h"

namespace ondrel {

double ReversibleK0(const TModel& model, int couple, double scanRate, double lambda) {
    const TRedox& c = model.couples[couple];
    const double Dox = model.species[c.ox].D;
    const double Dred = model.species[c.red].D;
    const double D =
        (Dox > 0 && Dred > 0 ? std::sqrt(Dox * Dred) : std::max(Dox, Dred)) * model.diffusionScale;
    const double FRT = kFaradayOverR / model.temperature;
    return lambda * std::sqrt(D * FRT * std::fabs(scanRate));
}

std::optional<double> K0LowerLimit(double k0, double log10Error, double reversibleK0) {
    if (!(k0 * std::pow(10.0, 2 * log10Error) > reversibleK0))
        return std::nullopt;
    return std::min(reversibleK0, k0 * std::pow(10.0, -2 * log10Error));
}

std::vector<bool> MovesNoPoint(const std::vector<std::vector<double>>& columns) {
    double largest = 0;
    for (const auto& column : columns)
        for (double value : column)
            largest = std::max(largest, std::fabs(value));
    std::vector<bool> idle;
    for (const auto& column : columns) {
        double norm = 0;
        for (double value : column)
            norm = std::max(norm, std::fabs(value));
        idle.push_back(!(norm > 1e-12 * largest));
    }
    return idle;
}

JacobianCovariance CovarianceOf(const std::vector<std::vector<double>>& columns, double minimum) {
    JacobianCovariance result;
    const Eigen::Index p = static_cast<Eigen::Index>(columns.size());
    if (p == 0)
        return result;
    const Eigen::Index n = static_cast<Eigen::Index>(columns[0].size());
    Eigen::MatrixXd J(n, p);
    Eigen::VectorXd scale(p);
    for (Eigen::Index j = 0; j < p; ++j) {
        J.col(j) =
            Eigen::Map<const Eigen::VectorXd>(columns[static_cast<std::size_t>(j)].data(), n);
        scale(j) = J.col(j).norm();
        if (scale(j) > 0)
            J.col(j) /= scale(j);
    }
    const Eigen::JacobiSVD<Eigen::MatrixXd> svd(J, Eigen::ComputeThinV);
    const Eigen::VectorXd& s = svd.singularValues();
    result.reciprocalCondition = s(0) > 0 ? s(p - 1) / s(0) : 0;
    if (!(result.reciprocalCondition >= minimum))
        return result;
    // (JᵀJ)⁻¹ = D⁻¹ V S⁻² Vᵀ D⁻¹ for J = U S Vᵀ D.
    const Eigen::MatrixXd V = svd.matrixV() * s.cwiseInverse().asDiagonal();
    const Eigen::MatrixXd C =
        scale.cwiseInverse().asDiagonal() * (V * V.transpose()) * scale.cwiseInverse().asDiagonal();
    result.matrix.resize(static_cast<std::size_t>(p * p));
    for (Eigen::Index a = 0; a < p; ++a)
        for (Eigen::Index b = 0; b < p; ++b)
            result.matrix[static_cast<std::size_t>(a * p + b)] = C(a, b);
    return result;
}

}  // namespace ondrel
