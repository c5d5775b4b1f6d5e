// DynamicRegSolver on larger matrices: panels against the unblocked kernel, factors and
// solve against dense recomputation and LAPACK, singular KKT matrices.
#include "solvutil/solvers/dynamic_reg_solver.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <set>
#include <vector>

#include "tests/support/host_guard.hpp"
#include "tests/support/random.hpp"
#include "tests/support/sparse_kkt.hpp"

using solvutil::DynamicRegParams;
using solvutil::DynamicRegSolver;

namespace {

constexpr double kEps = 0x1p-52;

/// Quasi-definite [−H, Aᵀ; A, δI]: H = I + S with ‖S‖ < 1/2, A entries in [-1, 1]/sqrt(nx).
DenseMatrix quasiDefinite(std::mt19937& rng, long nx, long ny, double delta) {
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    const long n = nx + ny;
    const double h = 0.5 / static_cast<double>(nx), a = 1.0 / std::sqrt(static_cast<double>(nx));
    DenseMatrix K(n, n);
    for (long j = 0; j < nx; ++j) {
        K(j, j) = -(1.0 + h * u(rng));
        for (long i = j + 1; i < nx; ++i) K(i, j) = K(j, i) = -h * u(rng);
        for (long i = nx; i < n; ++i) K(i, j) = K(j, i) = a * u(rng);
    }
    for (long i = nx; i < n; ++i) K(i, i) = delta;
    return K;
}

DynamicRegParams kktParams(long nPrimal) {
    DynamicRegParams p;
    p.nPrimal = static_cast<unsigned long>(nPrimal);
    p.checkInertia = true;
    return p;
}

std::vector<double> dense(const DenseMatrix& K) {
    return {K.data(), K.data() + K.rows * K.cols};
}

/// Largest |X − Y| over the lower triangle, and the largest |Y| there.
std::pair<double, double> lowerDiff(const DenseMatrix& X, const DenseMatrix& Y) {
    double d = 0.0, m = 0.0;
    for (long j = 0; j < X.rows; ++j)
        for (long i = j; i < X.rows; ++i)
            d = std::max(d, std::abs(X(i, j) - Y(i, j))), m = std::max(m, std::abs(Y(i, j)));
    return {d, m};
}

}  // namespace

// Isolated zero rows at panel boundaries give shifts that are exact in any operation order.
TEST(DynamicRegSolver, PanelAlgorithmAgreesWithUnblockedAcrossBlockBoundaries) {
    HostLeakGuard guard;
    std::mt19937 rng(2026);
    DynamicRegSolver solver;
    for (long n : {128L, 129L, 144L, 200L, 500L}) {
        SCOPED_TRACE(n);
        const long nx = (2 * n) / 3;
        DenseMatrix K = quasiDefinite(rng, nx, n - nx, 1.0);
        AlignedIndexVector zeros;
        for (long i : std::set<long>{0, 47, 48, nx - 1, nx, 130, n - 1})
            if (i < n) {
                zeros.push_back(static_cast<unsigned long>(i));
                for (long k = 0; k < n; ++k) K(i, k) = K(k, i) = 0.0;
            }
        const auto un = static_cast<unsigned long>(n);
        DenseMatrix blocked = K, unblocked = K;
        DynamicRegParams pb = kktParams(nx), pu = kktParams(nx);
        solver.factor(blocked, un, pb);
        pu.pivotTol = pb.pivotTol;
        pu.primalRank = static_cast<unsigned long>(nx);
        solver.fullColLDL2_(unblocked.data(), un, un, pu);
        EXPECT_EQ(pb.regIndices, zeros);
        EXPECT_EQ(pu.regIndices, zeros);
        EXPECT_EQ(pb.primalRank, pu.primalRank);
        const auto [diff, scale] = lowerDiff(blocked, unblocked);
        EXPECT_LE(diff, 4.0 * static_cast<double>(n) * kEps * scale);
    }
}

