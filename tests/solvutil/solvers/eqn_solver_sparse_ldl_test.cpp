// EqnSolverSparseLDL: its status machine over the real sparse factor, and its numerics
// against dense LAPACK.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "kaldor/ldl_testing.hpp"
#include "kaldor/testing.hpp"
#include "solvutil/host/kxerror.hpp"
#include "solvutil/host/ma57_factor.hpp"
#include "solvutil/solvers/eqn_solver_sparse_ldl.hpp"
#include "tests/support/host_guard.hpp"
#include "tests/support/sparse_kkt.hpp"
#include "tests/support/host_error.hpp"

namespace {

using testdata::Csc;

// Counts the calls that factor() makes through the virtual table.
class CountingSolver : public EqnSolverSparseLDL {
public:
    using EqnSolverSparseLDL::EqnSolverSparseLDL;
    using EqnSolverSparseLDL::factor;
    void symfactor() override {
        ++symbolic;
        EqnSolverSparseLDL::symfactor();
    }
    void numfactor() override {
        ++numeric;
        EqnSolverSparseLDL::numfactor();
    }
    int symbolic = 0;
    int numeric = 0;
};

Csc smallKkt(std::mt19937& rng, long nx, long nc, long dependent = 0) {
    return testdata::symmetricCsc(nx + nc, testdata::randomKktLower(rng, nx, nc, 3, 0.0, dependent),
                                  false);
}

AlignedVector randomAligned(std::mt19937& rng, long n) {
    std::uniform_real_distribution<double> d(-1, 1);
    AlignedVector v(static_cast<std::size_t>(n));
    for (auto& x : v) x = d(rng);
    return v;
}

}  // namespace

TEST(EqnSolverSparseLDL, StatusMachineThroughANormalSequence) {
    HostLeakGuard guard;
    std::mt19937 rng(1);
    Csc a = smallKkt(rng, 30, 10);
    CountingSolver s(0.01);
    EXPECT_EQ(s.status, 0);
    s.init(a.n, a.n, a.pr.data(), a.ir.data(), a.jc.data(), a.nnz());
    EXPECT_EQ(s.status, 1);
    EXPECT_EQ(s.pr, a.pr.data());
    EXPECT_EQ(s.ir, a.ir.data());
    EXPECT_EQ(s.jc, a.jc.data());
    EXPECT_EQ(s.nnz, a.nnz());
    s.symfactor();
    EXPECT_EQ(s.status, 2);
    s.numfactor();
    EXPECT_EQ(s.status, 4);
    AlignedVector b = randomAligned(rng, a.n), x(b.size());
    s.solve(x, b);
    EXPECT_EQ(s.status, 6);
    EXPECT_EQ(s.solveInfo, 0);
    EXPECT_LT(testdata::relativeResidual(testdata::toDense(a), a.n, x.data(), b.data()), 1e-13);

    // factor() with status ≥ 2 repeats only the numeric step.
    s.symbolic = s.numeric = 0;
    s.factor();
    EXPECT_EQ(s.symbolic, 0);
    EXPECT_EQ(s.numeric, 1);
    EXPECT_EQ(s.status, 4);
    // After init, factor() runs both; the six-argument factor always does.
    s.init(a.n, a.n, a.pr.data(), a.ir.data(), a.jc.data(), a.nnz());
    s.factor();
    EXPECT_EQ(s.symbolic, 1);
    EXPECT_EQ(s.numeric, 2);
    s.factor(a.n, a.n, a.pr.data(), a.ir.data(), a.jc.data(), a.nnz());
    EXPECT_EQ(s.symbolic, 2);
    EXPECT_EQ(s.numeric, 3);
    EXPECT_EQ(s.status, 4);
    s.symfactor();
    s.factor();  // status 2: numeric only
    EXPECT_EQ(s.symbolic, 3);
    EXPECT_EQ(s.numeric, 4);

    long rank = -1, neg = -1, nnzL = -1;
    double flops = -1;
    s.rank(rank);
    s.numNegEigenValues(neg);
    s.getNnzL(nnzL);
    s.getFlops(flops);
    EXPECT_EQ(rank, a.n);
    EXPECT_EQ(neg, 10);
    EXPECT_EQ(nnzL, s.factorObj->nnzL());
    EXPECT_GE(nnzL, a.n);
    EXPECT_EQ(flops, s.factorObj->flops());
    EXPECT_GT(flops, 0.0);
}

