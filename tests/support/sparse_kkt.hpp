#pragma once
// Random symmetric KKT test matrices, sparse (0-based CSC) and dense, with LAPACK-based oracles.
#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>
#include <random>
#include <utility>
#include <vector>

#include "solvutil/kernels/dense_matrix.hpp"
#include "support/lapack.hpp"

namespace testdata {

using Entries = std::map<std::pair<long, long>, double>;  // (row, column) → value

/// Square compressed-column matrix in plain vectors (the solver borrows these arrays).
struct Csc {
    long n = 0;
    std::vector<long> jc{0}, ir;
    std::vector<double> pr;
    long nnz() const { return static_cast<long>(ir.size()); }
};

/// Symmetric matrix from the entries of its lower triangle (row ≥ column). With
/// `bothTriangles` each off-diagonal entry is stored twice, as a full symmetric matrix.
inline Csc symmetricCsc(long n, const Entries& lower, bool bothTriangles) {
    Entries byColumn;  // (column, row) → value, in compressed-column order
    for (const auto& [rc, v] : lower) {
        byColumn[{rc.second, rc.first}] = v;
        if (bothTriangles) byColumn[{rc.first, rc.second}] = v;
    }
    Csc a{n, std::vector<long>(n + 1, 0), {}, {}};
    for (const auto& [cr, v] : byColumn) {
        ++a.jc[cr.first + 1];
        a.ir.push_back(cr.second);
        a.pr.push_back(v);
    }
    std::partial_sum(a.jc.begin(), a.jc.end(), a.jc.begin());
    return a;
}

/// Dense column-major symmetric matrix from the lower triangle of `a` (the upper is ignored).
inline std::vector<double> toDense(const Csc& a) {
    std::vector<double> d(a.n * a.n, 0.0);
    for (long j = 0; j < a.n; ++j)
        for (long k = a.jc[j]; k < a.jc[j + 1]; ++k)
            if (a.ir[k] >= j) d[a.ir[k] + j * a.n] = d[j + a.ir[k] * a.n] = a.pr[k];
    return d;
}

/// Lower triangle of a random KKT matrix [H Aᵀ; A -δI] of order nx + nc: H sparse, diagonally
/// dominant; A nc-by-nx, about `perCol` entries a row, of full row rank when nc ≤ nx except
/// that its last `dependentRows` rows are real combinations of two earlier ones.
inline Entries randomKktLower(std::mt19937& rng, long nx, long nc, int perCol, double delta,
                              long dependentRows = 0) {
    std::uniform_real_distribution<double> val(-1.0, 1.0);
    std::uniform_int_distribution<long> column(0, nx - 1);
    Entries e;
    for (long j = 0; j < nx; ++j)
        for (int t = 0; t < perCol; ++t)
            if (const long i = column(rng); i > j) e[{i, j}] = val(rng);
    std::vector<double> diagonal(nx, 1.0);
    for (const auto& [rc, v] : e) {
        diagonal[rc.first] += std::abs(v);
        diagonal[rc.second] += std::abs(v);
    }
    for (long j = 0; j < nx; ++j) e[{j, j}] = diagonal[j] + std::abs(val(rng));
    const long independent = nc - dependentRows;
    for (long r = 0; r < nc; ++r) {
        if (r < independent) {
            e[{nx + r, (r * 7919) % nx}] = 2.0 + val(rng);
            for (int t = 0; t < perCol; ++t) e[{nx + r, column(rng)}] = val(rng);
        } else {  // singular only up to round-off
            for (const long from : {nx + r % independent, nx + (3 * r + 1) % independent}) {
                const double c = (from == nx + r % independent ? 2.0 : -2.0) + val(rng);
                for (auto k = e.lower_bound({from, 0}); k != e.lower_bound({from, nx}); ++k)
                    e[{nx + r, k->first.second}] += c * k->second;
            }
        }
        if (delta != 0.0) e[{nx + r, nx + r}] = -delta;
    }
    return e;
}

/// Dense quasi-definite [-H Aᵀ; A δI] of order nx + ny with H = I + S, ‖S‖ < 1/2, and the
/// entries of A in [-1, 1]/√nx.
inline DenseMatrix quasiDefinite(std::mt19937& rng, long nx, long ny, double delta) {
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    const double h = 0.5 / static_cast<double>(nx), a = 1.0 / std::sqrt(static_cast<double>(nx));
    DenseMatrix K(nx + ny, nx + ny);
    for (long j = 0; j < nx; ++j) {
        K(j, j) = -(1.0 + h * u(rng));
        for (long i = j + 1; i < nx; ++i) K(i, j) = K(j, i) = -h * u(rng);
        for (long i = nx; i < nx + ny; ++i) K(i, j) = K(j, i) = a * u(rng);
    }
    for (long i = nx; i < nx + ny; ++i) K(i, i) = delta;
    return K;
}

/// Rank and number of negative eigenvalues (LAPACK dsyev) of the dense symmetric matrix `a`
/// of order n ≥ 1; eigenvalues within tol·max|λ| of zero count as zero.
inline std::pair<long, long> inertia(std::vector<double> a, long n, double tol) {
    std::vector<double> w(n), work(3 * n);
    const blas_int lwork = 3 * n;
    blas_int info = 0;
    dsyev_("N", "L", &n, a.data(), &n, w.data(), work.data(), &lwork, &info);
    const double zero = tol * std::max(-w.front(), w.back());
    return {std::ranges::count_if(w, [&](double v) { return std::abs(v) > zero; }),
            std::ranges::count_if(w, [&](double v) { return v < -zero; })};
}

/// ‖A·x − b‖∞ / (‖A‖∞‖x‖∞ + ‖b‖∞) for dense column-major A of order n; NaN if x holds a NaN.
inline double relativeResidual(const std::vector<double>& a, long n, const double* x,
                               const double* b) {
    std::vector<double> r(b, b + n), rowAbs(n, 0.0);
    for (long j = 0; j < n; ++j)
        for (long i = 0; i < n; ++i) {
            r[i] -= a[i + j * n] * x[j];
            rowAbs[i] += std::abs(a[i + j * n]);
        }
    const auto norm = [n](const double* v) {  // max |v_i|, NaN-propagating
        return std::transform_reduce(
            v, v + n, 0.0, [](double p, double q) { return q > p || q != q ? q : p; },
            [](double t) { return std::abs(t); });
    };
    return norm(r.data()) / (norm(rowAbs.data()) * norm(x) + norm(b));
}

}  // namespace testdata
