#include "solvutil/kernels/vector_kernels.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "kaldor/testing.hpp"
#include "tests/support/host_guard.hpp"
#include "tests/support/random.hpp"

namespace {
constexpr double kEps = std::numeric_limits<double>::epsilon();
}

// y is longer than x: axpy and dotprod stop at the shorter length; an empty x has norm 0.
TEST(VectorKernels, AgreeWithPlainLoopsUpToTheShorterLength) {
    HostLeakGuard guard;
    std::mt19937 rng(11);
    for (long n : {0L, 1L, 2L, 7L, 100L, 1001L}) {
        const AlignedVector x = testdata::randomVector(rng, n);
        AlignedVector y = testdata::randomVector(rng, n + 3);
        const AlignedVector y0 = y;
        double dot = 0.0, sq = 0.0, big = 0.0;
        for (long i = 0; i < n; ++i) {
            dot += x[i] * y[i];
            sq += x[i] * x[i];
            big = std::max(big, std::abs(x[i]));
        }
        EXPECT_NEAR(dotprod(x, y), dot, 4 * n * kEps) << n;
        EXPECT_NEAR(dotprod(y, x), dot, 4 * n * kEps) << n;
        EXPECT_NEAR(norm2(x), std::sqrt(sq), 4 * n * kEps) << n;
        EXPECT_EQ(norminf(x), big) << n;

        axpy(-0.75, x, y);
        scale(3.0, y);
        for (long i = 0; i < n + 3; ++i)
            EXPECT_NEAR(y[i], 3.0 * (y0[i] - (i < n ? 0.75 * x[i] : 0.0)), 16 * kEps) << i;
    }
}

// A shorter y keeps its capacity (no allocation); a longer one is one host allocation.
TEST(VectorKernels, CopyResizesThroughTheHostAllocator) {
    HostLeakGuard guard;
    const AlignedVector x{1.0, 2.0}, w{4.0, 5.0, 6.0};
    AlignedVector y{9, 9, 9, 9, 9}, z;
    const auto before = kaldor::testing::allocationStats();
    copy(y, x);
    EXPECT_EQ(y, x);
    EXPECT_EQ(y.capacity(), 5u);
    EXPECT_EQ(kaldor::testing::allocationStats().allocations, before.allocations);
    copy(z, w);
    EXPECT_EQ(z, w);
    EXPECT_EQ(kaldor::testing::allocationStats().allocations, before.allocations + 1);
    EXPECT_EQ(kaldor::testing::allocationStats().liveBlocks, before.liveBlocks + 1);
}
