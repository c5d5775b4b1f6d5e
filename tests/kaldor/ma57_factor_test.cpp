// The stand-in sparse factor against dense LAPACK, its input checks, its workspace
// retries and its coexistence with the 64-bit-integer BLAS of libsolvutil.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "kaldor/ldl_testing.hpp"
#include "solvutil/host/kxerror.hpp"
#include "solvutil/host/ma57_factor.hpp"
#include "solvutil/kernels/blas.hpp"
#include "solvutil/kernels/vector_kernels.hpp"
#include "tests/support/host_guard.hpp"
#include "tests/support/sparse_kkt.hpp"
#include "tests/support/host_error.hpp"

namespace {

using testdata::Csc;

std::vector<double> randomRhs(std::mt19937& rng, long n) {
    std::uniform_real_distribution<double> d(-1, 1);
    std::vector<double> b(static_cast<std::size_t>(n));
    for (auto& v : b) v = d(rng);
    return b;
}

long countBelow(const std::vector<double>& w, double t) {
    return std::count_if(w.begin(), w.end(), [t](double x) { return x < t; });
}

// 2D 5-point Laplacian on a g×g grid plus `nc` constraint rows: with no workspace margin
// its factorization runs out of workspace on the first try.
Csc laplacianKkt(long g, long nc) {
    std::map<std::pair<long, long>, double> e;
    const long nx = g * g;
    for (long y = 0; y < g; ++y)
        for (long x = 0; x < g; ++x) {
            const long k = y * g + x;
            e[{k, k}] = 4.0;
            if (x + 1 < g) e[{k + 1, k}] = -1.0;
            if (y + 1 < g) e[{k + g, k}] = -1.0;
        }
    for (long r = 0; r < nc; ++r) {
        e[{nx + r, (r * 37) % nx}] = 1.0;
        e[{nx + r, (r * 101 + 13) % nx}] = 0.5;
    }
    return testdata::symmetricCsc(nx + nc, e, false);
}

}  // namespace

TEST(Ma57Factor, MatchesDenseLapackOnRandomKkt) {
    HostLeakGuard guard;
    std::mt19937 rng(20261205);
    const long sizes[][2] = {{7, 3}, {30, 17}, {150, 50}, {700, 300}, {1500, 500}};
    for (const auto& s : sizes) {
        const long nx = s[0], nc = s[1], n = nx + nc;
        SCOPED_TRACE(n);
        for (const bool both : {false, true}) {
            const Csc a = testdata::symmetricCsc(
                n, testdata::randomKktLower(rng, nx, nc, 3, both ? 1e-8 : 0.0), both);
            MA57_RealLDLFactor f;
            f.setPivotTolerance(0.01);
            f.symbolicFactorization(a.ir.data(), a.jc.data(), n, a.nnz(), nullptr, 0);
            f.numericFactorization(a.pr.data());
            EXPECT_EQ(f.statusWord(), 0);
            const std::vector<double> dense = testdata::toDense(a);
            const std::vector<double> w = testdata::eigenvalues(dense, n);
            EXPECT_EQ(f.numNegEigenValues(), countBelow(w, 0.0));
            EXPECT_EQ(f.numNegEigenValues(), nc);
            EXPECT_EQ(f.rank(), n);
            EXPECT_GE(f.nnzL(), n);
            EXPECT_GT(f.flops(), 0.0);

            // Two right-hand sides at once, and one solved in place.
            std::vector<double> b = randomRhs(rng, 2 * n), x(2 * static_cast<std::size_t>(n));
            f.solve(b.data(), 2, x.data(), true);
            EXPECT_LT(testdata::relativeResidual(dense, n, x.data(), b.data()), 1e-13);
            EXPECT_LT(testdata::relativeResidual(dense, n, x.data() + n, b.data() + n), 1e-13);
            std::vector<double> single(static_cast<std::size_t>(n));
            f.solve(b.data(), 1, single.data(), true);
            std::vector<double> inPlace(b.begin(), b.begin() + n);
            f.solve(inPlace.data(), 1, inPlace.data(), false);
            EXPECT_EQ(inPlace, single);
        }
    }
}