TEST(EqnSolverSparseLDL, InitRejectsANonSquareMatrixButKeepsItsArguments) {
    HostLeakGuard guard;
    std::mt19937 rng(2);
    Csc a = smallKkt(rng, 8, 4);
    EqnSolverSparseLDL s(0.01);
    s.factor(a.n, a.n, a.pr.data(), a.ir.data(), a.jc.data(), a.nnz());
    ASSERT_EQ(s.status, 4);
    double pr2[1] = {1.0};
    long ir2[1] = {0}, jc2[5] = {0, 1, 1, 1, 1};
    kaldor::testing::ConsoleCapture capture;
    try {
        s.init(3, 4, pr2, ir2, jc2, 1);
        FAIL() << "init accepted a 3-by-4 matrix";
    } catch (const hostcore::IUserException& e) {
        EXPECT_EQ(e.getMessageId(), "solv:solvPlugError:unhandledError");
        EXPECT_EQ(e.getMessageText(), "Equation solver must get a square matrix.");
    }
    EXPECT_EQ(capture.text(), "Equation solver must get a square matrix.");
    EXPECT_EQ(s.status, 4);
    EXPECT_EQ(s.m, 3);
    EXPECT_EQ(s.n, 4);
    EXPECT_EQ(s.pr, pr2);
    EXPECT_EQ(s.ir, ir2);
    EXPECT_EQ(s.jc, jc2);
    EXPECT_EQ(s.nnz, 1);
}

TEST(EqnSolverSparseLDL, TooManyAttemptsIsAbsorbedAndSolveErrorIsRethrown) {
    HostLeakGuard guard;
    // 2D Laplacian (40×40) with 600 constraint rows: no workspace margin is not enough.
    std::map<std::pair<long, long>, double> e;
    const long g = 40, nx = g * g, nc = 600;
    for (long k = 0; k < nx; ++k) {
        e[{k, k}] = 4.0;
        if (k % g + 1 < g) e[{k + 1, k}] = -1.0;
        if (k + g < nx) e[{k + g, k}] = -1.0;
    }
    for (long r = 0; r < nc; ++r) e[{nx + r, (r * 37) % nx}] = 1.0;
    Csc a = testdata::symmetricCsc(nx + nc, e, false);
    AlignedVector b(static_cast<std::size_t>(a.n), 1.0), x(b.size(), 0.0);
    {
        kaldor::testing::ScopedFactorRetryPolicy policy({/*maxAttempts=*/1, /*workspace=*/0});
        CountingSolver s(0.01);
        s.init(a.n, a.n, a.pr.data(), a.ir.data(), a.jc.data(), a.nnz());
        s.symfactor();
        s.numfactor();  // returns normally
        EXPECT_EQ(s.status, 3);
        // After a failed numeric step, factor() repeats only the numeric step.
        s.factor();
        EXPECT_EQ(s.symbolic, 1);
        EXPECT_EQ(s.numeric, 2);
        EXPECT_EQ(s.status, 3);
        // The following solve still reaches the factor, which has nothing to solve with.
        s.solveInfo = 12345;
        try {
            s.solve(x, b);
            FAIL() << "solve succeeded without a factorization";
        } catch (const hostcore::IUserException& err) {
            EXPECT_EQ(err.getMessageId(), "KALDOR:symIndefFactor:solveError");
        }
        EXPECT_EQ(s.status, 5);
        EXPECT_EQ(s.solveInfo, s.factorObj->statusWord());
        EXPECT_LT(s.solveInfo, 0);
    }
    {
        kaldor::testing::ScopedFactorRetryPolicy policy({/*maxAttempts=*/4, /*workspace=*/0});
        EqnSolverSparseLDL s(0.01);
        s.factor(a.n, a.n, a.pr.data(), a.ir.data(), a.jc.data(), a.nnz());
        EXPECT_EQ(s.status, 4);
        EXPECT_GT(kaldor::testing::lastFactorAttempts(), 1);
        s.solve(x, b);
        EXPECT_EQ(s.status, 6);
        EXPECT_LT(testdata::relativeResidual(testdata::toDense(a), a.n, x.data(), b.data()),
                  1e-12);
    }
}

