#pragma once
#include "solvutil/kernels/aligned_allocator.hpp"
#include "solvutil/solvutil_export.hpp"

/// Dense m-by-n matrix of doubles, column-major, leading dimension = rows:
/// element (i, j) is data()[i + j*rows]. The matrix owns its storage (host allocator).
/// Kernels read `rows`, `cols` and data(); they never resize a matrix.
/// Fixed by the binary interface: the member order and the two virtual data() slots.
class SOLVUTIL_API DenseMatrix {
public:
    long rows = 0;  ///< number of rows m, also the leading dimension
    long cols = 0;  ///< number of columns n

    DenseMatrix() = default;
    /// A zero-filled rows-by-cols matrix.
    DenseMatrix(long rows, long cols);
    DenseMatrix(const DenseMatrix&) = default;
    DenseMatrix(DenseMatrix&&) noexcept = default;
    DenseMatrix& operator=(const DenseMatrix&) = default;
    DenseMatrix& operator=(DenseMatrix&&) noexcept = default;
    virtual ~DenseMatrix();

    virtual const double* data() const;
    virtual double* data();

    /// Changes the shape to rows-by-cols; the storage is resized and zero-filled.
    void resize(long rows, long cols);

    double& operator()(long i, long j) { return values_[static_cast<std::size_t>(i + j * rows)]; }
    double operator()(long i, long j) const {
        return values_[static_cast<std::size_t>(i + j * rows)];
    }

private:
    AlignedVector values_;
};
