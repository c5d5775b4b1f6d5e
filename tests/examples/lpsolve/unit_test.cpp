// The pieces under the solver against dense recomputation and LAPACK's dsysv.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

#include "examples/lpsolve/constraint_model.hpp"
#include "examples/lpsolve/kkt_backends.hpp"
#include "examples/lpsolve/lp_error.hpp"
#include "examples/lpsolve/newton_system.hpp"
#include "examples/lpsolve/presolve.hpp"
#include "examples/lpsolve/presolve_queries.hpp"
#include "support/lapack.hpp"
#include "tests/examples/lpsolve/planted.hpp"
#include "tests/support/host_guard.hpp"
#include "tests/support/scratch_leak_guard.hpp"

namespace {

using lpsolve::CscMatrix;
using lpsolve::kInf;
using lpsolve::LinearAlgebra;

// The dense column-major form of A.
std::vector<double> dense(const CscMatrix& A) {
    std::vector<double> d(A.rows * A.cols, 0.0);
    for (std::size_t j = 0; j < A.cols; ++j)
        for (std::size_t k = A.colStart[j]; k < A.colStart[j + 1]; ++k)
            d[A.rowIndex[k] + j * A.rows] += A.value[k];
    return d;
}

std::vector<double> product(const CscMatrix& A, const std::vector<double>& x) {
    return lpsolve_test::product(A.rows, dense(A), x);
}

// Random model: column bounds free, lower, upper, boxed or fixed; rows =, <=, >=, ranged or
// free. Each column's entries are set with probability `density`.
lpsolve::LpModel randomLp(std::mt19937& rng, std::size_t m, std::size_t n, double density) {
    std::uniform_real_distribution<double> value(-2.0, 2.0), unit(0.0, 1.0);
    lpsolve::LpModel lp;
    lp.A = {m, n, {0}, {}, {}};
    const auto bounds = [&](std::vector<double>& lower, std::vector<double>& upper) {
        const double lo = value(rng), up = lo + 1.0 + unit(rng);
        const int k = std::uniform_int_distribution<int>(0, 4)(rng);
        lower.push_back(k == 0 || k == 2 ? -kInf : lo);
        upper.push_back(k == 0 || k == 1 ? kInf : k == 3 ? up : lo);
    };
    for (std::size_t j = 0; j < n; ++j) {
        for (std::size_t i = 0; i < m; ++i)
            if (unit(rng) < density) lp.A.rowIndex.push_back(i), lp.A.value.push_back(value(rng));
        lp.A.colStart.push_back(lp.A.rowIndex.size());
        lp.objective.push_back(value(rng));
        bounds(lp.colLower, lp.colUpper);
    }
    for (std::size_t i = 0; i < m; ++i) bounds(lp.rowLower, lp.rowUpper);
    return lp;
}

// |a'x - lo| on equalities, the excess over every finite bound elsewhere, NaN with nothing
// to measure.
TEST(ConstraintModel, MeasuresTheViolationOfEveryRowAndBound) {
    std::mt19937 rng(99);
    ScratchAwareLeakGuard guard;
    for (int trial = 0; trial < 30; ++trial) {
        const auto lp = randomLp(rng, 1 + trial % 6, 1 + trial % 8, 0.4);
        lpsolve::ConstraintModel model(lp);
        std::vector<double> x(lp.numCols());
        for (auto& e : x) e = std::uniform_real_distribution<double>(-4.0, 4.0)(rng);
        const auto ax = product(lp.A, x);
        double want = -std::numeric_limits<double>::infinity();
        std::size_t ineq = 0, eq = 0;
        const auto take = [&](double bound, double excess) {
            if (std::isfinite(bound)) want = std::max(want, excess), ++ineq;
        };
        for (std::size_t i = 0; i < lp.numRows(); ++i) {
            if (lp.rowLower[i] == lp.rowUpper[i]) {
                want = std::max(want, std::fabs(ax[i] - lp.rowLower[i])), ++eq;
                continue;
            }
            take(lp.rowUpper[i], ax[i] - lp.rowUpper[i]);
            take(lp.rowLower[i], lp.rowLower[i] - ax[i]);
        }
        EXPECT_EQ(model.counts().nIneq, ineq);
        EXPECT_EQ(model.counts().nEq, eq);
        for (std::size_t j = 0; j < lp.numCols(); ++j) {
            take(lp.colLower[j], lp.colLower[j] - x[j]);
            take(lp.colUpper[j], x[j] - lp.colUpper[j]);
        }
        const double got = model.maxViolation(x);
        if (std::isinf(want))
            EXPECT_TRUE(std::isnan(got)) << got;
        else
            EXPECT_NEAR(got, want, 1e-12 * (1.0 + std::fabs(want))) << "trial " << trial;
    }
}

// Implied row bounds; with boxed columns, exactly the redundant rows and empty columns go
// (at the bound their cost prefers); restoring is exact.
TEST(Presolve, RemovesExactlyTheRedundantRowsAndEmptyColumns) {
    HostLeakGuard guard;
    std::mt19937 rng(2026);
    std::size_t removedRows = 0, removedCols = 0;
    for (int trial = 0; trial < 60; ++trial) {
        auto lp = randomLp(rng, 2 + trial % 6, 2 + trial % 9, 0.35);
        const std::size_t m = lp.numRows(), n = lp.numCols();
        std::vector<double> lo(m, 0.0), up(m, 0.0);
        const auto denseImplied = [&] {
            const auto d = dense(lp.A);
            std::fill(lo.begin(), lo.end(), 0.0), std::fill(up.begin(), up.end(), 0.0);
            for (std::size_t k = 0; k < d.size(); ++k) {
                const double a = d[k], l = lp.colLower[k / m], u = lp.colUpper[k / m];
                if (a != 0.0)
                    lo[k % m] += std::min(a * l, a * u), up[k % m] += std::max(a * l, a * u);
            }
        };
        denseImplied();
        const auto implied = lpsolve::impliedRowBounds(lp.A, lp.colLower, lp.colUpper);
        EXPECT_EQ(implied.lower, lo);
        EXPECT_EQ(implied.upper, up);
        for (std::size_t j = 0; j < n; ++j) {
            if (!std::isfinite(lp.colLower[j])) lp.colLower[j] = std::min(-1.0, lp.colUpper[j] - 1);
            if (!std::isfinite(lp.colUpper[j])) lp.colUpper[j] = lp.colLower[j] + 2.0;
        }
        for (std::size_t i = 0; i < m; ++i) {  // empty rows stay feasible
            lp.rowLower[i] = std::min(lp.rowLower[i], -0.5);
            lp.rowUpper[i] = std::max(lp.rowUpper[i], 0.5);
        }
        denseImplied();
        bool infeasible = false;  // only a row whose implied range misses its own may say so
        for (std::size_t i = 0; i < m; ++i)
            infeasible |= lo[i] > lp.rowUpper[i] || up[i] < lp.rowLower[i];
        if (infeasible) {
            EXPECT_THROW(lpsolve::presolve(lp), lpsolve::LpError);
            continue;
        }
        const lpsolve::PresolveResult p = lpsolve::presolve(lp);
        std::vector<char> kept(m, 0), keptCol(n, 0);
        for (std::size_t i : p.keptRows) kept[i] = 1;
        for (std::size_t j : p.keptColumns) keptCol[j] = 1;
        for (std::size_t i = 0; i < m; ++i)
            EXPECT_EQ(kept[i] != 0, !(lo[i] >= lp.rowLower[i] && up[i] <= lp.rowUpper[i])) << i;
        EXPECT_EQ(p.inequalitiesRemoved + p.equalitiesRemoved, m - p.keptRows.size());
        EXPECT_EQ(p.columnsRemoved, n - p.keptColumns.size());
        removedRows += m - p.keptRows.size(), removedCols += p.columnsRemoved;
        for (std::size_t j = 0; j < n; ++j) {
            if (keptCol[j]) continue;
            for (std::size_t k = lp.A.colStart[j]; k < lp.A.colStart[j + 1]; ++k)
                EXPECT_FALSE(kept[lp.A.rowIndex[k]]) << j;
            const double c = lp.objective[j], l = lp.colLower[j], u = lp.colUpper[j];
            EXPECT_EQ(p.removedValue[j], c > 0 ? l : c < 0 ? u : std::clamp(0.0, l, u));
        }
        std::vector<double> xr(p.keptColumns.size());
        for (auto& v : xr) v = std::uniform_real_distribution<double>(-3.0, 3.0)(rng);
        const auto x = lpsolve::restoreColumns(p, xr);
        double fr = p.reduced.objectiveConstant, f = lp.objectiveConstant;
        for (std::size_t j = 0; j < xr.size(); ++j) fr += p.reduced.objective[j] * xr[j];
        for (std::size_t j = 0; j < n; ++j) f += lp.objective[j] * x[j];
        EXPECT_NEAR(fr, f, 1e-12 * (1.0 + std::fabs(f)));
        const auto axFull = product(lp.A, x), axReduced = product(p.reduced.A, xr);
        for (std::size_t r = 0; r < p.keptRows.size(); ++r)
            EXPECT_NEAR(axReduced[r], axFull[p.keptRows[r]], 1e-12);
    }
    EXPECT_GT(removedRows, 0u);
    EXPECT_GT(removedCols, 0u);
}

// Regression: CoinUtils brings a 32-bit-integer BLAS under the same names; the 64-bit one
// must win.
TEST(KktBackend, BlasCallsBindToTheSixtyFourBitLibrary) {
    for (void* symbol : {reinterpret_cast<void*>(&dsytrf_), reinterpret_cast<void*>(&dgemv_)}) {
        Dl_info info{};
        ASSERT_NE(dladdr(symbol, &info), 0);
        EXPECT_NE(std::string(info.dli_fname ? info.dli_fname : "").find("openblas64"),
                  std::string::npos);
    }
}

class KktBackend : public ::testing::TestWithParam<LinearAlgebra> {};

// [-D A'; A delta I] against dsysv on the assembled matrix. Sizes straddle the dense
// 128/129 blocking switch; D spans twelve orders; each factor object is used twice.
TEST_P(KktBackend, SolvesLikeLapackAndReportsTheInertia) {
    HostLeakGuard guard;
    std::mt19937 rng(42);
    std::uniform_real_distribution<double> unit(0.0, 1.0), value(-1.0, 1.0);
    const std::pair<std::size_t, std::size_t> shapes[] = {{1, 1},   {3, 5},   {20, 47},
                                                          {40, 88}, {50, 79}, {60, 120}};
    for (const auto& [m, n] : shapes) {
        std::vector<double> a(m * n);
        for (std::size_t k = 0; k < a.size(); ++k)  // a diagonal keeps full row rank
            a[k] = k % m == k / m ? 2.0 + value(rng) : unit(rng) < 0.1 ? value(rng) : 0.0;
        const CscMatrix A = lpsolve_test::csc(m, n, a);
        auto kkt = lpsolve::makeKktSolver({&A}, GetParam());
        const blas_int N = blas_int(n + m), lwork = 64 * N;
        for (blas_int columns = 1; columns <= 2; ++columns) {  // solve, then solveColumns
            std::vector<double> d(n), rhs(N * columns), K(N * N, 0.0), work(lwork);
            for (auto& v : d) v = std::pow(10.0, -6.0 + 12.0 * unit(rng));
            for (auto& v : rhs) v = value(rng);
            for (std::size_t j = 0; j < n; ++j) {
                K[j + j * N] = -d[j];
                for (std::size_t i = 0; i < m; ++i)
                    K[(n + i) + j * N] = K[j + (n + i) * N] = a[i + j * m];
            }
            for (std::size_t i = n; i < std::size_t(N); ++i) K[i + i * N] = 1e-12;
            const auto report = kkt->factor({d, 0.0, 1e-12});
            ASSERT_TRUE(report.factored);
            EXPECT_TRUE(report.inertiaOk);
            EXPECT_EQ(report.negativePivots, n);
            EXPECT_EQ(report.rank, n + m);
            std::vector<double> expected = rhs;
            std::vector<blas_int> ipiv(N);
            blas_int info = 0;
            dsysv_("L", &N, &columns, K.data(), &N, ipiv.data(), expected.data(), &N, work.data(),
                   &lwork, &info);
            ASSERT_EQ(info, 0);
            if (columns == 1)
                kkt->solve(rhs);
            else
                kkt->solveColumns(rhs, 2);
            for (std::size_t i = 0; i < rhs.size(); ++i)
                EXPECT_NEAR(rhs[i], expected[i], 1e-6 * (1.0 + std::fabs(expected[i])))
                    << m << "x" << n << " " << kkt->name();
        }
    }
}

// Row 2 = row 0 + row 1: unregularized, the back end flags it; NewtonSystem regularizes and
// solves, refined against the unregularized system.
TEST_P(KktBackend, FlagsDependentRowsAndNewtonSystemRecovers) {
    HostLeakGuard guard;
    const std::vector<double> a = {1, 0, 1, 2, 1, 3, 0, 3, 3, -1, 1, 0};
    const CscMatrix A = lpsolve_test::csc(3, 4, a);
    auto kkt = lpsolve::makeKktSolver({&A}, GetParam());
    const std::vector<double> d = {1.0, 2.0, 0.5, 4.0}, f = {0.3, -0.2, 0.1, 0.7};
    const auto report = kkt->factor({d, 0.0, 0.0});
    ASSERT_TRUE(report.factored);
    EXPECT_TRUE(!report.inertiaOk || report.rank < 7u) << report.rank;
    if (GetParam() == LinearAlgebra::Dense) {  // the shifted pivot is counted and reported
        EXPECT_TRUE(report.rank == 6u && report.regularizedPivots == 1u && report.inertiaOk);
    }
    lpsolve::NewtonSystem newton({&A}, *kkt);
    newton.factor(d);
    const auto g = product(A, {0.5, -1.0, 2.0, 1.0});  // in the range of A
    AlignedVector dx, dy;
    newton.solve(f, g, dx, dy);
    for (std::size_t j = 0; j < 4; ++j) {
        double r = -d[j] * dx[j];
        for (std::size_t i = 0; i < 3; ++i) r += a[i + 3 * j] * dy[i];
        EXPECT_NEAR(r, f[j], 1e-8) << j;
    }
    const auto adx = product(A, {dx.begin(), dx.end()});
    for (std::size_t i = 0; i < 3; ++i) EXPECT_NEAR(adx[i], g[i], 1e-8) << i;
}

std::string backEnd(const ::testing::TestParamInfo<LinearAlgebra>& info) {
    const char* names[] = {"Automatic", "Dense", "Sparse", "Normal"};
    return names[int(info.param)];
}
INSTANTIATE_TEST_SUITE_P(Lpsolve, KktBackend,
                         ::testing::Values(LinearAlgebra::Dense, LinearAlgebra::Sparse,
                                           LinearAlgebra::Normal),
                         backEnd);

}  // namespace
