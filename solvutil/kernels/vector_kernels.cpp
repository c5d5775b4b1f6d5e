#include "solvutil/kernels/vector_kernels.hpp"

#include <algorithm>
#include <cmath>

#include "solvutil/kernels/blas.hpp"

namespace blas = solvutil::blas;

void axpy(double alpha, const double* x, double* y, unsigned long n) {
    const auto len = static_cast<blas_int>(n);
    blas::axpy(len, alpha, x, y);
}

void scale(double alpha, double* x, unsigned long n) {
    const auto len = static_cast<blas_int>(n);
    blas::scal(len, alpha, x);
}

void copy(double* y, const double* x, unsigned long n) {
    const auto len = static_cast<blas_int>(n);
    blas::copy(len, x, y);
}

double dotprod(const double* x, const double* y, unsigned long n) {
    const auto len = static_cast<blas_int>(n);
    return blas::dot(len, x, y);
}

double norm2(const double* x, unsigned long n) {
    const auto len = static_cast<blas_int>(n);
    return blas::nrm2(len, x);
}

double norminf(const double* x, unsigned long n) {
    if (n == 0) return 0.0;  // no BLAS call for an empty vector
    const auto len = static_cast<blas_int>(n);
    const blas_int k = blas::iamax(len, x);  // 1-based
    return std::abs(x[k - 1]);
}

void axpy(double alpha, const AlignedVector& x, AlignedVector& y) {
    axpy(alpha, x.data(), y.data(), std::min(x.size(), y.size()));
}

void scale(double alpha, AlignedVector& x) {
    scale(alpha, x.data(), x.size());
}

void copy(AlignedVector& y, const AlignedVector& x) {
    y.resize(x.size());
    copy(y.data(), x.data(), x.size());
}

double dotprod(const AlignedVector& x, const AlignedVector& y) {
    return dotprod(x.data(), y.data(), std::min(x.size(), y.size()));
}

double norm2(const AlignedVector& x) {
    return norm2(x.data(), x.size());
}

double norminf(const AlignedVector& x) {
    return norminf(x.data(), x.size());
}
