#include <cstdio>

#include "examples/tour/tour.hpp"
#include "solvutil/kernels/dense_kernels.hpp"
#include "solvutil/kernels/kkt_kernels.hpp"
#include "solvutil/kernels/sparse_kernels.hpp"
#include "solvutil/kernels/symmetric_kernels.hpp"

namespace tour {

namespace {

void printMatrix(const char* name, const DenseMatrix& M) {
    std::printf("%s (%ldx%ld):\n", name, M.rows, M.cols);
    for (long i = 0; i < M.rows; ++i) {
        std::printf("  ");
        for (long j = 0; j < M.cols; ++j)
            std::printf("%6g", M(i, j) + 0.0);  // + 0.0 prints -0 as 0
        std::printf("\n");
    }
}

void printVector(const char* label, const double* v, long n) {
    std::printf("%-30s [", label);
    for (long i = 0; i < n; ++i) std::printf(i ? ", %g" : "%g", v[i]);
    std::printf("]\n");
}

}  // namespace

void matrixKernels() {
    section("dense, sparse, symmetric and KKT kernels");
    // A small quadratic model: Hessian H on the first two of three variables, two
    // equality constraints A (2x3). The KKT matrix is 5x5.
    DenseMatrix H(2, 2);
    H(0, 0) = 4.0, H(1, 0) = 1.0, H(0, 1) = 1.0, H(1, 1) = 3.0;
    DenseMatrix A(2, 3);
    A(0, 0) = 1.0, A(0, 1) = 1.0, A(0, 2) = 0.0;
    A(1, 0) = 0.0, A(1, 1) = 2.0, A(1, 2) = 1.0;
    DenseMatrix K(5, 5);
    sym_kktcat(K, H, A, true);
    printMatrix("H", H);
    printMatrix("A", A);
    printMatrix("K = sym_kktcat(H, A, full)", K);

    const AlignedVector v{1.0, -1.0, 2.0, 0.5, -0.5};
    AlignedVector Kv(5);
    sym_matvec(Kv.begin(), K, v);
    printVector("sym_matvec: K*v =", Kv.data(), 5);
    std::printf("%-30s %g\n", "sym_norminf(K) =", sym_norminf(K));

    const AlignedVector x{1.0, 2.0, 3.0};
    AlignedVector Ax(2);
    matvec(Ax.begin(), A, x);
    printVector("dense  matvec: A*x =", Ax.data(), 2);
    AlignedVector Aty(3);
    tr_matvec(Aty.begin(), A, AlignedVector{1.0, -1.0});
    printVector("dense  tr_matvec: A'*[1,-1] =", Aty.data(), 3);

    // The same products on the compressed-column copy of A, by the same names.
    const SparseMatrix S = SparseMatrix::fromDense(A);
    std::printf("sparse A: %ld stored entries\n", S.nnz());
    AlignedVector Sx(2);
    matvec(Sx.begin(), S, x);
    printVector("sparse matvec: A*x =", Sx.data(), 2);
    AlignedVector y{10.0, 20.0};
    gaxpy(2.0, S, x, 0.5, y);
    printVector("sparse gaxpy: 2*A*x + y/2 =", y.data(), 2);

    DenseMatrix AtA(3, 3);
    matmult(AtA, A, A, true, false);
    printMatrix("matmult: A'*A", AtA);
    std::printf("%-30s %g\n", "norminf(A) =", norminf(A));
}

}  // namespace tour
