#include "solvutil/solvers/dynamic_reg_solver.hpp"

#include <cmath>

#include "solvutil/kernels/blas.hpp"
#include "solvutil/kernels/debug_assert.hpp"

namespace solvutil {

const double DynamicRegParams::RP_DEFAULT = -0x1p-39;
const double DynamicRegParams::RD_DEFAULT = 0x1p-26;

namespace {

constexpr unsigned long kBlockingThreshold = 129;  // n >= 129 takes the panel algorithm
constexpr unsigned long kPanel = 48;               // panel width and trailing block width
constexpr double kMachineEps = 0x1p-52;            // scales max |diag| into the tolerance
// The inertia check's negligibility bounds are fixed: they do not follow rp and rd.
constexpr double kPrimalNegligible = 0x1p-39;
constexpr double kDualNegligible = 0x1p-26;

/// Shifts the pivot d of global index g when |d| <= pivotTol. A NaN pivot fails the test
/// and is left alone. The test is made once, after all earlier columns have updated d.
inline void regularizePivot(double& d, unsigned long g, DynamicRegParams& p) {
    if (!(std::abs(d) <= p.pivotTol)) return;
    p.regIndices.push_back(g);
    if (g < p.nPrimal) {
        d += p.rp;
        --p.primalRank;
    } else {
        d += p.rd;
    }
}

/// Compares D's signs with the expected pattern and counts ranks. `regIndices` is
/// ascending, so one cursor walks it alongside the diagonal.
void checkInertia(const double* a, unsigned long n, DynamicRegParams& p) {
    const double s = p.rp >= 0.0 ? 1.0 : -1.0;  // expected primal sign (NaN rp: negative)
    const auto& reg = p.regIndices;
    std::size_t cursor = 0;
    auto isRegularized = [&](unsigned long i) {
        if (cursor < reg.size() && reg[cursor] == i) {
            ++cursor;
            return true;
        }
        return false;
    };

    for (unsigned long i = 0; i < p.nPrimal; ++i) {
        const double d = a[i * (n + 1)];
        if (isRegularized(i)) {
            --p.rank;
        } else if (!(s * d > 0.0)) {
            p.primalInertiaOK = false;
            if (std::abs(d) < kPrimalNegligible) {
                p.tinyPivot = true;
                --p.rank;
            }
        }
    }
    for (unsigned long i = p.nPrimal; i < n; ++i) {
        const double d = a[i * (n + 1)];
        if (s * d > 0.0) p.dualInertiaOK = false;  // shifted or not
        if (isRegularized(i)) {
            --p.rank;
            p.dualFullRank = false;
        } else if (std::abs(d) >= kDualNegligible || std::isnan(d)) {
            ++p.dualRank;
        } else {
            p.dualFullRank = false;
            p.tinyPivot = true;
            --p.rank;
        }
    }
}

}  // namespace

void DynamicRegSolver::factor(DenseMatrix& A, unsigned long n, DynamicRegParams& p) {
    SOLVUTIL_DEBUG_ASSERT(A.rows == static_cast<long>(n) && A.cols == A.rows,
                          "DynamicRegSolver::factor: the matrix is not n-by-n.");
    SOLVUTIL_DEBUG_ASSERT(p.nPrimal <= n, "DynamicRegSolver::factor: nPrimal exceeds n.");
    // Larger shift magnitude; |rd| on a tie or when rp is NaN.
    const double regMax = std::abs(p.rp) > std::abs(p.rd) ? std::abs(p.rp) : std::abs(p.rd);
    double* a = A.data();

    p.dim = n;
    p.rank = n;
    p.primalRank = p.nPrimal;
    p.dualRank = 0;
    p.primalInertiaOK = p.dualInertiaOK = p.dualFullRank = true;
    p.tinyPivot = false;
    p.regIndices.clear();  // keeps its capacity

    if (n == 0) {  // nothing to factor: results as for an empty matrix, no BLAS call
        p.pivotTol = regMax;
        work.clear();
        return;
    }

    // Tolerance relative to the largest diagonal magnitude, never below the larger shift.
    const blas_int len = static_cast<blas_int>(n);
    const blas_int diagStride = static_cast<blas_int>(n + 1);
    const blas_int kmax = blas::iamax(len, a, diagStride);  // 1-based
    const double scaled = std::abs(a[static_cast<unsigned long>(kmax - 1) * (n + 1)]) * kMachineEps;
    // A NaN on the diagonal gives a NaN scaled value; the comparison then keeps regMax.
    p.pivotTol = scaled > regMax ? scaled : regMax;

    work.resize(kPanel * n);

    if (n < kBlockingThreshold) {
        fullColLDL2_(a, n, n, p);
    } else {
        unsigned long k = 0;
        for (; k + kPanel <= n; k += kPanel) partialColLDL3_(a + k * (n + 1), n, n - k, p);
        if (k < n) fullColLDL2_(a + k * (n + 1), n, n - k, p);
    }

    if (p.checkInertia) checkInertia(a, n, p);
}

void DynamicRegSolver::fullColLDL2_(double* A, unsigned long lda, unsigned long m,
                                    DynamicRegParams& p) {
    if (m == 0) return;
    const unsigned long offset = lda - m;  // global index of local column 0
    const blas_int ld = static_cast<blas_int>(lda);
    auto at = [&](unsigned long i, unsigned long j) -> double& { return A[i + j * lda]; };

    for (unsigned long j = 0; j + 1 < m; ++j) {
        regularizePivot(at(j, j), offset + j, p);
        const double alpha = -1.0 / at(j, j);
        const double inv = 1.0 / at(j, j);
        const blas_int N = static_cast<blas_int>(m - j - 1);
        // Rank-1 update of the trailing lower triangle with the column before scaling,
        // then the column becomes the multipliers of L.
        blas::syr(blas::Part::Lower, N, alpha, &at(j + 1, j), &at(j + 1, j + 1), ld);
        blas::scal(N, inv, &at(j + 1, j));
    }
    regularizePivot(at(m - 1, m - 1), offset + m - 1, p);
}

void DynamicRegSolver::partialColLDL3_(double* A, unsigned long lda, unsigned long m,
                                       DynamicRegParams& p) {
    const unsigned long offset = lda - m;
    const blas_int ld = static_cast<blas_int>(lda);
    const blas_int rows = static_cast<blas_int>(m);
    double* W = work.data();
    auto at = [&](unsigned long i, unsigned long j) -> double& { return A[i + j * lda]; };
    auto w = [&](unsigned long i, unsigned long j) -> double* { return W + i + j * lda; };

    // Left-looking panel: column j of W receives A(j:m, j) minus the contributions of the
    // panel's earlier columns, W(:, 0:j) · L(j, 0:j)ᵀ. W keeps the columns unscaled so that
    // the trailing update below is a plain product W21 · L21ᵀ.
    for (unsigned long j = 0; j < kPanel; ++j) {
        const blas_int below = static_cast<blas_int>(m - j);
        const blas_int done = static_cast<blas_int>(j);
        blas::copy(below, &at(j, j), w(j, j));
        // All m rows, so that the call shape does not depend on j; rows above j are scratch.
        blas::gemv(blas::Trans::No, rows, done, -1.0, W, ld, &at(j, 0), ld, 1.0, w(0, j));
        blas::copy(below, w(j, j), &at(j, j));
        regularizePivot(at(j, j), offset + j, p);
        const double inv = 1.0 / at(j, j);
        const blas_int N = below - 1;
        blas::scal(N, inv, &at(j + 1, j));
    }
    if (m <= kPanel) return;

    // Trailing update A22 -= W21 · L21ᵀ, one 48-column block at a time: the lower triangle
    // of the diagonal block column by column, the rectangle below it in one dgemm.
    for (unsigned long q = kPanel; q < m; q += kPanel) {
        const unsigned long bs = m - q < kPanel ? m - q : kPanel;
        for (unsigned long k = q; k < q + bs; ++k) {
            const blas_int len = static_cast<blas_int>(q + bs - k);
            blas::gemv(blas::Trans::No, len, kPanel, -1.0, w(k, 0), ld, &at(k, 0), ld, 1.0,
                       &at(k, k));
        }
        if (q + bs < m) {
            const blas_int below = static_cast<blas_int>(m - q - bs);
            const blas_int cols = static_cast<blas_int>(bs);
            blas::gemm(blas::Trans::No, blas::Trans::Yes, below, cols, kPanel, -1.0, w(q + bs, 0),
                       ld, &at(q, 0), ld, 1.0, &at(q + bs, q), ld);
        }
    }
}

void DynamicRegSolver::solve(const DenseMatrix& A, unsigned long n, AlignedVector& b) {
    SOLVUTIL_DEBUG_ASSERT(sizeAtLeast(b, A.rows), "DynamicRegSolver::solve: b is too short.");
    solve(A, n, b.data());
}

void DynamicRegSolver::solve(const DenseMatrix& A, unsigned long n, double* b) {
    SOLVUTIL_DEBUG_ASSERT(A.rows == static_cast<long>(n) && A.cols == A.rows,
                          "DynamicRegSolver::solve: the matrix is not n-by-n.");
    const blas_int N = A.rows;
    const double* a = A.data();
    if (N == 0) return;  // BLAS rejects a leading dimension of 0

    using blas::Part, blas::Trans, blas::Diag;
    blas::trsv(Part::Lower, Trans::No, Diag::Unit, N, a, N, b);  // L·y = b
    for (long i = 0; i < N; ++i) b[i] /= a[static_cast<unsigned long>(i) * (n + 1)];
    blas::trsv(Part::Lower, Trans::Yes, Diag::Unit, N, a, N, b);  // Lᵀ·x = D⁻¹·y
}

}  // namespace solvutil
