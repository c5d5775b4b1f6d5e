// The pieces under the solver against dense recomputation, LAPACK's dsysv and a scripted KKT back
// end.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <limits>
#include <random>

#include "examples/lpsolve/constraint_model.hpp"
#include "examples/lpsolve/kkt_backends.hpp"
#include "examples/lpsolve/lp_error.hpp"
#include "examples/lpsolve/mps_reader.hpp"
#include "examples/lpsolve/newton_system.hpp"
#include "examples/lpsolve/presolve.hpp"
#include "examples/lpsolve/presolve_queries.hpp"
#include "examples/lpsolve/standard_form.hpp"
#include "examples/lpsolve/tools/lp_families.hpp"
#include "support/lapack.hpp"
#include "tests/support/host_guard.hpp"
#include "tests/support/scratch_leak_guard.hpp"

namespace {

using lpsolve::CscMatrix;
using lpsolve::ExitCode;
using lpsolve::kInf;
using lpsolve::LinearAlgebra;
using lpsolve::StandardForm;

std::string dataFile(const std::string& name) {
    return std::string(LPSOLVE_TEST_DATA) + "/" + name;
}

template <class F>
void expectLpError(F&& f, ExitCode code, std::initializer_list<std::string> words = {}) {
    try {
        f();
        ADD_FAILURE() << "no LpError was thrown";
    } catch (const lpsolve::LpError& e) {
        EXPECT_EQ(e.code(), code) << e.what();
        for (const auto& w : words)
            EXPECT_NE(std::string(e.what()).find(w), std::string::npos) << w << ": " << e.what();
    }
}

// Random model: column bounds free, lower, upper, boxed or fixed; rows =, <=, >=, ranged or free.
lpsolve::LpModel randomLp(std::mt19937& rng, std::size_t m, std::size_t n, double density = 0.4) {
    std::uniform_real_distribution<double> value(-2.0, 2.0), unit(0.0, 1.0);
    std::uniform_int_distribution<int> kind(0, 4);
    lpsolve::LpModel lp;
    lp.A = {m, n, {0}, {}, {}};
    const auto bounds = [&](std::vector<double>& lower, std::vector<double>& upper, bool row) {
        const double lo = value(rng), up = lo + 1.0 + unit(rng);
        const int k = kind(rng),
                  c = row ? std::array{4, 2, 1, 3, 0}[k] : k;  // a row kind as a column kind
        lower.push_back(c == 0 || c == 2 ? -kInf : lo);
        upper.push_back(c == 0 || c == 1 ? kInf : c == 3 ? up : lo);
    };
    for (std::size_t j = 0; j < n; ++j) {
        for (std::size_t i = 0; i < m; ++i)
            if (unit(rng) < density) lp.A.rowIndex.push_back(i), lp.A.value.push_back(value(rng));
        lp.A.colStart.push_back(lp.A.rowIndex.size());
        lp.objective.push_back(value(rng));
        bounds(lp.colLower, lp.colUpper, false);
    }
    for (std::size_t i = 0; i < m; ++i) bounds(lp.rowLower, lp.rowUpper, true);
    lp.objectiveConstant = value(rng);
    return lp;
}

std::vector<double> randomPoint(std::mt19937& rng, const lpsolve::LpModel& lp) {
    std::uniform_real_distribution<double> value(-3.0, 3.0);
    std::vector<double> x(lp.numCols());
    for (std::size_t j = 0; j < x.size(); ++j)
        x[j] = lp.colLower[j] == lp.colUpper[j] ? lp.colLower[j] : value(rng);
    return x;
}

// Compressed-column form of a dense column-major m x n array, and back.
CscMatrix fromDense(std::size_t m, std::size_t n, const std::vector<double>& a) {
    CscMatrix A{m, n, {0}, {}, {}};
    for (std::size_t j = 0; j < n; ++j) {
        for (std::size_t i = 0; i < m; ++i)
            if (a[i + j * m] != 0.0) A.rowIndex.push_back(i), A.value.push_back(a[i + j * m]);
        A.colStart.push_back(A.rowIndex.size());
    }
    return A;
}

std::vector<double> dense(const CscMatrix& A) {
    std::vector<double> d(A.rows * A.cols, 0.0);
    for (std::size_t j = 0; j < A.cols; ++j)
        for (std::size_t k = A.colStart[j]; k < A.colStart[j + 1]; ++k)
            d[A.rowIndex[k] + j * A.rows] += A.value[k];
    return d;
}

std::vector<double> denseProduct(const CscMatrix& A, const std::vector<double>& x) {
    const auto d = dense(A);
    std::vector<double> ax(A.rows, 0.0);
    for (std::size_t k = 0; k < d.size(); ++k) ax[k % A.rows] += d[k] * x[k / A.rows];
    return ax;
}

double objectiveAt(const lpsolve::LpModel& lp, const std::vector<double>& x) {
    double f = lp.objectiveConstant;
    for (std::size_t j = 0; j < x.size(); ++j) f += lp.objective[j] * x[j];
    return f;
}

// The objective-row RHS is minus the constant in both formats; integer markers are counted, to be
// relaxed.
TEST(MpsReader, NegatesTheObjectiveRhsAndCountsIntegerMarkers) {
    for (const char* file : {"ranges_free.mps", "ranges_free_freeformat.mps"})
        EXPECT_EQ(lpsolve::readMps(dataFile(file)).objectiveConstant, 2.5) << file;
    EXPECT_EQ(lpsolve::readMps(std::string(LPSOLVE_SAMPLE_DIR) + "/exmip1.mps").integerColumns, 2u);
}

// [x kept; slacks = A x - fixed part] keeps objective, residuals and distances to bounds; crossed
// bounds are infeasible.
TEST(StandardForm, PreservesObjectiveRowsAndBoundsAtRandomPoints) {
    std::mt19937 rng(20261205);
    const auto near = [](double got, double want) {
        EXPECT_TRUE(got == want || std::fabs(got - want) <= 1e-12) << got << " vs " << want;
    };
    for (int trial = 0; trial < 40; ++trial) {
        const auto lp = randomLp(rng, 1 + trial % 7, 1 + trial % 11);
        const StandardForm sf = lpsolve::toStandardForm(lp);
        const auto x = randomPoint(rng, lp);
        const auto ax = denseProduct(lp.A, x);
        std::vector<double> xs(sf.cols(), 0.0), xFixed(lp.numCols(), 0.0);
        for (std::size_t j = 0; j < lp.numCols(); ++j) {
            EXPECT_EQ(sf.columnOf[j] == StandardForm::kNone, lp.colLower[j] == lp.colUpper[j]) << j;
            (sf.columnOf[j] != StandardForm::kNone ? xs[sf.columnOf[j]] : xFixed[j]) = x[j];
        }
        const auto shift = denseProduct(lp.A, xFixed);
        std::size_t s = sf.structuralCols;
        for (std::size_t i = 0; i < lp.numRows(); ++i)
            if (lp.rowLower[i] != lp.rowUpper[i]) xs[s++] = ax[i] - shift[i];
        ASSERT_EQ(s, sf.cols());
        double objStd = sf.constant;
        for (std::size_t j = 0; j < sf.cols(); ++j) objStd += sf.c[j] * xs[j];
        EXPECT_NEAR(objStd, objectiveAt(lp, x), 1e-12 * (1.0 + std::fabs(objStd)));
        const auto axs = denseProduct(sf.A, xs);
        s = sf.structuralCols;
        for (std::size_t i = 0; i < lp.numRows(); ++i) {
            const bool eq = lp.rowLower[i] == lp.rowUpper[i];
            EXPECT_NEAR(axs[i] - sf.b[i], eq ? ax[i] - lp.rowLower[i] : 0.0, 1e-12) << "row " << i;
            if (eq) continue;
            near(xs[s] - sf.lower[s], ax[i] - lp.rowLower[i]);
            near(sf.upper[s] - xs[s], lp.rowUpper[i] - ax[i]), ++s;
        }
        EXPECT_EQ(lpsolve::modelColumns(sf, xs), x);
    }
    auto lp = randomLp(rng, 3, 4);
    lp.colLower[2] = 1.0, lp.colUpper[2] = 0.0;
    expectLpError([&] { lpsolve::toStandardForm(lp); }, ExitCode::Infeasible);
    lp.colLower[2] = lp.colUpper[2] = 0.0, lp.rowLower[1] = 2.0, lp.rowUpper[1] = 1.0;
    expectLpError([&] { lpsolve::toStandardForm(lp); }, ExitCode::Infeasible);
}

// |a'x - lo| on equalities, the excess over every finite bound elsewhere, NaN with nothing to
// measure.
TEST(ConstraintModel, MeasuresTheViolationOfEveryRowAndBound) {
    std::mt19937 rng(99);
    ScratchAwareLeakGuard guard;
    for (int trial = 0; trial < 30; ++trial) {
        const auto lp = randomLp(rng, 1 + trial % 6, 1 + trial % 8);
        lpsolve::ConstraintModel model(lp);
        EXPECT_TRUE(model.constraints()._A._sparse && model.constraints()._Aeq._sparse);
        std::vector<double> x(lp.numCols());
        for (auto& e : x) e = std::uniform_real_distribution<double>(-4.0, 4.0)(rng);
        const auto ax = denseProduct(lp.A, x);
        double want = -std::numeric_limits<double>::infinity();
        std::size_t ineq = 0, eq = 0;
        const auto take = [&](double bound, double excess) {
            if (std::isfinite(bound)) want = std::max(want, excess), ++ineq;
        };
        for (std::size_t i = 0; i < lp.numRows(); ++i) {
            if (lp.rowLower[i] == lp.rowUpper[i])
                want = std::max(want, std::fabs(ax[i] - lp.rowLower[i])), ++eq;
            else
                take(lp.rowUpper[i], ax[i] - lp.rowUpper[i]),
                    take(lp.rowLower[i], lp.rowLower[i] - ax[i]);
        }
        EXPECT_EQ(model.counts().nIneq, ineq);
        EXPECT_EQ(model.counts().nEq, eq);
        for (std::size_t j = 0; j < lp.numCols(); ++j)
            take(lp.colLower[j], lp.colLower[j] - x[j]),
                take(lp.colUpper[j], x[j] - lp.colUpper[j]);
        const double got = model.maxViolation(x);
        if (std::isinf(want))
            EXPECT_TRUE(std::isnan(got)) << got;
        else
            EXPECT_NEAR(got, want, 1e-12 * (1.0 + std::fabs(want))) << "trial " << trial;
    }
}

// Implied row bounds; with boxed columns, exactly the redundant rows and empty columns go;
// restoring is exact.
TEST(Presolve, RemovesExactlyTheRedundantRowsAndEmptyColumns) {
    HostLeakGuard guard;
    std::mt19937 rng(2026);
    int removedRows = 0, removedCols = 0;
    for (int trial = 0; trial < 60; ++trial) {
        auto lp = randomLp(rng, 2 + trial % 6, 2 + trial % 9, 0.35);
        const std::size_t m = lp.numRows(), n = lp.numCols();
        std::vector<double> lo, up;
        const auto denseImplied = [&] {
            const auto d = dense(lp.A);
            lo.assign(m, 0.0), up.assign(m, 0.0);
            for (std::size_t i = 0; i < m; ++i)
                for (std::size_t j = 0; j < n; ++j)
                    if (const double a = d[i + j * m]; a != 0.0)
                        lo[i] += std::min(a * lp.colLower[j], a * lp.colUpper[j]),
                            up[i] += std::max(a * lp.colLower[j], a * lp.colUpper[j]);
        };
        denseImplied();
        const auto implied = lpsolve::impliedRowBounds(lp.A, lp.colLower, lp.colUpper);
        EXPECT_EQ(implied.lower, lo);
        EXPECT_EQ(implied.upper, up);
        for (std::size_t j = 0; j < n; ++j) {
            if (!std::isfinite(lp.colLower[j]))
                lp.colLower[j] = std::min(-1.0, lp.colUpper[j] - 1.0);
            if (!std::isfinite(lp.colUpper[j])) lp.colUpper[j] = lp.colLower[j] + 2.0;
        }
        for (std::size_t i = 0; i < m; ++i)  // empty rows stay feasible
            lp.rowLower[i] = std::min(lp.rowLower[i], -0.5),
            lp.rowUpper[i] = std::max(lp.rowUpper[i], 0.5);
        denseImplied();
        lpsolve::PresolveResult p;
        try {
            p = lpsolve::presolve(lp);
        } catch (const lpsolve::LpError& e) {  // only a row whose implied range misses its own
            bool explained = false;
            for (std::size_t i = 0; i < m; ++i)
                explained |= lo[i] > lp.rowUpper[i] || up[i] < lp.rowLower[i];
            EXPECT_TRUE(explained) << e.what();
            continue;
        }
        std::vector<char> kept(m, 0), keptCol(n, 0);
        for (std::size_t i : p.keptRows) kept[i] = 1;
        for (std::size_t j : p.keptColumns) keptCol[j] = 1;
        for (std::size_t i = 0; i < m; ++i)
            EXPECT_EQ(kept[i] != 0, !(lo[i] >= lp.rowLower[i] && up[i] <= lp.rowUpper[i]))
                << "row " << i;
        EXPECT_EQ(p.inequalitiesRemoved + p.equalitiesRemoved, m - p.keptRows.size());
        EXPECT_EQ(p.columnsRemoved, n - p.keptColumns.size());
        EXPECT_EQ(p.unboundedColumn, lpsolve::PresolveResult::kNone);
        removedRows += static_cast<int>(m - p.keptRows.size()),
            removedCols += static_cast<int>(p.columnsRemoved);
        for (std::size_t j = 0; j < n; ++j) {
            if (keptCol[j]) continue;
            for (std::size_t k = lp.A.colStart[j]; k < lp.A.colStart[j + 1]; ++k)
                EXPECT_FALSE(kept[lp.A.rowIndex[k]]) << j;
            const double c = lp.objective[j];
            EXPECT_EQ(p.removedValue[j], c > 0   ? lp.colLower[j]
                                         : c < 0 ? lp.colUpper[j]
                                                 : std::clamp(0.0, lp.colLower[j], lp.colUpper[j]));
        }
        const auto xr = randomPoint(rng, p.reduced);
        const auto x = lpsolve::restoreColumns(p, xr);
        EXPECT_NEAR(objectiveAt(p.reduced, xr), objectiveAt(lp, x),
                    1e-12 * (1.0 + std::fabs(objectiveAt(lp, x))));
        const auto axFull = denseProduct(lp.A, x), axReduced = denseProduct(p.reduced.A, xr);
        for (std::size_t r = 0; r < p.keptRows.size(); ++r)
            EXPECT_NEAR(axReduced[r], axFull[p.keptRows[r]], 1e-12);
    }
    EXPECT_GT(removedRows, 0);
    EXPECT_GT(removedCols, 0);
}

// An empty row needing activity, an empty column with a falling cost, a row beyond its implied
// bounds.
TEST(Presolve, ReportsInfeasibleRowsAndUnboundedColumns) {
    lpsolve::LpModel lp;
    lp.A = fromDense(2, 2, {1, 0, 0, 0}), lp.objective = {1.0, 0.0};
    lp.colLower = {0.0, 0.0}, lp.colUpper = {1.0, kInf}, lp.rowLower = {0.0, 1.0},
    lp.rowUpper = {kInf, 2.0};
    expectLpError([&] { lpsolve::presolve(lp); }, ExitCode::Infeasible, {"row 1"});
    lp.rowLower[1] = -1.0, lp.objective[1] = -1.0;
    const auto p = lpsolve::presolve(lp);
    EXPECT_EQ(p.unboundedColumn, 1u);
    EXPECT_EQ(p.removedValue[1], 0.0);
    lp.rowLower[0] = 3.0, lp.objective[1] = 1.0;
    expectLpError([&] { lpsolve::presolve(lp); }, ExitCode::Infeasible, {"row 0"});
}

// [-D A'; A delta I] [x; y] = rhs solved by dsysv on the assembled matrix.
std::vector<double> oracleSolve(const CscMatrix& A, const std::vector<double>& d, double delta,
                                std::vector<double> rhs) {
    const std::size_t n = A.cols, m = A.rows, N = n + m;
    const auto a = dense(A);
    std::vector<double> K(N * N, 0.0), work(64 * N);
    for (std::size_t j = 0; j < n; ++j) {
        K[j + j * N] = -d[j];
        for (std::size_t i = 0; i < m; ++i) K[(n + i) + j * N] = K[j + (n + i) * N] = a[i + j * m];
    }
    for (std::size_t i = n; i < N; ++i) K[i + i * N] = delta;
    const blas_int bn = static_cast<blas_int>(N), one = 1,
                   lwork = static_cast<blas_int>(work.size());
    std::vector<blas_int> ipiv(N);
    blas_int info = 0;
    dsysv_("L", &bn, &one, K.data(), &bn, ipiv.data(), rhs.data(), &bn, work.data(), &lwork, &info);
    EXPECT_EQ(info, 0);
    return rhs;
}

// Regression: CoinUtils brings a 32-bit-integer BLAS under the same names; the 64-bit one must win.
TEST(KktBackend, BlasCallsBindToTheSixtyFourBitLibrary) {
    for (void* symbol : {reinterpret_cast<void*>(&dsytrf_), reinterpret_cast<void*>(&dgemv_),
                         reinterpret_cast<void*>(&dtrsv_)}) {
        Dl_info info{};
        ASSERT_NE(dladdr(symbol, &info), 0);
        EXPECT_NE(std::string(info.dli_fname ? info.dli_fname : "").find("openblas64"),
                  std::string::npos);
    }
}

class KktBackend : public ::testing::TestWithParam<LinearAlgebra> {};

// Sizes straddle the dense 128/129 blocking switch; D spans twelve orders; refactored twice.
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
        const CscMatrix A = fromDense(m, n, a);
        auto kkt = lpsolve::makeKktSolver({&A}, GetParam());
        for (int round = 0; round < 2; ++round) {
            std::vector<double> d(n), rhs(n + m);
            for (auto& v : d) v = std::pow(10.0, -6.0 + 12.0 * unit(rng));
            for (auto& v : rhs) v = value(rng);
            const auto report = kkt->factor({d, 0.0, 1e-12});
            ASSERT_TRUE(report.factored);
            EXPECT_TRUE(report.inertiaOk);
            EXPECT_EQ(report.negativePivots, n);
            EXPECT_EQ(report.rank, n + m);
            const auto expected = oracleSolve(A, d, 1e-12, rhs);
            kkt->solve(rhs);
            for (std::size_t i = 0; i < rhs.size(); ++i)
                EXPECT_NEAR(rhs[i], expected[i], 1e-6 * (1.0 + std::fabs(expected[i])))
                    << m << "x" << n << " " << kkt->name();
        }
    }
}

