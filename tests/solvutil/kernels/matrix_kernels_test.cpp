#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <random>
#include <utility>
#include <vector>

#include "kaldor/testing.hpp"
#include "solvutil/kernels/dense_kernels.hpp"
#include "solvutil/kernels/kkt_kernels.hpp"
#include "solvutil/kernels/sparse_kernels.hpp"
#include "solvutil/kernels/symmetric_kernels.hpp"
#include "tests/support/host_error.hpp"
#include "tests/support/host_guard.hpp"
#include "tests/support/random.hpp"

// Plain-loop oracles, random sparse matrices and checking helpers.
namespace ref {

constexpr double kEps = std::numeric_limits<double>::epsilon();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kGarbage = 1.0e30;
constexpr double kKeep = -99.5;  // a value a kernel must leave where it is

// Empty in each direction, 1x1, vectors, non-square.
const std::pair<long, long> kShapes[] = {{0, 0}, {0, 3}, {3, 0}, {1, 1}, {1, 5},
                                         {5, 1}, {4, 7}, {7, 4}, {33, 50}};

double at(const DenseMatrix& A, long i, long j, bool t) { return t ? A(j, i) : A(i, j); }

// alpha*op(A)*x + beta*y; y is not read when beta = 0.
std::vector<double> gaxpy(double alpha, const DenseMatrix& A, const AlignedVector& x,
                          double beta, const std::vector<double>& y, bool trans) {
    std::vector<double> r(static_cast<std::size_t>(trans ? A.cols : A.rows));
    for (long i = 0; i < static_cast<long>(r.size()); ++i) {
        double s = 0.0;
        for (long j = 0; j < (trans ? A.rows : A.cols); ++j) s += at(A, i, j, trans) * x[j];
        r[i] = alpha * s + (beta == 0.0 ? 0.0 : beta * y[i]);
    }
    return r;
}

DenseMatrix matmult(const DenseMatrix& A, const DenseMatrix& B, bool tA, bool tB) {
    const long M = tA ? A.cols : A.rows, K = tA ? A.rows : A.cols, N = tB ? B.rows : B.cols;
    DenseMatrix R(M, N);
    for (long i = 0; i < M; ++i)
        for (long j = 0; j < N; ++j)
            for (long k = 0; k < K; ++k) R(i, j) += at(A, i, k, tA) * at(B, k, j, tB);
    return R;
}

// The symmetric matrix whose trusted triangle is A's upper (or lower) one.
DenseMatrix completeSymmetric(const DenseMatrix& A, bool upper) {
    DenseMatrix S(A.rows, A.rows);
    for (long j = 0; j < A.rows; ++j)
        for (long i = 0; i < A.rows; ++i) S(i, j) = (upper == (i <= j)) ? A(i, j) : A(j, i);
    return S;
}

double norminf(const DenseMatrix& A) {
    double best = 0.0;
    for (long i = 0; i < A.rows; ++i) {
        double s = 0.0;
        for (long j = 0; j < A.cols; ++j) s += std::abs(A(i, j));
        best = std::max(best, s);
    }
    return best;
}

void fillTriangle(DenseMatrix& A, bool strictlyUpper, double value) {
    for (long j = 0; j < A.cols; ++j)
        for (long i = 0; i < A.rows; ++i)
            if (strictlyUpper ? i < j : i > j) A(i, j) = value;
}

// An m-by-n matrix of NaN, optionally with kKeep in its strictly upper triangle.
DenseMatrix unwritten(long m, long n, bool keepUpper = false) {
    DenseMatrix A(m, n);
    std::fill(A.data(), A.data() + m * n, kNaN);
    if (keepUpper) fillTriangle(A, true, kKeep);
    return A;
}

template <class V, class W>
void expectNear(const V& got, const W& want, long count, double tol, const char* what) {
    for (long i = 0; i < count; ++i) EXPECT_NEAR(got[i], want[i], tol) << what << " at " << i;
}

// Runs write(it) on an iterator two places into a padded vector whose len middle values
// hold `before`, checks the padding is unchanged and returns the middle values.
template <class F>
std::vector<double> writeInRange(long len, double before, F write) {
    std::vector<double> v(static_cast<std::size_t>(len + 4), kKeep);
    std::fill(v.begin() + 2, v.end() - 2, before);
    write(v.begin() + 2);
    for (long i : {0L, 1L, len + 2, len + 3}) EXPECT_EQ(v[i], kKeep) << "written outside at " << i;
    return {v.begin() + 2, v.end() - 2};
}

struct SparseCase {
    SparseMatrix S;
    DenseMatrix dense;  // repeated entries summed
};

// Every third column empty; up to 2m random rows per column, so rows come unsorted and
// repeated (the cases a scatter that assigns instead of adding gets wrong).
SparseCase randomSparse(std::mt19937& rng, long m, long n) {
    std::uniform_int_distribution<long> count(0, 2 * m), row(0, std::max(m - 1, 0L));
    std::uniform_real_distribution<double> value(-1.0, 1.0);
    SparseCase sc{SparseMatrix(m, n, 2 * m * n), DenseMatrix(m, n)};
    long p = 0;
    for (long j = 0; j < n; sc.S.jc[++j] = p)
        for (long c = (j % 3 == 1) ? 0 : count(rng); c > 0; --c, ++p) {
            sc.S.ir[p] = row(rng);
            sc.dense(sc.S.ir[p], j) += sc.S.data()[p] = value(rng);
        }
    return sc;
}

}  // namespace ref

