#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <random>
#include <utility>
#include <vector>

#include "kaldor/testing/services.hpp"
#include "solvutil/kernels/dense_kernels.hpp"
#include "solvutil/kernels/kkt_kernels.hpp"
#include "solvutil/kernels/sparse_kernels.hpp"
#include "solvutil/kernels/symmetric_kernels.hpp"
#include "solvutil/kernels/vector_kernels.hpp"
#include "tests/support/host_guard.hpp"
#include "tests/support/random.hpp"

using namespace testdata;

namespace {

constexpr double kEps = std::numeric_limits<double>::epsilon();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kKeep = -99.5;  // a value a kernel must leave where it is
const std::pair<long, long> kShapes[] = {{0, 0}, {0, 3}, {3, 0}, {1, 1},  {1, 5},
                                         {5, 1}, {4, 7}, {7, 4}, {33, 50}};

// Every test leaks no host memory and prints nothing (BLAS reports a rejected argument there).
class Kernels : public testing::Test {
protected:
    void SetUp() override { testing::internal::CaptureStdout(); }
    void TearDown() override { EXPECT_EQ(testing::internal::GetCapturedStdout(), ""); }
    HostLeakGuard guard;
    std::mt19937 rng{11};
};

double at(const DenseMatrix& A, long i, long j, bool t) {
    return t ? A(j, i) : A(i, j);
}
// Plain-loop oracles of gaxpy (y not read for beta = 0), matmult and norminf.
std::vector<double> gaxpy(double alpha, const DenseMatrix& A, const AlignedVector& x, double beta,
                          const std::vector<double>& y, bool t) {
    std::vector<double> r(static_cast<std::size_t>(t ? A.cols : A.rows));
    for (long i = 0; i < static_cast<long>(r.size()); ++i) {
        for (long j = 0; j < (t ? A.rows : A.cols); ++j) r[i] += at(A, i, j, t) * x[j];
        r[i] = alpha * r[i] + (beta == 0.0 ? 0.0 : beta * y[i]);
    }
    return r;
}
DenseMatrix product(const DenseMatrix& A, const DenseMatrix& B, bool tA, bool tB) {
    const long M = tA ? A.cols : A.rows, K = tA ? A.rows : A.cols, N = tB ? B.rows : B.cols;
    DenseMatrix R(M, N);
    for (long i = 0; i < M; ++i)
        for (long j = 0; j < N; ++j)
            for (long k = 0; k < K; ++k) R(i, j) += at(A, i, k, tA) * at(B, k, j, tB);
    return R;
}
double norminfOf(const DenseMatrix& A) {
    std::vector<double> s(static_cast<std::size_t>(A.rows) + 1);
    for (long j = 0; j < A.cols; ++j)
        for (long i = 0; i < A.rows; ++i) s[i] += std::abs(A(i, j));
    return *std::max_element(s.begin(), s.end());
}
// An m-by-n matrix of NaN, optionally with kKeep in its strictly upper triangle.
DenseMatrix unwritten(long m, long n, bool keepUpper = false) {
    DenseMatrix A(m, n);
    std::fill(A.data(), A.data() + m * n, kNaN);
    for (long j = 0; j < n && keepUpper; ++j) std::fill_n(A.data() + j * m, std::min(j, m), kKeep);
    return A;
}
template <class V, class W>
void expectNear(const V& got, const W& want, long count, double tol, const char* what) {
    for (long i = 0; i < count; ++i) EXPECT_NEAR(got[i], want[i], tol) << what << " at " << i;
}
// Runs write(it) on len values `before` padded by kKeep; checks the padding, returns the values.
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
// Every third column empty, others with up to 2m random (so unsorted and repeated) rows.
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

}  // namespace

// axpy/dotprod stop at the shorter length; copy into a shorter y reuses it, a longer one allocates.
TEST_F(Kernels, VectorKernelsAgainstPlainLoops) {
    for (long n : {0L, 1L, 2L, 7L, 1001L}) {
        const AlignedVector x = randomVector(rng, n);
        AlignedVector y = randomVector(rng, n + 3), c(5, 9.0);
        const AlignedVector y0 = y;
        const double dot = std::inner_product(x.begin(), x.end(), y.begin(), 0.0);
        double big = 0.0;
        for (double v : x) big = std::max(big, std::abs(v));
        EXPECT_NEAR(dotprod(x, y), dot, 4 * n * kEps) << n;
        EXPECT_NEAR(norm2(x), std::sqrt(dotprod(x, x)), 4 * n * kEps) << n;
        EXPECT_EQ(norminf(x), big) << n;
        axpy(-0.75, x, y);
        scale(3.0, y);
        for (long i = 0; i < n + 3; ++i)
            EXPECT_NEAR(y[i], 3.0 * (y0[i] - (i < n ? 0.75 * x[i] : 0.0)), 16 * kEps) << i;
        const auto before = kaldor::testing::allocationStats().allocations;
        copy(c, x);
        EXPECT_EQ(c, x);
        EXPECT_EQ(kaldor::testing::allocationStats().allocations, before + (n > 5));
    }
}

