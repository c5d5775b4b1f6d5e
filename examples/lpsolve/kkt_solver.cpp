#include "examples/lpsolve/kkt_solver.hpp"

#include "examples/lpsolve/kkt_backends.hpp"

namespace lpsolve {

std::unique_ptr<KktSolver> makeKktSolver(const CscMatrix& A, LinearAlgebra choice,
                                         std::size_t denseLimit) {
    (void)choice;
    (void)denseLimit;
    return makeLapackKkt(A);
}

}  // namespace lpsolve
