#pragma once
// Host numerics used by OPTMatrix: the array multiply and the element-wise difference.
#include <cstddef>

#include "solvutil/host/host_api.hpp"

struct kxArray;

/// Stores left * right into the preallocated dense array `result`.
///
/// `left` is a dense m-by-k double array; `right` is a k-by-n double array, dense or
/// compressed-column sparse; `result` is a dense array whose current shape is m-by-n
/// (its data buffer may be larger, as for a reshaped scratch array). All three belong to
/// the caller. A shape mismatch or a sparse `left` raises the host error
/// "KALDOR:hostMatrixMult:invalidArguments".
KALDOR_API void hostMatrixMult(const kxArray* left, const kxArray* right, kxArray* result);

namespace hostmath {

/// out[i*incOut] = a[i*incA] - b[i*incB] for i below `count`. The stand-in provides the
/// <double, double, double> instance only.
template <typename TOut, typename TA, typename TB>
KALDOR_API void Minus(TOut* out, const TA* a, const TB* b, std::size_t incOut, std::size_t incA,
                      std::size_t incB, std::size_t count);

extern template KALDOR_API void Minus<double, double, double>(double*, const double*, const double*,
                                                              std::size_t, std::size_t, std::size_t,
                                                              std::size_t);

}  // namespace hostmath
