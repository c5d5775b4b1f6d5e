#pragma once
// Sparse symmetric test matrices in 0-based compressed-column form, with their dense
// counterparts for LAPACK oracles.
#include <algorithm>
#include <cmath>
#include <map>
#include <random>
#include <utility>
#include <vector>

#include "support/lapack.hpp"

namespace testdata {

/// Square compressed-column matrix in plain vectors (the solver borrows these arrays).
struct Csc {
    long n = 0;
    std::vector<long> jc{0};
    std::vector<long> ir;
    std::vector<double> pr;
    long nnz() const { return static_cast<long>(ir.size()); }
};

/// Symmetric matrix from (row, col) → value entries of its lower triangle. With
/// `bothTriangles` each off-diagonal entry is stored twice, as a full symmetric matrix.
inline Csc symmetricCsc(long n, const std::map<std::pair<long, long>, double>& lower,
                        bool bothTriangles) {
    std::vector<std::vector<std::pair<long, double>>> cols(static_cast<std::size_t>(n));
    for (const auto& [rc, v] : lower) {
        const auto [i, j] = rc;  // i >= j
        cols[static_cast<std::size_t>(j)].push_back({i, v});
        if (bothTriangles && i != j) cols[static_cast<std::size_t>(i)].push_back({j, v});
    }
    Csc a;
    a.n = n;
    for (auto& c : cols) {
        std::sort(c.begin(), c.end());
        for (const auto& [i, v] : c) {
            a.ir.push_back(i);
            a.pr.push_back(v);
        }
        a.jc.push_back(static_cast<long>(a.ir.size()));
    }
    return a;
}

/// Dense column-major symmetric matrix from the lower triangle of `a` (row ≥ column);
/// entries above the diagonal are ignored, repeated entries summed.
inline std::vector<double> toDense(const Csc& a) {
    const auto n = static_cast<std::size_t>(a.n);
    std::vector<double> d(n * n, 0.0);
    for (std::size_t j = 0; j < n; ++j)
        for (long k = a.jc[j]; k < a.jc[j + 1]; ++k) {
            const auto i = static_cast<std::size_t>(a.ir[static_cast<std::size_t>(k)]);
            if (i < j) continue;
            const double v = a.pr[static_cast<std::size_t>(k)];
            d[i + j * n] += v;
            if (i != j) d[j + i * n] += v;
        }
    return d;
}

/// Random sparse KKT matrix [H Aᵀ; A -δI] of order nx + nc (lower triangle): H is a
/// sparse, diagonally dominant positive definite matrix with about `perCol` off-diagonal
/// entries per column, A is nc-by-nx with about `perCol` entries per row. Copies of
/// earlier rows of A replace `dependentRows` of its rows (δ = 0 makes the matrix singular).
inline std::map<std::pair<long, long>, double> randomKktLower(std::mt19937& rng, long nx, long nc,
                                                              int perCol, double delta,
                                                              long dependentRows = 0) {
    std::uniform_real_distribution<double> val(-1.0, 1.0);
    std::uniform_int_distribution<long> row(0, nx - 1);
    std::map<std::pair<long, long>, double> e;
    std::vector<double> rowSum(static_cast<std::size_t>(nx), 0.0);
    for (long j = 0; j < nx; ++j)
        for (int t = 0; t < perCol; ++t) {
            const long i = row(rng);
            if (i <= j) continue;
            const double v = val(rng);
            e[{i, j}] = v;
        }
    for (const auto& [rc, v] : e) {
        rowSum[static_cast<std::size_t>(rc.first)] += std::abs(v);
        rowSum[static_cast<std::size_t>(rc.second)] += std::abs(v);
    }
    for (long j = 0; j < nx; ++j)
        e[{j, j}] = 1.0 + rowSum[static_cast<std::size_t>(j)] + std::abs(val(rng));
    std::vector<std::map<long, double>> rowsOfA(static_cast<std::size_t>(nc));
    for (long r = 0; r < nc; ++r) {
        auto& a = rowsOfA[static_cast<std::size_t>(r)];
        if (r >= nc - dependentRows && r > 0) {
            a = rowsOfA[static_cast<std::size_t>(r % (nc - dependentRows))];
        } else {
            a[(r * 7919) % nx] = 2.0 + val(rng);  // keeps A of full row rank when nc ≤ nx
            for (int t = 0; t < perCol; ++t) a[row(rng)] = val(rng);
        }
    }
    for (long r = 0; r < nc; ++r) {
        for (const auto& [j, v] : rowsOfA[static_cast<std::size_t>(r)]) e[{nx + r, j}] = v;
        if (delta != 0.0) e[{nx + r, nx + r}] = -delta;
    }
    return e;
}

/// Eigenvalues of a dense symmetric matrix (LAPACK dsyev), ascending.
inline std::vector<double> eigenvalues(std::vector<double> a, long n) {
    std::vector<double> w(static_cast<std::size_t>(n));
    blas_int info = 0, lwork = -1;
    double q = 0;
    dsyev_("N", "L", &n, a.data(), &n, w.data(), &q, &lwork, &info);
    lwork = static_cast<blas_int>(q);
    std::vector<double> work(static_cast<std::size_t>(lwork));
    dsyev_("N", "L", &n, a.data(), &n, w.data(), work.data(), &lwork, &info);
    return w;
}

/// ‖A·x − b‖∞ / (‖A‖∞‖x‖∞ + ‖b‖∞) for dense column-major A.
inline double relativeResidual(const std::vector<double>& a, long n, const double* x,
                               const double* b) {
    double rmax = 0, amax = 0, xmax = 0, bmax = 0;
    for (long i = 0; i < n; ++i) {
        double r = -b[i], rowAbs = 0;
        for (long j = 0; j < n; ++j) {
            const double v = a[static_cast<std::size_t>(i + j * n)];
            r += v * x[j];
            rowAbs += std::abs(v);
        }
        rmax = std::max(rmax, std::abs(r));
        amax = std::max(amax, rowAbs);
        xmax = std::max(xmax, std::abs(x[i]));
        bmax = std::max(bmax, std::abs(b[i]));
    }
    return rmax / (amax * xmax + bmax);
}

}  // namespace testdata
