// The regularization rule, the pivot tolerance and the inertia check on small matrices
// whose outcome follows from the rules by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "solvutil/solvers/dynamic_reg_solver.hpp"
#include "tests/support/host_guard.hpp"

using solvutil::DynamicRegParams;
using solvutil::DynamicRegSolver;

namespace {

const double RP = DynamicRegParams::RP_DEFAULT;
const double RD = DynamicRegParams::RD_DEFAULT;
const double kTwoM26 = std::ldexp(1.0, -26), kTwoM39 = std::ldexp(1.0, -39);

DenseMatrix diagonal(const std::vector<double>& d) {
    const long n = static_cast<long>(d.size());
    DenseMatrix A(n, n);
    for (long i = 0; i < n; ++i) A(i, i) = d[static_cast<std::size_t>(i)];
    return A;
}

/// A diagonal matrix, the caller's settings, and everything factor must report.
struct DiagonalCase {
    const char* what;
    std::vector<double> diag;
    unsigned long nPrimal;
    double rp, rd;
    bool checkInertia;
    AlignedIndexVector regIndices;
    std::vector<double> D;
    unsigned long rank, primalRank, dualRank;
    bool primalOK, dualOK, dualFullRank, tinyPivot;
};

}  // namespace

TEST(DynamicRegRules, DefaultShiftsAreTheDocumentedPowersOfTwo) {
    EXPECT_EQ(RP, -kTwoM39);
    EXPECT_EQ(RD, kTwoM26);
    EXPECT_EQ(RP, -1.8189894035458565e-12);
    EXPECT_EQ(RD, 1.4901161193847656e-08);
}

TEST(DynamicRegRules, DiagonalMatricesGiveTheShiftsRanksAndFlagsOfTheRules) {
    HostLeakGuard guard;
    const double tiny = 1e-13, nan = std::numeric_limits<double>::quiet_NaN();
    // clang-format off
    const std::vector<DiagonalCase> cases = {
        {"zero primal 1x1 takes rp", {0.0}, 1, RP, RD, true,
         {0}, {RP}, 0, 0, 0, true, true, true, false},
        {"zero dual 1x1 takes rd", {0.0}, 0, RP, RD, true,
         {0}, {RD}, 0, 0, 0, true, true, false, false},
        {"expected signs: nothing to report", {-1.0, 1.0}, 1, RP, RD, true,
         {}, {-1.0, 1.0}, 2, 1, 1, true, true, true, false},
        {"primal pivot of the wrong sign, not negligible", {-1.0, 1.0}, 2, RP, RD, true,
         {}, {-1.0, 1.0}, 2, 2, 0, false, true, true, false},
        {"rp = rd = 0: primal sign +, wrong-sign primal below 2^-39", {1.0, -tiny}, 2, 0.0, 0.0,
         true, {}, {1.0, -tiny}, 1, 2, 0, false, true, true, true},
        {"rp = rd = 0: dual pivot below 2^-26", {-1.0, -1e-10}, 0, 0.0, 0.0, true,
         {}, {-1.0, -1e-10}, 1, 0, 1, true, true, false, true},
        {"dual pivot with the primal sign", {-1.0, -2.0}, 1, RP, RD, true,
         {}, {-1.0, -2.0}, 2, 1, 1, true, false, true, false},
        {"primal pivot at 2^-39 is not negligible", {-1.0, kTwoM39}, 2, -1e-20, 1e-20, true,
         {}, {-1.0, kTwoM39}, 2, 2, 0, false, true, true, false},
        {"shifted dual pivot keeps the dual sign", {-1.0, 0.0, 3.0}, 1, RP, RD, true,
         {1}, {-1.0, RD, 3.0}, 2, 1, 1, true, true, false, false},
        {"shifted dual pivot with the primal sign", {-1.0, 0.0, 3.0}, 1, RP, -1e-8, true,
         {1}, {-1.0, -1e-8, 3.0}, 2, 1, 1, true, false, false, false},
        {"shifted primal pivots count against rank, not inertia",
         {0.0, -2.0, std::ldexp(1.0, -30), 5.0}, 3, RP, RD, true,
         {0, 2}, {RP, -2.0, std::ldexp(1.0, -30) + RP, 5.0}, 2, 1, 1, true, true, true, false},
        {"larger shift magnitude sets the tolerance floor", {-1.0, 1e-4}, 1, -1e-3, 1e-8, true,
         {1}, {-1.0, 1e-4 + 1e-8}, 1, 1, 0, true, true, false, false},
        {"NaN pivot is not shifted", {1.0, nan}, 0, RP, RD, false,
         {}, {1.0, nan}, 2, 0, 0, true, true, true, false},
        {"no inertia check: only shifts and primalRank", {0.0, 1.0, 1e-12, -4.0}, 2, RP, RD,
         false, {0, 2}, {RP, 1.0, 1e-12 + RD, -4.0}, 4, 1, 0, true, true, true, false},
    };
    // clang-format on
    DynamicRegSolver solver;
    for (const DiagonalCase& c : cases) {
        SCOPED_TRACE(c.what);
        const auto n = static_cast<unsigned long>(c.diag.size());
        DenseMatrix A = diagonal(c.diag);
        DynamicRegParams p;
        p.rp = c.rp;
        p.rd = c.rd;
        p.nPrimal = c.nPrimal;
        p.checkInertia = c.checkInertia;
        // Stale results of an earlier call must not survive.
        p.rank = p.dualRank = 99;
        p.primalInertiaOK = p.dualInertiaOK = p.dualFullRank = false;
        p.tinyPivot = true;
        p.regIndices = {7, 8, 9};
        solver.factor(A, n, p);

        EXPECT_EQ(p.regIndices, c.regIndices);
        for (unsigned long i = 0; i < n; ++i)
            if (std::isnan(c.D[i]))
                EXPECT_TRUE(std::isnan(A(static_cast<long>(i), static_cast<long>(i))));
            else
                EXPECT_EQ(A(static_cast<long>(i), static_cast<long>(i)), c.D[i])
                    << "D(" << i << ")";
        EXPECT_EQ(p.dim, n);
        EXPECT_EQ(p.rank, c.rank);
        EXPECT_EQ(p.primalRank, c.primalRank);
        EXPECT_EQ(p.dualRank, c.dualRank);
        EXPECT_EQ(p.primalInertiaOK, c.primalOK);
        EXPECT_EQ(p.dualInertiaOK, c.dualOK);
        EXPECT_EQ(p.dualFullRank, c.dualFullRank);
        EXPECT_EQ(p.tinyPivot, c.tinyPivot);
    }
}

