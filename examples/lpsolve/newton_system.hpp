#pragma once
// The Newton system of one interior-point iteration on top of a KktSolver: it adds the
// primal and dual regularization, raises both when the factorization reports a wrong
// inertia or a rank deficiency, and refines each solution against the system without
// the dual regularization.
#include <cstddef>
#include <span>
#include <vector>

#include "examples/lpsolve/kkt_solver.hpp"
#include "solvutil/kernels/aligned_allocator.hpp"
#include "solvutil/kernels/sparse_matrix.hpp"

namespace lpsolve {

class NewtonSystem {
public:
    NewtonSystem(const CscMatrix& A, KktSolver& kkt);

    /// Factors [-(D + rho I)  A'; A  delta I] for the barrier diagonal `d`.
    /// Throws LpError(NumericalFailure) when no regularization gives a usable factor.
    void factor(const std::vector<double>& d);

    /// Solves for [dx; dy] given f (n entries) and g (m entries).
    void solve(std::span<const double> f, std::span<const double> g, std::vector<double>& dx,
               std::vector<double>& dy);
    void solve(std::span<const double> f, std::span<const double> g, AlignedVector& dx,
               AlignedVector& dy);

    /// A as the library's sparse matrix, built once by the constructor.
    const SparseMatrix& matrix() const { return S_; }

    std::size_t refactorizations() const { return refactorizations_; }
    std::size_t rankDeficientFactors() const { return rankDeficient_; }
    double primalRegularization() const { return primalReg_; }

private:
    // Leaves the refined solution [dx; dy] in sol_.
    void solveRefined(std::span<const double> f, std::span<const double> g);
    void residual(const AlignedVector& rhs, const std::vector<double>& sol, AlignedVector& r);

    const CscMatrix& A_;
    SparseMatrix S_;  // A for the product kernels
    KktSolver& kkt_;
    std::vector<double> d_;  // barrier diagonal plus primal regularization
    double primalReg_;
    double dualReg_;
    std::size_t refactorizations_ = 0;
    std::size_t rankDeficient_ = 0;
    AlignedVector rhs_, res_, trialRes_;
    std::vector<double> sol_, trial_, correction_;  // the KKT solver works in place on these
    AlignedVector xPart_, yPart_, ax_, aty_;         // operands and results of the products
};

}  // namespace lpsolve
