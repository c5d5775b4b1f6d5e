#pragma once
// Constructors of the KKT back ends (one source file each).
#include <memory>

#include "examples/lpsolve/kkt_solver.hpp"

namespace lpsolve {

std::unique_ptr<KktSolver> makeLapackKkt(const CscMatrix& A);

}  // namespace lpsolve