TEST(DynamicRegRules, ToleranceComesFromTheDiagonalAndIsTestedOnUpdatedPivots) {
    DynamicRegSolver solver;
    auto factor = [&](DenseMatrix& A, unsigned long nPrimal) {
        DynamicRegParams p;
        p.nPrimal = nPrimal;
        solver.factor(A, static_cast<unsigned long>(A.rows), p);
        return p;
    };
    const double above = std::nextafter(kTwoM26, 1.0);

    // Largest diagonal entry 1: tolerance 2^-26, inclusive, for either sign. A huge value in
    // the strictly upper triangle must neither enter the tolerance nor be written.
    for (double sign : {1.0, -1.0}) {
        DenseMatrix A = diagonal({1.0, sign * kTwoM26, sign * above});
        A(0, 2) = 1e30;
        const DynamicRegParams p = factor(A, 0);
        EXPECT_EQ(p.pivotTol, kTwoM26);
        EXPECT_EQ(p.regIndices, AlignedIndexVector{1});
        EXPECT_EQ(A(2, 2), sign * above);
        EXPECT_EQ(A(0, 2), 1e30);
    }
    // Largest diagonal magnitude 2^30, negative and last: tolerance 2^30 · 2^-52 = 2^-22.
    {
        const double t = std::ldexp(1.0, -22);
        DenseMatrix A = diagonal({t, std::nextafter(t, 1.0), -std::ldexp(1.0, 30)});
        const DynamicRegParams p = factor(A, 3);
        EXPECT_EQ(p.pivotTol, t);
        EXPECT_EQ(p.regIndices, AlignedIndexVector{0});
    }
    // The test sees the updated pivot: 0.25 + 2^-26 − 0.5² / 1 = 2^-26 exactly.
    {
        DenseMatrix A(2, 2);
        A(0, 0) = 1.0;
        A(1, 0) = 0.5;
        A(1, 1) = 0.25 + kTwoM26;
        const DynamicRegParams p = factor(A, 0);
        EXPECT_EQ(p.regIndices, AlignedIndexVector{1});
        EXPECT_EQ(A(1, 1), 2 * kTwoM26);
        EXPECT_EQ(A(1, 0), 0.5);
    }
}

TEST(DynamicRegRules, EmptyMatrixOnlyResetsTheResults) {
    HostLeakGuard guard;
    DynamicRegSolver solver;
    DenseMatrix A(0, 0);
    DynamicRegParams p;
    p.checkInertia = true;
    p.rank = p.dim = 5;
    p.regIndices = {1, 2};
    p.tinyPivot = true;
    solver.factor(A, 0, p);
    EXPECT_EQ(p.dim, 0u);
    EXPECT_EQ(p.rank, 0u);
    EXPECT_TRUE(p.regIndices.empty());
    EXPECT_FALSE(p.tinyPivot);
    EXPECT_EQ(p.pivotTol, kTwoM26);
    AlignedVector b;
    testing::internal::CaptureStdout();  // a BLAS call with order 0 would complain here
    solver.solve(A, 0, b);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_TRUE(b.empty());
}
