// DynamicRegSolver: the shift rule, tolerance and inertia check on small matrices worked by
// hand; panels against the unblocked kernel; factors and solve against dense recomputation
// and LAPACK; singular KKT matrices.
#include "solvutil/solvers/dynamic_reg_solver.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "tests/support/host_guard.hpp"
#include "tests/support/random.hpp"
#include "tests/support/sparse_kkt.hpp"

using solvutil::DynamicRegParams;
using solvutil::DynamicRegSolver;

namespace {

constexpr double kEps = 0x1p-52, k26 = 0x1p-26, k39 = 0x1p-39;
const double RP = DynamicRegParams::RP_DEFAULT, RD = DynamicRegParams::RD_DEFAULT;

DenseMatrix diagonal(const std::vector<double>& d) {
    const long n = static_cast<long>(d.size());
    DenseMatrix A(n, n);
    for (long i = 0; i < n; ++i) A(i, i) = d[static_cast<std::size_t>(i)];
    return A;
}

/// Quasi-definite [−H, Aᵀ; A, δI]: H = I + S, ‖S‖ < 1/2; A entries in [-1, 1]/sqrt(nx).
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

// Every reported result on diagonal matrices, starting from stale results of an earlier call.
TEST(DynamicRegRules, DiagonalMatricesGiveTheShiftsRanksAndFlagsOfTheRules) {
    HostLeakGuard guard;
    EXPECT_EQ(RP, -k39);
    EXPECT_EQ(RD, k26);
    const double tiny = 1e-13, nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {  // inputs; D and the results; flags: primalInertiaOK dualInertiaOK
        const char* what;  // dualFullRank tinyPivot, as T/F
        std::vector<double> diag; unsigned long nPrimal; double rp, rd; bool check;
        AlignedIndexVector reg; std::vector<double> D;
        unsigned long rank, primalRank, dualRank; const char* flags;
    };
    const double p30 = 0x1p-30, t22 = 0x1p-22, above22 = std::nextafter(t22, 1.0);
    const double above = std::nextafter(k26, 1.0);
    const std::vector<Case> cases = {
        {"zero primal 1x1", {0.0}, 1, RP, RD, true, {0}, {RP}, 0, 0, 0, "TTTF"},
        {"zero dual 1x1", {0.0}, 0, RP, RD, true, {0}, {RD}, 0, 0, 0, "TTFF"},
        {"wrong-sign primal", {-1.0, 1.0}, 2, RP, RD, true, {}, {-1.0, 1.0}, 2, 2, 0, "FTTF"},
        {"rp=0: primal sign +, negligible", {1.0, -tiny}, 2, 0.0, 0.0, true,
         {}, {1.0, -tiny}, 1, 2, 0, "FTTT"},
        {"rp=0: dual below 2^-26", {-1.0, -1e-10}, 0, 0.0, 0.0, true,
         {}, {-1.0, -1e-10}, 1, 0, 1, "TTFT"},
        {"dual with primal sign", {-1.0, -2.0}, 1, RP, RD, true, {}, {-1.0, -2.0}, 2, 1, 1, "TFTF"},
        {"primal at 2^-39 not negligible", {-1.0, k39}, 2, -1e-20, 1e-20, true,
         {}, {-1.0, k39}, 2, 2, 0, "FTTF"},
        {"shifted dual keeps dual sign", {-1.0, 0.0, 3.0}, 1, RP, RD, true,
         {1}, {-1.0, RD, 3.0}, 2, 1, 1, "TTFF"},
        {"shifted dual with primal sign", {-1.0, 0.0, 3.0}, 1, RP, -1e-8, true,
         {1}, {-1.0, -1e-8, 3.0}, 2, 1, 1, "TFFF"},
        {"shifted primals count against rank", {0.0, -2.0, p30, 5.0}, 3, RP, RD, true,
         {0, 2}, {RP, -2.0, p30 + RP, 5.0}, 2, 1, 1, "TTTF"},
        {"larger shift sets the floor", {-1.0, 1e-4}, 1, -1e-3, 1e-8, true,
         {1}, {-1.0, 1e-4 + 1e-8}, 1, 1, 0, "TTFF"},
        {"NaN pivot not shifted", {1.0, nan}, 0, RP, RD, false, {}, {1.0, nan}, 2, 0, 0, "TTTF"},
        {"no inertia check", {0.0, 1.0, 1e-12, -4.0}, 2, RP, RD, false,
         {0, 2}, {RP, 1.0, 1e-12 + RD, -4.0}, 4, 1, 0, "TTTF"},
        {"max diagonal 1: tolerance 2^-26, inclusive", {1.0, k26, above}, 0, RP, RD, false,
         {1}, {1.0, 2 * k26, above}, 3, 0, 0, "TTTF"},
        {"same, negative pivots", {1.0, -k26, -above}, 0, RP, RD, false,
         {1}, {1.0, 0.0, -above}, 3, 0, 0, "TTTF"},
        {"max |diagonal| 2^30, last: tolerance 2^-22", {t22, above22, -0x1p30}, 3, RP, RD, false,
         {0}, {t22 + RP, above22, -0x1p30}, 3, 2, 0, "TTTF"},
    };
    DynamicRegSolver solver;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto n = static_cast<unsigned long>(c.diag.size());
        DenseMatrix A = diagonal(c.diag);
        DynamicRegParams p;
        p.rp = c.rp, p.rd = c.rd, p.nPrimal = c.nPrimal, p.checkInertia = c.check;
        p.rank = p.dualRank = 99;
        p.primalInertiaOK = p.dualInertiaOK = p.dualFullRank = false;
        p.tinyPivot = true;
        p.regIndices = {7, 8, 9};
        solver.factor(A, n, p);
        EXPECT_EQ(p.regIndices, c.reg);
        for (long i = 0; i < static_cast<long>(n); ++i) {
            const double d = c.D[static_cast<std::size_t>(i)];
            if (std::isnan(d)) EXPECT_TRUE(std::isnan(A(i, i)));
            else EXPECT_EQ(A(i, i), d) << "D(" << i << ")";
        }
        EXPECT_EQ(p.dim, n);
        EXPECT_EQ(p.rank, c.rank);
        EXPECT_EQ(p.primalRank, c.primalRank);
        EXPECT_EQ(p.dualRank, c.dualRank);
        auto tf = [](bool v) { return v ? 'T' : 'F'; };
        EXPECT_EQ(std::string({tf(p.primalInertiaOK), tf(p.dualInertiaOK), tf(p.dualFullRank),
                               tf(p.tinyPivot)}),
                  c.flags);
    }
}

