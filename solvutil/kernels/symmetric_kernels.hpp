#pragma once
// Kernels on dense symmetric matrices of which only one triangle is trusted: products,
// the infinity norm and a copy of the lower triangle. The order of a symmetric matrix is
// its `rows`. Each kernel is one BLAS/LAPACK call; nothing is checked.
// The KKT assembly lives in solvutil/kernels/kkt_kernels.hpp.
// The global namespace and the exact signatures are fixed by the exported names.
// Threads: the kernels keep no state; calls on distinct outputs may run concurrently.
// Debug builds (SOLVUTIL_DEBUG_ASSERT) check the operands' sizes; release builds do not.
#include "solvutil/kernels/aligned_allocator.hpp"
#include "solvutil/kernels/dense_matrix.hpp"
#include "solvutil/kernels/result_iterator.hpp"
#include "solvutil/solvutil_export.hpp"

/// y <- alpha*A*x + beta*y with A n-by-n symmetric, read from its upper triangle when
/// `upper`, else from its lower one (the other triangle is never read). x and y have n
/// elements; with beta = 0 the old y is not read.
SOLVUTIL_API void sym_gaxpy(double alpha, const DenseMatrix& A, const AlignedVector& x, double beta,
                            AlignedVector& y, bool upper);
/// y[0..n-1] <- A*x, A symmetric read from its lower triangle.
SOLVUTIL_API void sym_matvec(ResultIterator y, const DenseMatrix& A, const AlignedVector& x);
/// y[0..n-1] <- A*x + z (first n elements of z), A read from its lower triangle.
SOLVUTIL_API void sym_matvec(ResultIterator y, const DenseMatrix& A, const AlignedVector& x,
                             const AlignedVector& z);
/// Infinity norm of the symmetric matrix stored in A's lower triangle (LAPACK dlansy);
/// a scratch vector of n elements is allocated per call. 0 for a 0-by-0 matrix.
SOLVUTIL_API double sym_norminf(const DenseMatrix& A);
/// Lower triangle (with diagonal) of R <- lower triangle of A. The order n = R.rows is
/// used for both matrices and as both leading dimensions; R's strictly upper triangle
/// keeps its values.
SOLVUTIL_API void sym_copy(DenseMatrix& R, const DenseMatrix& A);

// Raw-pointer routines; A is n-by-n with leading dimension max(n, 1) unless stated.

/// y <- alpha*A*x + beta*y, A read from the triangle selected by `upper`.
SOLVUTIL_API void denseSymMatTimesVec(double alpha, double* y, double beta, const double* A,
                                      const double* x, long n, bool upper);
/// y <- A*x + z (z copied into y first), A read from its lower triangle.
SOLVUTIL_API void matSymVecPlusVec(double* y, const double* A, const double* x, const double* z,
                                   long n);
/// Lower triangle of R <- lower triangle of A, both n-by-n with leading dimension n.
SOLVUTIL_API void matSymCopy(double* R, const double* A, long n);
