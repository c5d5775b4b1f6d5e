// DynamicRegSolver: shift rule, tolerance and inertia flags; LAPACK, panels and singular KKT.
#include "solvutil/solvers/dynamic_reg_solver.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>

#include "tests/support/host_guard.hpp"
#include "tests/support/random.hpp"
#include "tests/support/sparse_kkt.hpp"

using solvutil::DynamicRegParams;
using solvutil::DynamicRegSolver;
using testdata::quasiDefinite;
using UL = unsigned long;

namespace {

constexpr double kEps = 0x1p-52, k26 = 0x1p-26, k39 = 0x1p-39;
const double RP = DynamicRegParams::RP_DEFAULT, RD = DynamicRegParams::RD_DEFAULT;

std::vector<double> dense(const DenseMatrix& K) {
    return {K.data(), K.data() + K.rows * K.cols};
}

DynamicRegParams kktParams(long nPrimal) {
    DynamicRegParams p;
    p.nPrimal = UL(nPrimal);
    p.checkInertia = true;
    return p;
}

// The unblocked algorithm on U, with the pivot tolerance the panel run p chose.
DynamicRegParams factorUnblocked(DynamicRegSolver& s, DenseMatrix& U, long nx,
                                 const DynamicRegParams& p) {
    DynamicRegParams pu = kktParams(nx);
    pu.pivotTol = p.pivotTol;
    pu.primalRank = UL(nx);
    s.fullColLDL2_(U.data(), UL(U.rows), UL(U.rows), pu);
    return pu;
}

}  // namespace

// Diagonal matrices (and order 0): shifts, D, ranks and the four flags for wrong signs,
// negligible pivots, shifts, NaN and the tolerance bounds; every result is overwritten.
TEST(DynamicRegRules, DiagonalMatricesGiveTheShiftsRanksAndFlagsOfTheRules) {
    HostLeakGuard guard;
    EXPECT_EQ(std::pair(RP, RD), std::pair(-k39, k26));
    const double tiny = 1e-13, nan = std::nan(""), p30 = 0x1p-30, t22 = 0x1p-22;
    const double above22 = std::nextafter(t22, 1.0), above = std::nextafter(k26, 1.0);
    enum : unsigned { Primal = 1, Dual = 2, Full = 4, Tiny = 8 };  // inertia OK, full rank
    struct Case {
        std::vector<double> diag;
        UL nPrimal;
        double rp, rd;
        bool check;
        AlignedIndexVector reg;
        std::vector<double> D;
        UL rank, primalRank, dualRank;
        unsigned flags;
    };
    // clang-format off
    const Case cases[] = {
        {{}, 0, RP, RD, true, {}, {}, 0, 0, 0, Primal | Dual | Full},
        {{-1.0, 1.0}, 2, RP, RD, true, {}, {-1.0, 1.0}, 2, 2, 0, Dual | Full},
        {{1.0, -tiny}, 2, 0, 0, true, {}, {1.0, -tiny}, 1, 2, 0, Dual | Full | Tiny},
        {{-1.0, -1e-10}, 0, 0, 0, true, {}, {-1.0, -1e-10}, 1, 0, 1, Primal | Dual | Tiny},
        {{-1.0, -2.0}, 1, RP, RD, true, {}, {-1.0, -2.0}, 2, 1, 1, Primal | Full},
        {{-1.0, k39}, 2, -1e-20, 1e-20, true, {}, {-1.0, k39}, 2, 2, 0, Dual | Full},
        {{-1.0, 0.0, 3.0}, 1, RP, RD, true, {1}, {-1.0, RD, 3.0}, 2, 1, 1, Primal | Dual},
        {{-1.0, 0.0, 3.0}, 1, RP, -1e-8, true, {1}, {-1.0, -1e-8, 3.0}, 2, 1, 1, Primal},
        {{0.0, -2.0, p30, 5.0}, 3, RP, RD, true, {0, 2}, {RP, -2.0, p30 + RP, 5.0}, 2, 1, 1,
         Primal | Dual | Full},
        {{-1.0, 1e-4}, 1, -1e-3, 1e-8, true, {1}, {-1.0, 1e-4 + 1e-8}, 1, 1, 0, Primal | Dual},
        {{1.0, nan}, 0, RP, RD, false, {}, {1.0, nan}, 2, 0, 0, Primal | Dual | Full},
        {{0.0, 1.0, 1e-12, -4.0}, 2, RP, RD, false, {0, 2}, {RP, 1.0, 1e-12 + RD, -4.0}, 4, 1, 0,
         Primal | Dual | Full},
        {{1.0, k26, above}, 0, RP, RD, false, {1}, {1.0, 2 * k26, above}, 3, 0, 0,
         Primal | Dual | Full},
        {{1.0, -k26, -above}, 0, RP, RD, false, {1}, {1.0, 0.0, -above}, 3, 0, 0,
         Primal | Dual | Full},
        {{t22, above22, -0x1p30}, 3, RP, RD, false, {0}, {t22 + RP, above22, -0x1p30}, 3, 2, 0,
         Primal | Dual | Full},
    };
    // clang-format on
    DynamicRegSolver solver;
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        const long n = static_cast<long>(c.diag.size());
        DenseMatrix A(n, n);
        for (long i = 0; i < n; ++i) A(i, i) = c.diag[UL(i)];
        // The inputs, then stale results that factor must overwrite.
        DynamicRegParams p{c.rp, c.rd, c.nPrimal, c.check, {7, 8, 9}, 0.0,   99,
                           99,   99,   99,        false,   false,     false, true};
        solver.factor(A, UL(n), p);
        EXPECT_EQ(p.regIndices, c.reg);
        std::vector<double> D;
        for (long i = 0; i < n; ++i) D.push_back(A(i, i));
        EXPECT_THAT(D, testing::Pointwise(testing::NanSensitiveDoubleEq(), c.D));
        EXPECT_EQ(std::vector<UL>({p.dim, p.rank, p.primalRank, p.dualRank}),
                  std::vector<UL>({UL(n), c.rank, c.primalRank, c.dualRank}));
        EXPECT_EQ(p.primalInertiaOK * Primal | p.dualInertiaOK * Dual | p.dualFullRank * Full |
                      p.tinyPivot * Tiny,
                  c.flags);
    }
}

