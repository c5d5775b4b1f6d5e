#include "solvutil/kernels/symmetric_kernels.hpp"

#include <algorithm>

#include "solvutil/kernels/blas.hpp"
#include "solvutil/kernels/debug_assert.hpp"

namespace blas = solvutil::blas;
using solvutil::blas::ld;

namespace {

// Infinity norm of the n-by-n symmetric matrix in A's lower triangle. dlansy needs n
// work elements for this norm; a 0-by-0 matrix gets no storage at all.
double symNormInf(const double* A, long n) {
    AlignedVector work(static_cast<std::size_t>(n), 0.0);
    return blas::lansy(blas::Norm::Inf, blas::Part::Lower, n, A, ld(n), work.data());
}

}  // namespace

void denseSymMatTimesVec(double alpha, double* y, double beta, const double* A, const double* x,
                         long n, bool upper) {
    blas::symv(blas::upperIf(upper), n, alpha, A, ld(n), x, beta, y);
}

void matSymVecPlusVec(double* y, const double* A, const double* x, const double* z, long n) {
    blas::copy(n, z, y);
    blas::symv(blas::Part::Lower, n, 1.0, A, ld(n), x, 1.0, y);
}

void matSymCopy(double* R, const double* A, long n) {
    // n itself as both leading dimensions, even for n = 0: dlacpy checks none.
    blas::lacpy(blas::Part::Lower, n, n, A, n, R, n);
}

void sym_gaxpy(double alpha, const DenseMatrix& A, const AlignedVector& x, double beta,
               AlignedVector& y, bool upper) {
    SOLVUTIL_DEBUG_ASSERT(A.cols == A.rows && sizeAtLeast(x, A.rows) && sizeAtLeast(y, A.rows),
                          "sym_gaxpy: the matrix is not square or x or y is too short.");
    denseSymMatTimesVec(alpha, y.data(), beta, A.data(), x.data(), A.rows, upper);
}

void sym_matvec(ResultIterator y, const DenseMatrix& A, const AlignedVector& x) {
    SOLVUTIL_DEBUG_ASSERT(A.cols == A.rows && sizeAtLeast(x, A.rows),
                          "sym_matvec: the matrix is not square or x is too short.");
    denseSymMatTimesVec(1.0, y.get(), 0.0, A.data(), x.data(), A.rows, false);
}

void sym_matvec(ResultIterator y, const DenseMatrix& A, const AlignedVector& x,
                const AlignedVector& z) {
    SOLVUTIL_DEBUG_ASSERT(A.cols == A.rows && sizeAtLeast(x, A.rows) && sizeAtLeast(z, A.rows),
                          "sym_matvec: the matrix is not square or x or z is too short.");
    matSymVecPlusVec(y.get(), A.data(), x.data(), z.data(), A.rows);
}

double sym_norminf(const DenseMatrix& A) {
    return symNormInf(A.data(), A.rows);
}

void sym_copy(DenseMatrix& R, const DenseMatrix& A) {
    SOLVUTIL_DEBUG_ASSERT(R.rows == R.cols && A.rows == R.rows && A.cols == R.cols,
                          "sym_copy: the matrices are not square of the same order.");
    const long n = R.rows;
    matSymCopy(R.data(), A.data(), n);
}
