#pragma once
// SOLVUTIL_DEBUG_ASSERT(condition, message): checks a documented precondition that the
// library otherwise leaves to its caller (sizes of vectors and matrices, orders). Active
// when SOLVUTIL_DEBUG_ASSERTS is defined (the debug and asan presets): a false condition
// goes through solvAssert, which prints `message` and raises the host error
// "solv:solvPlugError:unhandledError". In release builds the condition is not evaluated.
#include <cstddef>

#include "solvutil/kernels/solv_assert.hpp"

/// True when `v` holds at least `n` elements (a matrix dimension; n <= 0 always fits).
template <typename Vector>
constexpr bool sizeAtLeast(const Vector& v, long n) {
    return n <= 0 || v.size() >= static_cast<std::size_t>(n);
}

#ifdef SOLVUTIL_DEBUG_ASSERTS
#define SOLVUTIL_DEBUG_ASSERT(condition, message) solvAssert(static_cast<bool>(condition), message)
#else
#define SOLVUTIL_DEBUG_ASSERT(condition, message) static_cast<void>(sizeof(!(condition)))
#endif
