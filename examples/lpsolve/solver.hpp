#pragma once
// The whole solve: read, presolve, convert, iterate, check, report.
#include <cstddef>
#include <string>
#include <vector>

#include "examples/lpsolve/ipm.hpp"
#include "examples/lpsolve/lp_error.hpp"
#include "examples/lpsolve/options.hpp"

namespace lpsolve {

struct SolveOutcome {
    IpmStatus status = IpmStatus::NumericalFailure;
    std::string problem;         ///< problem name from the file
    double objective = 0.0;      ///< with the objective constant (and 1/2 x'Qx for a QP)
    bool quadratic = false;      ///< the objective has a Hessian
    double quadraticPart = 0.0;  ///< 1/2 x'Qx at x, in the file's sense
    std::size_t iterations = 0;
    /// LinearConstraint::maxConstrViolation of the final point on the model's constraints:
    /// negative when there are no equalities and every other row holds strictly.
    double maxViolation = 0.0;
    double seconds = 0.0;
    std::vector<double> x;  ///< one value per column of the file
    std::string message;
    std::string linearAlgebra;             ///< back end used
    std::size_t refactorizations = 0;      ///< see IpmResult
    std::size_t rankDeficientFactors = 0;  ///< see IpmResult
};

/// Solves the problem in options.file; prints the progress table unless options.quiet.
/// Throws LpError for unreadable input and for a KKT factorization that fails.
SolveOutcome solveFile(const Options& options);

/// Solves and prints the final summary (errors to stderr); returns the exit code.
ExitCode runSolver(const Options& options);

}  // namespace lpsolve
