#pragma once
// The linear system an interior-point iteration solves, behind one small interface so
// that dense and sparse factorizations can be swapped:
//
//   [ -D   A' ] [dx]   [f]      D  = diagonal, n entries, D > 0 (barrier + regularization)
//   [  A  dI  ] [dy] = [g]      dI = dual regularization (d >= 0) on the m rows
//
// Calling order: construct with A (borrowed; it must outlive the solver), then any
// number of factor() calls, each followed by any number of solve() calls.
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "examples/lpsolve/lp_model.hpp"

namespace lpsolve {

/// What a factorization found out about the matrix. With exact arithmetic the matrix
/// is quasi-definite: n negative and m positive pivots, full rank.
struct KktReport {
    bool factored = false;        ///< false: the factorization gave up
    std::size_t rank = 0;         ///< numerical rank of the factored matrix
    std::size_t negativePivots = 0;
    std::size_t regularizedPivots = 0;  ///< pivots the factorization had to shift
    bool inertiaOk = false;       ///< n negative pivots, m positive ones
};

class KktSolver {
public:
    virtual ~KktSolver() = default;
    /// Factors the matrix for diagonal `d` (n entries) and dual regularization `dualReg`.
    virtual KktReport factor(const std::vector<double>& d, double dualReg) = 0;
    /// Overwrites rhs = [f; g] (n + m entries) with [dx; dy].
    virtual void solve(std::vector<double>& rhs) = 0;
    /// Short name for the log ("dense", "sparse").
    virtual std::string name() const = 0;
    /// The dual regularization a factorization starts from. A back end that factors
    /// without pivoting needs more of it to stay stable than one that pivots.
    virtual double baseDualRegularization() const { return 1e-14; }
};

enum class LinearAlgebra { Automatic, Dense, Sparse };

/// The back end for `choice`; Automatic picks dense for n + m up to `denseLimit`.
std::unique_ptr<KktSolver> makeKktSolver(const CscMatrix& A, LinearAlgebra choice,
                                         std::size_t denseLimit = 400);

}  // namespace lpsolve
