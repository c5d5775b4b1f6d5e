#pragma once
// The names of the host's algorithms, indexed 0-9. Built when the library is loaded,
// destroyed when it is unloaded; entry 4 names EqnSolverSparseLDL.
#include <string>

#include "solvutil/solvutil_export.hpp"

namespace solvutil {

/// Number of entries in algorithmNames.
inline constexpr int ALGORITHM_NAME_COUNT = 10;

/// Index of each name in algorithmNames.
enum AlgorithmNameIndex : int {
    ALG_LINEAR_PROGRAMMING = 0,
    ALG_QUADRATIC_PROGRAMMING = 1,
    ALG_SEQUENTIAL_QUADRATIC_PROGRAMMING = 2,
    ALG_LINEAR_CONSTRAINTS = 3,
    ALG_SPARSE_LDL_MA57 = 4,
    ALG_SPARSE_LU_UMFPACK = 5,
    ALG_ACTIVE_SET = 6,
    ALG_PREDICTOR_CORRECTOR = 7,
    ALG_DUAL_SIMPLEX = 8,
    ALG_PHASE_I = 9,
};

/// The ten algorithm names ("Linear Programming", ..., "PhaseI").
SOLVUTIL_API extern const std::string algorithmNames[ALGORITHM_NAME_COUNT];

}  // namespace solvutil
