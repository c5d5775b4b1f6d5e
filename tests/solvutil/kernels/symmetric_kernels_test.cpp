#include "solvutil/kernels/symmetric_kernels.hpp"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "kaldor/testing.hpp"
#include "tests/solvutil/kernels/dense_reference.hpp"
#include "tests/support/host_guard.hpp"
#include "tests/support/random.hpp"

using ref::kEps;
using ref::kNaN;

namespace {
const long kOrders[] = {0, 1, 2, 5, 37, 64};
constexpr double kGarbage = 1.0e30;
}  // namespace

// sym_gaxpy reads only the chosen triangle: the other one holds garbage, and the result
// must equal the plain product with the symmetric completion of the trusted triangle.
TEST(SymmetricKernels, SymGaxpyReadsOnlyTheChosenTriangle) {
    HostLeakGuard guard;
    std::mt19937 rng(21);
    for (long n : kOrders) {
        for (bool upper : {false, true}) {
            for (double beta : {0.0, 1.0, -0.75}) {
                SCOPED_TRACE(testing::Message() << "n=" << n << " upper=" << upper
                                                << " beta=" << beta);
                DenseMatrix A = testdata::randomMatrix(rng, n, n);
                const DenseMatrix S = ref::completeSymmetric(A, upper);
                ref::fillTriangle(A, !upper, kGarbage);
                const AlignedVector x = testdata::randomVector(rng, n);
                AlignedVector y = testdata::randomVector(rng, n);
                if (beta == 0.0) std::fill(y.begin(), y.end(), kNaN);
                const std::vector<double> want =
                    ref::gaxpy(-1.5, S, x, beta, std::vector<double>(y.begin(), y.end()), false);
                sym_gaxpy(-1.5, A, x, beta, y, upper);
                ref::expectNear(y, want, n, 8.0 * (n + 2) * kEps, "y");
            }
        }
    }
}

// sym_matvec (lower triangle) writes exactly n values at an iterator into a longer
// vector; the three-argument form does not read them, the four-argument form adds z.
TEST(SymmetricKernels, SymMatvecFormsUseTheLowerTriangleAndTheirRange) {
    HostLeakGuard guard;
    std::mt19937 rng(22);
    constexpr double kSentinel = -8.5;
    for (long n : kOrders) {
        SCOPED_TRACE(testing::Message() << "n=" << n);
        DenseMatrix A = testdata::randomMatrix(rng, n, n);
        const DenseMatrix S = ref::completeSymmetric(A, false);
        ref::fillTriangle(A, true, kGarbage);
        const AlignedVector x = testdata::randomVector(rng, n);
        const AlignedVector z = testdata::randomVector(rng, n + 3);
        std::vector<double> want = ref::gaxpy(1.0, S, x, 0.0, {}, false);

        std::vector<double> out(n + 4, kSentinel);
        std::fill(out.begin() + 2, out.end() - 2, kNaN);
        sym_matvec(out.begin() + 2, A, x);
        ref::expectNear(out.data() + 2, want, n, 8.0 * (n + 2) * kEps, "A*x");

        AlignedVector out2(n + 4, kSentinel);
        std::fill(out2.begin() + 2, out2.end() - 2, kNaN);
        sym_matvec(out2.begin() + 2, A, x, z);
        for (long i = 0; i < n; ++i) want[i] += z[i];
        ref::expectNear(out2.data() + 2, want, n, 8.0 * (n + 2) * kEps, "A*x + z");
        for (long i : {0L, 1L, n + 2, n + 3}) {
            EXPECT_EQ(out[i], kSentinel);
            EXPECT_EQ(out2[i], kSentinel);
        }
    }
}

// sym_norminf equals the infinity norm of the completed matrix and ignores the upper
// triangle; it allocates one scratch vector per call (none for order 0) and frees it.
TEST(SymmetricKernels, SymNorminfIsTheNormOfTheCompletedMatrix) {
    HostLeakGuard guard;
    std::mt19937 rng(23);
    for (long n : kOrders) {
        DenseMatrix A = testdata::randomMatrix(rng, n, n, -2.0, 3.0);
        const double want = ref::norminf(ref::completeSymmetric(A, false));
        ref::fillTriangle(A, true, kGarbage);
        const auto before = kaldor::testing::allocationStats().allocations;
        EXPECT_NEAR(sym_norminf(A), want, 4.0 * (n + 1) * kEps * (1.0 + want)) << "n=" << n;
        EXPECT_EQ(kaldor::testing::allocationStats().allocations, before + (n > 0 ? 1 : 0));
    }
    DenseMatrix B(2, 2);
    B(0, 0) = 1.0, B(1, 0) = -3.0, B(1, 1) = 2.0, B(0, 1) = kNaN;
    EXPECT_EQ(sym_norminf(B), 5.0);
}

// sym_copy copies the lower triangle with diagonal and leaves R's strictly upper
// triangle as it was.
TEST(SymmetricKernels, SymCopyLeavesTheUpperTriangleUntouched) {
    HostLeakGuard guard;
    std::mt19937 rng(24);
    constexpr double kSentinel = 4242.0;
    for (long n : kOrders) {
        const DenseMatrix A = testdata::randomMatrix(rng, n, n);
        DenseMatrix R = ref::filled(n, n, kNaN);
        ref::fillTriangle(R, true, kSentinel);
        sym_copy(R, A);
        for (long j = 0; j < n; ++j)
            for (long i = 0; i < n; ++i)
                EXPECT_EQ(R(i, j), i < j ? kSentinel : A(i, j)) << "(" << i << "," << j << ")";
    }
}
