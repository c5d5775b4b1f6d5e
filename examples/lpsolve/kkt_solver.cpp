#include "examples/lpsolve/kkt_solver.hpp"

#include "examples/lpsolve/kkt_backends.hpp"

namespace lpsolve {

std::unique_ptr<KktSolver> makeKktSolver(const CscMatrix& A, LinearAlgebra choice,
                                         std::size_t denseLimit) {
    if (choice == LinearAlgebra::Automatic) {
        choice = A.rows + A.cols <= denseLimit ? LinearAlgebra::Dense : LinearAlgebra::Sparse;
    }
    if (choice == LinearAlgebra::Dense) return makeDenseKkt(A);
    return makeSparseKkt(A);
}

}  // namespace lpsolve
