// DynamicRegSolver on larger matrices: the panel algorithm against the unblocked one,
// factor and solve against LAPACK, singular KKT matrices, reuse across sizes.
#include "solvutil/solvers/dynamic_reg_solver.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "tests/solvutil/solvers/kkt_matrices.hpp"
#include "tests/support/host_guard.hpp"
#include "tests/support/lapack.hpp"
#include "tests/support/random.hpp"

using solvutil::DynamicRegParams;
using solvutil::DynamicRegSolver;

namespace {

constexpr double kEps = std::numeric_limits<double>::epsilon();

DynamicRegParams kktParams(unsigned long nPrimal) {
    DynamicRegParams p;
    p.nPrimal = nPrimal;
    p.checkInertia = true;
    return p;
}

/// Quasi-definite KKT matrix of order n with a few isolated zero rows (primal and dual)
/// placed across the panel boundaries, so that the shifted pivots and their columns are
/// exact in any operation order.
DenseMatrix kktWithIsolatedZeros(std::mt19937& rng, long n, std::vector<long>& zeros) {
    const long nx = (2 * n) / 3;
    DenseMatrix K = kkt::quasiDefinite(rng, nx, n - nx, 1.0);
    zeros.clear();
    for (long i : {0L, 47L, 48L, nx - 1, nx, 130L, n - 1})
        if (i < n && std::find(zeros.begin(), zeros.end(), i) == zeros.end()) zeros.push_back(i);
    std::sort(zeros.begin(), zeros.end());
    for (long i : zeros) kkt::isolateZero(K, i);
    return K;
}

/// Solution of K·x = b by LAPACK's Bunch–Kaufman driver.
std::vector<double> lapackSolve(DenseMatrix K, std::vector<double> b) {
    const blas_int n = K.rows, nrhs = 1;
    std::vector<blas_int> ipiv(static_cast<std::size_t>(n));
    blas_int info = 0, lwork = -1;
    double query = 0.0;
    dsysv_("L", &n, &nrhs, K.data(), &n, ipiv.data(), b.data(), &n, &query, &lwork, &info);
    lwork = static_cast<blas_int>(query);
    std::vector<double> work(static_cast<std::size_t>(lwork));
    dsysv_("L", &n, &nrhs, K.data(), &n, ipiv.data(), b.data(), &n, work.data(), &lwork, &info);
    EXPECT_EQ(info, 0);
    return b;
}

/// Eigenvalues of K (ascending) by LAPACK.
std::vector<double> eigenvalues(DenseMatrix K) {
    const blas_int n = K.rows;
    std::vector<double> w(static_cast<std::size_t>(n));
    blas_int info = 0, lwork = -1;
    double query = 0.0;
    dsyev_("N", "L", &n, K.data(), &n, w.data(), &query, &lwork, &info);
    lwork = static_cast<blas_int>(query);
    std::vector<double> work(static_cast<std::size_t>(lwork));
    dsyev_("N", "L", &n, K.data(), &n, w.data(), work.data(), &lwork, &info);
    EXPECT_EQ(info, 0);
    return w;
}

double maxAbs(const std::vector<double>& v) {
    double m = 0.0;
    for (double x : v) m = std::max(m, std::abs(x));
    return m;
}

}  // namespace

TEST(DynamicRegSolver, PanelAlgorithmAgreesWithUnblockedAcrossBlockBoundaries) {
    HostLeakGuard guard;
    std::mt19937 rng(2026);
    DynamicRegSolver solver;
    for (long n : {128L, 129L, 144L, 200L, 500L}) {
        SCOPED_TRACE(n);
        std::vector<long> zeros;
        const DenseMatrix K = kktWithIsolatedZeros(rng, n, zeros);
        const auto un = static_cast<unsigned long>(n);
        const unsigned long nx = static_cast<unsigned long>((2 * n) / 3);

        DenseMatrix blocked = K;
        DynamicRegParams pb = kktParams(nx);
        solver.factor(blocked, un, pb);

        // The unblocked kernel over the whole matrix, with the tolerance factor chose.
        DenseMatrix unblocked = K;
        DynamicRegParams pu = kktParams(nx);
        pu.pivotTol = pb.pivotTol;
        pu.primalRank = nx;
        solver.fullColLDL2_(unblocked.data(), un, un, pu);

        ASSERT_EQ(pb.regIndices, pu.regIndices);
        EXPECT_TRUE(std::is_sorted(pb.regIndices.begin(), pb.regIndices.end()));
        EXPECT_EQ(pb.regIndices.size(), zeros.size());
        for (std::size_t k = 0; k < zeros.size(); ++k)
            EXPECT_EQ(pb.regIndices[k], static_cast<unsigned long>(zeros[k]));
        EXPECT_EQ(pb.primalRank, pu.primalRank);

        const double tol = 4.0 * static_cast<double>(n) * kEps * kkt::maxAbsLower(unblocked);
        double worst = 0.0;
        for (long j = 0; j < n; ++j)
            for (long i = j; i < n; ++i)
                worst = std::max(worst, std::abs(blocked(i, j) - unblocked(i, j)));
        EXPECT_LE(worst, tol);
    }
}

