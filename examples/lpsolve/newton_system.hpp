#pragma once
// The Newton system of one interior-point iteration on top of a KktSolver:
//
//   [ -(D + Q)  A' ] [dx]   [f]
//   [  A        0  ] [dy] = [g]
//
// (Q: the Hessian of a quadratic objective, diagonal plus the system's L + L'; 0 for an LP)
//
// factor() adds the regularization that RegularizationPolicy chooses and raises it when
// the factorization reports a wrong inertia or a rank deficiency; solve() refines each
// solution against the system above without any regularization, until the residual is
// at rounding level or stops falling, so the regularization steers the factorization
// but does not bias the direction.
#include <cstddef>
#include <span>
#include <vector>

#include "examples/lpsolve/kkt_solver.hpp"
#include "examples/lpsolve/regularization.hpp"
#include "solvutil/kernels/aligned_allocator.hpp"
#include "solvutil/kernels/sparse_matrix.hpp"

namespace lpsolve {

class NewtonSystem {
public:
    /// `hessianDiagonal`: Q's diagonal (n entries, each >= 0), or empty for none.
    NewtonSystem(const KktSystem& system, KktSolver& kkt,
                 std::span<const double> hessianDiagonal = {});

    /// Factors the system for the diagonal `d` (n entries, each finite and >= 0).
    /// Throws LpError(NumericalFailure) when d is not finite or no regularization gives a
    /// usable factor.
    void factor(std::span<const double> d);

    /// Factors the same diagonal again with more regularization: for when the solves of
    /// the last factorization could not be refined to the accuracy the caller needs.
    /// False (and nothing done) when the regularization is as large as it usefully gets.
    bool strengthen();
    /// Takes back the raise of the last strengthen() for the factorizations to come (the
    /// current factor stays as it is).
    void relax() { policy_.lowerAfterRaise(); }

    /// Largest relative residual a solve has ended with since the last factorization.
    double residualSinceFactor() const { return worstSinceFactor_; }

    /// Solves for [dx; dy] given f (n entries) and g (m entries).
    void solve(std::span<const double> f, std::span<const double> g, AlignedVector& dx,
               AlignedVector& dy);

    /// One right-hand side [f; g] and where its solution [dx; dy] goes.
    struct Rhs {
        std::span<const double> f, g;
        AlignedVector* dx;
        AlignedVector* dy;
    };
    /// Solves several right-hand sides on the same factor, each refined as above. Their
    /// solves (and refinement steps) go to the KKT solver together, which the sparse back
    /// ends do in one pass over the factor.
    void solve(std::span<const Rhs> batch);

    /// A as the library's sparse matrix, built once by the constructor.
    const SparseMatrix& matrix() const { return S_; }

    std::size_t refactorizations() const { return refactorizations_; }
    std::size_t rankDeficientFactors() const { return rankDeficient_; }

private:
    void factorWithPolicy();
    // rhs - K sol for the unregularized K, into r; returns ||r||_inf.
    double residual(const AlignedVector& rhs, const std::vector<double>& sol, AlignedVector& r);

    const CscMatrix& A_;
    const CscMatrix* L_;               // strictly lower Hessian triangle, or null
    std::vector<double> hessianDiag_;  // empty for an LP
    SparseMatrix S_;                   // A for the product kernels
    KktSolver& kkt_;
    RegularizationPolicy policy_;
    std::vector<double> d_;  // the unregularized diagonal (D + diag Q) of the last factor
    std::size_t refactorizations_ = 0;
    std::size_t rankDeficient_ = 0;
    double worstSinceFactor_ = 0.0;
    struct Column {  // one right-hand side of a batch and its refinement
        AlignedVector rhs, res, trialRes;
        std::vector<double> sol, trial;
        double resNorm = 0.0, scale = 1.0;
    };
    std::vector<Column> columns_;
    std::vector<double> block_;               // right-hand sides handed to the KKT solver
    AlignedVector xPart_, yPart_, ax_, aty_;  // operands and results of the products
};

}  // namespace lpsolve
