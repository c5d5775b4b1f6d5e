#pragma once
// OPTMatrix<T>: a column-major matrix whose values live in a host array (kxArray), dense
// or compressed-column sparse, plus the process-wide scratch buffer that products and
// differences borrow their results from. Only OPTMatrix<double> is instantiated.
// Threads: one thread at a time for all OPTMatrix objects together (they share the
// scratch buffer).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "solvutil/solvutil_export.hpp"

struct kxArray;

template <typename T>
class OPTMatrix;

/// The process-wide scratch buffer of OPTMatrix<double>. Each entry is a heap matrix
/// owning its own dense host array; its use counter is the number of matrices currently
/// borrowing it. Entries are never removed: they live until the process ends.
struct SOLVUTIL_API OPTMatrixBuffer {
    std::vector<OPTMatrix<double>*>* entries = nullptr;  ///< growable list of entries
    std::size_t count = 0;                               ///< number of entries
    std::size_t next = 0;                                ///< round-robin cursor
};

/// Matrix stored in a host array.
///
/// A matrix holds its array in one of three ways:
/// - own: made by the (rows, cols, false) constructor or by assignment into an empty
///   matrix; the array is destroyed with the matrix;
/// - pooled: made by the (rows, cols, true) constructor (every product and difference);
///   the array belongs to a scratch-buffer entry and goes back to the buffer on release;
/// - adopted: made by the (array, borrowMode) constructor from an array that exists
///   already; BORROW_KEEP leaves the array to its owner, BORROW_DESTROY destroys it with
///   the matrix.
///
/// Dense: element (i, j) is _data[i + _rows*j]. Sparse: the column starts have _cols+1
/// entries and the stored entries of a column need not be sorted by row.
///
/// Failures of the arithmetic operators print their message on the host console and
/// throw a heap-allocated std::exception by pointer: catch `std::exception*` and delete it.
/// Copy construction is deleted; move construction transfers the array (and, for a pooled
/// matrix, its claim on the buffer entry) and leaves the source released.
template <typename T>
class SOLVUTIL_API OPTMatrix {
public:
    /// Borrow tag: the array belongs to someone else and is left alone on release.
    static constexpr std::int32_t BORROW_KEEP = 1;
    /// Borrow tag: the matrix takes the array over and destroys it on release.
    static constexpr std::int32_t BORROW_DESTROY = 2;

    /// rows-by-cols dense matrix. `pooled` false: a new zero-filled array of its own;
    /// true: the array of a free scratch-buffer entry, reshaped (values left as they are).
    OPTMatrix(std::size_t rows, std::size_t cols, bool pooled);
    /// Adopts the existing host array `array` (dense or sparse; not null), with the tag
    /// BORROW_KEEP or BORROW_DESTROY. With BORROW_DESTROY the array's scope is set to 0.
    OPTMatrix(kxArray* array, std::int32_t borrowMode);
    OPTMatrix(OPTMatrix&& other) noexcept;
    OPTMatrix(const OPTMatrix&) = delete;
    ~OPTMatrix();

    /// Element (i, j), unchecked. An absent sparse element is a reference to a shared
    /// zero: write only through elements of dense matrices.
    T& operator()(std::size_t i, std::size_t j) const;
    /// Largest absolute entry, position in (row, col); ties go to the later entry and NaN
    /// entries are skipped. No entry found: the NaN with bits 0xFFF8000000000000. An empty
    /// sparse array: 0.0 with (row, col) untouched.
    T absmax(std::size_t& row, std::size_t& col) const;
    /// Product; *this must be dense, `right` may be sparse. The result is pooled.
    OPTMatrix operator*(const OPTMatrix& right) const;
    /// Difference of equal-shaped matrices; *this must be dense. A sparse `right` is read
    /// as the dense matrix it represents. The result is pooled.
    OPTMatrix operator-(const OPTMatrix& right) const;
    /// Same shape: copies the values of `right` into the existing array (dense from
    /// sparse writes the dense matrix `right` stands for; sparse from sparse copies the
    /// stored entries when this array has room for them). A sparse left side without
    /// room, or assigned a dense right side, gets a new array of its own when it owns
    /// its array, and fails like a shape mismatch otherwise. Different shape: a matrix
    /// without elements gets a new array of its own shaped like `right` (an adopted
    /// BORROW_KEEP array is left to its owner, a pooled one goes back to the buffer);
    /// one with elements prints both sizes on std::cout and fails.
    OPTMatrix& operator=(const OPTMatrix& right);

    // Fixed by the binary interface: the leading-underscore names and the public data
    // members in this order (host code reads _rows, _cols, _data, ... directly).
    static std::size_t& _getStaticCounterReference();
    static OPTMatrixBuffer*& _getBufferAddress();

    std::size_t _rows;
    std::size_t _cols;
    std::size_t _id;
    kxArray* _array;
    T* _data;
    std::size_t* _useCount;
    bool _sparse;
    bool _pooled;
    bool _borrowed;
    std::int32_t _borrowMode;

    static std::size_t static_counter;
    static OPTMatrixBuffer* _buffer;

private:
    void readShapeFromArray_();
    void release_() noexcept;
    void setReleased_() noexcept;
    bool ownsArray_() const noexcept;
    void assignNewArray_(const OPTMatrix& right);
};

extern template class SOLVUTIL_API OPTMatrix<double>;