// The shift test sees the pivot after earlier columns updated it; the strictly upper
// triangle is neither read nor written. Regression: order 0 only resets the results and its
// solve makes no (complaining) BLAS call.
TEST(DynamicRegRules, UpdatedPivotsUpperTriangleAndEmptyMatrix) {
    HostLeakGuard guard;
    DynamicRegSolver solver;
    DenseMatrix C = diagonal({1.0, 0.25 + k26});  // 0.25 + 2^-26 − 0.5² = 2^-26 exactly
    C(1, 0) = 0.5;
    C(0, 1) = 1e30;
    DynamicRegParams p;
    solver.factor(C, 2, p);
    EXPECT_EQ(p.regIndices, AlignedIndexVector{1});
    EXPECT_EQ(C(1, 1), 2 * k26);
    EXPECT_EQ(C(1, 0), 0.5);
    EXPECT_EQ(C(0, 1), 1e30);
    EXPECT_EQ(p.pivotTol, k26);
    DenseMatrix E(0, 0);
    p.checkInertia = true;
    p.tinyPivot = true;
    solver.factor(E, 0, p);
    EXPECT_TRUE(p.dim == 0 && p.rank == 0 && p.regIndices.empty() && !p.tinyPivot);
    EXPECT_EQ(p.pivotTol, k26);
    AlignedVector b;
    testing::internal::CaptureStdout();
    solver.solve(E, 0, b);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

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
