#pragma once
// The eight counts of a linear constraint problem, shared between LinearConstraint and
// the code that builds it.
#include <cstddef>

/// Counts of one constraint problem. LinearConstraint points to this record and never
/// frees it. `_createBoundAndFixedConstraints` writes nFixed, nLB and nUB; the builder
/// sets the rest.
struct ConstraintCounts {
    std::size_t nTotal = 0;  ///< total number of constraints (printed only)
    std::size_t nIneq = 0;   ///< inequality rows A x <= b
    std::size_t nEq = 0;     ///< equality rows Aeq x = beq
    std::size_t nFixed = 0;  ///< fixed-variable rows x(j) = ub(j)
    std::size_t nLB = 0;     ///< finite lower-bound rows
    std::size_t nUB = 0;     ///< finite upper-bound rows
    std::size_t nExtra = 0;  ///< free for the builder's own use; never read by the library
    std::size_t nVar = 0;    ///< number of variables
};
