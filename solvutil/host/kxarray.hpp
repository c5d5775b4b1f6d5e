#pragma once
// Host arrays: dense or compressed-column sparse real double matrices owned by the host.
//
// Sparse layout: kxColumnStarts has n+1 entries; the stored entries of column j are
// positions starts[j] .. starts[j+1]-1 of kxRowIndices and kxRealData (0-based rows).
// kxGetNzmax is the number of value/row-index slots the storage holds.
#include <cstddef>
#include <memory>
#include <vector>

#include "solvutil/host/host_api.hpp"

struct kxArray;  // opaque handle

enum kxClassID : int { kxDOUBLE_CLASS = 6 };
enum kxComplexity : int { kxREAL = 0 };
enum kxVariableScope : int { kxSCOPE_LIBRARY = 0 };

/// New zero-filled m-by-n dense double array, owned by the caller.
KALDOR_API kxArray* kxCreateNumericMatrix(std::size_t m, std::size_t n, kxClassID classID,
                                          kxComplexity complexity);
KALDOR_API std::size_t kxGetM(const kxArray* a);
KALDOR_API std::size_t kxGetN(const kxArray* a);
KALDOR_API double* kxRealData(const kxArray* a);
KALDOR_API std::size_t* kxRowIndices(const kxArray* a);
KALDOR_API std::size_t* kxColumnStarts(const kxArray* a);
KALDOR_API bool kxIsSparse(const kxArray* a);
/// Stored-entry capacity of a sparse array (values and row indices); m*n for dense.
KALDOR_API std::size_t kxGetNzmax(const kxArray* a);
/// Change the dimensions; the data buffer is kept as it is.
KALDOR_API void kxSetM(kxArray* a, std::size_t m);
KALDOR_API void kxSetN(kxArray* a, std::size_t n);
/// True when the array has no elements (m or n is 0).
KALDOR_API bool kxIsEmpty(const kxArray* a);
/// First element as a double.
KALDOR_API double kxGetScalar(const kxArray* a);
/// Deep copy owned by the caller.
KALDOR_API kxArray* kxDuplicateArray(const kxArray* a);
/// Scope 0: the array lives until kxarray::destroyArray is called on it.
KALDOR_API void kxSetArrayScope(kxArray* a, kxVariableScope scope);

namespace kxarray {

KALDOR_API void destroyArray(kxArray* a) noexcept;

struct KALDOR_API kxDestroy_deleter {
    void operator()(kxArray* a) const noexcept;
};

using kxArrayPtr = std::unique_ptr<kxArray, kxDestroy_deleter>;

/// New zero-filled dense double array with dimensions `dims` (two entries: {m, n}).
KALDOR_API kxArrayPtr do_create_numeric(const std::vector<std::size_t>& dims, kxClassID classID,
                                        kxComplexity complexity);

}  // namespace kxarray
