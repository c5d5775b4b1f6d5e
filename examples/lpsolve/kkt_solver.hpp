#pragma once
// The linear system an interior-point iteration solves, behind one small interface so
// that dense and sparse factorizations can be swapped:
//
//   [ -(L + L' + D + rho I)   A'      ] [dx]   [f]    D   = diagonal, n entries, D >= 0
//   [  A                      delta I ] [dy] = [g]    rho = primal, delta = dual regularization
//
// L is the strictly lower triangle of a quadratic objective's Hessian Q (absent for an
// LP); Q's diagonal is part of D. The structure (which blocks exist) is fixed at
// construction by a KktSystem; each factorization brings only values (KktValues).
//
// Calling order: construct with a KktSystem (its matrices are borrowed and must outlive
// the solver), then any number of factor() calls, each followed by any number of solve()
// calls.
#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "examples/lpsolve/lp_model.hpp"

namespace lpsolve {

/// The blocks of the system: the constraint matrix A (m x n) and, for a QP whose Hessian
/// has off-diagonal entries, their strictly lower triangle L (n x n; null otherwise).
struct KktSystem {
    const CscMatrix* A = nullptr;
    const CscMatrix* L = nullptr;
    bool hasOffDiagonal() const { return L != nullptr && L->nnz() > 0; }
    std::size_t rows() const { return A->rows; }
    std::size_t cols() const { return A->cols; }
};

/// The values of one factorization.
struct KktValues {
    std::span<const double> diagonal;  ///< D, n entries, each >= 0
    double primalReg = 0.0;            ///< rho >= 0, added to every entry of D
    double dualReg = 0.0;              ///< delta >= 0 on the m dual rows
    /// Used where A (D + rho)^-1 A' is formed (normal equations): each of its diagonal
    /// entries gets this fraction of itself on top of delta.
    double relativeDualReg = 0.0;
};

/// What a factorization found out about the matrix. With exact arithmetic the matrix
/// is quasi-definite: n negative and m positive pivots, full rank.
struct KktReport {
    bool factored = false;  ///< false: the factorization gave up
    std::size_t rank = 0;   ///< numerical rank of the factored matrix
    std::size_t negativePivots = 0;
    std::size_t regularizedPivots = 0;  ///< pivots the factorization had to shift
    bool inertiaOk = false;             ///< n negative pivots, m positive ones
    std::size_t factorEntries = 0;      ///< entries of the sparse factor (0: not counted)
};

class KktSolver {
public:
    virtual ~KktSolver() = default;
    /// Factors the matrix for the given values. D + rho must be positive on every column.
    virtual KktReport factor(const KktValues& values) = 0;
    /// Overwrites rhs = [f; g] (n + m entries) with [dx; dy].
    virtual void solve(std::vector<double>& rhs) = 0;
    /// The same for `count` right-hand sides of n + m entries stored one after another.
    /// The sparse back ends pass over their factor once for all of them, which costs
    /// little more than one solve; the default solves them one by one.
    virtual void solveColumns(std::vector<double>& rhs, std::size_t count);
    /// Short name for the log ("dense", "sparse").
    virtual std::string name() const = 0;
    /// The dual regularization a factorization starts from. A back end that factors
    /// without pivoting needs more of it to stay stable than one that pivots.
    virtual double baseDualRegularization() const { return 1e-14; }
};

/// Dense and Sparse factor the augmented system above; Normal eliminates dx and factors
/// the normal equations A (D + rho)^-1 A' + delta I (sparse), which needs L = 0: for a
/// system with L, makeKktSolver and automaticChoice take Sparse in its place. Augmented is
/// Dense for n + m up to the dense limit, Sparse above.
enum class LinearAlgebra { Automatic, Dense, Sparse, Normal, Augmented };

/// What Automatic stands for: Dense for n + m up to `denseLimit`; above, Normal when
/// forming A D^-1 A' is cheap: its column pairs (sum of k(k+1)/2 over the counts k of the
/// columns that are not dense, see denseColumns()) plus the border of the dense ones
/// (about (m + d/2) d entries for d dense columns) are at most 4 (nonzeros + rows);
/// Sparse otherwise.
LinearAlgebra automaticChoice(const KktSystem& system, std::size_t denseLimit = 400);

/// The back end for `choice` (Automatic: automaticChoice).
std::unique_ptr<KktSolver> makeKktSolver(const KktSystem& system, LinearAlgebra choice,
                                         std::size_t denseLimit = 400);

}  // namespace lpsolve
