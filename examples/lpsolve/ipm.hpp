#pragma once
// Mehrotra predictor-corrector interior-point method for
//   minimize c'x  subject to  A x = b,  l <= x <= u          (StandardForm)
// working on the bound slacks x - l and u - x of the finite bounds and their duals.
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "examples/lpsolve/kkt_solver.hpp"
#include "examples/lpsolve/standard_form.hpp"

namespace lpsolve {

struct IpmOptions {
    double tolerance = 1e-8;          ///< relative primal, dual and gap tolerance
    std::size_t maxIterations = 100;
};

enum class IpmStatus { Optimal, Infeasible, Unbounded, IterationLimit, NumericalFailure };

/// One row of the progress table.
struct IterationInfo {
    std::size_t iteration = 0;
    double objective = 0.0;        ///< primal objective with the constant
    double primalInfeasibility = 0.0;  ///< ||b - A x||_inf
    double dualInfeasibility = 0.0;    ///< ||c - A'y - zl + zu||_inf
    double complementarity = 0.0;  ///< sum of slack * dual over all finite bounds
    double barrier = 0.0;          ///< mu = complementarity / number of finite bounds
    double stepLength = 0.0;       ///< min(primal step, dual step) of the step just taken
    std::size_t corrections = 0;   ///< corrector solves in the step just taken
};

struct IpmResult {
    IpmStatus status = IpmStatus::NumericalFailure;
    std::vector<double> x, y, zl, zu;
    std::size_t iterations = 0;
    double objective = 0.0;  ///< primal objective with the constant
    std::string message;     ///< why the method stopped, for the user
    std::size_t refactorizations = 0;      ///< factorizations repeated for a wrong inertia
    std::size_t rankDeficientFactors = 0;  ///< factorizations that reported a rank deficiency
};

using IterationCallback = std::function<void(const IterationInfo&)>;

/// Runs the method. Throws LpError(NumericalFailure) when the KKT matrix cannot be
/// factored even after raising the regularization.
IpmResult solveIpm(const StandardForm& sf, const IpmOptions& options, KktSolver& kkt,
                   const IterationCallback& onIteration);

}  // namespace lpsolve
