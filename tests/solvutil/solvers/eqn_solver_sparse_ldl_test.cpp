// EqnSolverSparseLDL: status machine and numerics; host errors of both solvers on misuse.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "kaldor/testing/ldl.hpp"
#include "kaldor/testing/services.hpp"
#include "solvutil/host/ma57_factor.hpp"
#include "solvutil/solvers/dynamic_reg_solver.hpp"
#include "solvutil/solvers/eqn_solver_sparse_ldl.hpp"
#include "tests/support/host_error.hpp"
#include "tests/support/host_guard.hpp"
#include "tests/support/random.hpp"
#include "tests/support/sparse_kkt.hpp"

namespace {

using testdata::Csc;
const std::string kId = "KALDOR:symIndefFactor:", kUnhandled = "solv:solvPlugError:unhandledError";

/// Counts the calls that factor() makes through the virtual table.
struct CountingSolver : EqnSolverSparseLDL {
    CountingSolver() : EqnSolverSparseLDL(0.01) {}
    using EqnSolverSparseLDL::factor;
    void symfactor() override {
        ++symbolic;
        EqnSolverSparseLDL::symfactor();
    }
    void numfactor() override {
        ++numeric;
        EqnSolverSparseLDL::numfactor();
    }
    int symbolic = 0, numeric = 0;
};

Csc kkt(std::mt19937& rng, long nx, long nc) {
    return testdata::symmetricCsc(nx + nc, testdata::randomKktLower(rng, nx, nc, 3, 0), false);
}

void init(EqnSolverSparseLDL& s, Csc& a) {
    s.init(a.n, a.n, a.pr.data(), a.ir.data(), a.jc.data(), a.nnz());
}

}  // namespace

// Statuses 0 → 1 → 2 → 4 → 6, the steps factor() repeats, the factor's reports against dsyev,
// new values in the borrowed arrays read without a symbolic step; failures other than attempts
// or solve keep the status; too few attempts are absorbed (3), a later solve fails (5).
TEST(EqnSolverSparseLDL, StatusMachineAndPassThroughFailures) {
    HostLeakGuard guard;
    std::mt19937 rng(1);
    Csc a = kkt(rng, 30, 10);
    CountingSolver s;
    EXPECT_EQ(s.name, "Sparse LDL MA57");
    AlignedVector b = testdata::randomVector(rng, a.n), x(b.size());
    std::vector<int> seen{s.status};
    for (auto step : std::initializer_list<std::function<void()>>{
             [&] { init(s, a); }, [&] { s.symfactor(); }, [&] { s.numfactor(); },
             [&] { s.solve(x, b); }}) {
        step();
        seen.push_back(s.status);
    }
    EXPECT_EQ(seen, std::vector<int>({0, 1, 2, 4, 6}));
    s.factor();  // status 6: numeric only
    init(s, a);
    s.factor();                                                          // status 1: both
    s.factor(a.n, a.n, a.pr.data(), a.ir.data(), a.jc.data(), a.nnz());  // always both
    s.symfactor();
    s.factor();  // status 2: numeric only
    EXPECT_TRUE(s.symbolic == 4 && s.numeric == 5 && s.status == 4);
    long nnzL = -1, rank = -1, negative = -1;
    double flops = -1;
    s.getNnzL(nnzL);
    s.getFlops(flops);
    s.rank(rank);
    s.numNegEigenValues(negative);
    EXPECT_TRUE(nnzL == s.factorObj->nnzL() && flops == s.factorObj->flops());
    EXPECT_EQ(std::pair(rank, negative), testdata::inertia(testdata::toDense(a), a.n, 1e-10));
    for (auto& v : a.pr) v *= std::uniform_real_distribution<double>(0.5, 2.0)(rng);
    s.numfactor();
    s.solve(x, b);
    EXPECT_LT(testdata::relativeResidual(testdata::toDense(a), a.n, x.data(), b.data()), 1e-12);
    EXPECT_EQ(s.symbolic, 4);
    double pr2[1] = {1.0};
    long ir2[1] = {0}, jc2[5] = {0, 1, 1, 1, 1};
    EXPECT_EQ(hostError([&] { s.init(3, 4, pr2, ir2, jc2, 1); }),
              kUnhandled + "|Equation solver must get a square matrix.");
    EXPECT_TRUE(s.m == 3 && s.n == 4 && s.nnz == 1 && s.pr == pr2 && s.ir == ir2 && s.jc == jc2);
    EXPECT_EQ(s.status, 6);
    init(s, a);
    s.symfactor();
    a.pr[0] = std::nan("");
    EXPECT_EQ(hostErrorId([&] { s.numfactor(); }), kId + "nonFiniteValue");
    EXPECT_EQ(s.status, 2);
    a.pr[0] = 1e3;
    s.numfactor();
    b[1] = INFINITY;
    s.solveInfo = 12345;
    EXPECT_EQ(hostErrorId([&] { s.solve(x, b); }), kId + "nonFiniteValue");
    EXPECT_TRUE(s.status == 4 && s.solveInfo == 12345);
    a.ir[1] = -1;
    init(s, a);
    EXPECT_EQ(hostErrorId([&] { s.factor(); }), kId + "badRowIndex");
    EXPECT_EQ(s.status, 1);
    Csc big = kkt(rng, 1600, 600);  // one attempt without workspace margin is too little
    kaldor::testing::ScopedFactorRetryPolicy policy({/*maxAttempts=*/1, /*workspace=*/0});
    CountingSolver t;
    init(t, big);
    t.symfactor();
    t.numfactor();  // returns normally
    EXPECT_EQ(t.status, 3);
    t.factor();  // status 3: numeric only
    EXPECT_TRUE(t.symbolic == 1 && t.numeric == 2 && t.status == 3);
    x.assign(big.n, 0.0);
    EXPECT_EQ(hostErrorId([&] { t.solve(x, AlignedVector(big.n, 1.0)); }), kId + "solveError");
    EXPECT_TRUE(t.status == 5 && t.solveInfo == t.factorObj->statusWord() && t.solveInfo < 0);
}

