#pragma once
// Constructors of the KKT back ends (one source file each). All borrow the system's
// matrices.
#include <memory>

#include "examples/lpsolve/kkt_solver.hpp"

namespace lpsolve {

/// sym_kktcat + solvutil::DynamicRegSolver on the dense (n + m)-square matrix.
std::unique_ptr<KktSolver> makeDenseKkt(const KktSystem& system);

/// EqnSolverSparseLDL on the lower triangle in compressed-column form.
std::unique_ptr<KktSolver> makeSparseKkt(const KktSystem& system);

/// EqnSolverSparseLDL on the normal equations A (D + rho)^-1 A' + delta I (m x m).
std::unique_ptr<KktSolver> makeNormalKkt(const KktSystem& system);

}  // namespace lpsolve
