// LinearConstraint::maxConstrViolation against an independent computation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "random_problem.hpp"

using ctest::Dense;
using M = OPTMatrix<double>;

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The measure recomputed from plain data: |r| for fixed and equality rows, r for
// inequality and bound rows, in that group order; NaN entries skipped, ties to the later.
double expectedViolation(const ctest::Problem& p, const Dense& x) {
    double v = -kInf;
    bool found = false;
    auto take = [&](double a) {
        if (v <= a) v = a, found = true;
    };
    for (std::size_t j : p.fixed) take(std::abs(x[j] - p.ub[j]));
    for (std::size_t i = 0; i < p.me; ++i) {
        double r = 0.0;
        for (std::size_t j = 0; j < p.n; ++j) r += p.Aeq[i + p.me * j] * x[j];
        take(std::abs(r - p.beq[i]));
    }
    for (std::size_t i = 0; i < p.mi; ++i) {
        double r = 0.0;
        for (std::size_t j = 0; j < p.n; ++j) r += p.A[i + p.mi * j] * x[j];
        take(r - p.b[i]);
    }
    for (std::size_t j = 0; j < p.n; ++j)
        if (ctest::finite(p.lb[j])) take(p.lb[j] - x[j]);
    for (std::size_t j = 0; j < p.n; ++j)
        if (ctest::finite(p.ub[j])) take(x[j] - p.ub[j]);
    return found ? v : std::bit_cast<double>(ctest::kNotFoundBits);
}

double violationAt(LinearConstraint& lc, bool sparseX, const Dense& x) {
    M xm(ctest::makeArray(sparseX, x.size(), 1, x), M::BORROW_DESTROY);
    return lc.maxConstrViolation(xm);
}

}  // namespace

TEST(MaxConstrViolation, MatchesIndependentComputationOnRandomProblems) {
    std::mt19937 rng(31337);
    std::uniform_real_distribution<double> dist(-4.0, 4.0);
    { auto warm = ctest::build(ctest::randomProblem(rng, 3, 2, 2), false, false); }
    ctest::LeakGuard guard;
    int negative = 0;
    for (int trial = 0; trial < 60; ++trial) {
        const std::size_t n = 1 + static_cast<std::size_t>(trial % 13);
        // Every third problem has inequalities and bounds only, so negative results occur.
        const bool onlyInequalities = trial % 3 == 0;
        ctest::Problem p = ctest::randomProblem(rng, n, trial % 6, onlyInequalities ? 0 : trial % 4,
                                                onlyInequalities ? 0 : trial % 2);
        if (onlyInequalities) {  // make x near 0 strictly feasible
            for (auto& v : p.b) v = std::abs(v) + 0.5;
            for (auto& v : p.lb) v = ctest::finite(v) ? std::min(v, -0.5) : v;
            for (auto& v : p.ub) v = ctest::finite(v) ? std::max(v, 0.5) : v;
        }
        const bool sparseVectors = trial % 2 == 1;
        const bool sparseX = trial % 4 >= 2;
        auto built = ctest::build(p, false, sparseVectors);
        Dense x(n);
        for (auto& v : x) v = dist(rng) * (onlyInequalities ? 0.01 : 1.0);
        if (trial % 7 == 0) x[0] = 0.0;  // an absent entry of a sparse x
        const double want = expectedViolation(p, x);
        const double got = violationAt(*built->lc, sparseX, x);
        if (std::isnan(want)) {
            EXPECT_EQ(ctest::bits(got), ctest::kNotFoundBits) << "trial " << trial;
        } else {
            EXPECT_NEAR(got, want, 1e-12 * (1.0 + std::abs(want))) << "trial " << trial;
        }
        negative += got < 0.0 ? 1 : 0;
    }
    EXPECT_GT(negative, 0) << "no strictly feasible case was exercised";
}