// One object over shrinking and growing orders, δ > 0, or δ = 0 with constraint rows (at panel
// boundaries) that repeat or combine others: the upper triangle is left alone, exactly the
// dependent rows are shifted, ranks and D's signs match dsyev; regular systems solve, and their
// panel factors (n ≥ 129) match the unblocked ones to a few ulps times n (shifts amplify errors).
TEST(DynamicRegSolver, ReusedSolverMatchesLapackAndTheUnblockedAlgorithm) {
    HostLeakGuard guard;
    std::mt19937 rng(7);
    DynamicRegSolver reused;
    for (long n : {193L, 1L, 97L, 500L, 42L, 129L, 2L, 144L, 240L, 60L, 128L, 200L}) {
        SCOPED_TRACE(n);
        const long nx = (n + 1) / 2;
        const bool singular = n == 42 || n == 240;
        DenseMatrix K = quasiDefinite(rng, nx, n - nx, singular ? 0.0 : 1e-2);
        AlignedIndexVector dependent;  // copies of row nx and a combination of rows nx+1, nx+2
        if (singular) dependent = {UL(n / 5 * 3), UL(n / 5 * 4), UL(n - 1)};
        for (UL r : dependent)
            for (long j = 0; j < nx; ++j)
                K(long(r), j) = K(j, long(r)) =
                    r == dependent[1] ? K(nx + 1, j) - 2.0 * K(nx + 2, j) : K(nx, j);
        const auto [rank, negative] = testdata::inertia(dense(K), n, 1e-10);
        DenseMatrix F = K, U = K;
        for (long j = 1; j < n; ++j)
            for (long i = 0; i < j; ++i) F(i, j) = 1000.0 + static_cast<double>(i);
        DynamicRegParams p = kktParams(nx);
        reused.factor(F, UL(n), p);
        const DynamicRegParams pu = factorUnblocked(reused, U, nx, p);
        EXPECT_TRUE(p.regIndices == dependent && pu.regIndices == dependent);
        EXPECT_EQ(std::vector<UL>({p.rank, p.primalRank, pu.primalRank, p.dualRank}),
                  std::vector<UL>({UL(rank), UL(nx), UL(nx), UL(rank - nx)}));
        EXPECT_TRUE(p.primalInertiaOK && p.dualInertiaOK && p.dualFullRank != singular &&
                    !p.tinyPivot);
        double diff = 0.0, scale = 0.0, changedAbove = 0.0;
        for (long j = 0; j < n; ++j)
            for (long i = 0; i < n; ++i) {
                changedAbove += i < j && F(i, j) != 1000.0 + static_cast<double>(i);
                diff = std::max(diff, i < j || singular ? 0.0 : std::abs(F(i, j) - U(i, j)));
                scale = std::max(scale, std::abs(U(i, j)));
            }
        EXPECT_LE(diff, 4.0 * static_cast<double>(n) * kEps * scale);
        EXPECT_EQ(changedAbove, 0.0);
        long negD = 0;  // Sylvester's law of inertia
        for (long i = 0; i < n; ++i) negD += F(i, i) < 0.0;
        EXPECT_EQ(negD, negative);
        EXPECT_TRUE(std::ranges::none_of(dense(F), [](double v) { return std::isnan(v); }));
        if (singular) continue;
        const AlignedVector b = testdata::randomVector(rng, n);
        AlignedVector x = b;
        reused.solve(F, UL(n), x);
        EXPECT_LT(testdata::relativeResidual(dense(K), n, x.data(), b.data()), 1e-14);
    }
}

// Zero rows at panel edges (47/48, 130), the primal/dual border and both ends are shifted by
// the panel and the unblocked algorithm alike, in ascending order, with the same factors.
TEST(DynamicRegSolver, PanelAndUnblockedShiftTheSamePivotsAcrossBlockBoundaries) {
    HostLeakGuard guard;
    std::mt19937 rng(2026);
    DynamicRegSolver solver;
    for (long n : {128L, 129L, 144L, 200L, 500L}) {
        SCOPED_TRACE(n);
        const long nx = (2 * n) / 3;
        DenseMatrix K = quasiDefinite(rng, nx, n - nx, 1.0);
        AlignedIndexVector zeros;
        for (long i : std::set<long>{0, 47, 48, nx - 1, nx, 130, n - 1}) {
            if (i >= n) continue;
            zeros.push_back(UL(i));
            for (long k = 0; k < n; ++k) K(i, k) = K(k, i) = 0.0;
        }
        DenseMatrix B = K, U = K;
        DynamicRegParams pb = kktParams(nx);
        solver.factor(B, UL(n), pb);
        const DynamicRegParams pu = factorUnblocked(solver, U, nx, pb);
        EXPECT_TRUE(pb.regIndices == zeros && pu.regIndices == zeros);
        EXPECT_EQ(pb.primalRank, pu.primalRank);
        double diff = 0.0, scale = 0.0;
        for (long j = 0; j < n; ++j)
            for (long i = j; i < n; ++i) {
                diff = std::max(diff, std::abs(B(i, j) - U(i, j)));
                scale = std::max(scale, std::abs(U(i, j)));
            }
        EXPECT_LE(diff, 4.0 * static_cast<double>(n) * kEps * scale);
    }
}
