#pragma once
// The one exception type of the solver program: a message for the user and the exit code
// that goes with it.
#include <stdexcept>
#include <string>

namespace lpsolve {

enum class ExitCode : int {
    Optimal = 0,
    Usage = 1,
    BadInput = 2,  ///< missing, unreadable or unsupported file
    Infeasible = 3,
    Unbounded = 4,
    NumericalFailure = 5,  ///< KKT factorization failed, or no progress
    IterationLimit = 6,
    NonConvex = 7,  ///< the quadratic objective is not convex
};

class LpError : public std::runtime_error {
public:
    LpError(ExitCode code, const std::string& message) : std::runtime_error(message), code_(code) {}
    ExitCode code() const { return code_; }

private:
    ExitCode code_;
};

}  // namespace lpsolve
