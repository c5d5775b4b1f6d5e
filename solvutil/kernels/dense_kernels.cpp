#include "solvutil/kernels/dense_kernels.hpp"

#include <algorithm>

#include "solvutil/kernels/blas.hpp"
#include "solvutil/kernels/debug_assert.hpp"

namespace blas = solvutil::blas;
using solvutil::blas::ld;

void denseMatTimesVec(double alpha, double* y, double beta, const double* A, const double* x,
                      long m, long n, bool trans) {
    blas::gemv(blas::transIf(trans), m, n, alpha, A, ld(m), x, beta, y);
}

void matVecPlusVec(double* y, const double* A, const double* x, const double* z, long m, long n,
                   bool trans) {
    const blas_int lenY = trans ? n : m;
    // Copy z, then accumulate the product onto it with beta = 1 (no second pass).
    blas::copy(lenY, z, y);
    blas::gemv(blas::transIf(trans), m, n, 1.0, A, ld(m), x, 1.0, y);
}

void vertcat(const double* A, long mA, const double* B, long mB, double* R, long n) {
    // Plain row counts as leading dimensions (no lower bound of 1): dlacpy checks none.
    const blas_int ldc = mA + mB;
    blas::lacpy(blas::Part::General, mA, n, A, mA, R, ldc);
    blas::lacpy(blas::Part::General, mB, n, B, mB, R + mA, ldc);
}

void denseMatrixMultiply(double* R, const double* A, const double* B, long M, long N, long K,
                         bool transA, bool transB) {
    const blas_int lda = ld(transA ? K : M);  // rows of A as stored
    const blas_int ldb = ld(transB ? N : K);  // rows of B as stored
    blas::gemm(blas::transIf(transA), blas::transIf(transB), M, N, K, 1.0, A, lda, B, ldb, 0.0, R,
               ld(M));
}

void denseMatrixMultiplySyrk(double* R, const double* A, long m, long n, bool trans, bool upper) {
    const blas_int N = trans ? n : m;
    const blas_int K = trans ? m : n;
    blas::syrk(blas::upperIf(upper), blas::transIf(trans), N, K, 1.0, A, ld(m), 0.0, R, ld(N));
}

void gaxpy(double alpha, const DenseMatrix& A, const AlignedVector& x, double beta,
           AlignedVector& y) {
    SOLVUTIL_DEBUG_ASSERT(sizeAtLeast(x, A.cols) && sizeAtLeast(y, A.rows),
                          "gaxpy: x or y is shorter than the matrix needs.");
    denseMatTimesVec(alpha, y.data(), beta, A.data(), x.data(), A.rows, A.cols, false);
}

void tr_gaxpy(double alpha, const DenseMatrix& A, const AlignedVector& x, double beta,
              AlignedVector& y) {
    SOLVUTIL_DEBUG_ASSERT(sizeAtLeast(x, A.rows) && sizeAtLeast(y, A.cols),
                          "tr_gaxpy: x or y is shorter than the matrix needs.");
    denseMatTimesVec(alpha, y.data(), beta, A.data(), x.data(), A.rows, A.cols, true);
}

void matvec(ResultIterator y, const DenseMatrix& A, const AlignedVector& x) {
    SOLVUTIL_DEBUG_ASSERT(sizeAtLeast(x, A.cols), "matvec: x is shorter than the matrix needs.");
    denseMatTimesVec(1.0, y.get(), 0.0, A.data(), x.data(), A.rows, A.cols, false);
}

void tr_matvec(ResultIterator y, const DenseMatrix& A, const AlignedVector& x) {
    SOLVUTIL_DEBUG_ASSERT(sizeAtLeast(x, A.rows), "tr_matvec: x is shorter than the matrix needs.");
    denseMatTimesVec(1.0, y.get(), 0.0, A.data(), x.data(), A.rows, A.cols, true);
}

void matvec(ResultIterator y, const DenseMatrix& A, const AlignedVector& x,
            const AlignedVector& z) {
    SOLVUTIL_DEBUG_ASSERT(sizeAtLeast(x, A.cols) && sizeAtLeast(z, A.rows),
                          "matvec: x or z is shorter than the matrix needs.");
    matVecPlusVec(y.get(), A.data(), x.data(), z.data(), A.rows, A.cols, false);
}

void vertcat(DenseMatrix& R, const DenseMatrix& A, const DenseMatrix& B) {
    SOLVUTIL_DEBUG_ASSERT(A.cols == B.cols && R.cols == A.cols && R.rows == A.rows + B.rows,
                          "vertcat: the matrices' shapes do not fit together.");
    vertcat(A.data(), A.rows, B.data(), B.rows, R.data(), A.cols);
}

void matmult(DenseMatrix& R, const DenseMatrix& A, const DenseMatrix& B, bool transA, bool transB) {
    const long M = transA ? A.cols : A.rows;
    const long K = transA ? A.rows : A.cols;
    const long N = transB ? B.rows : B.cols;
    SOLVUTIL_DEBUG_ASSERT(K == (transB ? B.cols : B.rows) && R.rows == M && R.cols == N,
                          "matmult: the matrices' shapes do not fit together.");
    denseMatrixMultiply(R.data(), A.data(), B.data(), M, N, K, transA, transB);
}

void matmult_syrk(DenseMatrix& R, const DenseMatrix& A, bool trans) {
    SOLVUTIL_DEBUG_ASSERT(R.rows == (trans ? A.cols : A.rows) && R.cols == R.rows,
                          "matmult_syrk: the result has not the product's order.");
    denseMatrixMultiplySyrk(R.data(), A.data(), A.rows, A.cols, trans, false);
}

double norminf(const DenseMatrix& A) {
    const blas_int m = A.rows;
    const blas_int n = A.cols;
    // dlange needs a work array of m elements for the infinity norm; it is freed on
    // every path by the vector's destructor.
    AlignedVector work(static_cast<std::size_t>(std::max(m, 1L)), 0.0);
    return blas::lange(blas::Norm::Inf, m, n, A.data(), ld(m), work.data());
}
