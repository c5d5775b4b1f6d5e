#include "examples/lpsolve/kkt_solver.hpp"

#include <algorithm>

#include "examples/lpsolve/kkt_backends.hpp"

namespace lpsolve {

void KktSolver::solveColumns(std::vector<double>& rhs, std::size_t count) {
    const std::size_t size = rhs.size() / count;
    std::vector<double> column(size);
    for (std::size_t k = 0; k < count; ++k) {
        const auto first = rhs.begin() + static_cast<long>(k * size);
        std::copy(first, first + static_cast<long>(size), column.begin());
        solve(column);
        std::copy(column.begin(), column.end(), first);
    }
}

LinearAlgebra automaticChoice(const KktSystem& system, std::size_t denseLimit) {
    if (system.rows() + system.cols() <= denseLimit) return LinearAlgebra::Dense;
    if (system.hasOffDiagonal()) return LinearAlgebra::Sparse;
    const CscMatrix& A = *system.A;
    const std::vector<std::size_t> dense = denseColumns(A);
    const std::size_t d = dense.size();
    std::size_t entries = (A.rows + d / 2) * d, next = 0;
    for (std::size_t j = 0; j < A.cols; ++j) {
        if (next < d && dense[next] == j) {
            ++next;
            continue;
        }
        const std::size_t k = A.colStart[j + 1] - A.colStart[j];
        entries += k * (k + 1) / 2;
    }
    return entries <= 4 * (A.nnz() + A.rows) ? LinearAlgebra::Normal : LinearAlgebra::Sparse;
}

std::unique_ptr<KktSolver> makeKktSolver(const KktSystem& system, LinearAlgebra choice,
                                         std::size_t denseLimit) {
    if (choice == LinearAlgebra::Automatic) choice = automaticChoice(system, denseLimit);
    if (choice == LinearAlgebra::Augmented) {
        const bool small = system.rows() + system.cols() <= denseLimit;
        choice = small ? LinearAlgebra::Dense : LinearAlgebra::Sparse;
    }
    if (choice == LinearAlgebra::Dense) return makeDenseKkt(system);
    if (choice == LinearAlgebra::Normal && !system.hasOffDiagonal()) return makeNormalKkt(system);
    return makeSparseKkt(system);
}

}  // namespace lpsolve
