// Proves that the BLAS linked into this process reads 64-bit integers.
#include <gtest/gtest.h>

#include "solvutil/kernels/blas.hpp"

// n = 0xFFFFFFFF00000003 is negative as a 64-bit integer, so an ILP64 BLAS returns at
// once (idamax 0, ddot 0), while a 32-bit-integer BLAS would read the low half, 3.
TEST(Blas64, ReadsAllSixtyFourBitsOfTheLength) {
    const double x[3] = {1.0, 2.0, 4.0};
    const blas_int n = static_cast<blas_int>(0xFFFFFFFF00000003ULL), inc = 1, three = 3;
    EXPECT_EQ(idamax_(&n, x, &inc), 0);
    EXPECT_EQ(ddot_(&n, x, &inc, x, &inc), 0.0);
    EXPECT_EQ(idamax_(&three, x, &inc), 3);
    EXPECT_EQ(ddot_(&three, x, &inc, x, &inc), 21.0);
}
