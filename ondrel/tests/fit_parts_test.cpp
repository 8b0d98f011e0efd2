// The fit's parts on their own, without a whole fit: finite-difference
// steps at the bounds, the parameters the data cannot determine, the
// covariance, the bounds a parameter may take.
#include <gtest/gtest.h>

#include <cmath>

#include "fit/fit_errors.h"
#include "fit/fit_evaluator.h"
#include "fit/fit_parameters.h"
#include "fit_cases.h"

namespace ondrel {
namespace {

TEST(FitParts, DifferencesStepBackwardWhereForwardWouldPassTheUpperBound) {
    const TModel model = FitCoupleModel(0, 0.01, 0.5);
    FitParameter E0 = Varied(model, "E0(1)", 0);
    EXPECT_DOUBLE_EQ(DifferenceStep(E0, 0), 1e-4);
    EXPECT_DOUBLE_EQ(DifferenceStep(E0, E0.upper), -1e-4);
    EXPECT_DOUBLE_EQ(DifferenceStep(E0, E0.upper - 0.5e-4), -1e-4);
    const FitParameter k0 = Varied(model, "k0(1)", 0.01);
    EXPECT_DOUBLE_EQ(DifferenceStep(k0, std::log10(k0.upper)), -1e-3);
    EXPECT_DOUBLE_EQ(DifferenceStep(k0, std::log10(k0.lower)), 1e-3);
}

TEST(FitParts, AK0WhoseIntervalReachesTheReversibleLimitIsBoundedFromItsLowerEnd) {
    // 0.1 cm/s ± 0.3 decades: the interval 0.025 .. 0.4 reaches 0.3.
    const std::optional<double> reaching = K0LowerLimit(0.1, 0.3, 0.3);
    ASSERT_TRUE(reaching);
    EXPECT_NEAR(*reaching, 0.1 * std::pow(10.0, -0.6), 1e-12);
    // An interval beyond the limit on both sides: the limit itself.
    EXPECT_DOUBLE_EQ(*K0LowerLimit(1, 0.01, 0.3), 0.3);
    // One that stays below: a value with an error.
    EXPECT_FALSE(K0LowerLimit(0.01, 0.1, 0.3));

    // Λ = 15 at 0.1 V/s for D = 1e-5 cm²/s at 298.15 K.
    const TModel model = FitCoupleModel(0, 0.01, 0.5);
    EXPECT_NEAR(ReversibleK0(model, 1, 0.1, 15), 15 * std::sqrt(1e-5 * 11604.4 / 298.15 * 0.1),
                1e-12);
    EXPECT_NEAR(ReversibleK0(model, 1, 0.4, 15) / ReversibleK0(model, 1, 0.1, 15), 2, 1e-12);
}

TEST(FitParts, AColumnThatMovesNoPointIsHeld) {
    const std::vector<std::vector<double>> J = {{1, -2, 3}, {0, 0, 0}, {1e-14, 0, 0}, {0, 1e-6, 0}};
    EXPECT_EQ(MovesNoPoint(J), (std::vector<bool>{false, true, true, false}));
}

TEST(FitParts, TheCovarianceIsTheInverseOfJtJWhateverTheColumnsUnits) {
    // Two columns of very different scales: (JᵀJ)⁻¹ all the same.
    const std::vector<std::vector<double>> J = {{1e3, 2e3, 0, 1e3}, {0, 1e-3, 1e-3, 2e-3}};
    const JacobianCovariance c = CovarianceOf(J);
    ASSERT_FALSE(c.rankDeficient());
    const double a = 6e6, b = 4, d = 6e-6;  // JᵀJ = [[a, b], [b, d]]
    const double det = a * d - b * b;
    EXPECT_NEAR(c.matrix[0] / (d / det), 1, 1e-9);
    EXPECT_NEAR(c.matrix[1] / (-b / det), 1, 1e-9);
    EXPECT_NEAR(c.matrix[3] / (a / det), 1, 1e-9);
    EXPECT_GT(c.reciprocalCondition, 0.1);

    // A column that is another's multiple: rank-deficient, said with its
    // condition number.
    const JacobianCovariance degenerate = CovarianceOf({{1, 2, 3}, {-2, -4, -6}});
    EXPECT_TRUE(degenerate.rankDeficient());
    EXPECT_LT(degenerate.reciprocalCondition, 1e-7);
}

TEST(FitParts, BoundsThatAParameterCannotTakeAreRefused) {
    const TModel model = FitCoupleModel(0, 0.01, 0.5);
    FitParameter alpha = Varied(model, "alpha(1)", 0.5);
    alpha.lower = 0;
    EXPECT_NE(ParameterProblem(alpha).find("within 0 and 1"), std::string::npos);
    alpha.lower = 0.05;
    EXPECT_EQ(ParameterProblem(alpha), "");
    for (const ParameterKind kind :
         {ParameterKind::K0, ParameterKind::Kf, ParameterKind::Kb, ParameterKind::D})
        EXPECT_TRUE(FittedInLog10(kind));
    for (const ParameterKind kind : {ParameterKind::E0, ParameterKind::Alpha, ParameterKind::C,
                                     ParameterKind::Ru, ParameterKind::Cdl})
        EXPECT_FALSE(FittedInLog10(kind));
    EXPECT_DOUBLE_EQ(FromFitted(ParameterKind::D, ToFitted(ParameterKind::D, 0.7)), 0.7);
}

}  // namespace
}  // namespace ondrel
