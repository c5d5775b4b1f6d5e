#include "solvutil/kernels/sparse_kernels.hpp"

#include <algorithm>
#include <cstddef>

#include "solvutil/kernels/blas.hpp"
#include "solvutil/kernels/debug_assert.hpp"
#include "solvutil/kernels/vector_kernels.hpp"

namespace {

// t[0..m-1] <- S*x, walking S column by column and scattering x[j]*S(:,j) into t.
void columnScatter(double* t, const SparseMatrix& S, const double* x) {
    const long* jc = S.jc;
    const long* ir = S.ir;
    const double* pr = S.data();
    std::fill(t, t + S.rows, 0.0);
    for (long j = 0; j < S.cols; ++j) {
        const long end = jc[j + 1];
        long k = jc[j];
        if (k == end) continue;
        const double xj = x[j];
        for (; k < end; ++k) t[ir[k]] = xj * pr[k] + t[ir[k]];
    }
}

// t[0..n-1] <- S'*x: each t[j] is the dot product of column j with x, summed in
// storage order from 0.0.
void columnGather(double* t, const SparseMatrix& S, const double* x) {
    const long* jc = S.jc;
    const long* ir = S.ir;
    const double* pr = S.data();
    for (long j = 0; j < S.cols; ++j) {
        double sum = 0.0;
        for (long k = jc[j], end = jc[j + 1]; k < end; ++k) sum += pr[k] * x[ir[k]];
        t[j] = sum;
    }
}

}  // namespace

void gaxpy(double alpha, const SparseMatrix& S, const AlignedVector& x, double beta,
           AlignedVector& y) {
    SOLVUTIL_DEBUG_ASSERT(sizeAtLeast(x, S.cols) && sizeAtLeast(y, S.rows),
                          "gaxpy: x or y is shorter than the matrix needs.");
    // The product goes into a scratch vector first so that alpha and beta are applied by
    // BLAS; the vector is released on every path by its destructor.
    AlignedVector t(static_cast<std::size_t>(S.rows), 0.0);
    columnScatter(t.data(), S, x.data());
    scale(beta, y);
    axpy(alpha, t, y);
}

void tr_gaxpy(double alpha, const SparseMatrix& S, const AlignedVector& x, double beta,
              AlignedVector& y) {
    SOLVUTIL_DEBUG_ASSERT(sizeAtLeast(x, S.rows) && sizeAtLeast(y, S.cols),
                          "tr_gaxpy: x or y is shorter than the matrix needs.");
    AlignedVector t(static_cast<std::size_t>(S.cols), 0.0);
    columnGather(t.data(), S, x.data());
    scale(beta, y);
    axpy(alpha, t, y);
}

void matvec(ResultIterator y, const SparseMatrix& S, const AlignedVector& x) {
    SOLVUTIL_DEBUG_ASSERT(sizeAtLeast(x, S.cols), "matvec: x is shorter than the matrix needs.");
    columnScatter(y.get(), S, x.data());
}

void tr_matvec(ResultIterator y, const SparseMatrix& S, const AlignedVector& x) {
    SOLVUTIL_DEBUG_ASSERT(sizeAtLeast(x, S.rows), "tr_matvec: x is shorter than the matrix needs.");
    columnGather(y.get(), S, x.data());
}

void matvec(ResultIterator y, const SparseMatrix& S, const AlignedVector& x,
            const AlignedVector& z) {
    SOLVUTIL_DEBUG_ASSERT(sizeAtLeast(x, S.cols) && sizeAtLeast(z, S.rows),
                          "matvec: x or z is shorter than the matrix needs.");
    columnScatter(y.get(), S, x.data());
    solvutil::blas::axpy(S.rows, 1.0, z.data(), y.get());
}

void vertcat(SparseMatrix& R, const SparseMatrix& A, const SparseMatrix& B) {
    SOLVUTIL_DEBUG_ASSERT(A.cols == B.cols && R.cols == A.cols && R.rows == A.rows + B.rows,
                          "vertcat: the matrices' shapes do not fit together.");
    const long n = A.cols;
    const long mA = A.rows;
    const double* apr = A.data();
    const double* bpr = B.data();
    double* rpr = R.data();
    std::fill(R.jc, R.jc + n + 1, 0L);
    for (long j = 0; j < n; ++j) {
        long p = R.jc[j];
        for (long k = A.jc[j]; k < A.jc[j + 1]; ++k, ++p) {
            R.ir[p] = A.ir[k];
            rpr[p] = apr[k];
        }
        for (long k = B.jc[j]; k < B.jc[j + 1]; ++k, ++p) {
            R.ir[p] = B.ir[k] + mA;
            rpr[p] = bpr[k];
        }
        R.jc[j + 1] = p;
    }
}
