#pragma once
// Assembly of the symmetric KKT matrix of a quadratic model with linear constraints,
//
//        [  H    0   -A1' ]     H  : nH-by-nH Hessian block (copied unchanged)
//    K = [  0    0   -A2' ]     A  = [A1 A2], mA-by-nA, A1 its first nH columns
//        [ -A1  -A2   0   ]     K  : nK-by-nK with nK = nA + mA, p = nA - nH
//
// where the p middle variables carry no Hessian. The constraint blocks are negated.
// The global namespace and the exact signatures are fixed by the exported names.
// Threads: the kernels keep no state; calls on distinct outputs may run concurrently.
// Debug builds (SOLVUTIL_DEBUG_ASSERT) check the operands' sizes; release builds do not.
#include "solvutil/kernels/dense_matrix.hpp"
#include "solvutil/solvutil_export.hpp"

/// K <- the KKT matrix of H and A above, whole (`full`) or only its lower triangle with
/// diagonal (entries above the diagonal are then not written). K must already be
/// (A.cols + A.rows) square with H.rows <= A.cols; nothing is checked or resized.
SOLVUTIL_API void sym_kktcat(DenseMatrix& K, const DenseMatrix& H, const DenseMatrix& A, bool full);

/// Raw form of sym_kktcat: K is nK-by-nK, H nH-by-nH, A mA-by-nA, all column-major with
/// leading dimension equal to their row count.
SOLVUTIL_API void symKKTCat(double* K, long nK, const double* H, long nH, const double* A, long mA,
                            long nA, bool full);
