// The stand-in sparse factor against dense LAPACK, its input checks and workspace retries.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "kaldor/ldl_testing.hpp"
#include "solvutil/host/kxerror.hpp"
#include "solvutil/host/ma57_factor.hpp"
#include "solvutil/kernels/blas.hpp"
#include "solvutil/kernels/vector_kernels.hpp"
#include "tests/support/host_error.hpp"
#include "tests/support/host_guard.hpp"
#include "tests/support/sparse_kkt.hpp"

namespace {

using testdata::Csc;
using Entries = std::map<std::pair<long, long>, double>;

void factor(MA57_RealLDLFactor& f, const Csc& a) {
    f.symbolicFactorization(a.ir.data(), a.jc.data(), a.n, a.nnz(), nullptr, 0);
    f.numericFactorization(a.pr.data());
}

std::vector<double> randomVector(std::mt19937& rng, long n) {
    std::vector<double> b(static_cast<std::size_t>(n));
    for (auto& v : b) v = std::uniform_real_distribution<double>(-1, 1)(rng);
    return b;
}

// Solves A·x = b and checks the residual against dense A.
std::vector<double> expectSolves(MA57_RealLDLFactor& f, const Csc& a, const std::vector<double>& b) {
    std::vector<double> x(b.size());
    f.solve(b.data(), 1, x.data(), true);
    EXPECT_LT(testdata::relativeResidual(testdata::toDense(a), a.n, x.data(), b.data()), 1e-12);
    return x;
}

// 2D Laplacian on a g×g grid plus `nc` constraint rows: runs out of workspace without a margin.
Csc laplacianKkt(long g, long nc) {
    Entries e;
    const long nx = g * g;
    for (long k = 0; k < nx; ++k) {
        e[{k, k}] = 4.0;
        if ((k % g) + 1 < g) e[{k + 1, k}] = -1.0;
        if (k + g < nx) e[{k + g, k}] = -1.0;
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
    const std::pair<long, long> sizes[] = {{7, 3}, {30, 17}, {150, 50}, {700, 300}, {1500, 500}};
    for (const auto& [nx, nc] : sizes) {
        const long n = nx + nc;
        SCOPED_TRACE(n);
        for (const bool both : {false, true}) {
            Csc a = testdata::symmetricCsc(
                n, testdata::randomKktLower(rng, nx, nc, 3, both ? 1e-8 : 0.0), both);
            for (long j = 0; both && j < n; ++j)  // entries above the diagonal are never read
                for (long k = a.jc[j]; k < a.jc[j + 1]; ++k)
                    if (a.ir[k] < j) a.pr[k] = std::nan("");
            MA57_RealLDLFactor f;
            f.setPivotTolerance(0.01);
            factor(f, a);
            EXPECT_EQ(f.statusWord(), 0);
            const std::vector<double> dense = testdata::toDense(a);
            const std::vector<double> w = testdata::eigenvalues(dense, n);
            EXPECT_EQ(f.numNegEigenValues(), std::ranges::count_if(w, [](double v) { return v < 0; }));
            EXPECT_EQ(f.rank(), n);

            // Two right-hand sides at once, and one solved in place.
            const std::vector<double> b = randomVector(rng, 2 * n);
            std::vector<double> x(b.size());
            f.solve(b.data(), 2, x.data(), true);
            EXPECT_LT(testdata::relativeResidual(dense, n, x.data(), b.data()), 1e-13);
            EXPECT_LT(testdata::relativeResidual(dense, n, x.data() + n, b.data() + n), 1e-13);
            std::vector<double> inPlace(b.begin(), b.begin() + n);
            f.solve(b.data(), 1, x.data(), true);
            f.solve(inPlace.data(), 1, inPlace.data(), false);
            EXPECT_EQ(inPlace, std::vector<double>(x.begin(), x.begin() + n));
        }
    }
}

TEST(Ma57Factor, DenseCountsAndReproducibleOrdering) {
    // Dense positive definite of order n: L holds n(n+1)/2 entries and costs about n³/3 flops.
    const long n = 200;
    Entries e;
    for (long j = 0; j < n; ++j)
        for (long i = j; i < n; ++i) e[{i, j}] = i == j ? n + 1.0 : 1.0 / (1.0 + i + j);
    MA57_RealLDLFactor f;
    factor(f, testdata::symmetricCsc(n, e, false));
    EXPECT_EQ(f.nnzL(), n * (n + 1) / 2);
    EXPECT_NEAR(f.flops() / (n * n * n / 3.0), 1.0, 0.1);
    EXPECT_EQ(f.numNegEigenValues(), 0);

    // Large enough for SCOTCH, whose process-wide random generator must not change the ordering.
    const Csc k = laplacianKkt(130, 2000);
    MA57_RealLDLFactor first;
    factor(first, k);
    for (int run = 0; run < 2; ++run) {
        MA57_RealLDLFactor again;
        factor(again, k);
        EXPECT_EQ(again.nnzL(), first.nnzL());
        EXPECT_EQ(again.flops(), first.flops());
    }
}

TEST(Ma57Factor, RejectsBadInputWithoutCallingTheFactorization) {
    HostLeakGuard guard;
    // [2 1; 1 -3] stored as its lower triangle.
    std::vector<long> jc{0, 2, 3}, ir{0, 1, 1};
    std::vector<double> pr{2.0, 1.0, -3.0};
    MA57_RealLDLFactor f;
    auto sym = [&] { f.symbolicFactorization(ir.data(), jc.data(), 2, 3, nullptr, 0); };
    const std::string prefix = "KALDOR:symIndefFactor:";
    const struct { long* slot; long bad; const char* id; } corruptions[] = {
        {&ir[1], -1, "badRowIndex"}, {&ir[1], 2, "badRowIndex"},
        {&jc[1], 4, "badColumnStarts"}, {&jc[2], 2, "badColumnStarts"}};
    for (const auto& c : corruptions) {
        const long good = *c.slot;
        *c.slot = c.bad;
        EXPECT_EQ(hostErrorId(sym), prefix + c.id) << c.bad;
        *c.slot = good;
    }
    const long badPerm[2] = {0, 0};
    auto symWith = [&](long n, const long* perm) {
        f.symbolicFactorization(ir.data(), jc.data(), n, 3, perm, perm ? 1 : 0);
    };
    EXPECT_EQ(hostErrorId([&] { symWith(-1, nullptr); }), prefix + "badSize");
    EXPECT_EQ(hostErrorId([&] { symWith(2, badPerm); }), prefix + "badOrdering");
    EXPECT_EQ(hostErrorId([&] { f.numericFactorization(pr.data()); }), prefix + "notAnalysed");
    double b[2] = {1.0, 1.0}, x[2];
    EXPECT_EQ(hostErrorId([&] { f.solve(b, 1, x, true); }), prefix + "solveError");
    EXPECT_EQ(f.statusWord(), -3);

    sym();
    pr[2] = INFINITY;
    try {
        f.numericFactorization(pr.data());
        FAIL() << "an infinite value was accepted";
    } catch (const hostcore::IUserException& e) {
        EXPECT_EQ(e.getMessageId(), prefix + "nonFiniteValue");
        EXPECT_EQ(e.getMessageText(), "Sparse factor: value 2 (row 1, column 1) is infinite.");
    }
    pr[2] = NAN;
    EXPECT_EQ(hostErrorId([&] { f.numericFactorization(pr.data()); }), prefix + "nonFiniteValue");
    // Analysed but never factored: the factorization code reports the solve error itself.
    EXPECT_EQ(hostErrorId([&] { f.solve(b, 1, x, false); }), prefix + "solveError");
    EXPECT_LT(f.statusWord(), 0);

    // The object is still usable; a user ordering gives the same answer.
    pr[2] = -3.0;
    const long perm[2] = {1, 0};
    symWith(2, perm);
    f.numericFactorization(pr.data());
    b[1] = NAN;
    EXPECT_EQ(hostErrorId([&] { f.solve(b, 1, x, true); }), prefix + "nonFiniteValue");
    b[1] = 1.0;
    f.solve(b, 1, x, true);
    // x = A⁻¹·[1; 1] with A = [2 1; 1 -3]: det -7, x = [(-3-1)/-7, (2-1)/-7].
    EXPECT_NEAR(x[0], 4.0 / 7.0, 1e-15);
    EXPECT_NEAR(x[1], -1.0 / 7.0, 1e-15);
    EXPECT_EQ(f.rank(), 2);
    EXPECT_EQ(f.numNegEigenValues(), 1);

    // Empty, then only entries above the diagonal: the factor sees the zero matrix.
    std::vector<long> jc0{0}, jcUpper{0, 0, 1, 2};
    f.symbolicFactorization(nullptr, jc0.data(), 0, 0, nullptr, 0);
    f.numericFactorization(nullptr);
    EXPECT_EQ(f.rank(), 0);
    f.solve(b, 1, x, true);
    f.symbolicFactorization(ir.data(), jcUpper.data(), 3, 2, nullptr, 0);
    f.numericFactorization(pr.data());
    EXPECT_EQ(f.rank(), 0);
    EXPECT_EQ(f.numNegEigenValues(), 0);
}

TEST(Ma57Factor, RetriesWithLargerWorkspaceUntilAttemptsRunOut) {
    HostLeakGuard guard;
    const Csc a = laplacianKkt(40, 600);
    std::vector<double> ones(static_cast<std::size_t>(a.n), 1.0), x(ones.size());
    {
        kaldor::testing::ScopedFactorRetryPolicy policy({/*maxAttempts=*/1, /*workspace=*/0});
        MA57_RealLDLFactor f;
        EXPECT_EQ(hostErrorId([&] { factor(f, a); }), "KALDOR:symIndefFactor:tooManyAttempts");
        EXPECT_EQ(kaldor::testing::lastFactorAttempts(), 1);
        EXPECT_TRUE(f.statusWord() == -8 || f.statusWord() == -9) << f.statusWord();
        EXPECT_EQ(hostErrorId([&] { f.solve(ones.data(), 1, x.data(), true); }),
                  "KALDOR:symIndefFactor:solveError");
    }
    kaldor::testing::ScopedFactorRetryPolicy policy({/*maxAttempts=*/5, /*workspace=*/0});
    MA57_RealLDLFactor f;
    factor(f, a);
    EXPECT_GT(kaldor::testing::lastFactorAttempts(), 1);
    EXPECT_EQ(f.numNegEigenValues(), 600);
    f.numericFactorization(a.pr.data());  // the enlarged margin is kept
    EXPECT_EQ(kaldor::testing::lastFactorAttempts(), 1);
    expectSolves(f, a, ones);
}

// MUMPS' 32-bit BLAS lives inside libkaldor next to libsolvutil's 64-bit one. A length of
// 0xFFFFFFFF00000003 is negative to a 64-bit-integer BLAS (dot 0) but 3 to a 32-bit one (21).
TEST(Ma57Factor, SharesTheProcessWithThe64BitBlas) {
    const double v[3] = {1.0, 2.0, 4.0};
    const unsigned long hugeLength = 0xFFFFFFFF00000003UL;
    const blas_int huge = static_cast<blas_int>(hugeLength), one = 1;
    EXPECT_EQ(dotprod(v, v, hugeLength), 0.0);
    EXPECT_EQ(dotprod(v, v, 3), 21.0);

    const long n = 300;
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> d(-1, 1);
    Entries e;
    for (long j = 0; j < n; ++j)
        for (long i = j; i < n; ++i) e[{i, j}] = d(rng) + (i == j ? (j % 2 ? 3.0 : -3.0) : 0.0);
    const Csc a = testdata::symmetricCsc(n, e, false);
    MA57_RealLDLFactor f;
    factor(f, a);
    std::vector<double> xb = randomVector(rng, n);
    const std::vector<double> x = expectSolves(f, a, xb);

    // Oracle: LAPACK dsysv through the 64-bit BLAS, after MUMPS has run.
    std::vector<double> dense = testdata::toDense(a), work(64 * n);
    std::vector<blas_int> ipiv(static_cast<std::size_t>(n));
    blas_int info = 0, lwork = 64 * n, nn = n;
    dsysv_("L", &nn, &one, dense.data(), &nn, ipiv.data(), xb.data(), &nn, work.data(), &lwork, &info);
    ASSERT_EQ(info, 0);
    for (std::size_t i = 0; i < xb.size(); ++i) EXPECT_NEAR(x[i], xb[i], 1e-10 * (1 + std::abs(xb[i])));
    EXPECT_EQ(dotprod(v, v, hugeLength), 0.0);
    EXPECT_EQ(ddot_(&huge, v, &one, v, &one), 0.0);
}
