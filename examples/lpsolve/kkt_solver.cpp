#include "examples/lpsolve/kkt_solver.hpp"

#include "examples/lpsolve/kkt_backends.hpp"

namespace lpsolve {

std::unique_ptr<KktSolver> makeKktSolver(const KktSystem& system, LinearAlgebra choice,
                                         std::size_t denseLimit) {
    if (choice == LinearAlgebra::Automatic) {
        choice = system.rows() + system.cols() <= denseLimit ? LinearAlgebra::Dense
                                                             : LinearAlgebra::Sparse;
    }
    if (choice == LinearAlgebra::Dense) return makeDenseKkt(system);
    if (choice == LinearAlgebra::Normal) return makeNormalKkt(system);
    return makeSparseKkt(system);
}

}  // namespace lpsolve
