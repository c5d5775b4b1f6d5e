#include "solvutil/kernels/dense_kernels.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "kaldor/testing.hpp"
#include "solvutil/host/kxerror.hpp"
#include "tests/solvutil/kernels/dense_reference.hpp"
#include "tests/support/host_guard.hpp"
#include "tests/support/random.hpp"

using ref::kEps;
using ref::kNaN;

namespace {
std::vector<double> toStd(const AlignedVector& v) { return {v.begin(), v.end()}; }
}  // namespace

// gaxpy and tr_gaxpy against a plain loop, on every shape, for plain and accumulating
// scalars; beta = 0 must not read y (NaN there must vanish), alpha = 0 with beta = 1 must
// leave y exactly as it was. An empty product (no columns of op(A)) leaves y alone: that
// is the BLAS quick-return rule, and the kernel passes the call on unchanged.
TEST(DenseKernels, GaxpyAndTrGaxpyAgainstPlainLoops) {
    HostLeakGuard guard;
    std::mt19937 rng(101);
    struct Scalars { double alpha, beta; };
    for (auto [m, n] : ref::shapes()) {
        const DenseMatrix A = testdata::randomMatrix(rng, m, n);
        for (bool trans : {false, true}) {
            const long lenX = trans ? m : n;
            const long lenY = trans ? n : m;
            const bool empty = (m == 0 || n == 0);
            for (Scalars s : {Scalars{1.5, -0.5}, Scalars{0.7, 0.0}, Scalars{0.0, 1.0},
                              Scalars{-2.0, 1.0}}) {
                SCOPED_TRACE(testing::Message() << m << "x" << n << " trans=" << trans
                                                << " alpha=" << s.alpha << " beta=" << s.beta);
                const AlignedVector x = testdata::randomVector(rng, lenX);
                AlignedVector y = testdata::randomVector(rng, lenY);
                if (s.beta == 0.0 && !empty) std::fill(y.begin(), y.end(), kNaN);
                const std::vector<double> y0 = toStd(y);
                const std::vector<double> want =
                    empty ? y0 : ref::gaxpy(s.alpha, A, x, s.beta, y0, trans);

                if (trans)
                    tr_gaxpy(s.alpha, A, x, s.beta, y);
                else
                    gaxpy(s.alpha, A, x, s.beta, y);

                ASSERT_EQ(y.size(), static_cast<std::size_t>(lenY));
                if (s.alpha == 0.0 && s.beta == 1.0)
                    EXPECT_EQ(toStd(y), y0);
                else
                    ref::expectNear(y, want, lenY, 8.0 * (lenX + 2) * kEps, "y");
            }
        }
    }
}

// matvec, tr_matvec and four-argument matvec write exactly their m (or n) values at an
// iterator into the middle of a longer vector, of either allocator; the sentinels around
// the range stay, and the three-argument forms never read the old values.
TEST(DenseKernels, MatvecFormsWriteExactlyTheirRange) {
    HostLeakGuard guard;
    std::mt19937 rng(202);
    constexpr double kSentinel = 123.25;
    constexpr long kPad = 3;
    for (auto [m, n] : ref::shapes()) {
        const DenseMatrix A = testdata::randomMatrix(rng, m, n);
        for (int form = 0; form < 3; ++form) {  // matvec, tr_matvec, matvec + z
            SCOPED_TRACE(testing::Message() << m << "x" << n << " form " << form);
            const bool trans = (form == 1);
            const long lenX = trans ? m : n;
            const long lenY = trans ? n : m;
            const bool empty = (m == 0 || n == 0);
            const AlignedVector x = testdata::randomVector(rng, lenX);
            AlignedVector z = testdata::randomVector(rng, lenY + 2);  // only lenY are used

            // The three-argument forms give an empty product to BLAS, which returns at
            // once: the range keeps what it held (7.0). Otherwise NaN proves it is unread.
            const double before = (empty && form != 2) ? 7.0 : kNaN;
            std::vector<double> want = ref::gaxpy(1.0, A, x, 0.0, {}, trans);
            for (long i = 0; i < lenY; ++i) {
                if (form == 2) want[i] += z[i];
                if (empty && form != 2) want[i] = 7.0;
            }

            std::vector<double> plain(lenY + 2 * kPad, kSentinel);
            AlignedVector aligned(lenY + 2 * kPad, kSentinel);
            std::fill(plain.begin() + kPad, plain.end() - kPad, before);
            std::fill(aligned.begin() + kPad, aligned.end() - kPad, before);
            if (form == 0) {
                matvec(plain.begin() + kPad, A, x);
                matvec(aligned.begin() + kPad, A, x);
            } else if (form == 1) {
                tr_matvec(plain.begin() + kPad, A, x);
                tr_matvec(aligned.begin() + kPad, A, x);
            } else {
                matvec(plain.begin() + kPad, A, x, z);
                matvec(aligned.begin() + kPad, A, x, z);
            }
            for (long i = 0; i < kPad; ++i) {
                EXPECT_EQ(plain[i], kSentinel);
                EXPECT_EQ(plain[kPad + lenY + i], kSentinel);
                EXPECT_EQ(aligned[i], kSentinel);
                EXPECT_EQ(aligned[kPad + lenY + i], kSentinel);
            }
            const double tol = 8.0 * (lenX + 2) * kEps;
            ref::expectNear(plain.data() + kPad, want, lenY, tol, "std::vector range");
            ref::expectNear(aligned.data() + kPad, want, lenY, tol, "AlignedVector range");
        }
    }
}

