#include "solvutil/kernels/sparse_kernels.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "kaldor/testing.hpp"
#include "solvutil/host/kxerror.hpp"
#include "solvutil/kernels/dense_kernels.hpp"
#include "tests/solvutil/kernels/dense_reference.hpp"
#include "tests/support/host_guard.hpp"
#include "tests/support/random.hpp"

using ref::kEps;
using ref::kNaN;

namespace {

// A random m-by-n compressed-column matrix with empty columns, row indices in random
// order within each column and repeated row indices, together with its dense sum.
struct SparseCase {
    SparseMatrix S;
    DenseMatrix dense;
};

SparseCase randomSparse(std::mt19937& rng, long m, long n) {
    std::uniform_int_distribution<long> count(0, m == 0 ? 0 : 2 * m);
    std::uniform_int_distribution<long> row(0, std::max(m - 1, 0L));
    std::uniform_real_distribution<double> value(-1.0, 1.0);
    std::vector<std::vector<std::pair<long, double>>> columns(static_cast<std::size_t>(n));
    long nnz = 0;
    for (long j = 0; j < n; ++j) {
        if (j % 3 == 1) continue;  // every third column empty
        const long c = count(rng);
        for (long k = 0; k < c; ++k) columns[j].push_back({row(rng), value(rng)});
        nnz += c;
    }
    SparseCase sc{SparseMatrix(m, n, nnz), DenseMatrix(m, n)};
    double* pr = sc.S.data();
    long p = 0;
    for (long j = 0; j < n; ++j) {
        for (auto [i, v] : columns[j]) {
            sc.S.ir[p] = i;
            pr[p] = v;
            sc.dense(i, j) += v;
            ++p;
        }
        sc.S.jc[j + 1] = p;
    }
    return sc;
}

// A column holding row 0 twice and rows out of order: the cases the sort-free scatter
// and gather must get right.
bool hasUnsortedOrRepeatedRows(const SparseMatrix& S) {
    for (long j = 0; j < S.cols; ++j)
        for (long k = S.jc[j] + 1; k < S.jc[j + 1]; ++k)
            if (S.ir[k] <= S.ir[k - 1]) return true;
    return false;
}

const std::vector<std::pair<long, long>>& sparseShapes() {
    static const std::vector<std::pair<long, long>> s{{0, 0}, {0, 4}, {4, 0}, {1, 1},
                                                      {3, 8}, {9, 5}, {60, 45}};
    return s;
}

}  // namespace

