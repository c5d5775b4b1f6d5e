#include "examples/lpsolve/scaling.hpp"

#include <algorithm>
#include <cmath>

namespace lpsolve {
namespace {

// Ruiz iterations converge geometrically; ten leave every row and column maximum within a
// few percent of 1 on the netlib samples, and more only shuffles powers of two.
constexpr int kRuizPasses = 10;

// 2^e for the integer e nearest to `exponent`, kept inside the normal range of double
// so that no factor overflows or loses precision.
double pow2(double exponent) {
    return std::ldexp(1.0, static_cast<int>(std::clamp(std::round(exponent), -1022.0, 1023.0)));
}

// The power of two nearest to v (1 for 0, Inf or NaN).
double pow2Near(double v) {
    return v > 0.0 && std::isfinite(v) ? pow2(std::log2(v)) : 1.0;
}

// The power of two nearest to 1/sqrt(v) (1 for an empty row or column).
double inverseSqrtPow2(double v) {
    return v > 0.0 && std::isfinite(v) ? pow2(-0.5 * std::log2(v)) : 1.0;
}

}  // namespace

Scaling equilibrate(const StandardForm& sf) {
    const CscMatrix& A = sf.A;
    Scaling s;
    s.row.assign(A.rows, 1.0);
    s.col.assign(A.cols, 1.0);
    std::vector<double> rowMax(A.rows);
    for (int pass = 0; pass < kRuizPasses; ++pass) {
        std::fill(rowMax.begin(), rowMax.end(), 0.0);
        bool changed = false;
        for (std::size_t j = 0; j < A.cols; ++j) {
            double colMax = 0.0;
            for (std::size_t k = A.colStart[j]; k < A.colStart[j + 1]; ++k) {
                const double v = std::fabs(A.value[k]) * s.row[A.rowIndex[k]] * s.col[j];
                colMax = std::max(colMax, v);
            }
            const double f = inverseSqrtPow2(colMax);
            changed |= f != 1.0;
            s.col[j] *= f;
        }
        // Rows against the columns just updated, as in Ruiz' simultaneous version but
        // one half-step later: it converges the same way.
        for (std::size_t j = 0; j < A.cols; ++j) {
            for (std::size_t k = A.colStart[j]; k < A.colStart[j + 1]; ++k) {
                const std::size_t i = A.rowIndex[k];
                rowMax[i] = std::max(rowMax[i], std::fabs(A.value[k]) * s.row[i] * s.col[j]);
            }
        }
        for (std::size_t i = 0; i < A.rows; ++i) {
            const double f = inverseSqrtPow2(rowMax[i]);
            changed |= f != 1.0;
            s.row[i] *= f;
        }
        if (!changed) break;
    }
    double costMax = 0.0;
    for (std::size_t j = 0; j < A.cols; ++j) costMax = std::max(costMax, std::fabs(sf.c[j]) * s.col[j]);
    s.cost = pow2Near(costMax);
    double rhsMax = 0.0;
    for (std::size_t i = 0; i < A.rows; ++i) rhsMax = std::max(rhsMax, std::fabs(sf.b[i]) * s.row[i]);
    s.rhs = rhsMax > 1.0 ? pow2Near(rhsMax) : 1.0;
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
    return out;
}

}  // namespace lpsolve