// vertcat stacks A over B into a caller-sized R, rows of A first; the leading dimensions
// are the plain row counts, so stacks with an empty block work too.
TEST(DenseKernels, VertcatStacksRowsOfAThenB) {
    HostLeakGuard guard;
    std::mt19937 rng(303);
    struct Shape { long mA, mB, n; };
    for (Shape s : {Shape{2, 1, 3}, Shape{0, 2, 3}, Shape{2, 0, 3}, Shape{0, 0, 2},
                    Shape{3, 4, 0}, Shape{1, 1, 1}, Shape{5, 7, 6}}) {
        SCOPED_TRACE(testing::Message() << s.mA << "+" << s.mB << " rows, " << s.n << " cols");
        const DenseMatrix A = testdata::randomMatrix(rng, s.mA, s.n);
        const DenseMatrix B = testdata::randomMatrix(rng, s.mB, s.n);
        DenseMatrix R = ref::filled(s.mA + s.mB, s.n, kNaN);
        vertcat(R, A, B);
        for (long j = 0; j < s.n; ++j) {
            for (long i = 0; i < s.mA; ++i) EXPECT_EQ(R(i, j), A(i, j));
            for (long i = 0; i < s.mB; ++i) EXPECT_EQ(R(s.mA + i, j), B(i, j));
        }
    }
}

// matmult in all four transpose combinations against a triple loop; R is filled with NaN
// first because its old contents must not be read. An inner dimension of 0 gives zeros.
TEST(DenseKernels, MatmultAllTransposeCombinations) {
    HostLeakGuard guard;
    std::mt19937 rng(404);
    struct Dims { long M, K, N; };
    for (Dims d : {Dims{2, 3, 4}, Dims{0, 3, 4}, Dims{2, 0, 4}, Dims{2, 3, 0}, Dims{1, 1, 1},
                   Dims{17, 9, 23}, Dims{40, 65, 3}}) {
        for (bool tA : {false, true}) {
            for (bool tB : {false, true}) {
                SCOPED_TRACE(testing::Message() << "M=" << d.M << " K=" << d.K << " N=" << d.N
                                                << " tA=" << tA << " tB=" << tB);
                const DenseMatrix A = tA ? testdata::randomMatrix(rng, d.K, d.M)
                                         : testdata::randomMatrix(rng, d.M, d.K);
                const DenseMatrix B = tB ? testdata::randomMatrix(rng, d.N, d.K)
                                         : testdata::randomMatrix(rng, d.K, d.N);
                DenseMatrix R = ref::filled(d.M, d.N, kNaN);
                matmult(R, A, B, tA, tB);
                ref::expectMatrixNear(R, ref::matmult(A, B, tA, tB), 8.0 * (d.K + 2) * kEps,
                                      "R");
            }
        }
    }
}

// matmult_syrk writes the lower triangle of A*A' or A'*A and nothing above the diagonal.
TEST(DenseKernels, MatmultSyrkWritesOnlyTheLowerTriangle) {
    HostLeakGuard guard;
    std::mt19937 rng(505);
    constexpr double kSentinel = -99.5;
    for (auto [m, n] : ref::shapes()) {
        const DenseMatrix A = testdata::randomMatrix(rng, m, n);
        for (bool trans : {false, true}) {
            SCOPED_TRACE(testing::Message() << m << "x" << n << " trans=" << trans);
            const long N = trans ? n : m;
            const long K = trans ? m : n;
            DenseMatrix R = ref::filled(N, N, kNaN);
            ref::fillTriangle(R, true, kSentinel);
            matmult_syrk(R, A, trans);
            const DenseMatrix want = ref::matmult(A, A, trans, !trans);
            for (long j = 0; j < N; ++j)
                for (long i = 0; i < N; ++i) {
                    if (i < j)
                        EXPECT_EQ(R(i, j), kSentinel) << "upper (" << i << "," << j << ")";
                    else
                        EXPECT_NEAR(R(i, j), want(i, j), 8.0 * (K + 2) * kEps)
                            << "lower (" << i << "," << j << ")";
                }
        }
    }
}

// norminf is the largest absolute row sum; it allocates one scratch vector per call,
// releases it, and an allocation failure reaches the caller as the host's error.
TEST(DenseKernels, NorminfIsTheLargestRowSum) {
    HostLeakGuard guard;
    std::mt19937 rng(606);
    for (auto [m, n] : ref::shapes()) {
        const DenseMatrix A = testdata::randomMatrix(rng, m, n, -3.0, 2.0);
        const std::size_t allocationsBefore = kaldor::testing::allocationStats().allocations;
        const double got = norminf(A);
        EXPECT_EQ(kaldor::testing::allocationStats().allocations, allocationsBefore + 1)
            << "one scratch vector per call";
        EXPECT_NEAR(got, ref::norminf(A), 4.0 * (n + 1) * kEps * (1.0 + ref::norminf(A)))
            << m << "x" << n;
    }
    DenseMatrix A(2, 2);
    A(0, 0) = 1.0, A(0, 1) = -2.0, A(1, 0) = 3.0, A(1, 1) = 4.0;
    EXPECT_EQ(norminf(A), 7.0);

    kaldor::testing::failAllocationAfter(0);
    try {
        (void)norminf(A);
        ADD_FAILURE() << "norminf did not report the failed allocation";
    } catch (const hostcore::IUserException& e) {
        EXPECT_EQ(e.getMessageId(), "KALDOR:outOfMemory");
    }
    kaldor::testing::failAllocationAfter(-1);
}