// Every sparse product agrees with the dense kernel on the same matrix made dense:
// matvec and tr_matvec at an iterator into a longer vector (nothing outside the range
// changes, the old values are not read), four-argument matvec, and gaxpy / tr_gaxpy with
// general scalars. gaxpy scales the whole of y, also past the product's length.
TEST(SparseKernels, ProductsAgreeWithDenseKernels) {
    HostLeakGuard guard;
    std::mt19937 rng(7);
    bool sawUnsorted = false;
    constexpr double kSentinel = 55.5;
    constexpr long kPad = 2;
    for (auto [m, n] : sparseShapes()) {
        SparseCase sc = randomSparse(rng, m, n);
        sawUnsorted |= hasUnsortedOrRepeatedRows(sc.S);
        for (bool trans : {false, true}) {
            SCOPED_TRACE(testing::Message() << m << "x" << n << " trans=" << trans);
            const long lenX = trans ? m : n;
            const long lenY = trans ? n : m;
            const AlignedVector x = testdata::randomVector(rng, lenX);
            const double tol = 16.0 * (m + n + 2) * kEps;

            // Oracle: y = op(dense)*x by a plain loop.
            const std::vector<double> want = ref::gaxpy(1.0, sc.dense, x, 0.0, {}, trans);

            std::vector<double> out(lenY + 2 * kPad, kSentinel);
            std::fill(out.begin() + kPad, out.end() - kPad, kNaN);
            if (trans)
                tr_matvec(out.begin() + kPad, sc.S, x);
            else
                matvec(out.begin() + kPad, sc.S, x);
            ref::expectNear(out.data() + kPad, want, lenY, tol, "matvec");
            for (long i = 0; i < kPad; ++i) {
                EXPECT_EQ(out[i], kSentinel);
                EXPECT_EQ(out[kPad + lenY + i], kSentinel);
            }

            // gaxpy: y longer than the product by 3; all of y is scaled by beta.
            for (double beta : {-0.5, 1.0, 0.0}) {
                AlignedVector y = testdata::randomVector(rng, lenY + 3);
                AlignedVector yDense(y.begin(), y.begin() + lenY);
                std::vector<double> yTail(y.begin() + lenY, y.end());
                if (trans) {
                    tr_gaxpy(1.25, sc.S, x, beta, y);
                    if (m > 0 && n > 0) tr_gaxpy(1.25, sc.dense, x, beta, yDense);
                } else {
                    gaxpy(1.25, sc.S, x, beta, y);
                    if (m > 0 && n > 0) gaxpy(1.25, sc.dense, x, beta, yDense);
                }
                if (m == 0 || n == 0)  // the dense kernel's BLAS would not scale y here
                    for (long i = 0; i < lenY; ++i) yDense[i] *= beta;
                ref::expectNear(y, yDense, lenY, tol, "gaxpy head");
                for (long i = 0; i < 3; ++i) EXPECT_EQ(y[lenY + i], beta * yTail[i]) << "tail";
            }
        }
        // matvec with z: first m elements of a longer z are added.
        const AlignedVector x = testdata::randomVector(rng, n);
        const AlignedVector z = testdata::randomVector(rng, m + 4);
        std::vector<double> got(m, kNaN);
        AlignedVector viaDense(m, kNaN);
        matvec(got.begin(), sc.S, x, z);
        if (n > 0) {
            matvec(viaDense.begin(), sc.dense, x, z);
        } else {
            std::copy(z.begin(), z.begin() + m, viaDense.begin());
        }
        ref::expectNear(got, viaDense, m, 16.0 * (n + 2) * kEps, "matvec + z");
    }
    EXPECT_TRUE(sawUnsorted) << "the random matrices should exercise unsorted/repeated rows";
}

// Fixed small cases: a matrix without entries, a repeated row index, and gaxpy's
// alpha = 0 / beta = 2 doubling of y.
TEST(SparseKernels, NoEntriesRepeatedRowsAndPureScaling) {
    HostLeakGuard guard;
    SparseMatrix empty(3, 2, 0);
    const AlignedVector x2{1.0, 2.0};
    const AlignedVector x3{1.0, 2.0, 3.0};
    std::vector<double> y(3, kNaN);
    matvec(y.begin(), empty, x2);
    EXPECT_EQ(y, std::vector<double>(3, 0.0));
    std::vector<double> t(2, kNaN);
    tr_matvec(t.begin(), empty, x3);
    EXPECT_EQ(t, std::vector<double>(2, 0.0));
    AlignedVector g{1.0, -2.0, 4.0};
    gaxpy(3.0, empty, x2, -1.0, g);
    EXPECT_EQ(g, (AlignedVector{-1.0, 2.0, -4.0}));

    // Column 0 holds row 1 twice (2 and 5) and row 0 after it.
    SparseMatrix S(2, 2, 4);
    const long ir[] = {1, 1, 0, 0};
    const double pr[] = {2.0, 5.0, 1.0, 10.0};
    std::copy(ir, ir + 4, S.ir);
    std::copy(pr, pr + 4, S.data());
    S.jc[1] = 3;
    S.jc[2] = 4;
    std::vector<double> r(2);
    matvec(r.begin(), S, AlignedVector{1.0, 1.0});
    EXPECT_EQ(r, (std::vector<double>{11.0, 7.0}));
    tr_matvec(r.begin(), S, AlignedVector{1.0, 1.0});
    EXPECT_EQ(r, (std::vector<double>{8.0, 10.0}));

    AlignedVector d{1.0, 2.0, 3.0};  // longer than m: everything is doubled
    gaxpy(0.0, S, AlignedVector{1.0, 1.0}, 2.0, d);
    EXPECT_EQ(d, (AlignedVector{2.0, 4.0, 6.0}));
}

