#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "kaldor/testing.hpp"
#include "solvutil/kernels/vector_kernels.hpp"
#include "tests/support/host_guard.hpp"
#include "tests/support/random.hpp"

namespace {
constexpr double kEps = std::numeric_limits<double>::epsilon();
}

TEST(VectorKernels, AgreeWithPlainLoopsOnRandomData) {
    HostLeakGuard guard;
    std::mt19937 rng(11);
    for (long n : {1L, 2L, 7L, 100L, 1001L}) {
        const AlignedVector x = testdata::randomVector(rng, n);
        AlignedVector y = testdata::randomVector(rng, n);
        const AlignedVector y0 = y;

        double dot = 0.0, sq = 0.0, big = 0.0;
        for (long i = 0; i < n; ++i) {
            dot += x[i] * y[i];
            sq += x[i] * x[i];
            big = std::max(big, std::abs(x[i]));
        }
        EXPECT_NEAR(dotprod(x, y), dot, 4 * n * kEps);
        EXPECT_NEAR(norm2(x), std::sqrt(sq), 4 * n * kEps);
        EXPECT_EQ(norminf(x), big);

        axpy(-0.75, x, y);
        for (long i = 0; i < n; ++i) EXPECT_NEAR(y[i], y0[i] - 0.75 * x[i], 4 * kEps);
        scale(3.0, y);
        for (long i = 0; i < n; ++i) EXPECT_NEAR(y[i], 3.0 * (y0[i] - 0.75 * x[i]), 16 * kEps);
    }
}

TEST(VectorKernels, ShorterLengthRulesOfAxpyAndDotprod) {
    const AlignedVector x{1.0, 2.0};
    AlignedVector y{10.0, 20.0, 30.0, 40.0};
    axpy(2.0, x, y);
    EXPECT_EQ(y, (AlignedVector{12.0, 24.0, 30.0, 40.0}));

    const AlignedVector a{1.0, 2.0, 3.0};
    const AlignedVector b{4.0, 5.0, 6.0, 100.0, 1000.0};
    EXPECT_EQ(dotprod(a, b), 32.0);
    EXPECT_EQ(dotprod(b, a), 32.0);
    EXPECT_EQ(dotprod(AlignedVector{}, b), 0.0);
}

TEST(VectorKernels, NorminfTakesFirstLargestAndHandlesEmpty) {
    EXPECT_EQ(norminf(AlignedVector{}), 0.0);
    EXPECT_EQ(norminf(AlignedVector{-3.0, 3.0}), 3.0);
    EXPECT_EQ(norminf(AlignedVector{1.0, -5.0, 2.0}), 5.0);
    EXPECT_EQ(norminf(nullptr, 0), 0.0);  // no BLAS call, no dereference
}

TEST(VectorKernels, CopyResizesThroughTheHostAllocator) {
    HostLeakGuard guard;
    const AlignedVector x{1.0, 2.0};
    AlignedVector y{9, 9, 9, 9, 9};
    const auto before = kaldor::testing::allocationStats();
    copy(y, x);
    EXPECT_EQ(y, x);
    EXPECT_EQ(y.capacity(), 5u);  // shrinking keeps the capacity: no allocation
    EXPECT_EQ(kaldor::testing::allocationStats().allocations, before.allocations);

    AlignedVector z;
    const AlignedVector w{4.0, 5.0, 6.0};
    const auto beforeGrow = kaldor::testing::allocationStats();
    copy(z, w);
    EXPECT_EQ(z, w);
    EXPECT_EQ(kaldor::testing::allocationStats().allocations, beforeGrow.allocations + 1);
    EXPECT_EQ(kaldor::testing::allocationStats().liveBlocks, beforeGrow.liveBlocks + 1);
}

TEST(VectorKernels, ScaleByZeroGoesThroughBlas) {
    AlignedVector x{1.0, -2.0, std::numeric_limits<double>::infinity()};
    scale(0.0, x);
    EXPECT_EQ(x[0], 0.0);
    EXPECT_EQ(x[1], 0.0);  // -0.0 compares equal
    // x[2] follows the BLAS rule for 0*inf (OpenBLAS writes 0 or NaN): not asserted.
}