// Calls outside the documented order or with missing, short or misshapen arrays are host
// errors: the factor's own where it sees them, the library's precondition checks (both solvers)
// in debug builds. The interfaces' optional operations fail with their names, changing nothing.
TEST(SolverMisuse, OutOfOrderCallsBadArraysAndOptionalOperationsAreHostErrors) {
    HostLeakGuard guard;
    std::mt19937 rng(15);
    Csc a = kkt(rng, 8, 3);
    AlignedVector b(a.n, 1.0), x(b.size()), empty, shortX(3);
    long l = 17;
    double d = 2.5;
    const auto undefined = [](const char* name) {
        return kUnhandled + "|" + name + "() method not defined";
    };
#ifdef SOLVUTIL_DEBUG_ASSERTS
    const std::string emptyVector = kUnhandled;  // checked first
    solvutil::DynamicRegSolver dyn;
    solvutil::DynamicRegParams fine, tooManyPrimal;
    tooManyPrimal.nPrimal = 4;
    DenseMatrix A(3, 3), wide(3, 4);
#else
    const std::string emptyVector = kId + "missingArray";  // the factor sees a null array
#endif
    EqnSolverSparseLDL fresh(0.01), noValues(0.01), ready(0.01);
    EXPECT_TRUE(fresh.solveInfo == 0 && fresh.pr == nullptr && fresh.n == -1);
    noValues.init(a.n, a.n, nullptr, a.ir.data(), a.jc.data(), a.nnz());
    ready.factor(a.n, a.n, a.pr.data(), a.ir.data(), a.jc.data(), a.nnz());
    const std::pair<std::function<void()>, std::string> cases[] = {
        {[&] { ready.setApr(&d); }, undefined("setApr")},
        {[&] { ready.setAjc(&l); }, undefined("setAjc")},
        {[&] { ready.setNnz(3); }, undefined("setNnz")},
        {[&] { ready.IEqnSolverLDL::numNegEigenValues(l); }, undefined("numNegEigenValues")},
        {[&] { ready.IEqnSolverLDL::getFlops(d); }, undefined("getFlops")},
        {[&] { fresh.factor(); }, kId + "badSize"},  // before init: order -1
        {[&] { fresh.numfactor(); }, kId + "notAnalysed"},
        {[&] { fresh.solve(x, b); }, kId + "solveError"},
        {[&] { noValues.factor(); }, kId + "missingArray"},
        {[&] { ready.solve(empty, b); }, emptyVector},
        {[&] { ready.solve(x, empty); }, emptyVector},
#ifdef SOLVUTIL_DEBUG_ASSERTS
        {[&] { ready.solve(shortX, b); }, kUnhandled},
        {[&] { dyn.factor(A, 4, fine); }, kUnhandled},           // order above A's
        {[&] { dyn.factor(wide, 3, fine); }, kUnhandled},        // not square
        {[&] { dyn.factor(A, 3, tooManyPrimal); }, kUnhandled},  // nPrimal above the order
        {[&] { dyn.solve(A, 3, empty); }, kUnhandled},
#endif
    };
    kaldor::testing::ConsoleCapture console;  // the debug checks print their message
    for (const auto& [call, expected] : cases)
        EXPECT_THAT(hostError(call), testing::StartsWith(expected));
    EXPECT_TRUE(l == 17 && d == 2.5 && ready.status == 4);
}