TEST(Ma57Factor, DenseCountsAndReproducibleStatistics) {
    // A dense positive definite matrix of order 200: L holds n(n+1)/2 entries and the
    // factorization costs about n³/3 flops.
    const long n = 200;
    std::map<std::pair<long, long>, double> e;
    for (long j = 0; j < n; ++j)
        for (long i = j; i < n; ++i) e[{i, j}] = i == j ? n + 1.0 : 1.0 / (1.0 + i + j);
    const Csc a = testdata::symmetricCsc(n, e, false);
    MA57_RealLDLFactor f;
    f.symbolicFactorization(a.ir.data(), a.jc.data(), n, a.nnz(), nullptr, 0);
    f.numericFactorization(a.pr.data());
    EXPECT_EQ(f.nnzL(), n * (n + 1) / 2);
    EXPECT_NEAR(f.flops() / (n * n * n / 3.0), 1.0, 0.1);
    EXPECT_EQ(f.numNegEigenValues(), 0);

    // Large enough for the automatic choice to pick SCOTCH, whose random generator is
    // process-wide: every analysis must still give the same ordering.
    const Csc k = laplacianKkt(130, 2000);
    long entries = -1;
    double flops = -1;
    for (int run = 0; run < 3; ++run) {
        MA57_RealLDLFactor g;
        g.symbolicFactorization(k.ir.data(), k.jc.data(), k.n, k.nnz(), nullptr, 0);
        g.numericFactorization(k.pr.data());
        if (run > 0) {
            EXPECT_EQ(g.nnzL(), entries);
            EXPECT_EQ(g.flops(), flops);
        }
        entries = g.nnzL();
        flops = g.flops();
    }
}

TEST(Ma57Factor, EntriesAboveTheDiagonalAreNeverRead) {
    std::mt19937 rng(3);
    const long nx = 60, nc = 20, n = nx + nc;
    Csc a = testdata::symmetricCsc(n, testdata::randomKktLower(rng, nx, nc, 4, 0.0), true);
    for (long j = 0; j < n; ++j)
        for (long k = a.jc[static_cast<std::size_t>(j)]; k < a.jc[static_cast<std::size_t>(j) + 1]; ++k)
            if (a.ir[static_cast<std::size_t>(k)] < j) a.pr[static_cast<std::size_t>(k)] = std::nan("");
    MA57_RealLDLFactor f;
    f.symbolicFactorization(a.ir.data(), a.jc.data(), n, a.nnz(), nullptr, 0);
    f.numericFactorization(a.pr.data());
    const std::vector<double> dense = testdata::toDense(a);
    std::vector<double> b = randomRhs(rng, n), x(static_cast<std::size_t>(n));
    f.solve(b.data(), 1, x.data(), true);
    EXPECT_LT(testdata::relativeResidual(dense, n, x.data(), b.data()), 1e-12);
    EXPECT_EQ(f.numNegEigenValues(), nc);
}

