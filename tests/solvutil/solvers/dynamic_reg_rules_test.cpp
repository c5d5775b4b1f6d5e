// The regularization rule, the pivot tolerance and the inertia check on small matrices
// whose outcome follows from the rules by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "solvutil/solvers/dynamic_reg_solver.hpp"
#include "tests/support/host_guard.hpp"

using solvutil::DynamicRegParams;
using solvutil::DynamicRegSolver;

namespace {

DenseMatrix diagonal(std::initializer_list<double> d) {
    const long n = static_cast<long>(d.size());
    DenseMatrix A(n, n);
    long i = 0;
    for (double v : d) A(i, i) = v, ++i;
    return A;
}

DynamicRegParams params(unsigned long nPrimal, bool checkInertia,
                        double rp = DynamicRegParams::RP_DEFAULT,
                        double rd = DynamicRegParams::RD_DEFAULT) {
    DynamicRegParams p;
    p.rp = rp;
    p.rd = rd;
    p.nPrimal = nPrimal;
    p.checkInertia = checkInertia;
    return p;
}

}  // namespace

TEST(DynamicRegRules, DefaultShiftsAreTheDocumentedPowersOfTwo) {
    EXPECT_EQ(DynamicRegParams::RP_DEFAULT, -std::ldexp(1.0, -39));
    EXPECT_EQ(DynamicRegParams::RD_DEFAULT, std::ldexp(1.0, -26));
    EXPECT_EQ(DynamicRegParams::RP_DEFAULT, -1.8189894035458565e-12);
    EXPECT_EQ(DynamicRegParams::RD_DEFAULT, 1.4901161193847656e-08);
}

TEST(DynamicRegRules, ZeroOneByOneIsShiftedByTheShiftOfItsBlock) {
    HostLeakGuard guard;
    DynamicRegSolver solver;
    {
        DenseMatrix A = diagonal({0.0});
        DynamicRegParams p = params(1, false);
        solver.factor(A, 1, p);
        EXPECT_EQ(p.pivotTol, std::ldexp(1.0, -26));
        EXPECT_EQ(A(0, 0), -std::ldexp(1.0, -39));
        EXPECT_EQ(p.regIndices, AlignedIndexVector{0});
        EXPECT_EQ(p.primalRank, 0u);
        EXPECT_EQ(p.dim, 1u);
    }
    {
        DenseMatrix A = diagonal({0.0});
        DynamicRegParams p = params(0, false);
        solver.factor(A, 1, p);
        EXPECT_EQ(A(0, 0), std::ldexp(1.0, -26));
        EXPECT_EQ(p.regIndices, AlignedIndexVector{0});
        EXPECT_EQ(p.primalRank, 0u);
    }
}

TEST(DynamicRegRules, PivotEqualToToleranceIsShiftedAndOneAboveIsNot) {
    DynamicRegSolver solver;
    const double tol = std::ldexp(1.0, -26);
    const double above = std::nextafter(tol, 1.0);

    // Largest diagonal entry 1: the tolerance is the dual shift 2^-26. A huge value in the
    // strictly upper triangle must not enter the tolerance (only the diagonal counts).
    for (double sign : {1.0, -1.0}) {
        DenseMatrix A = diagonal({1.0, sign * tol, sign * above});
        A(0, 2) = 1e30;
        DynamicRegParams p = params(0, false);
        solver.factor(A, 3, p);
        EXPECT_EQ(p.pivotTol, tol);
        EXPECT_EQ(p.regIndices, AlignedIndexVector{1});
        EXPECT_EQ(A(1, 1), sign * tol + tol);
        EXPECT_EQ(A(2, 2), sign * above);
        EXPECT_EQ(A(0, 2), 1e30) << "strictly upper triangle written";
    }

    // Largest diagonal magnitude 2^30 (negative, not first): tolerance 2^30 * 2^-52.
    {
        const double big = std::ldexp(1.0, 30), scaled = std::ldexp(1.0, -22);
        DenseMatrix A = diagonal({scaled, std::nextafter(scaled, 1.0), -big});
        DynamicRegParams p = params(3, false);
        solver.factor(A, 3, p);
        EXPECT_EQ(p.pivotTol, scaled);
        EXPECT_EQ(p.regIndices, AlignedIndexVector{0});
        EXPECT_EQ(p.primalRank, 2u);
    }

    // The test is made on the updated pivot: 0.25 + 2^-26 - 0.5^2/1 = 2^-26 exactly.
    {
        DenseMatrix A(2, 2);
        A(0, 0) = 1.0;
        A(1, 0) = 0.5;
        A(1, 1) = 0.25 + tol;
        DynamicRegParams p = params(0, false);
        solver.factor(A, 2, p);
        EXPECT_EQ(p.regIndices, AlignedIndexVector{1});
        EXPECT_EQ(A(1, 1), 2 * tol);
        EXPECT_EQ(A(1, 0), 0.5);
    }

    // The larger shift magnitude sets the floor of the tolerance, whichever block it is for.
    {
        DenseMatrix A = diagonal({1.0, 1e-4});
        DynamicRegParams p = params(1, false, -1e-3, 1e-8);
        solver.factor(A, 2, p);
        EXPECT_EQ(p.pivotTol, 1e-3);
        EXPECT_EQ(p.regIndices, AlignedIndexVector{1});
        EXPECT_EQ(A(1, 1), 1e-4 + 1e-8);
        EXPECT_EQ(p.primalRank, 1u);
    }

    // A NaN pivot fails the test and is left alone.
    {
        DenseMatrix A = diagonal({1.0, std::numeric_limits<double>::quiet_NaN()});
        DynamicRegParams p = params(0, false);
        solver.factor(A, 2, p);
        EXPECT_TRUE(p.regIndices.empty());
    }
}