TEST(DynamicRegSolver, FactorsRebuildTheMatrixAndLeaveTheUpperTriangle) {
    HostLeakGuard guard;
    std::mt19937 rng(7);
    DynamicRegSolver solver;
    for (long n : {1L, 2L, 47L, 48L, 49L, 95L, 96L, 97L, 128L, 129L, 144L, 193L}) {
        SCOPED_TRACE(n);
        const long nx = (n + 1) / 2;
        DenseMatrix K =
            nx == n ? kkt::randomSymmetric(rng, n) : kkt::quasiDefinite(rng, nx, n - nx, 0.5);
        DenseMatrix F = K;
        for (long j = 1; j < n; ++j)
            for (long i = 0; i < j; ++i) F(i, j) = 1000.0 + i;  // sentinel
        DynamicRegParams p = kktParams(static_cast<unsigned long>(nx));
        solver.factor(F, static_cast<unsigned long>(n), p);
        EXPECT_TRUE(p.regIndices.empty());

        const DenseMatrix R = kkt::reconstruct(F);
        double worst = 0.0;
        for (long j = 0; j < n; ++j)
            for (long i = j; i < n; ++i) worst = std::max(worst, std::abs(R(i, j) - K(i, j)));
        EXPECT_LE(worst, 16.0 * static_cast<double>(n) * kEps * kkt::maxAbsLower(K));
        for (long j = 1; j < n; ++j)
            for (long i = 0; i < j; ++i) ASSERT_EQ(F(i, j), 1000.0 + i) << i << "," << j;
    }
}

TEST(DynamicRegSolver, SolveMatchesLapackAndSignsOfDMatchEigenvalues) {
    HostLeakGuard guard;
    std::mt19937 rng(99);
    DynamicRegSolver solver;
    for (auto [nx, ny] : {std::pair{40L, 20L}, std::pair{120L, 80L}, std::pair{300L, 200L}}) {
        const long n = nx + ny;
        SCOPED_TRACE(n);
        const DenseMatrix K = kkt::quasiDefinite(rng, nx, ny, 1e-2);
        const AlignedVector b0 = testdata::randomVector(rng, n);

        DenseMatrix F = K;
        DynamicRegParams p = kktParams(static_cast<unsigned long>(nx));
        solver.factor(F, static_cast<unsigned long>(n), p);
        EXPECT_TRUE(p.regIndices.empty());

        AlignedVector x = b0;
        solver.solve(F, static_cast<unsigned long>(n), x);
        std::vector<double> xPtr(b0.begin(), b0.end());
        solver.solve(F, static_cast<unsigned long>(n), xPtr.data());
        EXPECT_TRUE(std::equal(x.begin(), x.end(), xPtr.begin())) << "overloads differ";

        const std::vector<double> ref = lapackSolve(K, std::vector<double>(b0.begin(), b0.end()));
        const std::vector<double> Kx = kkt::multiply(K, x.data());
        std::vector<double> r(Kx.size()), d(Kx.size());
        double normK = 0.0;
        for (long i = 0; i < n; ++i) {
            double row = 0.0;
            for (long j = 0; j < n; ++j) row += std::abs(K(i, j));
            normK = std::max(normK, row);
        }
        for (std::size_t i = 0; i < r.size(); ++i) r[i] = Kx[i] - b0[i], d[i] = x[i] - ref[i];
        std::vector<double> xv(x.begin(), x.end());
        EXPECT_LT(maxAbs(r) / (normK * maxAbs(xv)), 1e-12);
        EXPECT_LT(maxAbs(d) / maxAbs(ref), 1e-12);

        // Sylvester: the signs of D are the signs of K's eigenvalues.
        const std::vector<double> w = eigenvalues(K);
        const long negEig = std::count_if(w.begin(), w.end(), [](double v) { return v < 0; });
        long negD = 0;
        for (long i = 0; i < n; ++i) negD += F(i, i) < 0.0;
        EXPECT_EQ(negD, negEig);
        EXPECT_EQ(negEig, nx);
        EXPECT_TRUE(p.primalInertiaOK);
        EXPECT_TRUE(p.dualInertiaOK);
        EXPECT_TRUE(p.dualFullRank);
        EXPECT_FALSE(p.tinyPivot);
        EXPECT_EQ(p.rank, static_cast<unsigned long>(n));
        EXPECT_EQ(p.dualRank, static_cast<unsigned long>(ny));
    }
}

