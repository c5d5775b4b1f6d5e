// The model pipeline before the solve: MPS reading, the standard form, the violation
// measure and the presolve, each against an independent recomputation.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

#include "examples/lpsolve/constraint_model.hpp"
#include "examples/lpsolve/mps_reader.hpp"
#include "examples/lpsolve/presolve.hpp"
#include "examples/lpsolve/presolve_queries.hpp"
#include "examples/lpsolve/standard_form.hpp"
#include "tests/examples/lpsolve/lp_test_support.hpp"
#include "tests/support/host_guard.hpp"

namespace {

using lpsolve::ExitCode;
using lpsolve::StandardForm;
using namespace lpsolve_test;

// ranges_free.mps worked out by hand from the MPS rules, in fixed and free format: an L
// row with range R is [rhs - |R|, rhs], G is [rhs, rhs + |R|], E is [rhs, rhs + R] for
// R > 0 and [rhs + R, rhs] for R < 0; the RHS on the objective row is minus the
// objective constant; the spare N row is dropped. Column X4 lists its rows out of order.
TEST(MpsReader, AppliesRangesBoundsAndTheObjectiveConstant) {
    for (const char* file : {"ranges_free.mps", "ranges_free_freeformat.mps"}) {
        const auto lp = lpsolve::readMps(dataFile(file));
        ASSERT_EQ(lp.numRows(), 5u) << file;
        ASSERT_EQ(lp.numCols(), 6u) << file;
        EXPECT_EQ(lp.objectiveConstant, 2.5) << file;
        EXPECT_EQ(lp.rowLower, (std::vector<double>{1.5, 1.0, 7.0, 7.0, -kInf})) << file;
        EXPECT_EQ(lp.rowUpper, (std::vector<double>{4.0, 4.0, 11.0, 9.0, 6.0})) << file;
        EXPECT_EQ(lp.colLower, (std::vector<double>{0.0, 0.0, -kInf, -kInf, -1.0, 0.5})) << file;
        EXPECT_EQ(lp.colUpper, (std::vector<double>{4.0, kInf, kInf, 5.0, 2.0, 0.5})) << file;
        EXPECT_EQ(lp.objective, (std::vector<double>{1.0, 2.0, -1.0, 1.0, -0.5, 3.0})) << file;
        EXPECT_EQ(dense(lp.A), (std::vector<double>{1, 1, 0, 0, 0, 1, 0, -1, 0, 0, 0, 0, 1, 1, 0,
                                                    0, 1, 0, 1, 1, 0.5, 0, 0, 0, 1, 0, 0, 0, 0, -1})) << file;
        EXPECT_EQ(lp.A.nnz(), 12u) << file;
        EXPECT_EQ(lp.integerColumns, 0u) << file;
    }
    EXPECT_EQ(lpsolve::readMps(dataFile("ranges_free.mps")).name, "RANGEFREE");
    EXPECT_EQ(lpsolve::readMps(sampleFile("exmip1.mps")).integerColumns, 2u);  // COL03, COL04
}

// Equal within rounding, or the same infinity.
void expectSameDistance(double got, double expected) {
    if (std::isinf(expected)) EXPECT_EQ(got, expected);
    else EXPECT_NEAR(got, expected, 1e-12);
}

// At random points x, the standard-form point [x kept; slacks = A x - fixed part]
// keeps the objective (constant included), equality residuals and distances to bounds.
TEST(StandardForm, PreservesObjectiveRowsAndBoundsAtRandomPoints) {
    std::mt19937 rng(20261205);
    for (int trial = 0; trial < 40; ++trial) {
        const auto lp = randomLp(rng, 1 + trial % 7, 1 + trial % 11);
        const StandardForm sf = lpsolve::toStandardForm(lp);
        const auto x = randomPoint(rng, lp);
        const auto ax = denseProduct(lp.A, x);
        std::vector<double> xs(sf.cols(), 0.0), xFixed(lp.numCols(), 0.0);
        for (std::size_t j = 0; j < lp.numCols(); ++j) {
            if (sf.columnOf[j] != StandardForm::kNone) xs[sf.columnOf[j]] = x[j];
            else xFixed[j] = x[j];
            EXPECT_EQ(sf.columnOf[j] == StandardForm::kNone, lp.colLower[j] == lp.colUpper[j]) << j;
        }
        const auto shift = denseProduct(lp.A, xFixed);
        std::size_t slack = sf.structuralCols;
        std::vector<std::size_t> slackOfRow(lp.numRows(), StandardForm::kNone);
        for (std::size_t i = 0; i < lp.numRows(); ++i)
            if (lp.rowLower[i] != lp.rowUpper[i]) slackOfRow[i] = slack, xs[slack++] = ax[i] - shift[i];
        ASSERT_EQ(slack, sf.cols());

        double objModel = lp.objectiveConstant, objStd = sf.constant;
        for (std::size_t j = 0; j < lp.numCols(); ++j) objModel += lp.objective[j] * x[j];
        for (std::size_t j = 0; j < sf.cols(); ++j) objStd += sf.c[j] * xs[j];
        EXPECT_NEAR(objStd, objModel, 1e-12 * (1.0 + std::fabs(objModel)));
        const auto axs = denseProduct(sf.A, xs);
        for (std::size_t i = 0; i < lp.numRows(); ++i) {
            const std::size_t s = slackOfRow[i];
            EXPECT_NEAR(axs[i] - sf.b[i], s == StandardForm::kNone ? ax[i] - lp.rowLower[i] : 0.0, 1e-12) << "row " << i;
            if (s == StandardForm::kNone) continue;
            expectSameDistance(xs[s] - sf.lower[s], ax[i] - lp.rowLower[i]);
            expectSameDistance(sf.upper[s] - xs[s], lp.rowUpper[i] - ax[i]);
        }
        EXPECT_EQ(lpsolve::modelColumns(sf, xs), x);
    }
}

TEST(StandardForm, CrossedBoundsAreInfeasible) {
    std::mt19937 rng(7);
    auto lp = randomLp(rng, 3, 4);
    lp.colLower[2] = 1.0, lp.colUpper[2] = 0.0;
    expectLpError([&] { lpsolve::toStandardForm(lp); }, ExitCode::Infeasible);
    lp.colLower[2] = lp.colUpper[2] = 0.0;
    lp.rowLower[1] = 2.0, lp.rowUpper[1] = 1.0;
    expectLpError([&] { lpsolve::toStandardForm(lp); }, ExitCode::Infeasible);
}

// Dense recomputation of the violation: |a'x - lo| on rows with lo = up, the signed
// excess over every finite row and column bound elsewhere; NaN with nothing to measure.
TEST(ConstraintModel, MeasuresTheViolationOfEveryRowAndBound) {
    std::mt19937 rng(99);
    ScratchAwareLeakGuard guard;  // OPTMatrix scratch entries are no leak
    std::uniform_real_distribution<double> value(-4.0, 4.0);
    for (int trial = 0; trial < 30; ++trial) {
        const auto lp = randomLp(rng, 1 + trial % 6, 1 + trial % 8);
        lpsolve::ConstraintModel model(lp);
        std::vector<double> x(lp.numCols());
        for (auto& e : x) e = value(rng);
        const auto ax = denseProduct(lp.A, x);
        double expected = -std::numeric_limits<double>::infinity();
        std::size_t ineq = 0, eq = 0;
        const auto take = [&](double bound, double excess) {
            if (std::isfinite(bound)) expected = std::max(expected, excess), ++ineq;
        };
        for (std::size_t i = 0; i < lp.numRows(); ++i) {
            if (lp.rowLower[i] == lp.rowUpper[i]) expected = std::max(expected, std::fabs(ax[i] - lp.rowLower[i])), ++eq;
            else take(lp.rowUpper[i], ax[i] - lp.rowUpper[i]), take(lp.rowLower[i], lp.rowLower[i] - ax[i]);
        }
        const std::size_t rowIneq = ineq;
        for (std::size_t j = 0; j < lp.numCols(); ++j)
            take(lp.colLower[j], lp.colLower[j] - x[j]), take(lp.colUpper[j], x[j] - lp.colUpper[j]);
        const double got = model.maxViolation(x);
        if (std::isinf(expected)) EXPECT_TRUE(std::isnan(got)) << got;
        else EXPECT_NEAR(got, expected, 1e-12 * (1.0 + std::fabs(expected))) << "trial " << trial;
        EXPECT_EQ(model.counts().nIneq, rowIneq);  // a ranged row counts twice
        EXPECT_EQ(model.counts().nEq, eq);
    }
}

// Dense implied row bounds: sum of min/max of a*lb and a*ub over the nonzeros of the row.
void denseImplied(const lpsolve::LpModel& lp, std::vector<double>& lo, std::vector<double>& up) {
    const std::size_t m = lp.numRows();
    const auto d = dense(lp.A);
    lo.assign(m, 0.0), up.assign(m, 0.0);
    for (std::size_t i = 0; i < m; ++i)
        for (std::size_t j = 0; j < lp.numCols(); ++j) {
            const double a = d[i + j * m], p = a * lp.colLower[j], q = a * lp.colUpper[j];
            if (a != 0.0) lo[i] += std::min(p, q), up[i] += std::max(p, q);
        }
}

// Implied row bounds on random models (infinite bounds included); then, with the columns
// boxed, a row goes exactly when its implied bounds lie within its own, a column exactly
// when it is empty, at the bound its cost prefers; restored points give the original
// objective and the kept rows' activities.
TEST(Presolve, RemovesExactlyTheRedundantRowsAndEmptyColumns) {
    HostLeakGuard guard;
    std::mt19937 rng(2026);
    int removedRows = 0, removedCols = 0;
    for (int trial = 0; trial < 60; ++trial) {
        auto lp = randomLp(rng, 2 + trial % 6, 2 + trial % 9, 0.35);
        std::vector<double> lo, up;
        denseImplied(lp, lo, up);
        const auto implied = lpsolve::impliedRowBounds(lp.A, lp.colLower, lp.colUpper);
        EXPECT_EQ(implied.lower, lo);
        EXPECT_EQ(implied.upper, up);
        for (std::size_t j = 0; j < lp.numCols(); ++j) {
            if (!std::isfinite(lp.colLower[j])) lp.colLower[j] = std::min(-1.0, lp.colUpper[j] - 1.0);
            if (!std::isfinite(lp.colUpper[j])) lp.colUpper[j] = lp.colLower[j] + 2.0;
        }
        for (std::size_t i = 0; i < lp.numRows(); ++i)  // empty rows stay feasible
            lp.rowLower[i] = std::min(lp.rowLower[i], -0.5), lp.rowUpper[i] = std::max(lp.rowUpper[i], 0.5);
        denseImplied(lp, lo, up);
        lpsolve::PresolveResult p;
        try {
            p = lpsolve::presolve(lp);
        } catch (const lpsolve::LpError& e) {  // only a row whose implied range misses its own
            bool explained = false;
            for (std::size_t i = 0; i < lp.numRows(); ++i) explained |= lo[i] > lp.rowUpper[i] || up[i] < lp.rowLower[i];
            EXPECT_TRUE(explained) << e.what();
            continue;
        }
        std::vector<char> kept(lp.numRows(), 0), keptCol(lp.numCols(), 0);
        for (std::size_t i : p.keptRows) kept[i] = 1;
        for (std::size_t j : p.keptColumns) keptCol[j] = 1;
        for (std::size_t i = 0; i < lp.numRows(); ++i) {
            EXPECT_EQ(kept[i] != 0, !(lo[i] >= lp.rowLower[i] && up[i] <= lp.rowUpper[i])) << "row " << i;
            removedRows += kept[i] ? 0 : 1;
        }
        EXPECT_EQ(p.inequalitiesRemoved + p.equalitiesRemoved, lp.numRows() - p.keptRows.size());
        EXPECT_EQ(p.columnsRemoved, lp.numCols() - p.keptColumns.size());
        removedCols += static_cast<int>(p.columnsRemoved);
        EXPECT_EQ(p.unboundedColumn, lpsolve::PresolveResult::kNone);  // every column is boxed
        for (std::size_t j = 0; j < lp.numCols(); ++j) {
            if (keptCol[j]) continue;
            for (std::size_t k = lp.A.colStart[j]; k < lp.A.colStart[j + 1]; ++k)
                EXPECT_FALSE(kept[lp.A.rowIndex[k]]) << "removed column " << j << " has a kept row";
            const double c = lp.objective[j];
            EXPECT_EQ(p.removedValue[j], c > 0 ? lp.colLower[j] : c < 0 ? lp.colUpper[j]
                                                                       : std::clamp(0.0, lp.colLower[j], lp.colUpper[j]));
        }
        const auto xr = randomPoint(rng, p.reduced);
        const auto x = lpsolve::restoreColumns(p, xr);
        double full = lp.objectiveConstant, reduced = p.reduced.objectiveConstant;
        for (std::size_t j = 0; j < lp.numCols(); ++j) full += lp.objective[j] * x[j];
        for (std::size_t j = 0; j < p.reduced.numCols(); ++j) reduced += p.reduced.objective[j] * xr[j];
        EXPECT_NEAR(reduced, full, 1e-12 * (1.0 + std::fabs(full)));
        const auto axFull = denseProduct(lp.A, x), axReduced = denseProduct(p.reduced.A, xr);
        for (std::size_t r = 0; r < p.keptRows.size(); ++r) EXPECT_NEAR(axReduced[r], axFull[p.keptRows[r]], 1e-12);
    }
    EXPECT_GT(removedRows, 0);  // the random models do exercise the removals
    EXPECT_GT(removedCols, 0);
}

// An empty row that needs activity, a row beyond its implied bounds, and an empty column
// whose cost falls towards +inf (recorded, the verdict left to the solve).
TEST(Presolve, ReportsInfeasibleRowsAndUnboundedColumns) {
    lpsolve::LpModel lp;
    lp.A = fromDense(2, 2, {1, 0, 0, 0});
    lp.objective = {1.0, 0.0};
    lp.colLower = {0.0, 0.0}, lp.colUpper = {1.0, kInf};
    lp.rowLower = {0.0, 1.0}, lp.rowUpper = {kInf, 2.0};
    expectLpError([&] { lpsolve::presolve(lp); }, ExitCode::Infeasible, {"row 1"});
    lp.rowLower[1] = -1.0;
    lp.objective[1] = -1.0;
    const auto p = lpsolve::presolve(lp);
    EXPECT_EQ(p.unboundedColumn, 1u);
    EXPECT_EQ(p.removedValue[1], 0.0);
    lp.rowLower[0] = 3.0;  // x0 <= 1 can never reach 3
    lp.objective[1] = 1.0;
    expectLpError([&] { lpsolve::presolve(lp); }, ExitCode::Infeasible, {"row 0"});
}

}  // namespace
