// OPTMatrix<double>: product, difference and assignment.
#include <algorithm>
#include <exception>
#include <iostream>

#include "solvutil/constraints/optmatrix.hpp"
#include "solvutil/host/hostio.hpp"
#include "solvutil/host/hostmath.hpp"
#include "solvutil/host/kxarray.hpp"

namespace {

// The failure form of OPTMatrix operators: the message goes to the host console (no
// newline) and a heap-allocated std::exception is thrown by pointer.
//
// `throw new std::exception`: the thrown type std::exception* is what host code catches,
// so it is fixed by the binary interface (the catcher deletes the object).
[[noreturn]] void fail(const char* message) {
    hostPrintf("%s", message);
    throw new std::exception();
}

// An assignment between matrices whose sizes do not fit: both sizes go to standard
// output first, then the operator fails.
[[noreturn]] void failAssignment(std::size_t lhsRows, std::size_t lhsCols, std::size_t rhsRows,
                                 std::size_t rhsCols) {
    std::cout << "LHS Size: " << lhsRows << "-by-" << lhsCols << std::endl;
    std::cout << "RHS Size: " << rhsRows << "-by-" << rhsCols << std::endl;
    fail("Incompatible dimensions for matrix assignment");
}

}  // namespace

template <typename T>
OPTMatrix<T> OPTMatrix<T>::operator*(const OPTMatrix& right) const {
    if (_cols != right._rows) fail("Incompatible dimensions for matrix multiplication");
    if (_sparse) fail("No efficient implementation for sparse matrix multiplication");
    OPTMatrix result(_rows, right._cols, true);
    hostMatrixMult(_array, right._array, result._array);  // a throw releases `result`
    return result;
}

template <typename T>
OPTMatrix<T> OPTMatrix<T>::operator-(const OPTMatrix& right) const {
    if (_rows != right._rows || _cols != right._cols)
        fail("Incompatible dimensions for matrix subtraction");
    if (_sparse) fail("No efficient implementation for sparse");
    OPTMatrix result(_rows, _cols, true);
    if (!right._sparse) {
        hostmath::Minus<double, double, double>(result._data, _data, right._data, 1, 1, 1,
                                                _rows * _cols);
    } else {
        // A sparse right operand is read as the dense matrix it stands for: copy the left
        // operand, then subtract the stored entries.
        std::copy(_data, _data + _rows * _cols, result._data);
        if (!kxIsEmpty(right._array)) {
            const std::size_t* starts = kxColumnStarts(right._array);
            const std::size_t* rowIndex = kxRowIndices(right._array);
            for (std::size_t j = 0; j < _cols; ++j)
                for (std::size_t p = starts[j]; p < starts[j + 1]; ++p)
                    result._data[rowIndex[p] + _rows * j] -= right._data[p];
        }
    }
    return result;
}

template <typename T>
void OPTMatrix<T>::assignNewArray_(const OPTMatrix& right) {
    if (_array != nullptr && ownsArray_()) kxarray::destroyArray(_array);
    setReleased_();
    if (right._sparse) {
        _array = kxDuplicateArray(right._array);
    } else {
        _array = kxCreateNumericMatrix(right._rows, right._cols, kxDOUBLE_CLASS, kxREAL);
        std::copy(right._data, right._data + right._rows * right._cols, kxRealData(_array));
    }
    readShapeFromArray_();
    kxSetArrayScope(_array, kxSCOPE_LIBRARY);
    _borrowed = false;
    _borrowMode = 0;
}

template <typename T>
OPTMatrix<T>& OPTMatrix<T>::operator=(const OPTMatrix& right) {
    if (this == &right) return *this;
    if (_rows == right._rows && _cols == right._cols) {
        if (!_sparse && !right._sparse) {
            std::copy(right._data, right._data + _rows * _cols, _data);
        } else if (!_sparse) {
            // Dense from sparse: write the dense matrix the sparse one stands for.
            std::fill(_data, _data + _rows * _cols, T(0));
            for (std::size_t j = 0; j < _cols; ++j)
                for (std::size_t i = 0; i < _rows; ++i) {
                    const T v = right(i, j);
                    if (v != T(0)) _data[i + _rows * j] = v;
                }
        } else if (right._sparse && kxGetNzmax(_array) >= kxGetNzmax(right._array)) {
            const std::size_t stored = kxGetNzmax(right._array);
            std::copy(right._data, right._data + stored, _data);
            const std::size_t* rowIndex = kxRowIndices(right._array);
            std::copy(rowIndex, rowIndex + stored, kxRowIndices(_array));
            const std::size_t* starts = kxColumnStarts(right._array);
            std::copy(starts, starts + _cols + 1, kxColumnStarts(_array));
        } else if (ownsArray_()) {
            // A sparse left side that cannot hold the right side's entries (too little
            // room, or a dense right side) gets a new array of its own instead.
            assignNewArray_(right);
        } else {
            failAssignment(_rows, _cols, right._rows, right._cols);
        }
        return *this;
    }
    if (_rows * _cols != 0) {
        failAssignment(_rows, _cols, right._rows, right._cols);
    }
    if (_pooled) {
        // The entry's array stays with the buffer; this matrix now owns an array instead.
        --*_useCount;
        _useCount = new std::size_t(0);
        _pooled = false;
        _array = nullptr;
    }
    assignNewArray_(right);
    return *this;
}

template OPTMatrix<double> OPTMatrix<double>::operator*(const OPTMatrix<double>&) const;
template OPTMatrix<double> OPTMatrix<double>::operator-(const OPTMatrix<double>&) const;
template OPTMatrix<double>& OPTMatrix<double>::operator=(const OPTMatrix<double>&);
template void OPTMatrix<double>::assignNewArray_(const OPTMatrix<double>&);