// Dense and sparse forms of one matrix: matvecs write exactly their range without reading it; dense
// gaxpy never reads y for beta = 0, an empty dense product leaves y as it was (BLAS quick return).
TEST_F(Kernels, ProductsAndNormAgainstPlainLoops) {
    const std::pair<double, double> scalars[] = {{1.5, -0.5}, {0.7, 0.0}, {0.0, 1.0}, {0.0, 2.0}};
    for (const auto& [m, n] : kShapes) {
        const SparseCase sc = randomSparse(rng, m, n);
        const double norm = norminfOf(sc.dense);
        EXPECT_NEAR(norminf(sc.dense), norm, 4.0 * (n + 1) * kEps * (1.0 + norm)) << m << "x" << n;
        auto check = [&, m = m, n = n](const auto& M, bool sparse) {
            for (int form = 0; form < 3; ++form) {  // matvec and gaxpy, transposed, matvec + z
                SCOPED_TRACE(testing::Message() << m << "x" << n << " sparse " << sparse << form);
                const bool trans = form == 1, quick = !sparse && (m == 0 || n == 0) && form != 2;
                const long lenX = trans ? m : n, lenY = trans ? n : m;
                const double tol = 16.0 * (m + n + 2) * kEps;
                const AlignedVector x = randomVector(rng, lenX), z = randomVector(rng, lenY + 2);
                auto want = gaxpy(1.0, sc.dense, x, form == 2, {z.begin(), z.end()}, trans);
                if (quick) want.assign(lenY, 7.0);
                const auto got = writeInRange(lenY, quick ? 7.0 : kNaN, [&](auto y) {
                    form == 0   ? matvec(y, M, x)
                    : form == 1 ? tr_matvec(y, M, x)
                                : matvec(y, M, x, z);
                });
                expectNear(got, want, lenY, tol, "matvec");
                for (auto [alpha, beta] : scalars) {
                    if (form == 2) break;
                    AlignedVector y = randomVector(rng, lenY + 3);
                    if (beta == 0.0 && !sparse && !quick) std::fill_n(y.begin(), lenY, kNaN);
                    const std::vector<double> y0(y.begin(), y.end());
                    trans ? tr_gaxpy(alpha, M, x, beta, y) : gaxpy(alpha, M, x, beta, y);
                    expectNear(y, quick ? y0 : gaxpy(alpha, sc.dense, x, beta, y0, trans), lenY,
                               tol, "gaxpy");
                }
            }
        };
        check(sc.dense, false);
        check(sc.S, true);
    }
}

// The other triangle holds garbage; sym_matvec writes exactly its range.
TEST_F(Kernels, SymmetricKernelsReadOnlyTheTrustedTriangle) {
    for (auto [n, ignored] : kShapes)
        for (bool upper : {false, true}) {
            SCOPED_TRACE(testing::Message() << "n=" << n << " upper=" << upper);
            DenseMatrix A = randomMatrix(rng, n, n, -2.0, 3.0), S = A;  // S: the completed matrix
            for (long j = 0; j < n; ++j)
                for (long i = 0; i < n; ++i)
                    if (i != j && upper != (i < j)) {
                        S(i, j) = A(j, i);
                        A(i, j) = 1.0e30;
                    }
            const AlignedVector x = randomVector(rng, n), z = randomVector(rng, n + 3);
            const double tol = 16.0 * (n + 2) * kEps;
            for (auto [alpha, beta] : {std::pair{-1.5, 0.0}, {-1.5, 1.0}, {0.0, -0.75}}) {
                AlignedVector y = randomVector(rng, n);
                if (beta == 0.0) std::fill(y.begin(), y.end(), kNaN);
                const auto want = gaxpy(alpha, S, x, beta, {y.begin(), y.end()}, false);
                sym_gaxpy(alpha, A, x, beta, y, upper);
                expectNear(y, want, n, tol, "sym_gaxpy");
            }
            if (upper) continue;
            for (bool withZ : {false, true}) {
                const auto got = writeInRange(
                    n, kNaN, [&](auto y) { withZ ? sym_matvec(y, A, x, z) : sym_matvec(y, A, x); });
                expectNear(got, gaxpy(1.0, S, x, withZ, {z.begin(), z.end()}, false), n, tol,
                           "sym_matvec");
            }
            const double norm = norminfOf(S);
            EXPECT_NEAR(sym_norminf(A), norm, 4.0 * (n + 1) * kEps * (1.0 + norm));
        }
}

