#include "examples/lpsolve/scaling.hpp"

#include <algorithm>
#include <cmath>

namespace lpsolve {
namespace {

// Ruiz iterations converge geometrically; ten leave every row and column maximum within a
// few percent of 1 on the netlib samples, and more only shuffles powers of two.
constexpr int kRuizPasses = 10;

// The power of two nearest to 1/sqrt(v) (1 for an empty row or column).
double inverseSqrtPow2(double v) {
    if (!(v > 0.0) || !std::isfinite(v)) return 1.0;
    return std::exp2(-std::round(0.5 * std::log2(v)));
}

double pow2Near(double v) {
    if (!(v > 0.0) || !std::isfinite(v)) return 1.0;
    return std::exp2(std::round(std::log2(v)));
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
    return s;
}

StandardForm applyScaling(const StandardForm& sf, const Scaling& s) {
    StandardForm out = sf;
    for (std::size_t j = 0; j < sf.cols(); ++j) {
        for (std::size_t k = sf.A.colStart[j]; k < sf.A.colStart[j + 1]; ++k) {
            out.A.value[k] = sf.A.value[k] * s.row[sf.A.rowIndex[k]] * s.col[j];
        }
        out.c[j] = sf.c[j] * s.col[j] / s.cost;
        out.lower[j] = sf.lower[j] / s.col[j];
        out.upper[j] = sf.upper[j] / s.col[j];
    }
    for (std::size_t i = 0; i < sf.rows(); ++i) out.b[i] = sf.b[i] * s.row[i];
    return out;
}

}  // namespace lpsolve