TEST(Ma57Factor, RejectsBadInputWithoutCallingTheFactorization) {
    HostLeakGuard guard;
    // [2 1; 1 -3] stored as its lower triangle.
    std::vector<long> jc{0, 2, 3}, ir{0, 1, 1};
    std::vector<double> pr{2.0, 1.0, -3.0};
    MA57_RealLDLFactor f;
    auto sym = [&] { f.symbolicFactorization(ir.data(), jc.data(), 2, 3, nullptr, 0); };

    ir[1] = -1;
    EXPECT_EQ(hostErrorId(sym), "KALDOR:symIndefFactor:badRowIndex");
    ir[1] = 2;
    EXPECT_EQ(hostErrorId(sym), "KALDOR:symIndefFactor:badRowIndex");
    ir[1] = 1;
    jc[1] = 4;
    EXPECT_EQ(hostErrorId(sym), "KALDOR:symIndefFactor:badColumnStarts");
    jc[1] = 2;
    jc[2] = 2;
    EXPECT_EQ(hostErrorId(sym), "KALDOR:symIndefFactor:badColumnStarts");
    jc[2] = 3;
    EXPECT_EQ(hostErrorId([&] { f.symbolicFactorization(ir.data(), jc.data(), -1, 3, nullptr, 0); }),
              "KALDOR:symIndefFactor:badSize");
    const long badPerm[2] = {0, 0};
    EXPECT_EQ(hostErrorId([&] { f.symbolicFactorization(ir.data(), jc.data(), 2, 3, badPerm, 1); }),
              "KALDOR:symIndefFactor:badOrdering");
    EXPECT_EQ(hostErrorId([&] { f.numericFactorization(pr.data()); }),
              "KALDOR:symIndefFactor:notAnalysed");
    double b[2] = {1.0, 1.0}, x[2];
    EXPECT_EQ(hostErrorId([&] { f.solve(b, 1, x, true); }), "KALDOR:symIndefFactor:solveError");
    EXPECT_EQ(f.statusWord(), -3);

    sym();
    try {
        pr[2] = INFINITY;
        f.numericFactorization(pr.data());
        FAIL() << "an infinite value was accepted";
    } catch (const hostcore::IUserException& e) {
        EXPECT_EQ(e.getMessageId(), "KALDOR:symIndefFactor:nonFiniteValue");
        EXPECT_EQ(e.getMessageText(), "Sparse factor: value 2 (row 1, column 1) is infinite.");
    }
    pr[2] = NAN;
    EXPECT_EQ(hostErrorId([&] { f.numericFactorization(pr.data()); }),
              "KALDOR:symIndefFactor:nonFiniteValue");
    // Analysed but never factored: the factorization code reports the solve error itself.
    EXPECT_EQ(hostErrorId([&] { f.solve(b, 1, x, false); }), "KALDOR:symIndefFactor:solveError");
    EXPECT_LT(f.statusWord(), 0);

    // The object is still usable; a user ordering gives the same answer.
    pr[2] = -3.0;
    const long perm[2] = {1, 0};
    f.symbolicFactorization(ir.data(), jc.data(), 2, 3, perm, 1);
    f.numericFactorization(pr.data());
    b[1] = NAN;
    EXPECT_EQ(hostErrorId([&] { f.solve(b, 1, x, true); }), "KALDOR:symIndefFactor:nonFiniteValue");
    b[1] = 1.0;
    f.solve(b, 1, x, true);
    // x = A⁻¹·[1; 1] with A = [2 1; 1 -3]: det -7, x = [(-3-1)/-7, (2-1)/-7].
    EXPECT_NEAR(x[0], 4.0 / 7.0, 1e-15);
    EXPECT_NEAR(x[1], -1.0 / 7.0, 1e-15);
    EXPECT_EQ(f.rank(), 2);
    EXPECT_EQ(f.numNegEigenValues(), 1);
}

TEST(Ma57Factor, EmptyAndZeroMatrices) {
    MA57_RealLDLFactor f;
    std::vector<long> jc0{0};
    f.symbolicFactorization(nullptr, jc0.data(), 0, 0, nullptr, 0);
    f.numericFactorization(nullptr);
    EXPECT_EQ(f.rank(), 0);
    double none = 0;
    f.solve(&none, 1, &none, true);

    // Only entries above the diagonal: the factor sees the zero matrix.
    std::vector<long> jc{0, 0, 1, 2}, ir{0, 1};
    std::vector<double> pr{5.0, 6.0};
    f.symbolicFactorization(ir.data(), jc.data(), 3, 2, nullptr, 0);
    f.numericFactorization(pr.data());
    EXPECT_EQ(f.rank(), 0);
    EXPECT_EQ(f.numNegEigenValues(), 0);
}

