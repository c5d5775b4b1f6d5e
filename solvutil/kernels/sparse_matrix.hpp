#pragma once
#include <vector>

#include "solvutil/kernels/aligned_allocator.hpp"
#include "solvutil/kernels/dense_matrix.hpp"
#include "solvutil/solvutil_export.hpp"

/// Sparse m-by-n matrix of doubles in compressed-column form (0-based, 64-bit indices).
/// The stored entries of column j are positions jc[j] .. jc[j+1]-1 of ir and data();
/// jc has cols+1 entries and jc[0] = 0. Row indices within a column need not be sorted,
/// and repeated row indices are summed by the product kernels.
/// The matrix owns its arrays (host allocator); `jc` and `ir` point into them.
/// Fixed by the binary interface: the member order and the two virtual data() slots.
class SOLVUTIL_API SparseMatrix {
public:
    long rows = 0;       ///< number of rows m
    long cols = 0;       ///< number of columns n
    long nzmax = 0;      ///< capacity of ir and of the values
    long* jc = nullptr;  ///< column starts, cols+1 entries
    long* ir = nullptr;  ///< row index of each stored entry

    /// A 0-by-0 matrix.
    SparseMatrix();
    /// A rows-by-cols matrix with no entries and room for `nzmax` of them.
    SparseMatrix(long rows, long cols, long nzmax);
    SparseMatrix(const SparseMatrix& other);
    SparseMatrix(SparseMatrix&& other) noexcept;
    SparseMatrix& operator=(const SparseMatrix& other);
    SparseMatrix& operator=(SparseMatrix&& other) noexcept;
    virtual ~SparseMatrix();

    virtual const double* data() const;
    virtual double* data();

    /// Number of stored entries, jc[cols].
    long nnz() const { return jc[cols]; }

    /// The entries of `A` that are not exactly zero, columns in order, rows ascending.
    static SparseMatrix fromDense(const DenseMatrix& A);
    /// The dense matrix with repeated entries summed.
    DenseMatrix toDense() const;

private:
    void bindPointers() noexcept;

    std::vector<long, aligned_allocator<long>> jcStore_;
    std::vector<long, aligned_allocator<long>> irStore_;
    AlignedVector values_;
};