TEST(DynamicRegRules, InertiaFlagsOfTwoByTwoDiagonals) {
    DynamicRegSolver solver;

    // Expected pattern (primal negative, dual positive): everything consistent.
    {
        DenseMatrix A = diagonal({-1.0, 1.0});
        DynamicRegParams p = params(1, true);
        solver.factor(A, 2, p);
        EXPECT_TRUE(p.regIndices.empty());
        EXPECT_EQ(p.rank, 2u);
        EXPECT_EQ(p.primalRank, 1u);
        EXPECT_EQ(p.dualRank, 1u);
        EXPECT_TRUE(p.primalInertiaOK);
        EXPECT_TRUE(p.dualInertiaOK);
        EXPECT_TRUE(p.dualFullRank);
        EXPECT_FALSE(p.tinyPivot);
    }
    // Both primal: D(1) = 1 has the wrong sign but is not negligible.
    {
        DenseMatrix A = diagonal({-1.0, 1.0});
        DynamicRegParams p = params(2, true);
        solver.factor(A, 2, p);
        EXPECT_FALSE(p.primalInertiaOK);
        EXPECT_FALSE(p.tinyPivot);
        EXPECT_EQ(p.rank, 2u);
        EXPECT_EQ(p.dualRank, 0u);
        EXPECT_TRUE(p.dualInertiaOK);
    }
    // rp = rd = 0: primal sign +1, tolerance 2^-52. The second pivot is kept but has the
    // wrong sign and lies below the primal negligibility bound.
    {
        DenseMatrix A = diagonal({1.0, -1e-13});
        DynamicRegParams p = params(2, true, 0.0, 0.0);
        solver.factor(A, 2, p);
        EXPECT_EQ(p.pivotTol, std::ldexp(1.0, -52));
        EXPECT_TRUE(p.regIndices.empty());
        EXPECT_FALSE(p.primalInertiaOK);
        EXPECT_TRUE(p.tinyPivot);
        EXPECT_EQ(p.rank, 1u);
        EXPECT_EQ(p.primalRank, 2u);
    }
    // rp = rd = 0, all dual: the first pivot counts, the second is below 2^-26. Dual
    // pivots with the sign opposite to the primal one are what is expected.
    {
        DenseMatrix A = diagonal({-1.0, -1e-10});
        DynamicRegParams p = params(0, true, 0.0, 0.0);
        solver.factor(A, 2, p);
        EXPECT_EQ(p.dualRank, 1u);
        EXPECT_FALSE(p.dualFullRank);
        EXPECT_TRUE(p.tinyPivot);
        EXPECT_EQ(p.rank, 1u);
        EXPECT_TRUE(p.dualInertiaOK);
        EXPECT_TRUE(p.primalInertiaOK);
    }
    // Dual pivot with the primal sign, not negligible: counted, but the inertia is wrong.
    {
        DenseMatrix A = diagonal({-1.0, -2.0});
        DynamicRegParams p = params(1, true);
        solver.factor(A, 2, p);
        EXPECT_FALSE(p.dualInertiaOK);
        EXPECT_EQ(p.dualRank, 1u);
        EXPECT_TRUE(p.dualFullRank);
        EXPECT_EQ(p.rank, 2u);
    }
    // Primal pivot at the negligibility bound is not negligible (strict <).
    {
        DenseMatrix A = diagonal({-1.0, std::ldexp(1.0, -39)});
        DynamicRegParams p = params(2, true, -1e-20, 1e-20);
        solver.factor(A, 2, p);
        EXPECT_TRUE(p.regIndices.empty());
        EXPECT_FALSE(p.primalInertiaOK);
        EXPECT_FALSE(p.tinyPivot);
        EXPECT_EQ(p.rank, 2u);
    }
}