// One object reused over shrinking and growing orders (48-column panels, the 128/129 switch)
// equals a fresh one; L·D·Lᵀ rebuilds K; the upper triangle is untouched; solve matches
// LAPACK's dsysv; the signs of D match dsyev's eigenvalues.
TEST(DynamicRegSolver, FactorsAndSolveMatchDenseRecomputationAndLapack) {
    HostLeakGuard guard;
    std::mt19937 rng(7);
    DynamicRegSolver reused;
    for (long n : {193L, 1L, 97L, 500L, 129L, 2L, 144L, 60L, 128L}) {
        SCOPED_TRACE(n);
        const long nx = (n + 1) / 2, ny = n - nx;
        const auto un = static_cast<unsigned long>(n);
        const DenseMatrix K = quasiDefinite(rng, nx, ny, 1e-2);
        DenseMatrix F = K;
        for (long j = 1; j < n; ++j)
            for (long i = 0; i < j; ++i) F(i, j) = 1000.0 + static_cast<double>(i);
        DenseMatrix G = F;
        DynamicRegParams p = kktParams(nx), q = p;
        reused.factor(F, un, p);
        DynamicRegSolver().factor(G, un, q);
        ASSERT_EQ(dense(F), dense(G));
        EXPECT_TRUE(p.regIndices.empty());
        EXPECT_TRUE(p.primalInertiaOK && p.dualInertiaOK && p.dualFullRank && !p.tinyPivot);
        EXPECT_EQ(p.rank, un);
        EXPECT_EQ(p.dualRank, static_cast<unsigned long>(ny));

        DenseMatrix R(n, n);  // L·D·Lᵀ from the packed factors
        auto L = [&](long i, long k) { return i == k ? 1.0 : (i > k ? F(i, k) : 0.0); };
        for (long j = 0; j < n; ++j)
            for (long i = j; i < n; ++i)
                for (long k = 0; k <= j; ++k) R(i, j) += L(i, k) * F(k, k) * L(j, k);
        const auto [diff, scale] = lowerDiff(R, K);
        EXPECT_LE(diff, 16.0 * static_cast<double>(n) * kEps * scale);
        for (long j = 1; j < n; ++j)
            for (long i = 0; i < j; ++i) ASSERT_EQ(F(i, j), 1000.0 + static_cast<double>(i));

        const AlignedVector b = testdata::randomVector(rng, n);
        AlignedVector x = b;
        reused.solve(F, un, x);
        DenseMatrix Kc = K;
        std::vector<double> ref(b.begin(), b.end()), work(64 * un);
        std::vector<blas_int> ipiv(un);
        const blas_int one = 1, lwork = static_cast<blas_int>(work.size());
        blas_int info = -1;
        dsysv_("L", &n, &one, Kc.data(), &n, ipiv.data(), ref.data(), &n, work.data(), &lwork,
               &info);
        ASSERT_EQ(info, 0);
        double d = 0.0, r = 0.0;
        for (std::size_t i = 0; i < un; ++i)
            d = std::max(d, std::abs(x[i] - ref[i])), r = std::max(r, std::abs(ref[i]));
        EXPECT_LT(d / r, 1e-12);
        EXPECT_LT(testdata::relativeResidual(dense(K), n, x.data(), b.data()), 1e-14);

        const auto w = testdata::eigenvalues(dense(K), n);  // Sylvester's law of inertia
        long negD = 0;
        for (long i = 0; i < n; ++i) negD += F(i, i) < 0.0;
        EXPECT_EQ(negD, std::count_if(w.begin(), w.end(), [](double v) { return v < 0; }));
        EXPECT_EQ(negD, nx);
    }
}

// Constraint rows repeating or combining earlier ones with δ = 0: singular, nullity 3.
TEST(DynamicRegSolver, RankDeficientKktIsRegularizedAndReported) {
    HostLeakGuard guard;
    std::mt19937 rng(5);
    DynamicRegSolver solver;
    for (auto [nx, ny] : {std::pair{30L, 12L}, std::pair{150L, 90L}}) {
        const long n = nx + ny;
        SCOPED_TRACE(n);
        DenseMatrix K = quasiDefinite(rng, nx, ny, 0.0);
        const std::vector<long> dependent{nx + 5, nx + 9, n - 1};
        for (long r : dependent)
            for (long j = 0; j < nx; ++j)
                K(r, j) = K(j, r) = r == nx + 9 ? K(nx + 1, j) - 2.0 * K(nx + 2, j) : K(nx, j);
        const auto w = testdata::eigenvalues(dense(K), n);
        ASSERT_EQ(std::count_if(w.begin(), w.end(), [](double v) { return std::abs(v) < 1e-10; }),
                  3);

        DenseMatrix F = K;
        DynamicRegParams p = kktParams(nx);
        solver.factor(F, static_cast<unsigned long>(n), p);
        EXPECT_EQ(p.regIndices, AlignedIndexVector(dependent.begin(), dependent.end()));
        EXPECT_EQ(p.rank, static_cast<unsigned long>(n - 3));
        EXPECT_EQ(p.primalRank, static_cast<unsigned long>(nx));
        EXPECT_EQ(p.dualRank, static_cast<unsigned long>(ny - 3));
        EXPECT_TRUE(!p.dualFullRank && p.dualInertiaOK && p.primalInertiaOK && !p.tinyPivot);

        // A consistent right-hand side is solved up to the size of the shift.
        const AlignedVector x0 = testdata::randomVector(rng, n);
        AlignedVector b(x0.size(), 0.0);
        for (long j = 0; j < n; ++j)
            for (long i = 0; i < n; ++i) b[i] += K(i, j) * x0[j];
        AlignedVector x = b;
        solver.solve(F, static_cast<unsigned long>(n), x);
        EXPECT_LT(testdata::relativeResidual(dense(K), n, x.data(), b.data()), 1e-6);
    }
}
