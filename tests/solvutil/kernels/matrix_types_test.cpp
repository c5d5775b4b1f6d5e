#include <gtest/gtest.h>

#include <random>

#include "kaldor/testing.hpp"
#include "solvutil/kernels/sparse_matrix.hpp"
#include "tests/support/host_guard.hpp"
#include "tests/support/random.hpp"

TEST(DenseMatrix, ColumnMajorStorageFromTheHostAllocator) {
    HostLeakGuard guard;
    const auto before = kaldor::testing::allocationStats();
    DenseMatrix A(2, 3);
    EXPECT_EQ(kaldor::testing::allocationStats().liveBlocks, before.liveBlocks + 1);
    A(1, 2) = 7.0;
    EXPECT_EQ(A.data()[1 + 2 * 2], 7.0);
    const DenseMatrix& C = A;
    EXPECT_EQ(C.data(), A.data());
    DenseMatrix B = A;  // deep copy
    B(1, 2) = 1.0;
    EXPECT_EQ(A(1, 2), 7.0);
    DenseMatrix empty;
    EXPECT_EQ(empty.data(), nullptr);  // no storage for no elements
}

TEST(SparseMatrix, DenseRoundTripCopyAndMoveKeepPointersValid) {
    HostLeakGuard guard;
    std::mt19937 rng(3);
    DenseMatrix D = testdata::randomMatrix(rng, 5, 4);
    D(2, 1) = 0.0;
    D(0, 3) = 0.0;
    SparseMatrix S = SparseMatrix::fromDense(D);
    EXPECT_EQ(S.nnz(), 18);
    EXPECT_EQ(S.jc[0], 0);
    SparseMatrix copy = S;
    EXPECT_NE(copy.jc, S.jc);
    SparseMatrix moved = std::move(copy);
    const DenseMatrix back = moved.toDense();
    for (long j = 0; j < 4; ++j)
        for (long i = 0; i < 5; ++i) EXPECT_EQ(back(i, j), D(i, j));
    SparseMatrix assigned(1, 1, 0);
    assigned = S;
    EXPECT_EQ(assigned.nnz(), 18);
    EXPECT_EQ(assigned.data()[0], S.data()[0]);
}

TEST(SparseMatrix, ToDenseSumsRepeatedRows) {
    SparseMatrix S(2, 1, 3);
    S.jc[1] = 3;
    S.ir[0] = 1; S.ir[1] = 0; S.ir[2] = 1;
    S.data()[0] = 1.5; S.data()[1] = 2.0; S.data()[2] = 0.25;
    const DenseMatrix D = S.toDense();
    EXPECT_EQ(D(0, 0), 2.0);
    EXPECT_EQ(D(1, 0), 1.75);
}
