// LinearConstraint set-up: construction, index lists, the bound scan, print() and
// destruction.
#include <gtest/gtest.h>

#include <limits>

#include "random_problem.hpp"

using ctest::Dense;

namespace {
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr std::size_t kUnset = ~std::size_t{0};
}  // namespace

TEST(LinearConstraintModel, IndexListSettersAllocateOnceCopyOrMarkUnset) {
    ctest::LeakGuard guard;
    ConstraintCounts counts;
    counts.nVar = 4;
    const auto blocks = kaldor::testing::allocationStats().liveBlocks;
    {
        LinearConstraint lc(&counts, false, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
        EXPECT_EQ(lc.getindexLB(), nullptr);
        EXPECT_EQ(lc.getindexUB(), nullptr);
        EXPECT_EQ(lc.getindexFixed(), nullptr);
        lc._setindexFixed(nullptr);
        const std::size_t* fixed = lc.getindexFixed();
        ASSERT_NE(fixed, nullptr);
        for (std::size_t k = 0; k < 4; ++k) EXPECT_EQ(fixed[k], kUnset);
        const std::size_t idx[] = {3, 1, 2, 0};
        lc._setindexFixed(idx);
        EXPECT_EQ(lc.getindexFixed(), fixed);  // reused, not reallocated
        for (std::size_t k = 0; k < 4; ++k) EXPECT_EQ(fixed[k], idx[k]);
        lc._setindexLB(idx);
        lc._setindexUB(nullptr);
        EXPECT_EQ(lc.getindexLB()[0], 3u);
        EXPECT_EQ(kaldor::testing::allocationStats().liveBlocks, blocks + 3);
        // Null arrays stand for empty groups of the right shape.
        EXPECT_EQ(lc.getA()._rows, 0u);
        EXPECT_EQ(lc.getA()._cols, 4u);
        EXPECT_EQ(lc.getlb()._rows, 4u);
    }
    EXPECT_EQ(kaldor::testing::allocationStats().liveBlocks, blocks);

    ConstraintCounts none;
    LinearConstraint empty(&none, true, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    empty._setindexLB(nullptr);
    empty._setindexFixed(nullptr);
    EXPECT_EQ(empty.getindexLB(), nullptr);
    EXPECT_EQ(empty.getindexFixed(), nullptr);
    none.nLB = none.nUB = none.nFixed = 5;
    empty._createBoundAndFixedConstraints();
    EXPECT_EQ(none.nLB, 0u);
    EXPECT_EQ(none.nUB, 0u);
    EXPECT_EQ(none.nFixed, 0u);
}

TEST(LinearConstraintModel, BoundScanKeepsFiniteEntriesInOrderForDenseAndSparseBounds) {
    ctest::LeakGuard guard;
    for (bool sparse : {false, true}) {
        ConstraintCounts counts;
        counts.nVar = 4;
        counts.nFixed = 9;
        counts.nTotal = 17;
        const Dense lb = {0, -kInf, 1, kNaN};
        const Dense ub = {kInf, 5, 1, kNaN};
        LinearConstraint lc(&counts, sparse, nullptr, nullptr, nullptr, nullptr,
                            ctest::makeArray(sparse, 4, 1, lb), ctest::makeArray(sparse, 4, 1, ub),
                            OPTMatrix<double>::BORROW_DESTROY);
        lc._setindexLB(nullptr);
        lc._setindexUB(nullptr);
        lc._createBoundAndFixedConstraints();
        // Sparse: lb(0) = 0 is an absent entry and reads 0, which is finite.
        EXPECT_EQ(counts.nLB, 2u);
        EXPECT_EQ(lc.getindexLB()[0], 0u);
        EXPECT_EQ(lc.getindexLB()[1], 2u);
        EXPECT_EQ(lc.getindexLB()[2], kUnset);
        EXPECT_EQ(counts.nUB, 2u);
        EXPECT_EQ(lc.getindexUB()[0], 1u);
        EXPECT_EQ(lc.getindexUB()[1], 2u);
        EXPECT_EQ(counts.nFixed, 0u);
        EXPECT_EQ(counts.nTotal, 17u);
        EXPECT_EQ(lc.isSparse(), sparse);
    }
}

TEST(LinearConstraintModel, BoundScanMatchesIndependentFilterOnRandomBounds) {
    ctest::LeakGuard guard;
    std::mt19937 rng(99);
    for (int trial = 0; trial < 20; ++trial) {
        const ctest::Problem p = ctest::randomProblem(rng, 1 + trial * 3, 2, 1);
        auto built = ctest::build(p, false, trial % 2 == 1);
        std::vector<std::size_t> wantLB, wantUB;
        for (std::size_t j = 0; j < p.n; ++j) {
            if (ctest::finite(p.lb[j])) wantLB.push_back(j);
            if (ctest::finite(p.ub[j])) wantUB.push_back(j);
        }
        ASSERT_EQ(built->counts.nLB, wantLB.size());
        ASSERT_EQ(built->counts.nUB, wantUB.size());
        for (std::size_t k = 0; k < wantLB.size(); ++k)
            EXPECT_EQ(built->lc->getindexLB()[k], wantLB[k]);
        for (std::size_t k = 0; k < wantUB.size(); ++k)
            EXPECT_EQ(built->lc->getindexUB()[k], wantUB[k]);
    }
}

TEST(LinearConstraintModel, MissingOrEmptyBoundVectorsGiveNoRows) {
    ctest::LeakGuard guard;
    ConstraintCounts counts;
    counts.nVar = 3;
    {
        LinearConstraint none(&counts, false, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
        none._createBoundAndFixedConstraints();
        EXPECT_EQ(counts.nLB, 0u);
        EXPECT_EQ(counts.nUB, 0u);
        EXPECT_EQ(none.lbAt(2), -kInf);
        EXPECT_EQ(none.ubAt(2), kInf);
    }
    LinearConstraint onlyLower(&counts, false, nullptr, nullptr, nullptr, nullptr,
                               ctest::denseArray(3, 1, {1, -kInf, 2}),
                               kxCreateNumericMatrix(0, 0, kxDOUBLE_CLASS, kxREAL),
                               OPTMatrix<double>::BORROW_DESTROY);
    onlyLower._createBoundAndFixedConstraints();
    EXPECT_EQ(counts.nLB, 2u);
    EXPECT_EQ(counts.nUB, 0u);
}

TEST(LinearConstraintModel, PrintWritesTheSummary) {
    ConstraintCounts counts;
    counts.nVar = 3;
    counts.nIneq = 2;
    counts.nEq = 1;
    counts.nLB = 3;
    counts.nUB = 1;
    counts.nFixed = 0;
    counts.nTotal = 7;
    for (bool sparse : {false, true}) {
        LinearConstraint lc(&counts, sparse, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
        kaldor::testing::ConsoleCapture console;
        lc.print();
        EXPECT_EQ(console.text(), std::string("\nLinear constraints:\n"
                                              " #variables: 3\n"
                                              " #inequalities: 2\n"
                                              " #equalities: 1\n"
                                              " #lower bounds: 3\n"
                                              " #upper bounds: 1\n"
                                              " #Fixed variables: 0\n"
                                              "#Total constraints: 7\n") +
                                      (sparse ? "Constraints are sparse\n"
                                              : "Constraints are dense\n"));
    }
}

TEST(LinearConstraintModel, BorrowKeepLeavesArraysToTheCaller) {
    ctest::LeakGuard guard;
    ConstraintCounts counts;
    counts.nVar = 2;
    counts.nIneq = 1;
    kxArray* A = ctest::denseArray(1, 2, {1.0, 2.0});
    kxArray* b = ctest::denseArray(1, 1, {3.0});
    {
        LinearConstraint lc(&counts, false, A, b, nullptr, nullptr, nullptr, nullptr);
        lc._setindexLB(nullptr);
        EXPECT_EQ(lc.getA()._array, A);
        EXPECT_EQ(lc.bAt(0), 3.0);
    }
    EXPECT_EQ(kxRealData(A)[1], 2.0);
    kxarray::destroyArray(A);
    kxarray::destroyArray(b);
}