using ref::kEps;
using ref::kKeep;
using ref::kNaN;

// Matvecs write exactly their range; they and gaxpy with beta = 0 do not read y, which
// alpha = 0 with beta = 1 and an empty product (BLAS quick return) leave exactly as it was.
TEST(DenseKernels, GaxpyAndMatvecFormsAgainstPlainLoops) {
    HostLeakGuard guard;
    std::mt19937 rng(101);
    const std::pair<double, double> scalars[] = {{1.5, -0.5}, {0.7, 0.0}, {0.0, 1.0}, {-2.0, 1.0}};
    for (auto [m, n] : ref::kShapes) {
        const DenseMatrix A = testdata::randomMatrix(rng, m, n);
        for (int form = 0; form < 3; ++form) {  // matvec and gaxpy, transposed, matvec + z
            SCOPED_TRACE(testing::Message() << m << "x" << n << " form " << form);
            const bool trans = form == 1, quick = (m == 0 || n == 0) && form != 2;
            const long lenX = trans ? m : n, lenY = trans ? n : m;
            const double tol = 8.0 * (lenX + 2) * kEps;
            const AlignedVector x = testdata::randomVector(rng, lenX);
            const AlignedVector z = testdata::randomVector(rng, lenY + 2);  // only lenY used
            std::vector<double> want = ref::gaxpy(1.0, A, x, 0.0, {}, trans);
            for (long i = 0; i < lenY; ++i)
                want[i] = quick ? 7.0 : form == 2 ? want[i] + z[i] : want[i];
            const auto got = ref::writeInRange(lenY, quick ? 7.0 : kNaN, [&](auto y) {
                if (form == 0) matvec(y, A, x);
                if (form == 1) tr_matvec(y, A, x);
                if (form == 2) matvec(y, A, x, z);
            });
            ref::expectNear(got, want, lenY, tol, "matvec");
            if (form == 2) continue;
            for (auto [alpha, beta] : scalars) {
                const bool unchanged = quick || (alpha == 0.0 && beta == 1.0);
                AlignedVector y = testdata::randomVector(rng, lenY);
                if (beta == 0.0 && !unchanged) std::fill(y.begin(), y.end(), kNaN);
                const std::vector<double> y0(y.begin(), y.end());
                trans ? tr_gaxpy(alpha, A, x, beta, y) : gaxpy(alpha, A, x, beta, y);
                ref::expectNear(y, unchanged ? y0 : ref::gaxpy(alpha, A, x, beta, y0, trans),
                                lenY, unchanged ? 0.0 : tol, "gaxpy");
            }
        }
    }
}

