#pragma once
// Dense LDLᵀ factorization without pivoting: small pivots are shifted by a fixed
// regularization instead of being exchanged, which keeps the quasi-definite sign
// structure of a KKT matrix and the position of every unknown.
// Threads: distinct solver objects (each with its own parameters and matrix) may run
// concurrently; one object serves one thread at a time.
#include "solvutil/kernels/aligned_allocator.hpp"
#include "solvutil/kernels/dense_matrix.hpp"
#include "solvutil/solvutil_export.hpp"

namespace solvutil {

/// Parameters and results of DynamicRegSolver::factor. The caller sets `rp`, `rd`,
/// `nPrimal` and `checkInertia`; every other member is reset and filled by `factor`.
///
/// Rows 0..nPrimal-1 form the primal block, rows nPrimal..n-1 the dual block. The sign of
/// `rp` is the expected sign of the primal pivots; dual pivots are expected to have the
/// other sign. With the defaults the primal block is negative and the dual block positive.
/// A default-constructed record holds RP_DEFAULT, RD_DEFAULT, nPrimal = 0 and no check.
/// rank, dualRank and the four flags are computed only when checkInertia is set; otherwise
/// factor leaves them at rank = n, dualRank = 0, the OK flags true and tinyPivot false.
/// The member order is fixed by the binary interface.
struct SOLVUTIL_API DynamicRegParams {
    double rp = RP_DEFAULT;         ///< added to a small primal pivot; its sign is the primal sign
    double rd = RD_DEFAULT;         ///< added to a small dual pivot
    unsigned long nPrimal = 0;      ///< order of the leading (primal) block, 0 <= nPrimal <= n
    bool checkInertia = false;      ///< run the inertia check after the factorization
    AlignedIndexVector regIndices;  ///< out: 0-based indices of shifted pivots, ascending
    double pivotTol = 0.0;          ///< out: a pivot with |d| <= pivotTol is shifted
    unsigned long dim = 0;          ///< out: order n of the last matrix factored
    unsigned long rank = 0;         ///< out: n minus shifted or negligible pivots
    unsigned long primalRank = 0;   ///< out: nPrimal minus the shifted primal pivots
    unsigned long dualRank = 0;     ///< out: unshifted dual pivots of magnitude >= 2^-26
    bool primalInertiaOK = true;    ///< out: every unshifted primal pivot has the primal sign
    bool dualInertiaOK = true;      ///< out: no dual pivot has the primal sign
    bool dualFullRank = true;       ///< out: no dual pivot was shifted or negligible
    bool tinyPivot = false;         ///< out: the inertia check found a negligible pivot

    /// Default primal shift, -2^-39.
    static const double RP_DEFAULT;
    /// Default dual shift, 2^-26.
    static const double RD_DEFAULT;
};

/// Dynamically regularized dense LDLᵀ: A = L·D·Lᵀ, L unit lower triangular, D diagonal,
/// no interchanges. Every pivot d with |d| <= pivotTol, tested once after all earlier
/// columns have updated it, becomes d + rp (primal block) or d + rd (dual block), and its
/// index is appended to DynamicRegParams::regIndices.
///
/// Calling order: factor(A, n, p) once per matrix, then solve(A, n, b) any number of
/// times on the same (factored) A. One object may factor matrices of any sizes in turn;
/// its only state is the panel workspace, which carries no meaning between calls.
///
/// Orders n <= 128 are factored column by column (dsyr/dscal); larger ones in panels of
/// 48 columns whose update of the trailing matrix goes through dgemm.
class SOLVUTIL_API DynamicRegSolver {
public:
    /// Factors in place the n-by-n matrix A (column-major, leading dimension n; only the
    /// lower triangle is read and written). On return the diagonal of A holds D (shifts
    /// included) and the strictly lower triangle the strictly lower part of L; the strictly
    /// upper triangle is untouched. Results go into `p`. Requires A n-by-n.
    ///
    /// The tolerance is max(|largest diagonal entry| · 2^-52, max(|rp|, |rd|)); when that
    /// diagonal entry is NaN the shift magnitude alone is used. n = 0 is accepted and only
    /// resets the results (dim = rank = 0, pivotTol = max(|rp|, |rd|)).
    void factor(DenseMatrix& A, unsigned long n, DynamicRegParams& p);

    /// Overwrites b (length n) with the solution of L·D·Lᵀ·x = b, using the factors left in
    /// A by `factor`. The shifted factors are used as they are. n must equal A.rows
    /// (n = 0 does nothing).
    void solve(const DenseMatrix& A, unsigned long n, AlignedVector& b);
    /// As above, with b given as a pointer to n doubles.
    void solve(const DenseMatrix& A, unsigned long n, double* b);

    // The two steps' names (underscore and digit included) and their being public are
    // fixed by the exported symbols.

    /// Internal step of `factor`, public so that it can be exercised on its own: unblocked
    /// right-looking factorization of the trailing m-by-m block starting at A, which points
    /// at diagonal element (lda - m, lda - m) of an lda-by-lda matrix. Uses p.pivotTol,
    /// p.rp, p.rd and p.nPrimal; appends to p.regIndices and updates p.primalRank.
    void fullColLDL2_(double* A, unsigned long lda, unsigned long m, DynamicRegParams& p);

    /// Internal step of `factor`: factors the first 48 columns of the trailing m-by-m block
    /// at A (m >= 48, same addressing as fullColLDL2_) and applies their update to the rest
    /// of the block. Needs `work` to hold at least 48·lda doubles.
    void partialColLDL3_(double* A, unsigned long lda, unsigned long m, DynamicRegParams& p);

private:
    /// Panel workspace W, lda-by-48 column-major, resized by every `factor`. It holds the
    /// panel's columns before they are scaled by their pivots (L(:,k)·d_k).
    AlignedVector work;
};

}  // namespace solvutil
