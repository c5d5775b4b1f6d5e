#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "examples/lpsolve/constraint_model.hpp"
#include "tests/examples/lpsolve/random_lp.hpp"
#include "tests/examples/lpsolve/leak_guard.hpp"

namespace {

// The violation measure recomputed densely from the model: |a'x - lo| for rows with
// lo = up, the signed excess over finite row and column bounds for the rest; NaN when
// there is nothing to measure.
double expectedViolation(const lpsolve::LpModel& lp, const std::vector<double>& x) {
    const auto ax = lpsolve_test::denseProduct(lp, x);
    double v = -std::numeric_limits<double>::infinity();
    bool any = false;
    auto take = [&](double r) {
        if (v <= r) v = r, any = true;
    };
    for (std::size_t i = 0; i < lp.numRows(); ++i) {
        const double lo = lp.rowLower[i], up = lp.rowUpper[i];
        if (lo == up) {
            take(std::fabs(ax[i] - lo));
            continue;
        }
        if (std::isfinite(up)) take(ax[i] - up);
        if (std::isfinite(lo)) take(lo - ax[i]);
    }
    for (std::size_t j = 0; j < lp.numCols(); ++j) {
        if (std::isfinite(lp.colLower[j])) take(lp.colLower[j] - x[j]);
        if (std::isfinite(lp.colUpper[j])) take(x[j] - lp.colUpper[j]);
    }
    return any ? v : std::numeric_limits<double>::quiet_NaN();
}

TEST(ConstraintModel, MeasuresTheViolationOfEveryRowAndBound) {
    std::mt19937 rng(99);
    lpsolve_test::SolveLeakGuard guard;
    std::uniform_real_distribution<double> value(-4.0, 4.0);
    for (int trial = 0; trial < 30; ++trial) {
        const auto lp = lpsolve_test::randomLp(rng, 1 + trial % 6, 1 + trial % 8);
        lpsolve::ConstraintModel model(lp);
        std::vector<double> x(lp.numCols());
        for (auto& e : x) e = value(rng);
        const double expected = expectedViolation(lp, x);
        const double got = model.maxViolation(x);
        if (std::isnan(expected)) {
            EXPECT_TRUE(std::isnan(got));
        } else {
            EXPECT_NEAR(got, expected, 1e-12 * (1.0 + std::fabs(expected))) << "trial " << trial;
        }
        // A ranged row counts twice as an inequality; equalities once.
        std::size_t ineq = 0, eq = 0;
        for (std::size_t i = 0; i < lp.numRows(); ++i) {
            if (lp.rowLower[i] == lp.rowUpper[i]) ++eq;
            else ineq += (std::isfinite(lp.rowLower[i]) ? 1 : 0) + (std::isfinite(lp.rowUpper[i]) ? 1 : 0);
        }
        EXPECT_EQ(model.counts().nIneq, ineq);
        EXPECT_EQ(model.counts().nEq, eq);
    }
}

}  // namespace
