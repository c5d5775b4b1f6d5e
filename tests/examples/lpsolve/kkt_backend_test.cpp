// Every KKT back end against LAPACK's dsysv on the explicitly assembled matrix, and the
// regularization control of NewtonSystem with a scripted back end.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cmath>
#include <random>
#include <string>

#include "examples/lpsolve/lp_error.hpp"
#include "examples/lpsolve/newton_system.hpp"
#include "tests/examples/lpsolve/random_lp.hpp"
#include "tests/support/host_guard.hpp"
#include "tests/support/lapack.hpp"

namespace {

using lpsolve::CscMatrix;
using lpsolve::LinearAlgebra;

CscMatrix randomMatrix(std::mt19937& rng, std::size_t m, std::size_t n, double density) {
    std::uniform_real_distribution<double> value(-1.0, 1.0), unit(0.0, 1.0);
    CscMatrix A;
    A.rows = m;
    A.cols = n;
    A.colStart.push_back(0);
    for (std::size_t j = 0; j < n; ++j) {
        for (std::size_t i = 0; i < m; ++i) {
            // A diagonal entry in every row keeps A of full row rank.
            if (i == j || unit(rng) < density) {
                A.rowIndex.push_back(i);
                A.value.push_back(i == j ? 2.0 + value(rng) : value(rng));
            }
        }
        A.colStart.push_back(A.rowIndex.size());
    }
    return A;
}

// The solution of [-D A'; A delta I] [x; y] = rhs by LAPACK's dsysv on the whole matrix.
std::vector<double> oracleSolve(const CscMatrix& A, const std::vector<double>& d, double delta,
                                std::vector<double> rhs) {
    const std::size_t n = A.cols, N = A.cols + A.rows;
    std::vector<double> K(N * N, 0.0);
    for (std::size_t j = 0; j < n; ++j) {
        K[j + j * N] = -d[j];
        for (std::size_t k = A.colStart[j]; k < A.colStart[j + 1]; ++k) {
            K[(n + A.rowIndex[k]) + j * N] += A.value[k];
            K[j + (n + A.rowIndex[k]) * N] += A.value[k];
        }
    }
    for (std::size_t i = n; i < N; ++i) K[i + i * N] = delta;
    const blas_int bn = static_cast<blas_int>(N), one = 1;
    std::vector<blas_int> ipiv(N);
    blas_int info = 0, lwork = static_cast<blas_int>(64 * N);
    std::vector<double> work(64 * N);
    dsysv_("L", &bn, &one, K.data(), &bn, ipiv.data(), rhs.data(), &bn, work.data(), &lwork, &info);
    EXPECT_EQ(info, 0);
    return rhs;
}

// CoinUtils brings a 32-bit-integer LAPACK/BLAS into the process with the same symbol
// names; the 64-bit-integer one must win for every call the solver makes.
TEST(KktBackend, BlasCallsBindToTheSixtyFourBitLibrary) {
    for (void* symbol : {reinterpret_cast<void*>(&dsytrf_), reinterpret_cast<void*>(&dgemv_),
                         reinterpret_cast<void*>(&dtrsv_)}) {
        Dl_info info{};
        ASSERT_NE(dladdr(symbol, &info), 0);
        ASSERT_NE(info.dli_fname, nullptr);
        EXPECT_NE(std::string(info.dli_fname).find("openblas64"), std::string::npos) << info.dli_fname;
    }
}

class KktBackend : public ::testing::TestWithParam<LinearAlgebra> {};

// Sizes straddle the dense solver's 128/129 blocking switch; D spans twelve orders of
// magnitude as it does near an interior-point solution.
TEST_P(KktBackend, SolvesLikeLapackAndReportsTheInertia) {
    HostLeakGuard guard;
    std::mt19937 rng(42);
    std::uniform_real_distribution<double> unit(0.0, 1.0), value(-1.0, 1.0);
    for (const auto& [m, n] : {std::pair<std::size_t, std::size_t>{1, 1}, {3, 5}, {20, 47},
                               {40, 88}, {50, 79}, {60, 120}}) {
        const CscMatrix A = randomMatrix(rng, m, n, 0.1);
        auto kkt = lpsolve::makeKktSolver(A, GetParam());
        for (int round = 0; round < 2; ++round) {  // refactor with new values, same solver
            std::vector<double> d(n);
            for (auto& v : d) v = std::pow(10.0, -6.0 + 12.0 * unit(rng));
            const double delta = 1e-12;
            const auto report = kkt->factor(d, delta);
            ASSERT_TRUE(report.factored);
            EXPECT_TRUE(report.inertiaOk) << m << "x" << n;
            EXPECT_EQ(report.negativePivots, n);
            EXPECT_EQ(report.rank, n + m);

            std::vector<double> rhs(n + m);
            for (auto& v : rhs) v = value(rng);
            const auto expected = oracleSolve(A, d, delta, rhs);
            kkt->solve(rhs);
            double err = 0.0, scale = 0.0;
            for (std::size_t i = 0; i < rhs.size(); ++i) {
                err = std::max(err, std::fabs(rhs[i] - expected[i]));
                scale = std::max(scale, std::fabs(expected[i]));
            }
            EXPECT_LE(err, 1e-6 * (1.0 + scale)) << m << "x" << n << " (" << kkt->name() << ")";
        }
    }
}

// Row 2 = row 0 + row 1: the dual block is singular. Unregularized, a back end must flag
// it (rank one short, or a wrong inertia); NewtonSystem must then raise the
// regularization until the factor is usable and still solve a consistent system.
TEST_P(KktBackend, FlagsDependentRowsAndNewtonSystemRecovers) {
    HostLeakGuard guard;
    CscMatrix A;
    A.rows = 3;
    A.cols = 4;
    const double dense[3][4] = {{1, 2, 0, -1}, {0, 1, 3, 1}, {1, 3, 3, 0}};
    A.colStart.push_back(0);
    for (std::size_t j = 0; j < 4; ++j) {
        for (std::size_t i = 0; i < 3; ++i) {
            if (dense[i][j] != 0.0) A.rowIndex.push_back(i), A.value.push_back(dense[i][j]);
        }
        A.colStart.push_back(A.rowIndex.size());
    }
    auto kkt = lpsolve::makeKktSolver(A, GetParam());
    const std::vector<double> d = {1.0, 2.0, 0.5, 4.0};
    const auto report = kkt->factor(d, 0.0);
    ASSERT_TRUE(report.factored);
    EXPECT_TRUE(!report.inertiaOk || report.rank < 7u)
        << "rank " << report.rank << ", negative pivots " << report.negativePivots;
    if (GetParam() == LinearAlgebra::Dense) {  // the shifted pivot is counted and reported
        EXPECT_EQ(report.rank, 6u);
        EXPECT_EQ(report.regularizedPivots, 1u);
        EXPECT_TRUE(report.inertiaOk);
    }

    // g = A x0 lies in the range of A, so the system has solutions; check the residual.
    lpsolve::NewtonSystem newton(A, *kkt);
    newton.factor(d);
    const std::vector<double> x0 = {0.5, -1.0, 2.0, 1.0};
    const std::vector<double> f = {0.3, -0.2, 0.1, 0.7};
    std::vector<double> g(3, 0.0), dx, dy;
    for (std::size_t i = 0; i < 3; ++i)
        for (std::size_t j = 0; j < 4; ++j) g[i] += dense[i][j] * x0[j];
    newton.solve(f, g, dx, dy);
    const double rho = newton.primalRegularization();
    for (std::size_t j = 0; j < 4; ++j) {
        double r = -(d[j] + rho) * dx[j];
        for (std::size_t i = 0; i < 3; ++i) r += dense[i][j] * dy[i];
        EXPECT_NEAR(r, f[j], 1e-8) << "row " << j;
    }
    for (std::size_t i = 0; i < 3; ++i) {
        double r = 0.0;
        for (std::size_t j = 0; j < 4; ++j) r += dense[i][j] * dx[j];
        EXPECT_NEAR(r, g[i], 1e-8) << "row " << 4 + i;
    }
}

INSTANTIATE_TEST_SUITE_P(Lpsolve, KktBackend,
                         ::testing::Values(LinearAlgebra::Dense, LinearAlgebra::Sparse),
                         [](const auto& info) {
                             return info.param == LinearAlgebra::Dense ? std::string("Dense")
                                                                       : std::string("Sparse");
                         });

// A back end that fails a given number of times before it reports a good factor.
class ScriptedKkt : public lpsolve::KktSolver {
public:
    // Fails `failures` times (as a wrong inertia, or as no factor at all when `factored`
    // is false), then succeeds with rank `rankWhenGood`.
    ScriptedKkt(int failures, bool factored, std::size_t rankWhenGood = 2)
        : failures_(failures), factored_(factored), rankWhenGood_(rankWhenGood) {}
    lpsolve::KktReport factor(const std::vector<double>& d, double dualReg) override {
        seenPrimal.push_back(d.empty() ? 0.0 : d[0]);
        seenDual.push_back(dualReg);
        lpsolve::KktReport r;
        const bool good = calls_++ >= failures_;
        r.factored = good || factored_;
        r.inertiaOk = good;
        r.rank = good ? rankWhenGood_ : 0;
        return r;
    }
    void solve(std::vector<double>&) override {}
    std::string name() const override { return "scripted"; }
    std::vector<double> seenPrimal, seenDual;

private:
    int failures_;
    bool factored_;
    std::size_t rankWhenGood_;
    int calls_ = 0;
};

TEST(NewtonSystem, RaisesTheRegularizationUntilTheInertiaIsRight) {
    CscMatrix A;
    A.rows = 1;
    A.cols = 1;
    A.colStart = {0, 1};
    A.rowIndex = {0};
    A.value = {1.0};
    ScriptedKkt kkt(2, true);
    lpsolve::NewtonSystem newton(A, kkt);
    newton.factor({0.0});
    ASSERT_EQ(kkt.seenDual.size(), 3u);
    EXPECT_EQ(newton.refactorizations(), 2u);
    EXPECT_GT(kkt.seenDual[1], kkt.seenDual[0]);
    EXPECT_GT(kkt.seenDual[2], kkt.seenDual[1]);
    EXPECT_GT(kkt.seenPrimal[2], kkt.seenPrimal[1]);  // d = 0 + primal regularization
    EXPECT_GT(kkt.seenPrimal[0], 0.0);
}

TEST(NewtonSystem, RetriesARankDeficientFactorOnceWithMoreDualRegularization) {
    CscMatrix A;
    A.rows = 1;
    A.cols = 1;
    A.colStart = {0, 1};
    A.rowIndex = {0};
    A.value = {1.0};
    ScriptedKkt kkt(0, true, 1);  // inertia right, one pivot short, every time
    lpsolve::NewtonSystem newton(A, kkt);
    newton.factor({1.0});
    ASSERT_EQ(kkt.seenDual.size(), 2u);
    EXPECT_DOUBLE_EQ(kkt.seenDual[1], 100.0 * kkt.seenDual[0]);
    EXPECT_EQ(kkt.seenPrimal[1], kkt.seenPrimal[0]);
    EXPECT_EQ(newton.rankDeficientFactors(), 1u);
    EXPECT_EQ(newton.refactorizations(), 0u);
}

TEST(NewtonSystem, GivesUpWithANumericalFailureNamingTheBackEnd) {
    CscMatrix A;
    A.rows = 1;
    A.cols = 1;
    A.colStart = {0, 1};
    A.rowIndex = {0};
    A.value = {1.0};
    ScriptedKkt kkt(1000, false);
    lpsolve::NewtonSystem newton(A, kkt);
    try {
        newton.factor({1.0});
        ADD_FAILURE() << "a factorization that always fails was accepted";
    } catch (const lpsolve::LpError& e) {
        EXPECT_EQ(e.code(), lpsolve::ExitCode::NumericalFailure);
        EXPECT_NE(std::string(e.what()).find("KKT"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("scripted"), std::string::npos) << e.what();
    }
    EXPECT_GT(kkt.seenDual.size(), 1u);
}

}  // namespace