// Row 2 = row 0 + row 1: unregularized, the back end flags it; NewtonSystem regularizes and solves.
TEST_P(KktBackend, FlagsDependentRowsAndNewtonSystemRecovers) {
    HostLeakGuard guard;
    const std::vector<double> a = {1, 0, 1, 2, 1, 3, 0, 3, 3, -1, 1, 0};
    const CscMatrix A = fromDense(3, 4, a);
    auto kkt = lpsolve::makeKktSolver({&A}, GetParam());
    const std::vector<double> d = {1.0, 2.0, 0.5, 4.0}, f = {0.3, -0.2, 0.1, 0.7};
    const auto report = kkt->factor({d, 0.0, 0.0});
    ASSERT_TRUE(report.factored);
    EXPECT_TRUE(!report.inertiaOk || report.rank < 7u)
        << report.rank << ", " << report.negativePivots;
    if (GetParam() == LinearAlgebra::Dense) {  // the shifted pivot is counted and reported
        EXPECT_TRUE(report.rank == 6u && report.regularizedPivots == 1u && report.inertiaOk);
    }
    lpsolve::NewtonSystem newton({&A}, *kkt);
    newton.factor(d);
    const auto g = denseProduct(A, {0.5, -1.0, 2.0, 1.0});  // in the range of A
    AlignedVector dx, dy;
    newton.solve(f, g, dx, dy);
    for (std::size_t j = 0; j < 4; ++j) {  // refined against the unregularized system
        double r = -d[j] * dx[j];
        for (std::size_t i = 0; i < 3; ++i) r += a[i + 3 * j] * dy[i];
        EXPECT_NEAR(r, f[j], 1e-8) << j;
    }
    const auto adx = denseProduct(A, {dx.begin(), dx.end()});
    for (std::size_t i = 0; i < 3; ++i) EXPECT_NEAR(adx[i], g[i], 1e-8) << i;
}