TEST(DynamicRegRules, ShiftedPivotsInTheRankCounts) {
    DynamicRegSolver solver;

    // Shifted dual pivot with the dual sign: lowers rank, clears dualFullRank, does not
    // count in dualRank, keeps dualInertiaOK.
    {
        DenseMatrix A = diagonal({-1.0, 0.0, 3.0});
        DynamicRegParams p = params(1, true);
        solver.factor(A, 3, p);
        EXPECT_EQ(p.regIndices, AlignedIndexVector{1});
        EXPECT_EQ(A(1, 1), DynamicRegParams::RD_DEFAULT);
        EXPECT_EQ(p.rank, 2u);
        EXPECT_EQ(p.dualRank, 1u);
        EXPECT_FALSE(p.dualFullRank);
        EXPECT_TRUE(p.dualInertiaOK);
        EXPECT_FALSE(p.tinyPivot);
    }
    // A negative dual shift gives the shifted pivot the primal sign: dualInertiaOK clears.
    {
        DenseMatrix A = diagonal({-1.0, 0.0, 3.0});
        DynamicRegParams p = params(1, true, DynamicRegParams::RP_DEFAULT, -1e-8);
        solver.factor(A, 3, p);
        EXPECT_EQ(A(1, 1), -1e-8);
        EXPECT_FALSE(p.dualInertiaOK);
        EXPECT_EQ(p.rank, 2u);
    }
    // Shifted primal pivots lower rank and primalRank but not the primal inertia flag, even
    // when the shift leaves them with the wrong sign.
    {
        DenseMatrix A = diagonal({0.0, -2.0, std::ldexp(1.0, -30), 5.0});
        DynamicRegParams p = params(3, true);
        solver.factor(A, 4, p);
        EXPECT_EQ(p.regIndices, (AlignedIndexVector{0, 2}));
        EXPECT_GT(A(2, 2), 0.0);
        EXPECT_EQ(p.rank, 2u);
        EXPECT_EQ(p.primalRank, 1u);
        EXPECT_TRUE(p.primalInertiaOK);
        EXPECT_EQ(p.dualRank, 1u);
        EXPECT_TRUE(p.dualFullRank);
    }
}

TEST(DynamicRegRules, WithoutInertiaCheckOnlyShiftsAndPrimalRankAreComputed) {
    DynamicRegSolver solver;
    DenseMatrix A = diagonal({0.0, 1.0, 1e-12, -4.0});
    DynamicRegParams p = params(2, false);
    // Stale results from an earlier call must be reset.
    p.rank = 99;
    p.dualRank = 7;
    p.primalInertiaOK = p.dualInertiaOK = p.dualFullRank = false;
    p.tinyPivot = true;
    p.regIndices = {5, 6, 7};
    solver.factor(A, 4, p);
    EXPECT_EQ(p.regIndices, (AlignedIndexVector{0, 2}));
    EXPECT_EQ(p.primalRank, 1u);
    EXPECT_EQ(p.rank, 4u);
    EXPECT_EQ(p.dualRank, 0u);
    EXPECT_TRUE(p.primalInertiaOK);
    EXPECT_TRUE(p.dualInertiaOK);
    EXPECT_TRUE(p.dualFullRank);
    EXPECT_FALSE(p.tinyPivot);
    EXPECT_EQ(p.dim, 4u);
}
