#include "solvutil/solvers/algorithm_names.hpp"

namespace solvutil {

const std::string algorithmNames[ALGORITHM_NAME_COUNT] = {
    "Linear Programming",
    "Quadratic Programming",
    "Sequential Quadratic Programming",
    "Linear Constraints",
    "Sparse LDL MA57",
    "Sparse LU UMFPACK",
    "Active-Set Algorithm",
    "Predictor-Corrector Algorithm",
    "Dual-Simplex Algorithm",
    "PhaseI",
};

}  // namespace solvutil
