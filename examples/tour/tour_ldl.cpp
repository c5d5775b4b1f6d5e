#include <cmath>
#include <cstdio>

#include "examples/tour/tour.hpp"
#include "solvutil/kernels/dense_matrix.hpp"
#include "solvutil/solvers/dynamic_reg_solver.hpp"

namespace tour {

namespace {

void printInertiaReport(const solvutil::DynamicRegParams& p) {
    std::printf("pivot tolerance  %.3e\n", p.pivotTol);
    std::printf("shifted pivots   {");
    for (std::size_t k = 0; k < p.regIndices.size(); ++k)
        std::printf("%s%lu", k ? ", " : "", p.regIndices[k]);
    std::printf("}\n");
    std::printf("rank %lu of %lu  (primal %lu of %lu, dual %lu of %lu)\n", p.rank, p.dim,
                p.primalRank, p.nPrimal, p.dualRank, p.dim - p.nPrimal);
    std::printf("primal inertia %s, dual inertia %s, dual full rank %s, tiny pivot %s\n",
                p.primalInertiaOK ? "ok" : "WRONG", p.dualInertiaOK ? "ok" : "WRONG",
                p.dualFullRank ? "yes" : "no", p.tinyPivot ? "yes" : "no");
}

}  // namespace

void ldl() {
    section("dense LDL' with dynamic regularization (DynamicRegSolver)");
    // KKT matrix of   min ½xᵀHx  s.t.  Ax = b   with H = diag(2, 1, 1) and two
    // constraints, the second a copy of the first: [−H, Aᵀ; A, 0] is singular.
    const long nx = 3, ny = 2, n = nx + ny;
    const double H[nx] = {2.0, 1.0, 1.0};
    const double A[ny][nx] = {{1.0, 1.0, 0.0}, {1.0, 1.0, 0.0}};
    DenseMatrix K(n, n);
    for (long i = 0; i < nx; ++i) K(i, i) = -H[i];
    for (long r = 0; r < ny; ++r)
        for (long j = 0; j < nx; ++j) K(nx + r, j) = K(j, nx + r) = A[r][j];
    const DenseMatrix original = K;

    solvutil::DynamicRegSolver solver;
    solvutil::DynamicRegParams p;  // rp = RP_DEFAULT, rd = RD_DEFAULT
    p.nPrimal = nx;
    p.checkInertia = true;
    solver.factor(K, static_cast<unsigned long>(n), p);

    std::printf("D =");
    for (long i = 0; i < n; ++i) std::printf(" %.6g", K(i, i));
    std::printf("\n");
    printInertiaReport(p);

    // A consistent right-hand side: b = K·x0 with x0 = (1, 2, 3, 0.5, 0.5).
    const double x0[n] = {1.0, 2.0, 3.0, 0.5, 0.5};
    AlignedVector rhs(static_cast<std::size_t>(n), 0.0);
    for (long j = 0; j < n; ++j)
        for (long i = 0; i < n; ++i) rhs[static_cast<std::size_t>(i)] += original(i, j) * x0[j];
    AlignedVector x = rhs;
    solver.solve(K, static_cast<unsigned long>(n), x);
    std::printf("x  =");
    for (double v : x) std::printf(" %.6g", v);
    double res = 0.0;
    for (long i = 0; i < n; ++i) {
        double r = -rhs[static_cast<std::size_t>(i)];
        for (long j = 0; j < n; ++j) r += original(i, j) * x[static_cast<std::size_t>(j)];
        res = r * r > res ? r * r : res;
    }
    std::printf("\nmax |K x - b| = %.2e; y1 + y2 = %.6g (only their sum is determined)\n",
                std::sqrt(res), x[3] + x[4]);
}

}  // namespace tour
