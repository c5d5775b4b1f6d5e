// The stand-in sparse factor against dense LAPACK, its input checks and workspace retries.
#include <gtest/gtest.h>

#include "kaldor/testing/ldl.hpp"
#include "solvutil/host/ma57_factor.hpp"
#include "solvutil/kernels/vector_kernels.hpp"
#include "tests/support/host_error.hpp"
#include "tests/support/host_guard.hpp"
#include "tests/support/random.hpp"
#include "tests/support/sparse_kkt.hpp"

namespace {

using testdata::Csc;
const std::string kId = "KALDOR:symIndefFactor:";

void factor(MA57_RealLDLFactor& f, const Csc& a) {
    f.symbolicFactorization(a.ir.data(), a.jc.data(), a.n, a.nnz(), nullptr, 0);
    f.numericFactorization(a.pr.data());
}

}  // namespace

// Rank and inertia from dsyev and residuals of consistent right-hand sides, two at once and in
// place, with and without constraint rows that combine others (singular up to round-off: a
// null-pivot threshold scaled only by ε·‖A‖ missed two of them); then the 64-bit-integer BLAS in
// the same process still reads length 0xFFFFFFFF00000003 as negative (dot 0), not as 3 (21).
TEST(Ma57Factor, MatchesDenseLapackAndSharesTheProcessWithThe64BitBlas) {
    HostLeakGuard guard;
    std::mt19937 rng(20261205);
    const struct {
        long nx, nc, dependent;
        bool bothTriangles;
    } cases[] = {{7, 3, 0, false},
                 {150, 50, 0, true},
                 {700, 300, 0, true},
                 {40, 20, 3, false},
                 {500, 200, 17, true}};
    for (const auto& c : cases) {
        const long n = c.nx + c.nc;
        SCOPED_TRACE(n);
        const double delta = c.bothTriangles && c.dependent == 0 ? 1e-8 : 0.0;
        Csc a = testdata::symmetricCsc(
            n, testdata::randomKktLower(rng, c.nx, c.nc, 3, delta, c.dependent), c.bothTriangles);
        for (long j = 0; c.bothTriangles && j < n; ++j)  // entries above the diagonal are unread
            for (long k = a.jc[j]; k < a.jc[j + 1]; ++k)
                if (a.ir[k] < j) a.pr[k] = std::nan("");
        MA57_RealLDLFactor f;
        f.setPivotTolerance(0.01);
        factor(f, a);
        const std::vector<double> dense = testdata::toDense(a);
        EXPECT_EQ(std::pair(f.rank(), f.numNegEigenValues()), testdata::inertia(dense, n, 1e-10));
        EXPECT_EQ(f.statusWord(), 0);
        const AlignedVector z = testdata::randomVector(rng, 2 * n);
        AlignedVector b(z.size(), 0.0), x(z.size());
        for (long r = 0; r < 2 * n; r += n)  // b = K z for two right-hand sides
            for (long j = 0; j < n; ++j)
                for (long i = 0; i < n; ++i) b[r + i] += dense[i + j * n] * z[r + j];
        f.solve(b.data(), 2, x.data(), true);
        for (long r : {0L, n})
            EXPECT_LT(testdata::relativeResidual(dense, n, x.data() + r, b.data() + r),
                      c.dependent ? 1e-10 : 1e-13);
        AlignedVector y(b.begin(), b.begin() + n);
        f.solve(b.data(), 1, x.data(), true);
        f.solve(y.data(), 1, y.data(), false);
        EXPECT_EQ(y, AlignedVector(x.begin(), x.begin() + n));
    }
    const double v[3] = {1.0, 2.0, 4.0};
    const blas_int huge = static_cast<blas_int>(0xFFFFFFFF00000003UL), one = 1;
    EXPECT_EQ(dotprod(v, v, 0xFFFFFFFF00000003UL) * 100 + dotprod(v, v, 3), 21.0);
    EXPECT_EQ(ddot_(&huge, v, &one, v, &one), 0.0);
}

