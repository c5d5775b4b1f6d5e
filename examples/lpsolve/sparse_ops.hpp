#pragma once
// Small vector and compressed-column helpers of the interior-point method.
#include <algorithm>
#include <cmath>
#include <vector>

#include "examples/lpsolve/lp_model.hpp"

namespace lpsolve {

/// out = A x (out has A.rows entries).
inline void multiply(const CscMatrix& A, const std::vector<double>& x, std::vector<double>& out) {
    out.assign(A.rows, 0.0);
    for (std::size_t j = 0; j < A.cols; ++j) {
        const double xj = x[j];
        if (xj == 0.0) continue;
        for (std::size_t k = A.colStart[j]; k < A.colStart[j + 1]; ++k) {
            out[A.rowIndex[k]] += A.value[k] * xj;
        }
    }
}

/// out = A' y (out has A.cols entries).
inline void multiplyTransposed(const CscMatrix& A, const std::vector<double>& y,
                               std::vector<double>& out) {
    out.assign(A.cols, 0.0);
    for (std::size_t j = 0; j < A.cols; ++j) {
        double s = 0.0;
        for (std::size_t k = A.colStart[j]; k < A.colStart[j + 1]; ++k) {
            s += A.value[k] * y[A.rowIndex[k]];
        }
        out[j] = s;
    }
}

inline double normInf(const std::vector<double>& v) {
    double m = 0.0;
    for (double e : v) m = std::max(m, std::fabs(e));
    return m;
}

inline double dot(const std::vector<double>& a, const std::vector<double>& b) {
    double s = 0.0;
    for (std::size_t i = 0; i < a.size(); ++i) s += a[i] * b[i];
    return s;
}

}  // namespace lpsolve
