#pragma once
// The Newton system of one interior-point iteration on top of a KktSolver: it adds the
// primal and dual regularization, raises both when the factorization reports a wrong
// inertia or a rank deficiency, and refines each solution against the system without
// the dual regularization.
#include <cstddef>
#include <vector>

#include "examples/lpsolve/kkt_solver.hpp"

namespace lpsolve {

class NewtonSystem {
public:
    NewtonSystem(const CscMatrix& A, KktSolver& kkt);

    /// Factors [-(D + rho I)  A'; A  delta I] for the barrier diagonal `d`.
    /// Throws LpError(NumericalFailure) when no regularization gives a usable factor.
    void factor(const std::vector<double>& d);

    /// Solves for [dx; dy] given f (n entries) and g (m entries).
    void solve(const std::vector<double>& f, const std::vector<double>& g,
               std::vector<double>& dx, std::vector<double>& dy);

    std::size_t refactorizations() const { return refactorizations_; }
    std::size_t rankDeficientFactors() const { return rankDeficient_; }
    double primalRegularization() const { return primalReg_; }

private:
    void residual(const std::vector<double>& rhs, const std::vector<double>& sol,
                  std::vector<double>& r) const;

    const CscMatrix& A_;
    KktSolver& kkt_;
    std::vector<double> d_;  // barrier diagonal plus primal regularization
    double primalReg_;
    double dualReg_;
    std::size_t refactorizations_ = 0;
    std::size_t rankDeficient_ = 0;
    std::vector<double> rhs_, sol_, res_;
};

}  // namespace lpsolve
