#pragma once
// Constructors of the KKT back ends (one source file each). Both keep a reference to A.
#include <memory>

#include "examples/lpsolve/kkt_solver.hpp"

namespace lpsolve {

/// sym_kktcat + solvutil::DynamicRegSolver on the dense (n + m)-square matrix.
std::unique_ptr<KktSolver> makeDenseKkt(const CscMatrix& A);

/// EqnSolverSparseLDL on the lower triangle in compressed-column form.
std::unique_ptr<KktSolver> makeSparseKkt(const CscMatrix& A);

}  // namespace lpsolve
