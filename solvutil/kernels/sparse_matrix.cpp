#include "solvutil/kernels/sparse_matrix.hpp"

#include <utility>

SparseMatrix::SparseMatrix() : SparseMatrix(0, 0, 0) {}

SparseMatrix::SparseMatrix(long r, long c, long capacity)
    : rows(r),
      cols(c),
      nzmax(capacity),
      jcStore_(static_cast<std::size_t>(c + 1), 0),
      irStore_(static_cast<std::size_t>(capacity), 0),
      values_(static_cast<std::size_t>(capacity), 0.0) {
    bindPointers();
}

SparseMatrix::SparseMatrix(const SparseMatrix& other)
    : rows(other.rows),
      cols(other.cols),
      nzmax(other.nzmax),
      jcStore_(other.jcStore_),
      irStore_(other.irStore_),
      values_(other.values_) {
    bindPointers();
}

SparseMatrix::SparseMatrix(SparseMatrix&& other) noexcept
    : rows(other.rows),
      cols(other.cols),
      nzmax(other.nzmax),
      jcStore_(std::move(other.jcStore_)),
      irStore_(std::move(other.irStore_)),
      values_(std::move(other.values_)) {
    bindPointers();
    // A moved-from matrix is 0-by-0 without storage (jc is null until reassigned).
    other.rows = other.cols = other.nzmax = 0;
    other.bindPointers();
}

SparseMatrix& SparseMatrix::operator=(const SparseMatrix& other) {
    if (this != &other) {
        SparseMatrix copy(other);
        *this = std::move(copy);
    }
    return *this;
}

SparseMatrix& SparseMatrix::operator=(SparseMatrix&& other) noexcept {
    if (this != &other) {
        rows = other.rows;
        cols = other.cols;
        nzmax = other.nzmax;
        jcStore_.swap(other.jcStore_);
        irStore_.swap(other.irStore_);
        values_.swap(other.values_);
        bindPointers();
        other.bindPointers();
    }
    return *this;
}

SparseMatrix::~SparseMatrix() = default;

const double* SparseMatrix::data() const {
    return values_.data();
}
double* SparseMatrix::data() {
    return values_.data();
}

void SparseMatrix::bindPointers() noexcept {
    jc = jcStore_.data();
    ir = irStore_.data();
}

SparseMatrix SparseMatrix::fromDense(const DenseMatrix& A) {
    long count = 0;
    for (long j = 0; j < A.cols; ++j)
        for (long i = 0; i < A.rows; ++i)
            if (A(i, j) != 0.0) ++count;
    SparseMatrix S(A.rows, A.cols, count);
    long k = 0;
    for (long j = 0; j < A.cols; ++j) {
        for (long i = 0; i < A.rows; ++i) {
            if (A(i, j) != 0.0) {
                S.ir[k] = i;
                S.values_[static_cast<std::size_t>(k)] = A(i, j);
                ++k;
            }
        }
        S.jc[j + 1] = k;
    }
    return S;
}

DenseMatrix SparseMatrix::toDense() const {
    DenseMatrix D(rows, cols);
    for (long j = 0; j < cols; ++j)
        for (long k = jc[j]; k < jc[j + 1]; ++k)
            D(ir[k], j) += values_[static_cast<std::size_t>(k)];
    return D;
}
