#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "examples/lpsolve/lp_error.hpp"
#include "examples/lpsolve/standard_form.hpp"
#include "tests/examples/lpsolve/random_lp.hpp"

namespace {

using lpsolve::StandardForm;

// Equal within rounding, or the same infinity.
void expectSameDistance(double got, double expected) {
    if (std::isinf(expected)) EXPECT_EQ(got, expected);
    else EXPECT_NEAR(got, expected, 1e-12);
}

// For any point x of the model, the standard-form point [x kept; slacks = A x - shift]
// must reproduce: the objective (constant included), the equality residuals, and the
// distance of every row activity and column to its bounds.
TEST(StandardForm, PreservesObjectiveRowsAndBoundsAtRandomPoints) {
    std::mt19937 rng(20261205);
    for (int trial = 0; trial < 40; ++trial) {
        const auto lp = lpsolve_test::randomLp(rng, 1 + trial % 7, 1 + trial % 11);
        const StandardForm sf = lpsolve::toStandardForm(lp);
        const auto x = lpsolve_test::pointWithinBounds(rng, lp);
        const auto ax = lpsolve_test::denseProduct(lp, x);

        // Assemble the standard-form point from the model point.
        std::vector<double> xs(sf.cols(), 0.0);
        for (std::size_t j = 0; j < lp.numCols(); ++j) {
            if (sf.columnOf[j] != StandardForm::kNone) xs[sf.columnOf[j]] = x[j];
        }
        std::vector<double> shift(lp.numRows(), 0.0);  // activity of the fixed columns
        for (std::size_t j = 0; j < lp.numCols(); ++j) {
            if (sf.columnOf[j] != StandardForm::kNone) continue;
            ASSERT_EQ(lp.colLower[j], lp.colUpper[j]);
            for (std::size_t k = lp.A.colStart[j]; k < lp.A.colStart[j + 1]; ++k)
                shift[lp.A.rowIndex[k]] += lp.A.value[k] * x[j];
        }
        std::size_t slack = sf.structuralCols;
        std::vector<std::size_t> slackOfRow(lp.numRows(), StandardForm::kNone);
        for (std::size_t i = 0; i < lp.numRows(); ++i) {
            if (lp.rowLower[i] == lp.rowUpper[i]) continue;
            slackOfRow[i] = slack;
            xs[slack++] = ax[i] - shift[i];
        }
        ASSERT_EQ(slack, sf.cols());

        double objModel = lp.objectiveConstant, objStd = sf.constant;
        for (std::size_t j = 0; j < lp.numCols(); ++j) objModel += lp.objective[j] * x[j];
        for (std::size_t j = 0; j < sf.cols(); ++j) objStd += sf.c[j] * xs[j];
        EXPECT_NEAR(objStd, objModel, 1e-12 * (1.0 + std::fabs(objModel)));

        std::vector<double> axs(sf.rows(), 0.0);
        for (std::size_t j = 0; j < sf.cols(); ++j)
            for (std::size_t k = sf.A.colStart[j]; k < sf.A.colStart[j + 1]; ++k)
                axs[sf.A.rowIndex[k]] += sf.A.value[k] * xs[j];
        for (std::size_t i = 0; i < lp.numRows(); ++i) {
            const double expected = slackOfRow[i] == StandardForm::kNone ? ax[i] - lp.rowLower[i] : 0.0;
            EXPECT_NEAR(axs[i] - sf.b[i], expected, 1e-12) << "row " << i;
            if (slackOfRow[i] != StandardForm::kNone) {
                const std::size_t s = slackOfRow[i];
                // Bound distances of the slack equal those of the row activity.
                expectSameDistance(xs[s] - sf.lower[s], ax[i] - lp.rowLower[i]);
                expectSameDistance(sf.upper[s] - xs[s], lp.rowUpper[i] - ax[i]);
            }
        }
        EXPECT_EQ(lpsolve::modelColumns(sf, xs), x);
    }
}

TEST(StandardForm, CrossedBoundsAreInfeasible) {
    std::mt19937 rng(7);
    auto lp = lpsolve_test::randomLp(rng, 3, 4);
    lp.colLower[2] = 1.0;
    lp.colUpper[2] = 0.0;
    EXPECT_THROW(
        {
            try {
                lpsolve::toStandardForm(lp);
            } catch (const lpsolve::LpError& e) {
                EXPECT_EQ(e.code(), lpsolve::ExitCode::Infeasible);
                throw;
            }
        },
        lpsolve::LpError);
    lp.colLower[2] = lp.colUpper[2] = 0.0;
    lp.rowLower[1] = 2.0;
    lp.rowUpper[1] = 1.0;
    EXPECT_THROW(lpsolve::toStandardForm(lp), lpsolve::LpError);
}

}  // namespace