// Bad sizes, indices, orderings and values raise our own errors before the factorization runs;
// between them the same object factors [2 1; 1 -3] under a given ordering, exactly. The empty
// and an upper-only matrix.
TEST(Ma57Factor, RejectsBadInputWithoutCallingTheFactorization) {
    HostLeakGuard guard;
    struct Input {
        long n = 2;
        std::vector<long> jc{0, 2, 3}, ir{0, 1, 1}, perm{1, 0};
        std::vector<double> pr{2.0, 1.0, -3.0}, b{1.0, 1.0}, x{0.0, 0.0};
    };
    const std::pair<void (*)(Input&), std::string> cases[] = {
        {[](Input& a) { a.ir[1] = -1; }, "badRowIndex"},
        {[](Input& a) { a.ir[1] = 2; }, "badRowIndex"},
        {[](Input& a) { a.jc[1] = 4; }, "badColumnStarts"},
        {[](Input& a) { a.jc[2] = 2; }, "badColumnStarts"},
        {[](Input& a) { a.n = -1; }, "badSize"},
        {[](Input& a) { a.perm[0] = 0; }, "badOrdering"},
        {[](Input&) {}, ""},
        {[](Input& a) { a.pr[2] = NAN; }, "nonFiniteValue"},
        {[](Input& a) { a.b[1] = INFINITY; }, "nonFiniteValue"},
        {[](Input&) {}, ""},
    };
    MA57_RealLDLFactor f, fresh;
    for (const auto& [corrupt, id] : cases) {
        Input a;
        corrupt(a);
        const std::string error = hostErrorId([&] {
            f.symbolicFactorization(a.ir.data(), a.jc.data(), a.n, 3, a.perm.data(), 1);
            f.numericFactorization(a.pr.data());
            f.solve(a.b.data(), 1, a.x.data(), true);
        });
        EXPECT_EQ(error, id.empty() ? "(no error)" : kId + id) << id;
        if (!id.empty()) continue;
        EXPECT_NEAR(std::abs(a.x[0] - 4.0 / 7.0) + std::abs(a.x[1] + 1.0 / 7.0), 0.0, 1e-15);
        EXPECT_EQ(std::pair(f.rank(), f.numNegEigenValues()), std::pair(2L, 1L));
    }
    Input a;
    a.pr[2] = INFINITY;
    EXPECT_EQ(hostError([&] {
                  factor(f, {2, a.jc, a.ir, a.pr});
              }),
              kId + "nonFiniteValue|Sparse factor: value 2 (row 1, column 1) is infinite.");
    factor(fresh, {0, {0}, {}, {}});
    EXPECT_EQ(fresh.rank(), 0);
    fresh.solve(a.b.data(), 1, a.x.data(), true);
    factor(fresh, {3, {0, 0, 1, 2}, {0, 1}, {1.0, 1.0}});  // only entries above the diagonal
    EXPECT_EQ(std::pair(fresh.rank(), fresh.numNegEigenValues()), std::pair(0L, 0L));
}

// Too little workspace: retries with a larger margin until the attempts run out; a margin far
// beyond the machine's memory: the message gives the failed allocation's size in MB.
TEST(Ma57Factor, RetriesWithLargerWorkspaceAndReportsOutOfMemory) {
    HostLeakGuard guard;
    std::mt19937 rng(3);
    const Csc a =
        testdata::symmetricCsc(2200, testdata::randomKktLower(rng, 1600, 600, 3, 0), false);
    std::vector<double> ones(a.n, 1.0), x(ones.size());
    {
        kaldor::testing::ScopedFactorRetryPolicy policy({/*maxAttempts=*/1, /*workspace=*/0});
        MA57_RealLDLFactor f;
        EXPECT_EQ(hostErrorId([&] { factor(f, a); }), kId + "tooManyAttempts");
        EXPECT_EQ(kaldor::testing::lastFactorAttempts(), 1);
    }
    kaldor::testing::ScopedFactorRetryPolicy policy({/*maxAttempts=*/5, /*workspace=*/0});
    MA57_RealLDLFactor f;
    factor(f, a);
    EXPECT_GT(kaldor::testing::lastFactorAttempts(), 1);
    f.numericFactorization(a.pr.data());  // the enlarged margin is kept
    EXPECT_EQ(kaldor::testing::lastFactorAttempts(), 1);
    f.solve(ones.data(), 1, x.data(), true);
    EXPECT_LT(testdata::relativeResidual(testdata::toDense(a), a.n, x.data(), ones.data()), 1e-12);
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)  // they reserve, not fail
    // The real workspace holds at least L; the margin multiplies it by 1 + 2000000 %.
    const double floorMB = 20001.0 * static_cast<double>(f.nnzL()) * 8 / 1e6;
    kaldor::testing::ScopedFactorRetryPolicy huge({/*maxAttempts=*/1, /*workspace=*/2000000});
    MA57_RealLDLFactor g;
    const std::string error = hostError([&] { factor(g, a); });
    double mb = 0;
    EXPECT_TRUE(error.starts_with(kId + "outOfMemory|")) << error;
    std::sscanf(error.c_str(), "%*[^(](an allocation of %lf MB", &mb);
    EXPECT_TRUE(mb >= floorMB && mb <= 10 * floorMB) << mb << " MB, L alone " << floorMB;
#endif
}
