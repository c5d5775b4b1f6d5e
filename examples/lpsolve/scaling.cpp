#include "examples/lpsolve/scaling.hpp"

#include <algorithm>
#include <cmath>

namespace lpsolve {
namespace {

// Alternating passes of the geometric scaling; they stop early once no factor moves by
// more than a tenth of a binary order (the factors are rounded to powers of two anyway).
constexpr int kGeometricPasses = 50;
constexpr double kGeometricSettled = 0.1;

// 2^e for the integer e nearest to `exponent`, kept inside the normal range of double
// so that no factor overflows or loses precision.
double pow2(double exponent) {
    return std::ldexp(1.0, static_cast<int>(std::clamp(std::round(exponent), -1022.0, 1023.0)));
}

// The power of two nearest to v (1 for 0, Inf or NaN).
double pow2Near(double v) {
    return v > 0.0 && std::isfinite(v) ? pow2(std::log2(v)) : 1.0;
}

}  // namespace

Scaling equilibrate(const StandardForm& sf) {
    const CscMatrix& A = sf.A;
    // Geometric scaling: log r_i + log c_j ~ -log|a_ij| in the least-squares sense, by
    // alternating exact minimizations over the rows and the columns (Gauss-Seidel on the
    // normal equations). The least-squares factors of D1 A D2 are those of A times
    // D1^-1, D2^-1 (up to one common factor that beta and gamma absorb), so a model
    // written in other units scales to the same problem. Ruiz' max-norm iterations do
    // not have that property: their fixed point depends on where they start.
    std::vector<double> logRow(A.rows, 0.0), logCol(A.cols, 0.0), logA(A.nnz());
    std::vector<double> rowSum(A.rows), rowCount(A.rows, 0.0);
    for (std::size_t k = 0; k < A.nnz(); ++k)
        logA[k] = A.value[k] != 0.0 ? std::log2(std::fabs(A.value[k])) : 0.0;
    for (std::size_t k = 0; k < A.nnz(); ++k) rowCount[A.rowIndex[k]] += A.value[k] != 0.0;
    for (int pass = 0; pass < kGeometricPasses; ++pass) {
        double change = 0.0;
        for (std::size_t j = 0; j < A.cols; ++j) {
            double sum = 0.0, count = 0.0;
            for (std::size_t k = A.colStart[j]; k < A.colStart[j + 1]; ++k) {
                if (A.value[k] != 0.0) sum += logA[k] + logRow[A.rowIndex[k]], count += 1.0;
            }
            const double next = count > 0.0 ? -sum / count : 0.0;
            change = std::max(change, std::fabs(next - logCol[j]));
            logCol[j] = next;
        }
        std::fill(rowSum.begin(), rowSum.end(), 0.0);
        for (std::size_t j = 0; j < A.cols; ++j) {
            for (std::size_t k = A.colStart[j]; k < A.colStart[j + 1]; ++k) {
                if (A.value[k] != 0.0) rowSum[A.rowIndex[k]] += logA[k] + logCol[j];
            }
        }
        for (std::size_t i = 0; i < A.rows; ++i) {
            const double next = rowCount[i] > 0.0 ? -rowSum[i] / rowCount[i] : 0.0;
            change = std::max(change, std::fabs(next - logRow[i]));
            logRow[i] = next;
        }
        if (change < kGeometricSettled) break;
    }
    Scaling s;
    s.row.resize(A.rows);
    s.col.resize(A.cols);
    for (std::size_t i = 0; i < A.rows; ++i) s.row[i] = pow2(logRow[i]);
    // Then every column's largest entry to about 1, as production LP codes finish.
    for (std::size_t j = 0; j < A.cols; ++j) {
        double colMax = 0.0;
        for (std::size_t k = A.colStart[j]; k < A.colStart[j + 1]; ++k) {
            colMax = std::max(colMax, std::fabs(A.value[k]) * s.row[A.rowIndex[k]]);
        }
        s.col[j] = colMax > 0.0 ? pow2(-std::log2(colMax)) : 1.0;
    }
    double costMax = 0.0;
    for (std::size_t j = 0; j < A.cols; ++j)
        costMax = std::max(costMax, std::fabs(sf.c[j]) * s.col[j]);
    double rhsMax = 0.0;
    for (std::size_t i = 0; i < A.rows; ++i)
        rhsMax = std::max(rhsMax, std::fabs(sf.b[i]) * s.row[i]);
    s.rhs = rhsMax > 1.0 ? pow2Near(rhsMax) : 1.0;
    // The Hessian's terms count as costs: beta C Q C is what they weigh at x~ of size 1.
    const CscMatrix& Q = sf.Q;
    for (std::size_t j = 0; j < Q.cols; ++j) {
        for (std::size_t k = Q.colStart[j]; k < Q.colStart[j + 1]; ++k) {
            costMax =
                std::max(costMax, s.rhs * std::fabs(Q.value[k]) * s.col[Q.rowIndex[k]] * s.col[j]);
        }
    }
    s.cost = pow2Near(costMax);
    return s;
}

StandardForm applyScaling(const StandardForm& sf, const Scaling& s) {
    StandardForm out = sf;
    for (std::size_t j = 0; j < sf.cols(); ++j) {
        for (std::size_t k = sf.A.colStart[j]; k < sf.A.colStart[j + 1]; ++k) {
            out.A.value[k] = sf.A.value[k] * s.row[sf.A.rowIndex[k]] * s.col[j];
        }
        out.c[j] = sf.c[j] * s.col[j] / s.cost;
        out.lower[j] = sf.lower[j] / s.col[j] / s.rhs;
        out.upper[j] = sf.upper[j] / s.col[j] / s.rhs;
    }
    for (std::size_t i = 0; i < sf.rows(); ++i) out.b[i] = sf.b[i] * s.row[i] / s.rhs;
    for (std::size_t j = 0; j < sf.Q.cols; ++j) {
        for (std::size_t k = sf.Q.colStart[j]; k < sf.Q.colStart[j + 1]; ++k) {
            out.Q.value[k] = sf.Q.value[k] * s.rhs * s.col[sf.Q.rowIndex[k]] * s.col[j] / s.cost;
        }
    }
    return out;
}

}  // namespace lpsolve