INSTANTIATE_TEST_SUITE_P(Lpsolve, KktBackend,
                         ::testing::Values(LinearAlgebra::Dense, LinearAlgebra::Sparse,
                                           LinearAlgebra::Normal),
                         [](const auto& info) {
                             return info.param == LinearAlgebra::Dense    ? "Dense"
                                    : info.param == LinearAlgebra::Sparse ? "Sparse"
                                                                          : "Normal";
                         });

// Small systems go dense; sparse columns, even with a few dense ones beside them, the normal
// equations; columns that all pair many rows the augmented system.
TEST(KktChoice, NormalEquationsUnlessTheirFactorFills) {
    CscMatrix A = lpgen::transportation(30, 40, 1).A;  // 70 x 1200, two entries a column
    EXPECT_EQ(lpsolve::automaticChoice({&A}), LinearAlgebra::Normal);
    EXPECT_EQ(lpsolve::automaticChoice({&A}, 2000), LinearAlgebra::Dense);
    for (int dense = 0; dense < 10; ++dense) {
        for (std::size_t i = 0; i < A.rows; ++i) A.rowIndex.push_back(i), A.value.push_back(1.0);
        A.colStart.push_back(A.rowIndex.size()), ++A.cols;
    }
    EXPECT_EQ(lpsolve::denseColumns(A).size(), 10u);
    EXPECT_EQ(lpsolve::automaticChoice({&A}), LinearAlgebra::Normal);
    const CscMatrix full = fromDense(30, 500, std::vector<double>(30 * 500, 1.0));
    EXPECT_TRUE(lpsolve::denseColumns(full).empty());
    EXPECT_EQ(lpsolve::automaticChoice({&full}), LinearAlgebra::Sparse);
    EXPECT_EQ(lpsolve::makeKktSolver({&full}, LinearAlgebra::Automatic)->name(), "sparse");
    EXPECT_EQ(lpsolve::makeKktSolver({&full}, LinearAlgebra::Augmented)->name(), "sparse");
}

