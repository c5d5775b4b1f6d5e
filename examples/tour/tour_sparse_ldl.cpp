#include <cmath>
#include <cstdio>
#include <vector>

#include "examples/tour/tour.hpp"
#include "solvutil/solvers/eqn_solver_sparse_ldl.hpp"

namespace tour {

// A small equality-constrained QP's KKT system  [H Aᵀ; A 0] [x; y] = [-c; b]:
// H is the 1D Laplacian tridiag(-1, 2, -1) of order 6, A has two rows.
void sparseLdl() {
    section("sparse LDL' equation solver (EqnSolverSparseLDL)");
    const long nx = 6, nc = 2, n = nx + nc;
    // Lower triangle, compressed columns, 0-based.
    std::vector<long> jc{0}, ir;
    std::vector<double> pr;
    for (long j = 0; j < nx; ++j) {
        ir.push_back(j);
        pr.push_back(2.0);
        if (j + 1 < nx) {
            ir.push_back(j + 1);
            pr.push_back(-1.0);
        }
        ir.push_back(nx);  // constraint 0: the sum of all x
        pr.push_back(1.0);
        if (j % 2 == 0) {  // constraint 1: x0 + x2 + x4 - ...
            ir.push_back(nx + 1);
            pr.push_back(j == 4 ? -1.0 : 1.0);
        }
        jc.push_back(static_cast<long>(ir.size()));
    }
    jc.push_back(static_cast<long>(ir.size()));
    jc.push_back(static_cast<long>(ir.size()));

    EqnSolverSparseLDL solver(0.01);
    solver.factor(n, n, pr.data(), ir.data(), jc.data(), static_cast<long>(ir.size()));
    long rank = 0, negative = 0, entriesL = 0;
    double flops = 0;
    solver.rank(rank);
    solver.numNegEigenValues(negative);
    solver.getNnzL(entriesL);
    solver.getFlops(flops);
    std::printf("%s: order %ld, %zu stored entries (lower triangle)\n", solver.name.c_str(), n,
                ir.size());
    std::printf("rank %ld, inertia (+%ld, -%ld, 0:%ld), entries of L %ld, flops %.0f\n", rank,
                rank - negative, negative, n - rank, entriesL, flops);

    AlignedVector rhs{-1, -1, -1, -1, -1, -1, 3, 0}, sol(static_cast<std::size_t>(n));
    solver.solve(sol, rhs);
    std::printf("x =");
    for (long i = 0; i < nx; ++i) std::printf(" %.4f", sol[static_cast<std::size_t>(i)]);
    std::printf("\ny = %.4f %.4f   (status %d)\n", sol[6], sol[7], solver.status);
    double sum = 0;
    for (long i = 0; i < nx; ++i) sum += sol[static_cast<std::size_t>(i)];
    std::printf("check: sum(x) = %.12g (should be 3)\n", sum);
}

}  // namespace tour