// Per (M, K, N): matmult in all transpose forms without reading R; matmult_syrk, sym_copy and the
// lower sym_kktcat ([H 0 -A1'; 0 0 -A2'; -A1 -A2 0], nH = min(M, K), nA = K, mA = N) write only the
// lower triangle; vertcat of M over K rows (sparse resets stale column starts); fromDense.
TEST_F(Kernels, DenseProductsAndAssembly) {
    const long dims[][3] = {{0, 3, 4}, {2, 0, 4}, {2, 3, 0}, {0, 0, 2},   {1, 1, 1},
                            {3, 5, 0}, {4, 4, 3}, {5, 5, 7}, {17, 9, 23}, {40, 65, 3}};
    for (auto [M, K, N] : dims) {
        SCOPED_TRACE(testing::Message() << M << "," << K << "," << N);
        for (int t = 0; t < 4; ++t) {
            const bool tA = t & 1, tB = t & 2;
            const double tol = 8.0 * (K + 2) * kEps;
            const DenseMatrix A = randomMatrix(rng, tA ? K : M, tA ? M : K),
                              B = randomMatrix(rng, tB ? N : K, tB ? K : N),
                              G = randomMatrix(rng, M, M);
            DenseMatrix R = unwritten(M, N), S = unwritten(M, M, true), C = S;
            matmult(R, A, B, tA, tB);
            matmult_syrk(S, A, tA);
            sym_copy(C, G);
            expectNear(R.data(), product(A, B, tA, tB).data(), M * N, tol, "matmult");
            const DenseMatrix AAt = product(A, A, tA, !tA);
            for (long j = 0; j < M; ++j)
                for (long i = 0; i < M; ++i) {
                    EXPECT_NEAR(S(i, j), i < j ? kKeep : AAt(i, j), tol)
                        << "syrk " << i << "," << j;
                    EXPECT_EQ(C(i, j), i < j ? kKeep : G(i, j)) << "sym_copy " << i << "," << j;
                }
        }
        const long nH = std::min(M, K), nA = K, mA = N;
        for (bool full : {true, false}) {
            const DenseMatrix H = randomMatrix(rng, nH, nH), A = randomMatrix(rng, mA, nA);
            DenseMatrix KKT = unwritten(nA + mA, nA + mA, !full);
            sym_kktcat(KKT, H, A, full);
            for (long j = 0; j < nA + mA; ++j)
                for (long i = 0; i < nA + mA; ++i) {
                    const double want = i < nH && j < nH    ? H(i, j)
                                        : i >= nA && j < nA ? -A(i - nA, j)
                                        : j >= nA && i < nA ? -A(j - nA, i)
                                                            : 0.0;
                    EXPECT_EQ(KKT(i, j), !full && i < j ? kKeep : want)
                        << "sym_kktcat full " << full << " at " << i << "," << j;
                }
        }
        const SparseCase a = randomSparse(rng, M, N), b = randomSparse(rng, K, N);
        DenseMatrix R = unwritten(M + K, N);
        vertcat(R, a.dense, b.dense);
        for (long j = 0; j < N; ++j)
            for (long i = 0; i < M + K; ++i)
                EXPECT_EQ(R(i, j), i < M ? a.dense(i, j) : b.dense(i - M, j));
        SparseMatrix C(M + K, N, a.S.nnz() + b.S.nnz());
        std::fill(C.jc, C.jc + N + 1, -7L);
        vertcat(C, a.S, b.S);
        EXPECT_EQ(C.nnz(), a.S.nnz() + b.S.nnz());
        expectNear(C.toDense().data(), R.data(), (M + K) * N, 4 * kEps, "sparse vertcat");
        SparseMatrix F = SparseMatrix::fromDense(R);
        EXPECT_EQ(F.nnz(), R.rows * N - std::count(R.data(), R.data() + R.rows * N, 0.0));
        expectNear(F.toDense().data(), R.data(), R.rows * N, 0.0, "round trip");
    }
}
