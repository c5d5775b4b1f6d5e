#include "solvutil/kernels/kkt_kernels.hpp"

#include <gtest/gtest.h>

#include <random>

#include "tests/solvutil/kernels/dense_reference.hpp"
#include "tests/support/host_guard.hpp"
#include "tests/support/random.hpp"

using ref::kNaN;

namespace {

// The KKT matrix written block by block from its definition.
DenseMatrix explicitKkt(const DenseMatrix& H, const DenseMatrix& A) {
    const long nH = H.rows, mA = A.rows, nA = A.cols, nK = nA + mA;
    DenseMatrix K(nK, nK);  // zeros
    for (long j = 0; j < nH; ++j)
        for (long i = 0; i < nH; ++i) K(i, j) = H(i, j);
    for (long i = 0; i < mA; ++i)
        for (long j = 0; j < nA; ++j) {
            K(nA + i, j) = -A(i, j);
            K(j, nA + i) = -A(i, j);
        }
    return K;
}

}  // namespace

// Full and lower forms against the explicitly built block matrix, over Hessians that
// cover all variables (p = 0), leave some without a Hessian (p > 0), no constraints
// (mA = 0), and no Hessian at all. K starts as garbage: every entry of the full form and
// every entry on and below the diagonal of the lower form must be written; the lower form
// must not touch anything above the diagonal.
TEST(KktKernels, FullAndLowerFormsMatchTheBlockMatrix) {
    HostLeakGuard guard;
    std::mt19937 rng(31);
    constexpr double kAbove = 777.0;
    struct Dims { long nH, nA, mA; };
    for (Dims d : {Dims{3, 5, 2}, Dims{4, 4, 3}, Dims{3, 5, 0}, Dims{2, 2, 0}, Dims{0, 3, 2},
                   Dims{1, 1, 1}, Dims{6, 9, 4}, Dims{5, 5, 7}}) {
        const DenseMatrix H = testdata::randomMatrix(rng, d.nH, d.nH);
        const DenseMatrix A = testdata::randomMatrix(rng, d.mA, d.nA);
        const DenseMatrix want = explicitKkt(H, A);
        const long nK = d.nA + d.mA;
        for (bool full : {true, false}) {
            SCOPED_TRACE(testing::Message() << "nH=" << d.nH << " nA=" << d.nA
                                            << " mA=" << d.mA << " full=" << full);
            DenseMatrix K = ref::filled(nK, nK, kNaN);
            if (!full) ref::fillTriangle(K, true, kAbove);
            sym_kktcat(K, H, A, full);
            for (long j = 0; j < nK; ++j)
                for (long i = 0; i < nK; ++i) {
                    if (!full && i < j)
                        EXPECT_EQ(K(i, j), kAbove) << "above diagonal (" << i << "," << j << ")";
                    else if (!full && i < d.nH && j < d.nH)  // H's lower triangle only
                        EXPECT_EQ(K(i, j), H(i, j)) << "(" << i << "," << j << ")";
                    else
                        EXPECT_EQ(K(i, j), want(i, j)) << "(" << i << "," << j << ")";
                }
        }
    }
}

// The Hessian block is copied as given (no symmetrization) in the full form, and the
// small example: H = [4], A = [1 2].
TEST(KktKernels, SmallExampleAndUnsymmetricHessianBlock) {
    HostLeakGuard guard;
    DenseMatrix H(1, 1), A(1, 2), K = ref::filled(3, 3, kNaN);
    H(0, 0) = 4.0;
    A(0, 0) = 1.0, A(0, 1) = 2.0;
    sym_kktcat(K, H, A, true);
    const double want[3][3] = {{4, 0, -1}, {0, 0, -2}, {-1, -2, 0}};
    for (long i = 0; i < 3; ++i)
        for (long j = 0; j < 3; ++j) EXPECT_EQ(K(i, j), want[i][j]) << i << "," << j;

    DenseMatrix H2(2, 2), A2(1, 2), K2(3, 3);
    H2(0, 0) = 1.0, H2(1, 0) = 2.0, H2(0, 1) = 3.0, H2(1, 1) = 4.0;
    A2(0, 0) = 5.0, A2(0, 1) = 6.0;
    sym_kktcat(K2, H2, A2, true);
    EXPECT_EQ(K2(0, 1), 3.0);
    EXPECT_EQ(K2(1, 0), 2.0);
    EXPECT_EQ(K2(2, 1), -6.0);
    EXPECT_EQ(K2(1, 2), -6.0);
}