// The scratch vector of gaxpy / tr_gaxpy: one per call, freed, and a failed allocation
// reaches the caller as the host error with y untouched.
TEST(SparseKernels, GaxpyScratchIsAllocatedPerCallAndReleased) {
    HostLeakGuard guard;
    std::mt19937 rng(9);
    SparseCase sc = randomSparse(rng, 20, 15);
    const AlignedVector x = testdata::randomVector(rng, 20);
    AlignedVector y = testdata::randomVector(rng, 20);
    const auto before = kaldor::testing::allocationStats().allocations;
    tr_gaxpy(1.0, sc.S, x, 1.0, y);
    EXPECT_EQ(kaldor::testing::allocationStats().allocations, before + 1);

    const AlignedVector y0 = y;
    kaldor::testing::failAllocationAfter(0);
    try {
        gaxpy(1.0, sc.S, AlignedVector(15, 1.0), 2.0, y);
        ADD_FAILURE() << "gaxpy did not report the failed allocation";
    } catch (const hostcore::IUserException& e) {
        EXPECT_EQ(e.getMessageId(), "KALDOR:outOfMemory");
    }
    kaldor::testing::failAllocationAfter(-1);
    EXPECT_EQ(y, y0);
}

// Sparse vertcat keeps A's entries first in every column and shifts B's rows by A.rows;
// its dense image equals the dense vertcat of the two dense images.
TEST(SparseKernels, VertcatMatchesDenseVertcat) {
    HostLeakGuard guard;
    // The small case written out.
    SparseMatrix A(2, 2, 2), B(1, 2, 1);
    A.ir[0] = 0, A.ir[1] = 1, A.data()[0] = 1.0, A.data()[1] = 2.0, A.jc[1] = 1, A.jc[2] = 2;
    B.ir[0] = 0, B.data()[0] = 3.0, B.jc[1] = 1, B.jc[2] = 1;
    SparseMatrix R(3, 2, 3);
    vertcat(R, A, B);
    EXPECT_EQ(std::vector<long>(R.jc, R.jc + 3), (std::vector<long>{0, 2, 3}));
    EXPECT_EQ(std::vector<long>(R.ir, R.ir + 3), (std::vector<long>{0, 2, 1}));
    EXPECT_EQ(std::vector<double>(R.data(), R.data() + 3), (std::vector<double>{1, 3, 2}));

    std::mt19937 rng(13);
    struct Shape { long mA, mB, n; };
    for (Shape s : {Shape{4, 3, 6}, Shape{0, 3, 4}, Shape{5, 0, 4}, Shape{2, 2, 0},
                    Shape{30, 17, 25}}) {
        SCOPED_TRACE(testing::Message() << s.mA << "+" << s.mB << " by " << s.n);
        SparseCase a = randomSparse(rng, s.mA, s.n);
        SparseCase b = randomSparse(rng, s.mB, s.n);
        SparseMatrix C(s.mA + s.mB, s.n, a.S.nnz() + b.S.nnz());
        std::fill(C.jc, C.jc + s.n + 1, -7L);  // stale column starts must be reset
        vertcat(C, a.S, b.S);
        DenseMatrix want(s.mA + s.mB, s.n);
        vertcat(want, a.dense, b.dense);
        ref::expectMatrixNear(C.toDense(), want, 4 * kEps, "stacked");
        for (long j = 0; j < s.n; ++j) {  // A's entries first, in their order
            const long countA = a.S.jc[j + 1] - a.S.jc[j];
            for (long k = 0; k < countA; ++k)
                EXPECT_EQ(C.ir[C.jc[j] + k], a.S.ir[a.S.jc[j] + k]);
        }
    }
}
