#include "solvutil/kernels/kkt_kernels.hpp"

#include "solvutil/kernels/blas.hpp"
#include "solvutil/kernels/debug_assert.hpp"

namespace blas = solvutil::blas;

void symKKTCat(double* K, long nK, const double* H, long nH, const double* A, long mA, long nA,
               bool full) {
    // Zero blocks are written by dcopy from a single zero with source increment 0, which
    // broadcasts it into every destination element (strided for rows, unit for columns).
    auto at = [K, nK](long i, long j) { return K + i + j * nK; };
    const long p = nK - nH - mA;  // variables without a Hessian block
    const long c0 = nK - mA;      // first row/column of the constraint block

    // All (not U or L) makes dlacpy copy the whole block; Lower copies the lower triangle.
    blas::lacpy(full ? blas::Part::All : blas::Part::Lower, nH, nH, H, nH, K, nK);

    if (full) {
        for (long r = 0; r < p; ++r) {
            const blas_int rowLen = nA - p;
            blas::fill(rowLen, 0.0, at(nH + r, 0), nK);
            blas::fill(nA, 0.0, at(0, nH + r), 1);
        }
        for (long j = 0; j < nA; ++j) {
            for (long i = mA - 1; i >= 0; --i) {
                const double v = -A[i + j * mA];
                *at(c0 + i, j) = v;
                *at(j, c0 + i) = v;
            }
        }
        for (long q = c0; q < nK; ++q) blas::fill(mA, 0.0, at(c0, q), 1);
    } else {
        for (long r = 0; r < p; ++r) {
            const blas_int rowLen = nH + r + 1;  // up to and including the diagonal
            blas::fill(rowLen, 0.0, at(nH + r, 0), nK);
        }
        for (long j = 0; j < nA; ++j)
            for (long i = 0; i < mA; ++i) *at(c0 + i, j) = -A[i + j * mA];
        for (long t = 0; t < mA; ++t) {
            const blas_int colLen = mA - t;
            blas::fill(colLen, 0.0, at(c0 + t, c0 + t), 1);
        }
    }
}

void sym_kktcat(DenseMatrix& K, const DenseMatrix& H, const DenseMatrix& A, bool full) {
    SOLVUTIL_DEBUG_ASSERT(
        K.rows == A.cols + A.rows && K.cols == K.rows && H.rows <= A.cols && H.cols == H.rows,
        "sym_kktcat: the matrices' shapes do not fit together.");
    double* k = K.data();
    const double* h = H.data();
    const double* a = A.data();
    symKKTCat(k, K.rows, h, H.rows, a, A.rows, A.cols, full);
}
