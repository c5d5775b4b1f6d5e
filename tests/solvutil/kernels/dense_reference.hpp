#pragma once
// Plain-loop recomputations used as oracles by the matrix-kernel tests, plus helpers for
// comparing results and for filling destinations with values a kernel must not read.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "solvutil/kernels/aligned_allocator.hpp"
#include "solvutil/kernels/dense_matrix.hpp"

namespace ref {

constexpr double kEps = std::numeric_limits<double>::epsilon();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

/// op(A)(i, j) with op(A) = A' when `trans`.
inline double at(const DenseMatrix& A, long i, long j, bool trans) {
    return trans ? A(j, i) : A(i, j);
}

/// alpha*op(A)*x + beta*y, computed with a beta of 0 meaning "y not read".
inline std::vector<double> gaxpy(double alpha, const DenseMatrix& A, const AlignedVector& x,
                                 double beta, const std::vector<double>& y, bool trans) {
    const long m = trans ? A.cols : A.rows;
    const long n = trans ? A.rows : A.cols;
    std::vector<double> r(static_cast<std::size_t>(m));
    for (long i = 0; i < m; ++i) {
        double s = 0.0;
        for (long j = 0; j < n; ++j) s += at(A, i, j, trans) * x[j];
        r[i] = alpha * s + (beta == 0.0 ? 0.0 : beta * y[i]);
    }
    return r;
}

/// op(A)*op(B) by a triple loop.
inline DenseMatrix matmult(const DenseMatrix& A, const DenseMatrix& B, bool tA, bool tB) {
    const long M = tA ? A.cols : A.rows;
    const long K = tA ? A.rows : A.cols;
    const long N = tB ? B.rows : B.cols;
    DenseMatrix R(M, N);
    for (long i = 0; i < M; ++i)
        for (long j = 0; j < N; ++j) {
            double s = 0.0;
            for (long k = 0; k < K; ++k) s += at(A, i, k, tA) * at(B, k, j, tB);
            R(i, j) = s;
        }
    return R;
}

/// The symmetric matrix whose trusted triangle is the lower (or upper) one of A.
inline DenseMatrix completeSymmetric(const DenseMatrix& A, bool upper) {
    DenseMatrix S(A.rows, A.rows);
    for (long j = 0; j < A.rows; ++j)
        for (long i = 0; i < A.rows; ++i)
            S(i, j) = (upper ? (i <= j) : (i >= j)) ? A(i, j) : A(j, i);
    return S;
}

/// max_i sum_j |A(i, j)|.
inline double norminf(const DenseMatrix& A) {
    double best = 0.0;
    for (long i = 0; i < A.rows; ++i) {
        double s = 0.0;
        for (long j = 0; j < A.cols; ++j) s += std::abs(A(i, j));
        best = std::max(best, s);
    }
    return best;
}

/// Overwrites the strictly upper (or strictly lower) triangle of a square A.
inline void fillTriangle(DenseMatrix& A, bool strictlyUpper, double value) {
    for (long j = 0; j < A.cols; ++j)
        for (long i = 0; i < A.rows; ++i)
            if (strictlyUpper ? (i < j) : (i > j)) A(i, j) = value;
}

inline DenseMatrix filled(long m, long n, double value) {
    DenseMatrix A(m, n);
    for (long j = 0; j < n; ++j)
        for (long i = 0; i < m; ++i) A(i, j) = value;
    return A;
}

/// |got - want| within `ulps` * eps * (1 + |want| scale), elementwise.
template <class V, class W>
void expectNear(const V& got, const W& want, long count, double tol, const char* what) {
    for (long i = 0; i < count; ++i)
        EXPECT_NEAR(got[i], want[i], tol) << what << " at " << i;
}

inline void expectMatrixNear(const DenseMatrix& got, const DenseMatrix& want, double tol,
                             const char* what) {
    ASSERT_EQ(got.rows, want.rows) << what;
    ASSERT_EQ(got.cols, want.cols) << what;
    for (long j = 0; j < want.cols; ++j)
        for (long i = 0; i < want.rows; ++i)
            EXPECT_NEAR(got(i, j), want(i, j), tol) << what << " at (" << i << "," << j << ")";
}

/// The shapes every dense kernel is tried on: empty in each direction, 1x1, non-square.
inline const std::vector<std::pair<long, long>>& shapes() {
    static const std::vector<std::pair<long, long>> s{{0, 0}, {0, 3}, {3, 0}, {1, 1}, {1, 5},
                                                      {5, 1}, {4, 7}, {7, 4}, {33, 50}};
    return s;
}

}  // namespace ref
