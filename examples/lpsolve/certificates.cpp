#include "examples/lpsolve/certificates.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

namespace lpsolve {
namespace {

double rowUnit(const Scaling* s, std::size_t i) { return s != nullptr ? s->row[i] : 1.0; }
double colUnit(const Scaling* s, std::size_t j) { return s != nullptr ? s->col[j] : 1.0; }

}  // namespace

CertificateCheck checkFarkas(const StandardForm& sf, std::span<const double> y, double tol,
                             const Scaling* units) {
    const CscMatrix& A = sf.A;
    CertificateCheck r;
    // ||y|| in equilibrated units: y~_i = y_i / R_i.
    double yNorm = 0.0, by = 0.0, magnitude = 0.0;
    for (std::size_t i = 0; i < A.rows; ++i) {
        yNorm = std::max(yNorm, std::fabs(y[i]) / rowUnit(units, i));
        by += sf.b[i] * y[i];
        magnitude += std::fabs(sf.b[i] * y[i]);
    }
    double sup = 0.0;
    for (std::size_t j = 0; j < A.cols; ++j) {
        double g = 0.0, colNorm = 0.0;  // colNorm: max |R_i a_ij|
        for (std::size_t k = A.colStart[j]; k < A.colStart[j + 1]; ++k) {
            const std::size_t i = A.rowIndex[k];
            g += A.value[k] * y[i];
            colNorm = std::max(colNorm, std::fabs(A.value[k]) * rowUnit(units, i));
        }
        if (g == 0.0) continue;
        const double bound = g > 0.0 ? sf.upper[j] : sf.lower[j];
        if (std::isfinite(bound)) {
            sup += g * bound;
            magnitude += std::fabs(g * bound);
        } else {
            r.defect = std::max(r.defect, std::fabs(g) / (colNorm * yNorm));
        }
    }
    r.value = by - sup;
    r.holds = std::isfinite(r.value) && r.value > tol * magnitude && r.defect <= tol;
    return r;
}

CertificateCheck checkRay(const StandardForm& sf, std::span<const double> dIn, double tol,
                          const Scaling* units) {
    const CscMatrix& A = sf.A;
    CertificateCheck r;
    std::vector<double> d(dIn.begin(), dIn.end());
    double dNorm = 0.0, cd = 0.0, magnitude = 0.0;  // dNorm: max |d_j / C_j|
    for (std::size_t j = 0; j < d.size(); ++j) {
        if (std::isfinite(sf.lower[j])) d[j] = std::max(d[j], 0.0);
        if (std::isfinite(sf.upper[j])) d[j] = std::min(d[j], 0.0);
        dNorm = std::max(dNorm, std::fabs(d[j]) / colUnit(units, j));
        cd += sf.c[j] * d[j];
        magnitude += std::fabs(sf.c[j] * d[j]);
    }
    std::vector<double> ad(A.rows, 0.0), rowNorm(A.rows, 0.0);  // rowNorm: max |a_ij C_j|
    for (std::size_t j = 0; j < A.cols; ++j) {
        for (std::size_t k = A.colStart[j]; k < A.colStart[j + 1]; ++k) {
            const std::size_t i = A.rowIndex[k];
            ad[i] += A.value[k] * d[j];
            rowNorm[i] = std::max(rowNorm[i], std::fabs(A.value[k]) * colUnit(units, j));
        }
    }
    for (std::size_t i = 0; i < A.rows; ++i) {
        if (ad[i] != 0.0) r.defect = std::max(r.defect, std::fabs(ad[i]) / (rowNorm[i] * dNorm));
    }
    r.value = -cd;
    r.holds = std::isfinite(r.value) && r.value > tol * magnitude && r.defect <= tol;
    return r;
}

}  // namespace lpsolve