TEST(DynamicRegSolver, RankDeficientKktIsRegularizedAndReported) {
    HostLeakGuard guard;
    std::mt19937 rng(5);
    DynamicRegSolver solver;
    // Constraint rows that repeat an earlier row or combine two earlier ones; δ = 0, so
    // the matrix is singular with nullity equal to the number of dependent rows.
    for (auto [nx, ny] : {std::pair{30L, 12L}, std::pair{150L, 90L}}) {
        const long n = nx + ny;
        SCOPED_TRACE(n);
        DenseMatrix K = kkt::quasiDefinite(rng, nx, ny, 0.0);
        const std::vector<long> dependent{nx + 5, nx + 9, n - 1};
        for (long r : dependent)
            for (long j = 0; j < nx; ++j)
                K(r, j) = K(j, r) = r == nx + 9 ? K(nx + 1, j) - 2.0 * K(nx + 2, j) : K(nx, j);

        const std::vector<double> w = eigenvalues(K);
        const long nearZero =
            std::count_if(w.begin(), w.end(), [](double v) { return std::abs(v) < 1e-10; });
        ASSERT_EQ(nearZero, static_cast<long>(dependent.size()));

        DenseMatrix F = K;
        DynamicRegParams p = kktParams(static_cast<unsigned long>(nx));
        solver.factor(F, static_cast<unsigned long>(n), p);
        for (long j = 0; j < n; ++j)
            for (long i = j; i < n; ++i) ASSERT_TRUE(std::isfinite(F(i, j))) << i << "," << j;

        ASSERT_EQ(p.regIndices.size(), dependent.size());
        for (std::size_t k = 0; k < dependent.size(); ++k)
            EXPECT_EQ(p.regIndices[k], static_cast<unsigned long>(dependent[k]));
        EXPECT_EQ(p.rank, static_cast<unsigned long>(n) - dependent.size());
        EXPECT_EQ(p.primalRank, static_cast<unsigned long>(nx));
        EXPECT_EQ(p.dualRank, static_cast<unsigned long>(ny) - dependent.size());
        EXPECT_FALSE(p.dualFullRank);
        EXPECT_TRUE(p.dualInertiaOK);
        EXPECT_TRUE(p.primalInertiaOK);
        EXPECT_FALSE(p.tinyPivot);

        // A consistent right-hand side is solved by the regularized factors up to the
        // size of the shift.
        const AlignedVector x0 = testdata::randomVector(rng, n);
        const std::vector<double> b = kkt::multiply(K, x0.data());
        AlignedVector x(b.begin(), b.end());
        solver.solve(F, static_cast<unsigned long>(n), x);
        const std::vector<double> Kx = kkt::multiply(K, x.data());
        double res = 0.0;
        for (long i = 0; i < n; ++i) res = std::max(res, std::abs(Kx[i] - b[i]));
        EXPECT_LT(res / maxAbs(b), 1e-6);
    }
}

TEST(DynamicRegSolver, OneObjectFactorsDifferentSizesInTurnWithoutLeaks) {
    HostLeakGuard guard;
    std::mt19937 rng(31);
    DynamicRegSolver reused;
    for (long n : {300L, 5L, 130L, 1L, 97L, 300L}) {
        SCOPED_TRACE(n);
        const long nx = n / 2 + 1;
        const DenseMatrix K =
            nx >= n ? kkt::randomSymmetric(rng, n) : kkt::quasiDefinite(rng, nx, n - nx, 0.1);
        DenseMatrix a = K, b = K;
        DynamicRegParams pa = kktParams(static_cast<unsigned long>(nx));
        DynamicRegParams pb = pa;
        reused.factor(a, static_cast<unsigned long>(n), pa);
        DynamicRegSolver fresh;
        fresh.factor(b, static_cast<unsigned long>(n), pb);
        EXPECT_EQ(pa.regIndices, pb.regIndices);
        EXPECT_EQ(pa.rank, pb.rank);
        for (long j = 0; j < n; ++j)
            for (long i = j; i < n; ++i) ASSERT_EQ(a(i, j), b(i, j)) << i << "," << j;
    }
}
