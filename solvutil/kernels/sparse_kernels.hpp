#pragma once
// Sparse matrix kernels on compressed-column SparseMatrix objects. They share the names
// of the dense kernels so a solver can be written once for both storage kinds.
// Products walk the columns once: plain products scatter along columns, transposed
// products gather along them (no transposed copy is ever formed). Row indices within a
// column may be unsorted and repeated (repeats are summed). Nothing is checked: the
// caller supplies vectors and ranges of the right size and valid jc/ir arrays.
// The global namespace and the exact signatures are fixed by the exported names.
// Threads: the kernels keep no state; calls on distinct outputs may run concurrently.
// Debug builds (SOLVUTIL_DEBUG_ASSERT) check the operands' sizes; release builds do not.
#include "solvutil/kernels/aligned_allocator.hpp"
#include "solvutil/kernels/result_iterator.hpp"
#include "solvutil/kernels/sparse_matrix.hpp"
#include "solvutil/solvutil_export.hpp"

/// y <- beta*y + alpha*S*x. S is m-by-n, x has n elements, y at least m: all of y is
/// scaled by beta (also when beta = 1), its first m elements receive alpha*S*x.
/// Uses one scratch vector of m elements per call.
SOLVUTIL_API void gaxpy(double alpha, const SparseMatrix& S, const AlignedVector& x, double beta,
                        AlignedVector& y);
/// y <- beta*y + alpha*S'*x. x has m elements, y at least n (see gaxpy).
SOLVUTIL_API void tr_gaxpy(double alpha, const SparseMatrix& S, const AlignedVector& x, double beta,
                           AlignedVector& y);
/// y[0..m-1] <- S*x; the old values at y are not read.
SOLVUTIL_API void matvec(ResultIterator y, const SparseMatrix& S, const AlignedVector& x);
/// y[0..n-1] <- S'*x; the old values at y are not read.
SOLVUTIL_API void tr_matvec(ResultIterator y, const SparseMatrix& S, const AlignedVector& x);
/// y[0..m-1] <- S*x + z, using the first m elements of z.
SOLVUTIL_API void matvec(ResultIterator y, const SparseMatrix& S, const AlignedVector& x,
                         const AlignedVector& z);
/// R <- [A; B] column by column, A's entries first. R's arrays must already hold
/// A.cols+1 column starts and nnz(A)+nnz(B) entries; R.rows and R.cols are not changed
/// (the caller sets them to A.rows+B.rows and A.cols). B needs at least A.cols columns.
SOLVUTIL_API void vertcat(SparseMatrix& R, const SparseMatrix& A, const SparseMatrix& B);
