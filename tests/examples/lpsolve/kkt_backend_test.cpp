// Every KKT back end against LAPACK's dsysv on the explicitly assembled matrix, and the
// regularization control of NewtonSystem with a scripted back end.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include "examples/lpsolve/newton_system.hpp"
#include "tests/examples/lpsolve/lp_test_support.hpp"
#include "tests/support/host_guard.hpp"
#include "tests/support/lapack.hpp"

namespace {

using lpsolve::CscMatrix;
using lpsolve::LinearAlgebra;

// The solution of [-D A'; A delta I] [x; y] = rhs by LAPACK's dsysv on the whole matrix.
std::vector<double> oracleSolve(const CscMatrix& A, const std::vector<double>& d, double delta, std::vector<double> rhs) {
    const std::size_t n = A.cols, m = A.rows, N = n + m;
    const auto a = lpsolve_test::dense(A);
    std::vector<double> K(N * N, 0.0);
    for (std::size_t j = 0; j < n; ++j) {
        K[j + j * N] = -d[j];
        for (std::size_t i = 0; i < m; ++i) K[(n + i) + j * N] = K[j + (n + i) * N] = a[i + j * m];
    }
    for (std::size_t i = n; i < N; ++i) K[i + i * N] = delta;
    const blas_int bn = static_cast<blas_int>(N), one = 1, lwork = static_cast<blas_int>(64 * N);
    std::vector<blas_int> ipiv(N);
    std::vector<double> work(64 * N);
    blas_int info = 0;
    dsysv_("L", &bn, &one, K.data(), &bn, ipiv.data(), rhs.data(), &bn, work.data(), &lwork, &info);
    EXPECT_EQ(info, 0);
    return rhs;
}

// CoinUtils brings a 32-bit-integer LAPACK/BLAS into the process under the same symbol
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
// magnitude as near an interior-point solution; each solver is refactored with new values.
TEST_P(KktBackend, SolvesLikeLapackAndReportsTheInertia) {
    HostLeakGuard guard;
    std::mt19937 rng(42);
    std::uniform_real_distribution<double> unit(0.0, 1.0), value(-1.0, 1.0);
    for (const auto& [m, n] : {std::pair<std::size_t, std::size_t>{1, 1}, {3, 5}, {20, 47}, {40, 88}, {50, 79}, {60, 120}}) {
        std::vector<double> a(m * n);
        for (std::size_t k = 0; k < a.size(); ++k)  // a diagonal keeps A of full row rank
            a[k] = k % m == k / m ? 2.0 + value(rng) : unit(rng) < 0.1 ? value(rng) : 0.0;
        const CscMatrix A = lpsolve_test::fromDense(m, n, a);
        auto kkt = lpsolve::makeKktSolver(A, GetParam());
        for (int round = 0; round < 2; ++round) {
            std::vector<double> d(n), rhs(n + m);
            for (auto& v : d) v = std::pow(10.0, -6.0 + 12.0 * unit(rng));
            for (auto& v : rhs) v = value(rng);
            const auto report = kkt->factor(d, 1e-12);
            ASSERT_TRUE(report.factored);
            EXPECT_TRUE(report.inertiaOk) << m << "x" << n;
            EXPECT_EQ(report.negativePivots, n);
            EXPECT_EQ(report.rank, n + m);
            const auto expected = oracleSolve(A, d, 1e-12, rhs);
            kkt->solve(rhs);
            double err = 0.0, scale = 0.0;
            for (std::size_t i = 0; i < rhs.size(); ++i)
                err = std::max(err, std::fabs(rhs[i] - expected[i])), scale = std::max(scale, std::fabs(expected[i]));
            EXPECT_LE(err, 1e-6 * (1.0 + scale)) << m << "x" << n << " (" << kkt->name() << ")";
        }
    }
}

// Row 2 = row 0 + row 1: unregularized, a back end must flag the singular dual block
// (rank one short, or a wrong inertia); NewtonSystem must then regularize until the
// factor is usable and still solve a consistent system.
TEST_P(KktBackend, FlagsDependentRowsAndNewtonSystemRecovers) {
    HostLeakGuard guard;
    const std::vector<double> a = {1, 0, 1, 2, 1, 3, 0, 3, 3, -1, 1, 0};  // 3 x 4, column-major
    const CscMatrix A = lpsolve_test::fromDense(3, 4, a);
    auto kkt = lpsolve::makeKktSolver(A, GetParam());
    const std::vector<double> d = {1.0, 2.0, 0.5, 4.0};
    const auto report = kkt->factor(d, 0.0);
    ASSERT_TRUE(report.factored);
    EXPECT_TRUE(!report.inertiaOk || report.rank < 7u) << "rank " << report.rank << ", negative " << report.negativePivots;
    if (GetParam() == LinearAlgebra::Dense) {  // the shifted pivot is counted and reported
        EXPECT_EQ(report.rank, 6u);
        EXPECT_EQ(report.regularizedPivots, 1u);
        EXPECT_TRUE(report.inertiaOk);
    }
    lpsolve::NewtonSystem newton(A, *kkt);
    newton.factor(d);
    const std::vector<double> f = {0.3, -0.2, 0.1, 0.7};
    const auto g = lpsolve_test::denseProduct(A, {0.5, -1.0, 2.0, 1.0});  // in the range of A
    std::vector<double> dx, dy;
    newton.solve(f, g, dx, dy);
    const double rho = newton.primalRegularization();
    for (std::size_t j = 0; j < 4; ++j) {
        double r = -(d[j] + rho) * dx[j];
        for (std::size_t i = 0; i < 3; ++i) r += a[i + 3 * j] * dy[i];
        EXPECT_NEAR(r, f[j], 1e-8) << "row " << j;
    }
    const auto adx = lpsolve_test::denseProduct(A, dx);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_NEAR(adx[i], g[i], 1e-8) << "row " << 4 + i;
}

INSTANTIATE_TEST_SUITE_P(Lpsolve, KktBackend, ::testing::Values(LinearAlgebra::Dense, LinearAlgebra::Sparse),
                         [](const auto& info) { return info.param == LinearAlgebra::Dense ? "Dense" : "Sparse"; });

// Fails `failures` times (a wrong inertia, or no factor unless `factored`), then reports
// a good inertia with rank `rank`; records the diagonals it was given.
struct ScriptedKkt : lpsolve::KktSolver {
    int failures;
    bool factored;
    std::size_t rank;
    std::vector<double> seenPrimal, seenDual;
    ScriptedKkt(int f, bool fac, std::size_t r) : failures(f), factored(fac), rank(r) {}
    lpsolve::KktReport factor(const std::vector<double>& d, double dualReg) override {
        seenPrimal.push_back(d[0]), seenDual.push_back(dualReg);
        const bool good = static_cast<int>(seenDual.size()) > failures;
        return {good || factored, good ? rank : 0, 0, 0, good};
    }
    void solve(std::vector<double>&) override {}
    std::string name() const override { return "scripted"; }
};

TEST(NewtonSystem, RaisesTheRegularizationRetriesRankDeficiencyAndGivesUp) {
    const CscMatrix A{1, 1, {0, 1}, {0}, {1.0}};
    ScriptedKkt wrongInertia(2, true, 2);  // both regularizations rise (d = 0 + primal part)
    lpsolve::NewtonSystem(A, wrongInertia).factor({0.0});
    ASSERT_EQ(wrongInertia.seenDual.size(), 3u);
    for (std::size_t k = 1; k < 3; ++k) {
        EXPECT_GT(wrongInertia.seenDual[k], wrongInertia.seenDual[k - 1]);
        EXPECT_GT(wrongInertia.seenPrimal[k], wrongInertia.seenPrimal[k - 1]);
    }
    ScriptedKkt rankShort(0, true, 1);  // one pivot short every time: one retry, more dual part
    lpsolve::NewtonSystem newton(A, rankShort);
    newton.factor({1.0});
    ASSERT_EQ(rankShort.seenDual.size(), 2u);
    EXPECT_GT(rankShort.seenDual[1], rankShort.seenDual[0]);
    EXPECT_EQ(rankShort.seenPrimal[1], rankShort.seenPrimal[0]);
    EXPECT_EQ(newton.rankDeficientFactors(), 1u);
    EXPECT_EQ(newton.refactorizations(), 0u);
    ScriptedKkt never(1000, false, 2);  // a numerical failure naming the back end
    lpsolve_test::expectLpError([&] { lpsolve::NewtonSystem(A, never).factor({1.0}); },
                                lpsolve::ExitCode::NumericalFailure, {"KKT", "scripted"});
    EXPECT_GT(never.seenDual.size(), 1u);
}

}  // namespace
