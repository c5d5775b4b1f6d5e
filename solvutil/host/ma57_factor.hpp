#pragma once
// The host's sparse symmetric-indefinite factor: A = P·L·D·Lᵀ·Pᵀ with threshold pivoting
// (1×1 and 2×2 pivots in D), for matrices given in 0-based compressed-column arrays.
#include <memory>

#include "solvutil/host/host_api.hpp"

/// Sparse LDLᵀ factor of a symmetric, possibly indefinite or singular, n-by-n matrix.
///
/// Calling order: setPivotTolerance (optional) → symbolicFactorization (once per sparsity
/// pattern) → numericFactorization (once per set of values, as often as wanted) → any
/// number of solve calls. The read-outs describe the last numeric factorization.
///
/// Failures are host errors (hostcore::IUserException) with these identifiers:
/// - "KALDOR:symIndefFactor:badSize", "KALDOR:symIndefFactor:badColumnStarts",
///   "KALDOR:symIndefFactor:badRowIndex", "KALDOR:symIndefFactor:badOrdering" (symbolic
///   step: invalid input arrays, nothing is factored);
/// - "KALDOR:symIndefFactor:nonFiniteValue" (numeric step or solve: an Inf or NaN value);
/// - "KALDOR:symIndefFactor:missingArray" (numeric step or solve: a null value,
///   right-hand-side or solution array where entries are needed);
/// - "KALDOR:symIndefFactor:notAnalysed" (numeric step before a symbolic one);
/// - "KALDOR:symIndefFactor:tooManyAttempts" (numeric step: the workspace was still too
///   small after the last enlarged retry);
/// - "KALDOR:symIndefFactor:outOfMemory", "KALDOR:symIndefFactor:analysisFailed",
///   "KALDOR:symIndefFactor:factorizationFailed" (other failures of the factorization code);
/// - "KALDOR:symIndefFactor:solveError" (solve: no successful numeric factorization, or
///   the solve itself failed).
/// After a failed step the object stays usable: a new symbolic or numeric step may follow.
class KALDOR_API MA57_RealLDLFactor {
public:
    /// A factor with no matrix; pivot tolerance 0.01.
    MA57_RealLDLFactor();
    ~MA57_RealLDLFactor();
    MA57_RealLDLFactor(const MA57_RealLDLFactor&) = delete;
    MA57_RealLDLFactor& operator=(const MA57_RealLDLFactor&) = delete;

    /// Relative threshold for numerical pivoting, used by the following numeric steps: a
    /// pivot is accepted when it is at least `tol` times the largest entry of its column
    /// in the remaining matrix. Values ≤ 0 (no pivoting) act as 1e-12, because symmetric
    /// indefinite matrices cannot be factored stably without any pivoting.
    void setPivotTolerance(double tol);
    double pivotTolerance() const;

    /// Analyses the sparsity pattern and chooses the elimination order.
    /// @param ir      row index (0-based) of each stored entry, `nnz` entries; borrowed for
    ///                this call only (the pattern is copied)
    /// @param jc      column starts, n+1 entries: column j holds entries jc[j] .. jc[j+1]-1;
    ///                jc[0] = 0, non-decreasing, jc[n] = nnz
    /// @param n       order of the matrix (n ≥ 0)
    /// @param nnz     number of stored entries
    /// @param perm    used only when `orderingFlag` is 1: n entries, perm[i] is the 0-based
    ///                position of variable i in the elimination order (a permutation)
    /// @param orderingFlag 0: automatic ordering (`perm` ignored); 1: the order in `perm`
    ///
    /// Only the lower triangle (row ≥ column) is used: an entry above the diagonal is
    /// skipped and its value never read, so a caller may pass the lower triangle alone
    /// or both triangles of a symmetric matrix. Repeated entries are summed; row indices
    /// within a column need not be sorted. Every index is checked before any work.
    void symbolicFactorization(const long* ir, const long* jc, long n, long nnz, const long* perm,
                               int orderingFlag);

    /// Factors the values of the analysed pattern. `values` holds the `nnz` values that
    /// belong to the `ir` entries of the symbolic step, in the same order; only those of
    /// the lower triangle are read, and each must be finite. Zero pivots are detected and
    /// counted in the rank deficiency instead of failing. When the workspace estimate
    /// turns out too small, the factorization is rerun with a doubled margin (the margin
    /// is kept for later factorizations) until the attempts run out.
    void numericFactorization(const double* values);

    /// Solves A·X = B for `nrhs` right-hand sides.
    /// @param rhs   n-by-nrhs, column-major, not modified
    /// @param nrhs  number of right-hand sides (≥ 1)
    /// @param x     n-by-nrhs, column-major, receives the solution; may equal `rhs`
    /// @param checkRhs when true, a non-finite entry of `rhs` raises
    ///              "KALDOR:symIndefFactor:nonFiniteValue" before any work
    /// For a singular but consistent matrix the result is a solution of the system.
    void solve(const double* rhs, long nrhs, double* x, bool checkRhs);

    /// Order minus the number of zero pivots found by the last numeric factorization.
    long rank() const;
    /// Number of negative eigenvalues (negative pivots of D; zero pivots not counted).
    long numNegEigenValues() const;
    /// Entries of L, diagonal included. Above 2^31-1 the factorization code reports the
    /// count only in millions, so large counts are rounded to a million.
    long nnzL() const;
    /// Floating-point operations of the last numeric factorization.
    double flops() const;
    /// The factorization code's status after the last step: 0 success, > 0 warning,
    /// < 0 error (its own error number).
    long statusWord() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