TEST(EqnSolverSparseLDL, OtherFailuresPassThroughWithStatusUnchanged) {
    HostLeakGuard guard;
    std::mt19937 rng(4);
    Csc a = smallKkt(rng, 10, 5);
    EqnSolverSparseLDL s(0.01);
    s.init(a.n, a.n, a.pr.data(), a.ir.data(), a.jc.data(), a.nnz());
    // Solve before any numeric factorization: the factor's solve error, status 5.
    AlignedVector b(static_cast<std::size_t>(a.n), 1.0), x(b.size());
    s.symfactor();
    EXPECT_EQ(hostErrorId([&] { s.solve(x, b); }), "KALDOR:symIndefFactor:solveError");
    EXPECT_EQ(s.status, 5);

    s.status = 2;
    a.pr[0] = std::nan("");
    EXPECT_EQ(hostErrorId([&] { s.numfactor(); }), "KALDOR:symIndefFactor:nonFiniteValue");
    EXPECT_EQ(s.status, 2);
    a.pr[0] = 1e3;
    s.numfactor();
    EXPECT_EQ(s.status, 4);
    b[1] = INFINITY;
    const long before = s.solveInfo;
    EXPECT_EQ(hostErrorId([&] { s.solve(x, b); }), "KALDOR:symIndefFactor:nonFiniteValue");
    EXPECT_EQ(s.status, 4);
    EXPECT_EQ(s.solveInfo, before);

    a.ir[1] = -1;  // caught by the factor's own index check
    s.init(a.n, a.n, a.pr.data(), a.ir.data(), a.jc.data(), a.nnz());
    EXPECT_EQ(hostErrorId([&] { s.factor(); }), "KALDOR:symIndefFactor:badRowIndex");
    EXPECT_EQ(s.status, 1);
}

TEST(EqnSolverSparseLDL, NewValuesArePickedUpByTheNextNumfactor) {
    HostLeakGuard guard;
    std::mt19937 rng(5);
    Csc a = smallKkt(rng, 120, 40);
    CountingSolver s(0.01);
    s.factor(a.n, a.n, a.pr.data(), a.ir.data(), a.jc.data(), a.nnz());
    std::uniform_real_distribution<double> d(0.5, 2.0);
    for (int round = 0; round < 3; ++round) {
        for (auto& v : a.pr) v *= d(rng);  // same pattern, new values in the same array
        s.numfactor();
        AlignedVector b = randomAligned(rng, a.n), x(b.size());
        s.solve(x, b);
        const std::vector<double> dense = testdata::toDense(a);
        EXPECT_LT(testdata::relativeResidual(dense, a.n, x.data(), b.data()), 1e-12);
        long neg = -1;
        s.numNegEigenValues(neg);
        const auto w = testdata::eigenvalues(dense, a.n);
        EXPECT_EQ(neg, std::count_if(w.begin(), w.end(), [](double v) { return v < 0; }));
    }
    EXPECT_EQ(s.symbolic, 1);
}

TEST(EqnSolverSparseLDL, MatchesDenseLapackFromTenToTwoThousandRows) {
    HostLeakGuard guard;
    std::mt19937 rng(6);
    const long shapes[][3] = {{7, 3, 0},     {48, 16, 0},   {97, 32, 0},   {300, 100, 0},
                              {1400, 600, 0}, {40, 20, 3},  {500, 200, 17}};
    for (const auto& sh : shapes) {
        const long nx = sh[0], nc = sh[1], dep = sh[2], n = nx + nc;
        SCOPED_TRACE(n);
        Csc a = smallKkt(rng, nx, nc, dep);
        EqnSolverSparseLDL s(0.01);
        s.factor(n, n, a.pr.data(), a.ir.data(), a.jc.data(), a.nnz());
        ASSERT_EQ(s.status, 4);
        const std::vector<double> dense = testdata::toDense(a);
        const auto w = testdata::eigenvalues(dense, n);
        const double tol = 1e-10 * std::max(std::abs(w.front()), std::abs(w.back()));
        long rank = -1, neg = -1;
        s.rank(rank);
        s.numNegEigenValues(neg);
        EXPECT_EQ(rank, std::count_if(w.begin(), w.end(), [&](double v) { return std::abs(v) > tol; }));
        EXPECT_EQ(neg, std::count_if(w.begin(), w.end(), [&](double v) { return v < -tol; }));
        EXPECT_EQ(rank, n - dep);

        // Consistent right-hand side: b = A·z, so singular systems are solvable too.
        const AlignedVector z = randomAligned(rng, n);
        AlignedVector b(static_cast<std::size_t>(n), 0.0), x(b.size());
        for (long j = 0; j < n; ++j)
            for (long i = 0; i < n; ++i)
                b[static_cast<std::size_t>(i)] += dense[static_cast<std::size_t>(i + j * n)] * z[static_cast<std::size_t>(j)];
        s.solve(x, b);
        EXPECT_EQ(s.status, 6);
        EXPECT_EQ(s.solveInfo, 0);
        EXPECT_LT(testdata::relativeResidual(dense, n, x.data(), b.data()), 1e-10);
    }
}
