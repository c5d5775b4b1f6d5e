// OPTMatrix<double>: construction, release, element access and absmax.
#include "solvutil/constraints/optmatrix.hpp"

#include <cmath>

#include "solvutil/constraints/not_found.hpp"
#include "solvutil/constraints/optmatrix_buffer.hpp"
#include "solvutil/host/kxarray.hpp"

using solvutil::constraints::kNotFound;

template <typename T>
std::size_t OPTMatrix<T>::static_counter = 0;

template <typename T>
OPTMatrixBuffer* OPTMatrix<T>::_buffer = nullptr;

template <typename T>
std::size_t& OPTMatrix<T>::_getStaticCounterReference() {
    return static_counter;
}

template <typename T>
OPTMatrixBuffer*& OPTMatrix<T>::_getBufferAddress() {
    return _buffer;
}

template <typename T>
OPTMatrix<T>::OPTMatrix(std::size_t rows, std::size_t cols, bool pooled)
    : _rows(rows),
      _cols(cols),
      _id(++_getStaticCounterReference()),
      _array(nullptr),
      _data(nullptr),
      _useCount(nullptr),
      _sparse(false),
      _pooled(pooled),
      _borrowed(false),
      _borrowMode(0) {
    if (!pooled) {
        _array = kxCreateNumericMatrix(rows, cols, kxDOUBLE_CLASS, kxREAL);
        readShapeFromArray_();
        try {
            _useCount = new std::size_t(0);
        } catch (...) {
            kxarray::destroyArray(_array);
            throw;
        }
    } else {
        OPTMatrixBuffer*& buffer = _getBufferAddress();
        if (buffer == nullptr) buffer = new OPTMatrixBuffer();
        OPTMatrix<double>* entry = optmatrix_detail::acquireBufferEntry(*buffer, rows, cols);
        _array = entry->_array;
        readShapeFromArray_();
        _useCount = entry->_useCount;
        ++*_useCount;
    }
    kxSetArrayScope(_array, kxSCOPE_LIBRARY);
}

template <typename T>
OPTMatrix<T>::OPTMatrix(kxArray* array, std::int32_t borrowMode)
    : _rows(0),
      _cols(0),
      _id(++_getStaticCounterReference()),
      _array(array),
      _data(nullptr),
      _useCount(nullptr),
      _sparse(false),
      _pooled(false),
      _borrowed(true),
      _borrowMode(borrowMode) {
    readShapeFromArray_();
    _useCount = new std::size_t(0);
    if (borrowMode == BORROW_DESTROY) kxSetArrayScope(_array, kxSCOPE_LIBRARY);
}

template <typename T>
OPTMatrix<T>::OPTMatrix(OPTMatrix&& other) noexcept
    : _rows(other._rows),
      _cols(other._cols),
      _id(++_getStaticCounterReference()),
      _array(other._array),
      _data(other._data),
      _useCount(other._useCount),
      _sparse(other._sparse),
      _pooled(other._pooled),
      _borrowed(other._borrowed),
      _borrowMode(other._borrowMode) {
    // The source gives up its array and its counter: for a pooled matrix the entry's
    // use count stays equal to the number of matrices borrowing it.
    other.setReleased_();
    other._useCount = nullptr;
    other._pooled = false;
    other._borrowed = false;
    other._borrowMode = 0;
}

template <typename T>
OPTMatrix<T>::~OPTMatrix() {
    release_();
}

template <typename T>
void OPTMatrix<T>::readShapeFromArray_() {
    _rows = kxGetM(_array);
    _cols = kxGetN(_array);
    _sparse = kxIsSparse(_array);
    _data = kxRealData(_array);
}

template <typename T>
void OPTMatrix<T>::setReleased_() noexcept {
    _rows = 0;
    _cols = 0;
    _array = nullptr;
    _data = nullptr;
    _sparse = true;
}

template <typename T>
bool OPTMatrix<T>::ownsArray_() const noexcept {
    return !_pooled && (!_borrowed || _borrowMode == BORROW_DESTROY);
}

template <typename T>
void OPTMatrix<T>::release_() noexcept {
    if (_pooled) {
        --*_useCount;
        return;
    }
    delete _useCount;
    _useCount = nullptr;
    if (_borrowed && _borrowMode != BORROW_DESTROY) return;
    if (_array != nullptr) kxarray::destroyArray(_array);
    setReleased_();
}

template <typename T>
T& OPTMatrix<T>::operator()(std::size_t i, std::size_t j) const {
    static T local_zero = 0.0;
    if (!_sparse) return _data[i + _rows * j];
    if (kxIsEmpty(_array)) return local_zero;
    const std::size_t* starts = kxColumnStarts(_array);
    const std::size_t* rowIndex = kxRowIndices(_array);
    for (std::size_t p = starts[j]; p < starts[j + 1]; ++p) {
        if (rowIndex[p] == i) return _data[p];
    }
    return local_zero;
}

template <typename T>
T OPTMatrix<T>::absmax(std::size_t& row, std::size_t& col) const {
    static T local_zero = 0.0;
    if (_sparse && kxIsEmpty(_array)) return local_zero;
    if (_cols == 0) return kNotFound;
    T best = 0.0;
    bool found = false;
    // `a >= best` is false for a NaN, so NaN entries never qualify; ">=" hands ties to
    // the later entry.
    auto visit = [&](T value, std::size_t i, std::size_t j) {
        const T a = std::abs(value);
        if (a >= best) {
            best = a;
            row = i;
            col = j;
            found = true;
        }
    };
    if (!_sparse) {
        for (std::size_t j = 0; j < _cols; ++j)
            for (std::size_t i = 0; i < _rows; ++i) visit(_data[i + _rows * j], i, j);
    } else {
        const std::size_t* starts = kxColumnStarts(_array);
        const std::size_t* rowIndex = kxRowIndices(_array);
        for (std::size_t j = 0; j < _cols; ++j)
            for (std::size_t p = starts[j]; p < starts[j + 1]; ++p) visit(_data[p], rowIndex[p], j);
    }
    return found ? best : kNotFound;
}

template class OPTMatrix<double>;