TEST(Ma57Factor, RetriesWithLargerWorkspaceUntilAttemptsRunOut) {
    HostLeakGuard guard;
    const Csc a = laplacianKkt(40, 600);
    {
        kaldor::testing::ScopedFactorRetryPolicy policy({/*maxAttempts=*/1, /*workspace=*/0});
        MA57_RealLDLFactor f;
        f.symbolicFactorization(a.ir.data(), a.jc.data(), a.n, a.nnz(), nullptr, 0);
        try {
            f.numericFactorization(a.pr.data());
            FAIL() << "the factorization had enough workspace without a margin";
        } catch (const hostcore::IUserException& e) {
            EXPECT_EQ(e.getMessageId(), "KALDOR:symIndefFactor:tooManyAttempts");
        }
        EXPECT_EQ(kaldor::testing::lastFactorAttempts(), 1);
        EXPECT_TRUE(f.statusWord() == -8 || f.statusWord() == -9) << f.statusWord();
        std::vector<double> b(static_cast<std::size_t>(a.n), 1.0), x(b.size());
        EXPECT_EQ(hostErrorId([&] { f.solve(b.data(), 1, x.data(), true); }),
                  "KALDOR:symIndefFactor:solveError");
    }
    {
        kaldor::testing::ScopedFactorRetryPolicy policy({/*maxAttempts=*/5, /*workspace=*/0});
        MA57_RealLDLFactor f;
        f.symbolicFactorization(a.ir.data(), a.jc.data(), a.n, a.nnz(), nullptr, 0);
        f.numericFactorization(a.pr.data());
        EXPECT_GT(kaldor::testing::lastFactorAttempts(), 1);
        EXPECT_EQ(f.numNegEigenValues(), 600);
        // The enlarged margin is kept: the next factorization succeeds at once.
        f.numericFactorization(a.pr.data());
        EXPECT_EQ(kaldor::testing::lastFactorAttempts(), 1);
        const std::vector<double> dense = testdata::toDense(a);
        std::vector<double> b(static_cast<std::size_t>(a.n), 1.0), x(b.size());
        f.solve(b.data(), 1, x.data(), true);
        EXPECT_LT(testdata::relativeResidual(dense, a.n, x.data(), b.data()), 1e-12);
    }
}

// MUMPS' 32-bit BLAS lives inside libkaldor; libsolvutil's 64-bit one is in the process
// too. If either caller reached the other's BLAS, the factorization (dgemm-sized fronts)
// or the 64-bit length checks below would go wrong: a length of 0xFFFFFFFF00000003 is
// negative to a 64-bit-integer BLAS (result 0) but 3 to a 32-bit one (result 21).
TEST(Ma57Factor, SharesTheProcessWithThe64BitBlas) {
    const double v[3] = {1.0, 2.0, 4.0};
    const unsigned long hugeLength = 0xFFFFFFFF00000003UL;
    const blas_int huge = static_cast<blas_int>(hugeLength), one = 1;
    EXPECT_EQ(dotprod(v, v, hugeLength), 0.0);  // solvutil's kernel
    EXPECT_EQ(dotprod(v, v, 3), 21.0);

    const long n = 300;
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> d(-1, 1);
    std::map<std::pair<long, long>, double> e;
    for (long j = 0; j < n; ++j)
        for (long i = j; i < n; ++i) e[{i, j}] = d(rng) + (i == j ? (j % 2 ? 3.0 : -3.0) : 0.0);
    const Csc a = testdata::symmetricCsc(n, e, false);
    MA57_RealLDLFactor f;
    f.symbolicFactorization(a.ir.data(), a.jc.data(), n, a.nnz(), nullptr, 0);
    f.numericFactorization(a.pr.data());
    std::vector<double> b = randomRhs(rng, n), x(static_cast<std::size_t>(n));
    f.solve(b.data(), 1, x.data(), true);

    // Oracle: LAPACK dsysv through the 64-bit BLAS, after MUMPS has run.
    std::vector<double> dense = testdata::toDense(a), xb = b, work(64 * n);
    std::vector<blas_int> ipiv(static_cast<std::size_t>(n));
    blas_int info = 0, lwork = 64 * n, nn = n;
    dsysv_("L", &nn, &one, dense.data(), &nn, ipiv.data(), xb.data(), &nn, work.data(), &lwork,
           &info);
    ASSERT_EQ(info, 0);
    for (long i = 0; i < n; ++i) EXPECT_NEAR(x[static_cast<std::size_t>(i)], xb[static_cast<std::size_t>(i)], 1e-10 * (1 + std::abs(xb[static_cast<std::size_t>(i)])));
    EXPECT_EQ(dotprod(v, v, hugeLength), 0.0);
    EXPECT_EQ(ddot_(&huge, v, &one, v, &one), 0.0);
}
