#pragma once
// Dense matrix kernels on column-major DenseMatrix objects. Each kernel is one exactly
// chosen BLAS/LAPACK call (two LAPACK copies for vertcat, a copy plus a product for the
// four-argument matvec) made by a raw-pointer routine. No kernel checks dimensions or
// resizes its result: the caller supplies vectors, ranges and matrices of the right size.
// The global namespace and the exact signatures are fixed by the exported names.
// Threads: the kernels keep no state; calls on distinct outputs may run concurrently.
// Debug builds (SOLVUTIL_DEBUG_ASSERT) check the operands' sizes; release builds do not.
#include "solvutil/kernels/aligned_allocator.hpp"
#include "solvutil/kernels/dense_matrix.hpp"
#include "solvutil/kernels/result_iterator.hpp"
#include "solvutil/solvutil_export.hpp"

/// y <- alpha*A*x + beta*y. A is m-by-n, x has n elements, y has m.
/// With beta = 0 the old contents of y are not read.
SOLVUTIL_API void gaxpy(double alpha, const DenseMatrix& A, const AlignedVector& x, double beta,
                        AlignedVector& y);
/// y <- alpha*A'*x + beta*y. A is m-by-n, x has m elements, y has n.
SOLVUTIL_API void tr_gaxpy(double alpha, const DenseMatrix& A, const AlignedVector& x, double beta,
                           AlignedVector& y);
/// y[0..m-1] <- A*x (x has n elements); the old values at y are not read.
SOLVUTIL_API void matvec(ResultIterator y, const DenseMatrix& A, const AlignedVector& x);
/// y[0..n-1] <- A'*x (x has m elements); the old values at y are not read.
SOLVUTIL_API void tr_matvec(ResultIterator y, const DenseMatrix& A, const AlignedVector& x);
/// y[0..m-1] <- A*x + z, using the first m elements of z.
SOLVUTIL_API void matvec(ResultIterator y, const DenseMatrix& A, const AlignedVector& x,
                         const AlignedVector& z);
/// R <- [A; B]. A is mA-by-n, B is mB-by-n, R must already be (mA+mB)-by-n.
SOLVUTIL_API void vertcat(DenseMatrix& R, const DenseMatrix& A, const DenseMatrix& B);
/// R <- op(A)*op(B) with op(X) = X' when its flag is set. R must already be
/// rows(op(A))-by-cols(op(B)); its old contents are not read.
SOLVUTIL_API void matmult(DenseMatrix& R, const DenseMatrix& A, const DenseMatrix& B, bool transA,
                          bool transB);
/// Lower triangle (with diagonal) of R <- A*A' (trans false) or A'*A (trans true).
/// R must already be square of the product's order; its strictly upper triangle is untouched.
SOLVUTIL_API void matmult_syrk(DenseMatrix& R, const DenseMatrix& A, bool trans);
/// max_i sum_j |A(i,j)|, by LAPACK dlange with a scratch vector allocated per call;
/// 0 for a matrix without rows or columns.
SOLVUTIL_API double norminf(const DenseMatrix& A);

// Raw-pointer routines behind the kernels. Matrices are column-major; the leading
// dimension of an m-row operand is max(m, 1) except in vertcat (plain row counts).

/// y <- alpha*op(A)*x + beta*y, A m-by-n, op(A) = A' when `trans`.
SOLVUTIL_API void denseMatTimesVec(double alpha, double* y, double beta, const double* A,
                                   const double* x, long m, long n, bool trans);
/// y <- op(A)*x + z, with z's first rows(op(A)) elements copied into y first.
SOLVUTIL_API void matVecPlusVec(double* y, const double* A, const double* x, const double* z,
                                long m, long n, bool trans);
/// R <- [A; B]: A is mA-by-n, B is mB-by-n, R is (mA+mB)-by-n (leading dimension mA+mB).
SOLVUTIL_API void vertcat(const double* A, long mA, const double* B, long mB, double* R, long n);
/// R <- op(A)*op(B); op(A) is M-by-K, op(B) is K-by-N, R is M-by-N.
SOLVUTIL_API void denseMatrixMultiply(double* R, const double* A, const double* B, long M, long N,
                                      long K, bool transA, bool transB);
/// One triangle of R <- A*A' (trans false) or A'*A (trans true), A m-by-n; R is square
/// of order m (or n when trans). `upper` selects the triangle written ('U' or 'L').
SOLVUTIL_API void denseMatrixMultiplySyrk(double* R, const double* A, long m, long n, bool trans,
                                          bool upper);
