// A solver author's first program, built against the installed package only: factor and solve a
// regularized KKT system, print one progress row; exits 0 when the solution satisfies the system.
#include <cstdio>

#include "solvutil/display/iterative_display.hpp"
#include "solvutil/kernels/kkt_kernels.hpp"
#include "solvutil/kernels/symmetric_kernels.hpp"
#include "solvutil/kernels/vector_kernels.hpp"
#include "solvutil/solvers/dynamic_reg_solver.hpp"

int main() {
    DenseMatrix H(2, 2), A(1, 2), K(3, 3);  // min 1/2 x'Hx s.t. A x = b; H's lower triangle
    H(0, 0) = 4;
    H(1, 0) = 1;
    H(1, 1) = 3;
    A(0, 0) = A(0, 1) = 1;
    sym_kktcat(K, H, A, /*full=*/false);  // K = [H -A'; -A 0], lower triangle
    const DenseMatrix K0 = K;             // factor works in place

    solvutil::DynamicRegParams p;
    p.nPrimal = 2;
    p.rp = -p.rp;  // H block is positive here
    p.checkInertia = true;
    solvutil::DynamicRegSolver ldl;
    ldl.factor(K, 3, p);
    AlignedVector rhs{1.0, 2.0, -1.0}, x = rhs, r(3);
    ldl.solve(K, 3, x);
    sym_matvec(r.begin(), K0, x);
    axpy(-1.0, rhs, r);  // r = K0 x - rhs
    printIterativeDisplay(SolverName::PredictorCorrector, true, true, 8, 1UL, 0.5 * dotprod(x, rhs),
                          norminf(r), 0.0, 0.0, 0.0, 1.0, 0UL);
    const bool ok = norminf(r) < 1e-12 && p.rank == 3;
    std::printf("consumer: rank %lu, residual %.1e: %s\n", p.rank, norminf(r), ok ? "ok" : "WRONG");
    return ok ? 0 : 1;
}
