#include "examples/lpsolve/certificates.hpp"

#include "examples/lpsolve/hessian.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

#include "examples/lpsolve/hessian.hpp"

namespace lpsolve {
namespace {

double rowUnit(const Scaling* s, std::size_t i) {
    return s != nullptr ? s->row[i] : 1.0;
}
double colUnit(const Scaling* s, std::size_t j) {
    return s != nullptr ? s->col[j] : 1.0;
}
double costUnit(const Scaling* s) {
    return s != nullptr ? s->cost : 1.0;
}
double rhsUnit(const Scaling* s) {
    return s != nullptr ? s->rhs : 1.0;
}

}  // namespace

CertificateCheck checkFarkas(const StandardForm& sf, std::span<const double> y, double tol,
                             const Scaling* units) {
    const CscMatrix& A = sf.A;
    CertificateCheck r;
    double by = 0.0, magnitude = 0.0, sup = 0.0, violation = 0.0;
    for (std::size_t i = 0; i < A.rows; ++i) {
        by += sf.b[i] * y[i];
        magnitude += std::fabs(sf.b[i] * y[i]);
    }
    for (std::size_t j = 0; j < A.cols; ++j) {
        double g = 0.0;
        for (std::size_t k = A.colStart[j]; k < A.colStart[j + 1]; ++k)
            g += A.value[k] * y[A.rowIndex[k]];
        if (g == 0.0) continue;
        const double bound = g > 0.0 ? sf.upper[j] : sf.lower[j];
        if (std::isfinite(bound)) {
            sup += g * bound;
            magnitude += std::fabs(g * bound);
        } else {  // in equilibrated units: C_j g_j beta
            violation = std::max(violation, colUnit(units, j) * std::fabs(g) * rhsUnit(units));
        }
    }
    r.value = by - sup;
    r.defect = r.value > 0.0 ? violation / r.value : HUGE_VAL;
    r.holds = std::isfinite(r.value) && r.value > tol * magnitude && r.defect <= tol;
    return r;
}

CertificateCheck checkRay(const StandardForm& sf, std::span<const double> dIn, double tol,
                          const Scaling* units) {
    const CscMatrix& A = sf.A;
    CertificateCheck r;
    std::vector<double> d(dIn.begin(), dIn.end());
    const double gamma = costUnit(units);
    double cd = 0.0, magnitude = 0.0, violation = 0.0;
    for (std::size_t j = 0; j < d.size(); ++j) {
        const double original = d[j];
        if (std::isfinite(sf.lower[j])) d[j] = std::max(d[j], 0.0);
        if (std::isfinite(sf.upper[j])) d[j] = std::min(d[j], 0.0);
        violation = std::max(violation, std::fabs(original - d[j]) * gamma / colUnit(units, j));
        cd += sf.c[j] * d[j];
        magnitude += std::fabs(sf.c[j] * d[j]);
    }
    std::vector<double> ad(A.rows, 0.0);
    for (std::size_t j = 0; j < A.cols; ++j) {
        for (std::size_t k = A.colStart[j]; k < A.colStart[j + 1]; ++k)
            ad[A.rowIndex[k]] += A.value[k] * d[j];
    }
    for (std::size_t i = 0; i < A.rows; ++i) {
        violation = std::max(violation, rowUnit(units, i) * std::fabs(ad[i]) * gamma);
    }
    if (hasEntries(sf.Q)) {  // the quadratic term must stay flat along the ray: Q d = 0
        std::vector<double> qd(d.size());
        hessianProduct(sf.Q, d, qd);
        for (std::size_t j = 0; j < d.size(); ++j) {
            violation = std::max(violation, colUnit(units, j) * rhsUnit(units) * std::fabs(qd[j]));
        }
    }
    r.value = -cd;
    r.defect = r.value > 0.0 ? violation / r.value : HUGE_VAL;
    r.holds = std::isfinite(r.value) && r.value > tol * magnitude && r.defect <= tol;
    return r;
}

}  // namespace lpsolve