TEST(MaxConstrViolation, SmallCasesNaNNegativeAndTies) {
    ctest::LeakGuard guard;
    ConstraintCounts counts;
    counts.nVar = 1;
    {
        LinearConstraint none(&counts, false, nullptr, nullptr, nullptr, nullptr, nullptr,
                              nullptr);
        M x(1, 1, false);
        EXPECT_EQ(ctest::bits(none.maxConstrViolation(x)), ctest::kNotFoundBits);
    }
    // x(0) <= 1 at 0.25: -0.75; with the equality x(0) = 0.5 added: 0.25.
    ctest::Problem p;
    p.n = 1;
    p.mi = 1;
    p.A = {1.0};
    p.b = {1.0};
    p.lb = {-kInf};
    p.ub = {kInf};
    EXPECT_EQ(violationAt(*ctest::build(p, false, false)->lc, false, {0.25}), -0.75);
    p.me = 1;
    p.Aeq = {1.0};
    p.beq = {0.5};
    EXPECT_EQ(violationAt(*ctest::build(p, false, false)->lc, false, {0.25}), 0.25);
    // Bounds [0, 1] at x = 2: the upper bound gives 1 (the lower one -2).
    ctest::Problem bounds;
    bounds.n = 1;
    bounds.lb = {0.0};
    bounds.ub = {1.0};
    EXPECT_EQ(violationAt(*ctest::build(bounds, false, true)->lc, false, {2.0}), 1.0);
    // An inequality with b = +inf contributes -inf.
    ctest::Problem infB = p;
    infB.me = 0;
    infB.Aeq.clear();
    infB.beq.clear();
    infB.b = {kInf};
    EXPECT_EQ(violationAt(*ctest::build(infB, false, false)->lc, false, {3.0}), -kInf);
    // A fixed variable with value 3 at x = 1 contributes 2.
    ctest::Problem fixed;
    fixed.n = 2;
    fixed.lb = {-kInf, -kInf};
    fixed.ub = {kInf, 3.0};
    fixed.fixed = {1};
    auto fixedBuilt = ctest::build(fixed, false, false);
    fixedBuilt->counts.nUB = 0;  // keep the fixed row alone
    EXPECT_EQ(violationAt(*fixedBuilt->lc, false, {0.0, 1.0}), 2.0);
    // NaN residuals are skipped; all NaN gives the not-found NaN.
    EXPECT_EQ(ctest::bits(violationAt(*ctest::build(p, false, false)->lc, false, {kNaN})),
              ctest::kNotFoundBits);
    EXPECT_EQ(violationAt(*fixedBuilt->lc, false, {kNaN, 1.0}), 2.0);
    // Tie between the fixed row's |+0.0| and the upper-bound row's -0.0 (x = -0, ub = 0):
    // the later group wins, so the result is -0.0.
    ctest::Problem tie;
    tie.n = 1;
    tie.lb = {-kInf};
    tie.ub = {0.0};
    tie.fixed = {0};
    auto tieBuilt = ctest::build(tie, false, false);
    const double zero = violationAt(*tieBuilt->lc, false, {-0.0});
    EXPECT_EQ(zero, 0.0);
    EXPECT_TRUE(std::signbit(zero));
}

TEST(MaxConstrViolation, TwoColumnPointFailsAndLeaksNothing) {
    // The equality residual with beq of its own shape but x of two columns fails in the
    // subtraction; a residual of shape count-by-2 (here from an override that returns the
    // bare product) fails in the assignment to the count-by-1 temporary.
    struct BareProduct : LinearConstraint {
        using LinearConstraint::LinearConstraint;
        OPTMatrix<double> Aeqconstr(const OPTMatrix<double>& x) override { return Aeqx(x); }
    };
    ConstraintCounts counts;
    counts.nVar = 2;
    counts.nEq = 3;
    const Dense aeq = {1, 2, 3, 4, 5, 6};
    LinearConstraint plain(&counts, false, nullptr, nullptr, ctest::denseArray(3, 2, aeq),
                           nullptr, nullptr, nullptr, M::BORROW_DESTROY);
    BareProduct bare(&counts, false, nullptr, nullptr, ctest::denseArray(3, 2, aeq), nullptr,
                     nullptr, nullptr, M::BORROW_DESTROY);
    M x(2, 2, false);
    { M warm = plain.Aeqx(x); M warm2 = plain.Aeqx(x); }
    ctest::LeakGuard guard;
    std::string out = ctest::expectOptMatrixFailure(
        [&] { plain.maxConstrViolation(x); }, "Incompatible dimensions for matrix subtraction");
    EXPECT_EQ(out, "");
    out = ctest::expectOptMatrixFailure([&] { bare.maxConstrViolation(x); },
                                        "Incompatible dimensions for matrix assignment");
    EXPECT_EQ(out, "LHS Size: 3-by-1\nRHS Size: 3-by-2\n");
}

// An overriding residual is honoured: the measure calls the group operations virtually.
TEST(MaxConstrViolation, UsesOverriddenResiduals) {
    struct Shifted : LinearConstraint {
        using LinearConstraint::LinearConstraint;
        OPTMatrix<double> Aubconstr(const OPTMatrix<double>& x) override {
            OPTMatrix<double> r = LinearConstraint::Aubconstr(x);
            for (std::size_t k = 0; k < r._rows; ++k) r(k, 0) += 100.0;
            return r;
        }
    };
    ConstraintCounts counts;
    counts.nVar = 1;
    Shifted lc(&counts, false, nullptr, nullptr, nullptr, nullptr, ctest::denseArray(1, 1, {0}),
               ctest::denseArray(1, 1, {1}), M::BORROW_DESTROY);
    lc._setindexLB(nullptr);
    lc._setindexUB(nullptr);
    lc._createBoundAndFixedConstraints();
    M x(ctest::denseArray(1, 1, {0.5}), M::BORROW_DESTROY);
    EXPECT_EQ(lc.maxConstrViolation(x), 99.5);
}
