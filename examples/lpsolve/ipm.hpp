#pragma once
// A homogeneous self-dual interior-point method (Mehrotra predictor-corrector steps) for
//   minimize c'x (+ 1/2 x'Qx)  subject to  A x = b,  l <= x <= u          (StandardForm)
// The problem is equilibrated first (Scaling) and every result is unscaled exactly.
// Verdicts of infeasibility and unboundedness are given only for certificates that
// check out on the unscaled problem (certificates.hpp).
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "examples/lpsolve/kkt_solver.hpp"
#include "examples/lpsolve/standard_form.hpp"

namespace lpsolve {

struct IpmOptions {
    double tolerance = 1e-8;  ///< relative primal, dual, gap and certificate tolerance
    std::size_t maxIterations = 100;
    LinearAlgebra linearAlgebra = LinearAlgebra::Automatic;
};

enum class IpmStatus { Optimal, Infeasible, Unbounded, IterationLimit, NumericalFailure };

/// One row of the progress table, in the units of the unscaled problem.
struct IterationInfo {
    std::size_t iteration = 0;
    double objective = 0.0;            ///< primal objective (with 1/2 x'Qx) at x / tau, constant
    double primalInfeasibility = 0.0;  ///< ||b - A x||_inf at x / tau
    double dualInfeasibility = 0.0;    ///< ||c + Qx - A'y - zl + zu||_inf at (x, y, z) / tau
    double complementarity = 0.0;      ///< xl'zl + xu'zu + tau kappa (scaled problem)
    double barrier = 0.0;              ///< complementarity / number of pairs
    double stepLength = 0.0;           ///< step taken to reach this iterate
    std::size_t corrections = 0;       ///< corrector solves in that step
};

struct IpmResult {
    IpmStatus status = IpmStatus::NumericalFailure;
    std::vector<double> x, y, zl, zu;  ///< unscaled; a certificate when not optimal
    /// At an optimum: -1 (+1) where x sits exactly on its lower (upper) bound, else 0.
    std::vector<signed char> atBound;
    std::size_t iterations = 0;
    double objective = 0.0;                ///< primal objective with the constant
    std::string message;                   ///< why the method stopped, for the user
    std::string linearAlgebra;             ///< back end used ("dense", "sparse")
    std::size_t refactorizations = 0;      ///< factorizations repeated with more regularization
    std::size_t rankDeficientFactors = 0;  ///< factorizations that reported a rank deficiency
};

using IterationCallback = std::function<void(const IterationInfo&)>;

/// Runs the method. Throws LpError(NumericalFailure) when the KKT matrix cannot be
/// factored even after raising the regularization, or the iterates stop being finite.
IpmResult solveIpm(const StandardForm& sf, const IpmOptions& options,
                   const IterationCallback& onIteration);

}  // namespace lpsolve