// The untrusted triangle holds garbage; sym_matvec (lower) writes exactly its range.
TEST(SymmetricKernels, ProductsReadOnlyTheTrustedTriangle) {
    HostLeakGuard guard;
    std::mt19937 rng(21);
    for (auto [n, ignored] : ref::kShapes)  // orders 0 to 33
        for (bool upper : {false, true}) {
            SCOPED_TRACE(testing::Message() << "n=" << n << " upper=" << upper);
            DenseMatrix A = testdata::randomMatrix(rng, n, n);
            const DenseMatrix S = ref::completeSymmetric(A, upper);
            ref::fillTriangle(A, !upper, ref::kGarbage);
            const AlignedVector x = testdata::randomVector(rng, n);
            const AlignedVector z = testdata::randomVector(rng, n + 3);
            const double tol = 8.0 * (n + 2) * kEps;
            for (double beta : {0.0, 1.0, -0.75}) {
                AlignedVector y = testdata::randomVector(rng, n);
                if (beta == 0.0) std::fill(y.begin(), y.end(), kNaN);
                const auto want = ref::gaxpy(-1.5, S, x, beta, {y.begin(), y.end()}, false);
                sym_gaxpy(-1.5, A, x, beta, y, upper);
                ref::expectNear(y, want, n, tol, "sym_gaxpy");
            }
            if (upper) continue;
            std::vector<double> want = ref::gaxpy(1.0, S, x, 0.0, {}, false);
            auto got = ref::writeInRange(n, kNaN, [&](auto y) { sym_matvec(y, A, x); });
            ref::expectNear(got, want, n, tol, "A*x");
            for (long i = 0; i < n; ++i) want[i] += z[i];
            got = ref::writeInRange(n, kNaN, [&](auto y) { sym_matvec(y, A, x, z); });
            ref::expectNear(got, want, n, tol, "A*x + z");
        }
}

// All four transpose combinations; R's old contents are not read, inner dimension 0 gives 0.
// matmult_syrk writes the lower triangle only; sym_copy copies the lower triangle only.
TEST(DenseKernels, MatmultSyrkAndSymCopy) {
    HostLeakGuard guard;
    std::mt19937 rng(404);
    const std::array<long, 3> dims[] = {{2, 3, 4}, {0, 3, 4}, {2, 0, 4}, {2, 3, 0},
                                        {1, 1, 1}, {17, 9, 23}, {40, 65, 3}};
    for (auto [M, K, N] : dims)
        for (bool tA : {false, true})
            for (bool tB : {false, true}) {
                const DenseMatrix A = testdata::randomMatrix(rng, tA ? K : M, tA ? M : K);
                const DenseMatrix B = testdata::randomMatrix(rng, tB ? N : K, tB ? K : N);
                DenseMatrix R = ref::unwritten(M, N);
                matmult(R, A, B, tA, tB);
                ref::expectNear(R.data(), ref::matmult(A, B, tA, tB).data(), M * N,
                                8.0 * (K + 2) * kEps, "matmult");
            }
    for (auto [m, n] : ref::kShapes)
        for (bool trans : {false, true}) {
            const DenseMatrix A = testdata::randomMatrix(rng, m, n);
            const long N = trans ? n : m, K = trans ? m : n;
            const DenseMatrix want = ref::matmult(A, A, trans, !trans);
            const DenseMatrix G = testdata::randomMatrix(rng, N, N);
            DenseMatrix R = ref::unwritten(N, N, true), C = ref::unwritten(N, N, true);
            matmult_syrk(R, A, trans);
            sym_copy(C, G);
            for (long j = 0; j < N; ++j)
                for (long i = 0; i < N; ++i) {
                    EXPECT_NEAR(R(i, j), i < j ? kKeep : want(i, j), 8.0 * (K + 2) * kEps)
                        << m << "x" << n << " trans=" << trans << " at " << i << "," << j;
                    EXPECT_EQ(C(i, j), i < j ? kKeep : G(i, j)) << "sym_copy";
                }
        }
}

