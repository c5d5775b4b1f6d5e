#include "examples/lpsolve/hessian.hpp"

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <utility>

#include "examples/lpsolve/lp_error.hpp"
#include "solvutil/solvers/eqn_solver_sparse_ldl.hpp"

namespace lpsolve {
namespace {

// Relative size of the shift that separates a semidefinite Q (singular, with eigenvalues
// a rounding away from 0) from an indefinite one.
constexpr double kConvexityShift = 1e-9;

}  // namespace

bool hasEntries(const CscMatrix& Q) {
    return Q.nnz() > 0;
}

bool isDiagonal(const CscMatrix& Q) {
    for (std::size_t j = 0; j < Q.cols; ++j) {
        for (std::size_t k = Q.colStart[j]; k < Q.colStart[j + 1]; ++k) {
            if (Q.rowIndex[k] != j) return false;
        }
    }
    return true;
}

std::vector<double> hessianDiagonal(const CscMatrix& Q, std::size_t n) {
    std::vector<double> d(n, 0.0);
    for (std::size_t j = 0; j < std::min(n, Q.cols); ++j) {
        for (std::size_t k = Q.colStart[j]; k < Q.colStart[j + 1]; ++k) {
            if (Q.rowIndex[k] == j) d[j] = Q.value[k];
        }
    }
    return d;
}

CscMatrix strictLower(const CscMatrix& Q, std::size_t n) {
    CscMatrix L;
    L.rows = L.cols = n;
    L.colStart.assign(1, 0);
    for (std::size_t j = 0; j < n; ++j) {
        if (j < Q.cols) {
            for (std::size_t k = Q.colStart[j]; k < Q.colStart[j + 1]; ++k) {
                if (Q.rowIndex[k] <= j) continue;
                L.rowIndex.push_back(Q.rowIndex[k]);
                L.value.push_back(Q.value[k]);
            }
        }
        L.colStart.push_back(L.rowIndex.size());
    }
    return L;
}

void hessianProduct(const CscMatrix& Q, std::span<const double> x, std::span<double> out) {
    std::fill(out.begin(), out.end(), 0.0);
    for (std::size_t j = 0; j < Q.cols; ++j) {
        if (x[j] == 0.0) continue;
        for (std::size_t k = Q.colStart[j]; k < Q.colStart[j + 1]; ++k)
            out[Q.rowIndex[k]] += Q.value[k] * x[j];
    }
}

double quadraticForm(const CscMatrix& Q, std::span<const double> x) {
    double s = 0.0;
    for (std::size_t j = 0; j < Q.cols; ++j) {
        for (std::size_t k = Q.colStart[j]; k < Q.colStart[j + 1]; ++k)
            s += x[Q.rowIndex[k]] * Q.value[k] * x[j];
    }
    return s;
}

bool symmetricFromTriplets(std::size_t n, const std::vector<std::size_t>& rows,
                           const std::vector<std::size_t>& cols, const std::vector<double>& values,
                           CscMatrix& Q) {
    // Per unordered pair: the value given as (i, j) with i >= j, and the one given as (j, i).
    std::map<std::pair<std::size_t, std::size_t>, std::pair<double, double>> pairs;
    std::map<std::pair<std::size_t, std::size_t>, std::pair<bool, bool>> seen;
    for (std::size_t k = 0; k < values.size(); ++k) {
        const std::size_t i = rows[k], j = cols[k];
        const auto key = std::make_pair(std::max(i, j), std::min(i, j));
        auto& v = pairs[key];
        auto& s = seen[key];
        if (i >= j)
            v.first += values[k], s.first = true;
        else
            v.second += values[k], s.second = true;
    }
    std::vector<std::vector<std::pair<std::size_t, double>>> columns(n);
    for (const auto& [key, v] : pairs) {
        const auto [given, mirror] = seen[key];
        double q = given ? v.first : v.second;
        if (given && mirror && key.first != key.second) {
            if (std::fabs(v.first - v.second) > 1e-12 * std::max(std::fabs(v.first), 1.0))
                return false;
        }
        if (q == 0.0) continue;
        columns[key.second].emplace_back(key.first, q);
        if (key.first != key.second) columns[key.first].emplace_back(key.second, q);
    }
    Q = CscMatrix{};
    Q.rows = Q.cols = n;
    Q.colStart.assign(1, 0);
    for (auto& col : columns) {
        std::sort(col.begin(), col.end());
        for (const auto& [row, q] : col) Q.rowIndex.push_back(row), Q.value.push_back(q);
        Q.colStart.push_back(Q.rowIndex.size());
    }
    return true;
}

void requireConvex(const CscMatrix& Q, std::size_t n) {
    if (!hasEntries(Q)) return;
    double largest = 0.0;
    for (const double v : Q.value) largest = std::max(largest, std::fabs(v));
    const std::vector<double> diag = hessianDiagonal(Q, n);
    for (std::size_t j = 0; j < n; ++j) {
        if (diag[j] < 0.0) {
            throw LpError(ExitCode::NonConvex,
                          "the objective is not convex: its Hessian has the negative diagonal "
                          "entry " +
                              std::to_string(diag[j]) + " in column " + std::to_string(j));
        }
    }
    // Q + eps I has no negative pivot exactly when Q has no eigenvalue below -eps.
    std::vector<long> jc{0}, ir;
    std::vector<double> pr;
    for (std::size_t j = 0; j < n; ++j) {
        ir.push_back(static_cast<long>(j));
        pr.push_back(diag[j] + kConvexityShift * largest);
        if (j < Q.cols) {
            for (std::size_t k = Q.colStart[j]; k < Q.colStart[j + 1]; ++k) {
                if (Q.rowIndex[k] <= j) continue;
                ir.push_back(static_cast<long>(Q.rowIndex[k]));
                pr.push_back(Q.value[k]);
            }
        }
        jc.push_back(static_cast<long>(ir.size()));
    }
    EqnSolverSparseLDL ldl(0.01);
    const long N = static_cast<long>(n);
    ldl.factor(N, N, pr.data(), ir.data(), jc.data(), static_cast<long>(pr.size()));
    long negative = 0;
    if (ldl.status == EqnSolverSparseLDL::STATUS_NUMERIC_DONE) ldl.numNegEigenValues(negative);
    if (ldl.status != EqnSolverSparseLDL::STATUS_NUMERIC_DONE || negative > 0) {
        throw LpError(ExitCode::NonConvex,
                      "the objective is not convex: the factorization of its Hessian has " +
                          std::to_string(negative) + " negative pivots");
    }
}

}  // namespace lpsolve