// Fails `failures` times (no factor unless `factored`), then reports a good inertia with `rank`.
struct ScriptedKkt : lpsolve::KktSolver {
    int failures;
    bool factored;
    std::size_t rank;
    std::vector<double> primal, dual;
    ScriptedKkt(int f, bool fac, std::size_t r) : failures(f), factored(fac), rank(r) {}
    lpsolve::KktReport factor(const lpsolve::KktValues& v) override {
        primal.push_back(v.diagonal[0] + v.primalReg), dual.push_back(v.dualReg);
        const bool good = static_cast<int>(dual.size()) > failures;
        return {good || factored, good ? rank : 0, 0, 0, good};
    }
    void solve(std::vector<double>&) override {}
    std::string name() const override { return "scripted"; }
};

// A wrong inertia raises both regularizations, a short rank only the dual one; endless failure is
// an error.
TEST(NewtonSystem, RaisesTheRegularizationRetriesRankDeficiencyAndGivesUp) {
    const CscMatrix A{1, 1, {0, 1}, {0}, {1.0}};
    ScriptedKkt inertia(2, true, 2), rankShort(0, true, 1), never(1000, false, 2);
    lpsolve::NewtonSystem({&A}, inertia).factor(std::vector<double>{0.0});
    EXPECT_TRUE(inertia.dual.size() == 3u && inertia.dual[2] > inertia.dual[1] &&
                inertia.dual[1] > inertia.dual[0]);
    EXPECT_TRUE(inertia.primal.size() == 3u && inertia.primal[2] > inertia.primal[1] &&
                inertia.primal[1] > inertia.primal[0]);
    lpsolve::NewtonSystem newton({&A}, rankShort);
    newton.factor(std::vector<double>{1.0});
    EXPECT_TRUE(rankShort.dual.size() == 2u && rankShort.dual[1] > rankShort.dual[0] &&
                rankShort.primal[1] == rankShort.primal[0]);
    EXPECT_EQ(newton.rankDeficientFactors(), 1u);
    EXPECT_EQ(newton.refactorizations(), 0u);
    expectLpError([&] { lpsolve::NewtonSystem({&A}, never).factor(std::vector<double>{1.0}); },
                  ExitCode::NumericalFailure, {"KKT", "scripted"});
}

}  // namespace
