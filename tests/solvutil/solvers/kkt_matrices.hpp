#pragma once
// Test matrices for the dense LDLᵀ: quasi-definite KKT matrices [−H, Aᵀ; A, δI] built by
// hand, and helpers to read the packed factors back.
#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "solvutil/kernels/dense_matrix.hpp"

namespace kkt {

/// Symmetric (nx+ny)-square KKT matrix [−H, Aᵀ; A, δI], stored in full. H = I + S with
/// S a random symmetric matrix of spectral radius below 1/2, so H is positive definite;
/// A is ny-by-nx with entries in [-1, 1]/sqrt(nx). The result is quasi-definite when δ > 0:
/// nx negative and ny positive eigenvalues.
inline DenseMatrix quasiDefinite(std::mt19937& rng, long nx, long ny, double delta) {
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    const long n = nx + ny;
    DenseMatrix K(n, n);
    const double hScale = 0.5 / static_cast<double>(nx);  // Gershgorin: |S| rows < 1/2
    for (long j = 0; j < nx; ++j) {
        K(j, j) = -(1.0 + hScale * u(rng));
        for (long i = j + 1; i < nx; ++i) K(i, j) = K(j, i) = -hScale * u(rng);
    }
    const double aScale = 1.0 / std::sqrt(static_cast<double>(nx));
    for (long j = 0; j < nx; ++j)
        for (long i = nx; i < n; ++i) K(i, j) = K(j, i) = aScale * u(rng);
    for (long i = nx; i < n; ++i) K(i, i) = delta;
    return K;
}

/// Zeroes row and column i of K entirely, so that its pivot is exactly zero whatever the
/// order of the floating-point operations before it, and its column of L stays zero.
inline void isolateZero(DenseMatrix& K, long i) {
    for (long k = 0; k < K.rows; ++k) K(i, k) = K(k, i) = 0.0;
}

/// Random symmetric n-by-n matrix with entries in [-1, 1], stored in full.
inline DenseMatrix randomSymmetric(std::mt19937& rng, long n) {
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    DenseMatrix S(n, n);
    for (long j = 0; j < n; ++j)
        for (long i = j; i < n; ++i) S(i, j) = S(j, i) = u(rng);
    return S;
}

/// L·D·Lᵀ rebuilt from the packed factors (unit diagonal of L implied), stored in full.
inline DenseMatrix reconstruct(const DenseMatrix& F) {
    const long n = F.rows;
    auto L = [&](long i, long k) { return i == k ? 1.0 : (i > k ? F(i, k) : 0.0); };
    DenseMatrix R(n, n);
    for (long j = 0; j < n; ++j)
        for (long i = j; i < n; ++i) {
            double s = 0.0;
            for (long k = 0; k <= j; ++k) s += L(i, k) * F(k, k) * L(j, k);
            R(i, j) = R(j, i) = s;
        }
    return R;
}

/// Largest absolute entry of the lower triangle (diagonal included).
inline double maxAbsLower(const DenseMatrix& M) {
    double m = 0.0;
    for (long j = 0; j < M.cols; ++j)
        for (long i = j; i < M.rows; ++i) m = std::max(m, std::abs(M(i, j)));
    return m;
}

/// y = K·x for a matrix stored in full.
inline std::vector<double> multiply(const DenseMatrix& K, const double* x) {
    std::vector<double> y(static_cast<std::size_t>(K.rows), 0.0);
    for (long j = 0; j < K.cols; ++j)
        for (long i = 0; i < K.rows; ++i) y[static_cast<std::size_t>(i)] += K(i, j) * x[j];
    return y;
}

}  // namespace kkt