// Both norms allocate one scratch vector per call (sym_norminf none for order 0) and
// release it; a failed allocation reaches the caller. sym_norminf ignores the upper triangle.
TEST(DenseKernels, NormsAgainstPlainLoops) {
    HostLeakGuard guard;
    std::mt19937 rng(606);
    auto allocations = [] { return kaldor::testing::allocationStats().allocations; };
    for (auto [m, n] : ref::kShapes) {
        const DenseMatrix A = testdata::randomMatrix(rng, m, n, -3.0, 2.0);
        DenseMatrix L = testdata::randomMatrix(rng, m, m, -2.0, 3.0);
        const double want = ref::norminf(A);
        const double wantSym = ref::norminf(ref::completeSymmetric(L, false));
        ref::fillTriangle(L, true, ref::kGarbage);
        const auto before = allocations();
        EXPECT_NEAR(norminf(A), want, 4.0 * (n + 1) * kEps * (1.0 + want)) << m << "x" << n;
        EXPECT_EQ(allocations(), before + 1);
        EXPECT_NEAR(sym_norminf(L), wantSym, 4.0 * (m + 1) * kEps * (1.0 + wantSym)) << m;
        EXPECT_EQ(allocations(), before + (m > 0 ? 2 : 1));
    }
    const DenseMatrix A = testdata::randomMatrix(rng, 2, 2);
    kaldor::testing::failAllocationAfter(0);
    EXPECT_EQ(hostErrorId([&] { (void)norminf(A); }), "KALDOR:outOfMemory");
    kaldor::testing::failAllocationAfter(-1);
}

// Against [H 0 -A1'; 0 0 -A2'; -A1 -A2 0] built entry by entry, with and without
// Hessian-free variables, constraints or Hessian. The full form writes every entry (H
// copied as given); the lower form writes nothing above the diagonal.
TEST(KktKernels, FullAndLowerFormsMatchTheBlockMatrix) {
    HostLeakGuard guard;
    std::mt19937 rng(31);
    const std::array<long, 3> dims[] = {{3, 5, 2}, {4, 4, 3}, {3, 5, 0}, {2, 2, 0},
                                        {0, 3, 2}, {1, 1, 1}, {6, 9, 4}, {5, 5, 7}};
    for (auto [nH, nA, mA] : dims) {
        const DenseMatrix H = testdata::randomMatrix(rng, nH, nH);
        const DenseMatrix A = testdata::randomMatrix(rng, mA, nA);
        const long nK = nA + mA;
        DenseMatrix want(nK, nK);
        for (long j = 0; j < nH; ++j)
            for (long i = 0; i < nH; ++i) want(i, j) = H(i, j);
        for (long i = 0; i < mA; ++i)
            for (long j = 0; j < nA; ++j) want(nA + i, j) = want(j, nA + i) = -A(i, j);
        for (bool full : {true, false}) {
            DenseMatrix K = ref::unwritten(nK, nK, !full);
            sym_kktcat(K, H, A, full);
            for (long j = 0; j < nK; ++j)
                for (long i = 0; i < nK; ++i)
                    EXPECT_EQ(K(i, j), !full && i < j ? kKeep : want(i, j))
                        << nH << "," << nA << "," << mA << " full=" << full << " at " << i;
        }
    }
}

// Dense and sparse vertcat stack A over B (dense with leading dimensions equal to the row
// counts); sparse keeps A's entries first in their order and resets stale column starts.
TEST(MatrixKernels, VertcatStacksAOverB) {
    HostLeakGuard guard;
    std::mt19937 rng(303);
    const std::array<long, 3> stacks[] = {{2, 1, 3}, {0, 2, 3}, {2, 0, 3}, {0, 0, 2},
                                          {3, 4, 0}, {1, 1, 1}, {30, 17, 25}};
    for (auto [mA, mB, n] : stacks) {
        SCOPED_TRACE(testing::Message() << mA << "+" << mB << " by " << n);
        const ref::SparseCase a = ref::randomSparse(rng, mA, n), b = ref::randomSparse(rng, mB, n);
        DenseMatrix R = ref::unwritten(mA + mB, n);
        vertcat(R, a.dense, b.dense);
        for (long j = 0; j < n; ++j)
            for (long i = 0; i < mA + mB; ++i)
                EXPECT_EQ(R(i, j), i < mA ? a.dense(i, j) : b.dense(i - mA, j));
        SparseMatrix C(mA + mB, n, a.S.nnz() + b.S.nnz());
        std::fill(C.jc, C.jc + n + 1, -7L);
        vertcat(C, a.S, b.S);
        ref::expectNear(C.toDense().data(), R.data(), (mA + mB) * n, 4 * kEps, "sparse");
        for (long j = 0; j < n; ++j)
            for (long k = 0; k < a.S.jc[j + 1] - a.S.jc[j]; ++k)
                EXPECT_EQ(C.ir[C.jc[j] + k], a.S.ir[a.S.jc[j] + k]);
    }
}

