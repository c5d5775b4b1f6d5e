#include "solvutil/kernels/dense_matrix.hpp"

DenseMatrix::DenseMatrix(long r, long c)
    : rows(r), cols(c), values_(static_cast<std::size_t>(r * c), 0.0) {}

DenseMatrix::~DenseMatrix() = default;

const double* DenseMatrix::data() const {
    return values_.data();
}
double* DenseMatrix::data() {
    return values_.data();
}

void DenseMatrix::resize(long r, long c) {
    rows = r;
    cols = c;
    values_.assign(static_cast<std::size_t>(r * c), 0.0);
}
