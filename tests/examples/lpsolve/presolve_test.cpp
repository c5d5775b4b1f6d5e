#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "examples/lpsolve/lp_error.hpp"
#include "examples/lpsolve/presolve.hpp"
#include "examples/lpsolve/presolve_queries.hpp"
#include "tests/examples/lpsolve/random_lp.hpp"
#include "tests/support/host_guard.hpp"

namespace {

using lpsolve::kInf;

// Dense recomputation of the implied row bounds: sum over the row of the smaller and
// the larger of a*lb and a*ub (with 0 for a zero coefficient).
void denseImplied(const lpsolve::LpModel& lp, std::vector<double>& lo, std::vector<double>& up) {
    const std::size_t m = lp.numRows(), n = lp.numCols();
    std::vector<double> dense(m * n, 0.0);
    for (std::size_t j = 0; j < n; ++j)
        for (std::size_t k = lp.A.colStart[j]; k < lp.A.colStart[j + 1]; ++k)
            dense[lp.A.rowIndex[k] + j * m] = lp.A.value[k];
    lo.assign(m, 0.0);
    up.assign(m, 0.0);
    for (std::size_t i = 0; i < m; ++i) {
        for (std::size_t j = 0; j < n; ++j) {
            const double a = dense[i + j * m];
            if (a == 0.0) continue;
            const double p = a * lp.colLower[j], q = a * lp.colUpper[j];
            lo[i] += std::min(p, q);
            up[i] += std::max(p, q);
        }
    }
}

TEST(PresolveQueries, MatchDenseRecomputation) {
    HostLeakGuard guard;
    std::mt19937 rng(11);
    for (int trial = 0; trial < 20; ++trial) {
        const auto lp = lpsolve_test::randomLp(rng, 1 + trial % 9, 1 + trial % 13, 0.3);
        const auto counts = lpsolve::nonzeroCounts(lp.A);
        std::vector<double> rowCount(lp.numRows(), 0.0), colCount(lp.numCols(), 0.0);
        for (std::size_t j = 0; j < lp.numCols(); ++j)
            for (std::size_t k = lp.A.colStart[j]; k < lp.A.colStart[j + 1]; ++k)
                rowCount[lp.A.rowIndex[k]] += 1.0, colCount[j] += 1.0;
        EXPECT_EQ(counts.perRow, rowCount);
        EXPECT_EQ(counts.perColumn, colCount);

        std::vector<double> lo, up;
        denseImplied(lp, lo, up);
        const auto implied = lpsolve::impliedRowBounds(lp.A, lp.colLower, lp.colUpper);
        ASSERT_EQ(implied.lower.size(), lp.numRows());
        for (std::size_t i = 0; i < lp.numRows(); ++i) {
            EXPECT_DOUBLE_EQ(implied.lower[i], lo[i]) << "row " << i;
            EXPECT_DOUBLE_EQ(implied.upper[i], up[i]) << "row " << i;
        }
    }
}

// On random models: a row is removed exactly when it is empty or its implied bounds lie
// within its own; a column exactly when it is empty, at the bound its cost prefers; and
// the reduced model plus the constant gives the original objective at restored points.
TEST(Presolve, RemovesExactlyTheRedundantRowsAndEmptyColumns) {
    HostLeakGuard guard;
    std::mt19937 rng(2026);
    int removedRows = 0, removedCols = 0;
    for (int trial = 0; trial < 60; ++trial) {
        auto lp = lpsolve_test::randomLp(rng, 2 + trial % 6, 2 + trial % 9, 0.35);
        // Give every column a finite box so that implied bounds are mostly finite, and
        // make empty rows feasible.
        for (std::size_t j = 0; j < lp.numCols(); ++j) {
            if (!std::isfinite(lp.colLower[j])) lp.colLower[j] = std::min(-1.0, lp.colUpper[j] - 1.0);
            if (!std::isfinite(lp.colUpper[j])) lp.colUpper[j] = lp.colLower[j] + 2.0;
        }
        for (std::size_t i = 0; i < lp.numRows(); ++i) {
            lp.rowLower[i] = std::min(lp.rowLower[i], -0.5);
            lp.rowUpper[i] = std::max(lp.rowUpper[i], 0.5);
        }
        std::vector<double> lo, up;
        denseImplied(lp, lo, up);
        lpsolve::PresolveResult p;
        try {
            p = lpsolve::presolve(lp);
        } catch (const lpsolve::LpError& e) {
            // Only rows whose implied range misses their own range may be declared infeasible.
            bool explained = false;
            for (std::size_t i = 0; i < lp.numRows(); ++i)
                explained |= lo[i] > lp.rowUpper[i] || up[i] < lp.rowLower[i];
            EXPECT_TRUE(explained) << e.what();
            continue;
        }
        std::vector<char> kept(lp.numRows(), 0);
        for (std::size_t i : p.keptRows) kept[i] = 1;
        for (std::size_t i = 0; i < lp.numRows(); ++i) {
            const bool redundant = lo[i] >= lp.rowLower[i] && up[i] <= lp.rowUpper[i];
            if (redundant) EXPECT_FALSE(kept[i]) << "row " << i;
            else EXPECT_TRUE(kept[i]) << "row " << i;
            removedRows += kept[i] ? 0 : 1;
        }
        EXPECT_EQ(p.inequalitiesRemoved + p.equalitiesRemoved, lp.numRows() - p.keptRows.size());
        EXPECT_EQ(p.columnsRemoved, lp.numCols() - p.keptColumns.size());
        removedCols += static_cast<int>(p.columnsRemoved);

        std::vector<char> keptCol(lp.numCols(), 0);
        for (std::size_t j : p.keptColumns) keptCol[j] = 1;
        for (std::size_t j = 0; j < lp.numCols(); ++j) {
            if (keptCol[j]) continue;
            for (std::size_t k = lp.A.colStart[j]; k < lp.A.colStart[j + 1]; ++k)
                EXPECT_FALSE(kept[lp.A.rowIndex[k]]) << "removed column " << j << " has a kept row";
            const double c = lp.objective[j];
            const double expected = c > 0 ? lp.colLower[j] : c < 0 ? lp.colUpper[j]
                                                           : std::clamp(0.0, lp.colLower[j], lp.colUpper[j]);
            EXPECT_EQ(p.removedValue[j], expected);
            EXPECT_EQ(p.unboundedColumn, lpsolve::PresolveResult::kNone);  // every column is boxed here
        }

        const auto xr = lpsolve_test::pointWithinBounds(rng, p.reduced);
        const auto x = lpsolve::restoreColumns(p, xr);
        double full = lp.objectiveConstant, reduced = p.reduced.objectiveConstant;
        for (std::size_t j = 0; j < lp.numCols(); ++j) full += lp.objective[j] * x[j];
        for (std::size_t j = 0; j < p.reduced.numCols(); ++j) reduced += p.reduced.objective[j] * xr[j];
        EXPECT_NEAR(reduced, full, 1e-12 * (1.0 + std::fabs(full)));
        // Every row the presolve kept has the same activity in the reduced model.
        const auto axFull = lpsolve_test::denseProduct(lp, x);
        const auto axReduced = lpsolve_test::denseProduct(p.reduced, xr);
        for (std::size_t r = 0; r < p.keptRows.size(); ++r)
            EXPECT_NEAR(axReduced[r], axFull[p.keptRows[r]], 1e-12);
    }
    EXPECT_GT(removedRows, 0);  // the random models do exercise the removals
    EXPECT_GT(removedCols, 0);
}

TEST(Presolve, ReportsInfeasibleRowsAndUnboundedColumns) {
    lpsolve::LpModel lp;
    lp.A.rows = 2;
    lp.A.cols = 2;
    lp.A.colStart = {0, 1, 1};  // column 1 is empty
    lp.A.rowIndex = {0};
    lp.A.value = {1.0};
    lp.objective = {1.0, 0.0};
    lp.colLower = {0.0, 0.0};
    lp.colUpper = {1.0, kInf};
    lp.rowLower = {0.0, 1.0};  // row 1 is empty but needs activity >= 1
    lp.rowUpper = {kInf, 2.0};
    try {
        lpsolve::presolve(lp);
        ADD_FAILURE() << "an empty row needing activity 1 passed";
    } catch (const lpsolve::LpError& e) {
        EXPECT_EQ(e.code(), lpsolve::ExitCode::Infeasible);
        EXPECT_NE(std::string(e.what()).find("row 1"), std::string::npos) << e.what();
    }

    // An empty column whose cost decreases towards +inf: recorded, removed at its finite
    // bound, and the verdict left to the solve (the rest may still be infeasible).
    lp.rowLower[1] = -1.0;
    lp.objective[1] = -1.0;
    const auto p = lpsolve::presolve(lp);
    EXPECT_EQ(p.unboundedColumn, 1u);
    EXPECT_EQ(p.removedValue[1], 0.0);

    lp.rowLower[0] = 3.0;  // x0 <= 1 can never reach 3
    lp.objective[1] = 1.0;
    try {
        lpsolve::presolve(lp);
        ADD_FAILURE() << "a row beyond its implied bounds passed";
    } catch (const lpsolve::LpError& e) {
        EXPECT_EQ(e.code(), lpsolve::ExitCode::Infeasible);
        EXPECT_NE(std::string(e.what()).find("row 0"), std::string::npos) << e.what();
    }
}

}  // namespace