// matvec, tr_matvec, matvec + z write exactly their range without reading it; gaxpy and
// tr_gaxpy scale all of a longer y by beta (also beta = 1, also alpha = 0) and allocate
// one scratch vector per call; a failed allocation reaches the caller with y untouched.
TEST(SparseKernels, ProductsAgainstPlainLoops) {
    HostLeakGuard guard;
    std::mt19937 rng(7);
    const std::pair<double, double> scalars[] = {{1.25, -0.5}, {1.25, 1.0}, {-0.7, 0.0}, {0, 2}};
    for (auto [m, n] : ref::kShapes) {
        const ref::SparseCase sc = ref::randomSparse(rng, m, n);
        for (int form = 0; form < 3; ++form) {  // matvec and gaxpy, transposed, matvec + z
            SCOPED_TRACE(testing::Message() << m << "x" << n << " form " << form);
            const bool trans = form == 1;
            const long lenX = trans ? m : n, lenY = trans ? n : m;
            const double tol = 16.0 * (m + n + 2) * kEps;
            const AlignedVector x = testdata::randomVector(rng, lenX);
            const AlignedVector z = testdata::randomVector(rng, lenY + 4);
            std::vector<double> want = ref::gaxpy(1.0, sc.dense, x, 0.0, {}, trans);
            for (long i = 0; i < lenY; ++i) want[i] += form == 2 ? z[i] : 0.0;
            const auto got = ref::writeInRange(lenY, kNaN, [&](auto y) {
                if (form == 0) matvec(y, sc.S, x);
                if (form == 1) tr_matvec(y, sc.S, x);
                if (form == 2) matvec(y, sc.S, x, z);
            });
            ref::expectNear(got, want, lenY, tol, "matvec");
            if (form == 2) continue;
            for (auto [alpha, beta] : scalars) {
                AlignedVector y = testdata::randomVector(rng, lenY + 3);
                const std::vector<double> y0(y.begin(), y.end());
                const auto before = kaldor::testing::allocationStats().allocations;
                trans ? tr_gaxpy(alpha, sc.S, x, beta, y) : gaxpy(alpha, sc.S, x, beta, y);
                EXPECT_EQ(kaldor::testing::allocationStats().allocations, before + (lenY > 0));
                ref::expectNear(y, ref::gaxpy(alpha, sc.dense, x, beta, y0, trans), lenY, tol,
                                "gaxpy");
                for (long i = lenY; i < lenY + 3; ++i) EXPECT_EQ(y[i], beta * y0[i]) << "tail";
            }
        }
    }
    const ref::SparseCase sc = ref::randomSparse(rng, 20, 15);
    AlignedVector y = testdata::randomVector(rng, 20);
    const AlignedVector y0 = y, ones(15, 1.0);
    kaldor::testing::failAllocationAfter(0);
    EXPECT_EQ(hostErrorId([&] { gaxpy(1.0, sc.S, ones, 2.0, y); }), "KALDOR:outOfMemory");
    kaldor::testing::failAllocationAfter(-1);
    EXPECT_EQ(y, y0);
}

// fromDense drops exact zeros; copies, moves and assignments point jc/ir at their own arrays.
TEST(SparseMatrix, DenseRoundTripCopyAndMoveKeepPointersValid) {
    HostLeakGuard guard;
    std::mt19937 rng(3);
    DenseMatrix D = testdata::randomMatrix(rng, 5, 4);
    D(2, 1) = D(0, 3) = 0.0;
    const SparseMatrix S = SparseMatrix::fromDense(D);
    EXPECT_EQ(S.nnz(), 18);
    SparseMatrix copy = S;
    EXPECT_NE(copy.jc, S.jc);
    SparseMatrix moved = std::move(copy);
    SparseMatrix assigned(1, 1, 0);
    assigned = moved;
    EXPECT_NE(assigned.ir, moved.ir);
    for (const SparseMatrix* T : {&moved, &assigned})
        ref::expectNear(T->toDense().data(), D.data(), 20, 0.0, "round trip");
}
