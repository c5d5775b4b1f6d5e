#pragma once
// Helpers for the constraint tests: host arrays from plain data, dense read-back, and a
// leak guard that allows for scratch-buffer entries created while it was alive.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <bit>
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "kaldor/testing.hpp"
#include "solvutil/constraints/optmatrix.hpp"
#include "solvutil/host/kxarray.hpp"
#include "tests/support/scratch_leak_guard.hpp"

namespace ctest {

using Dense = std::vector<double>;  // column-major

inline constexpr std::uint64_t kNotFoundBits = 0xFFF8000000000000ULL;

inline std::uint64_t bits(double v) { return std::bit_cast<std::uint64_t>(v); }

/// m-by-n dense host array holding `values` (column-major).
inline kxArray* denseArray(std::size_t m, std::size_t n, const Dense& values) {
    kxArray* a = kxCreateNumericMatrix(m, n, kxDOUBLE_CLASS, kxREAL);
    double* data = kxRealData(a);
    for (std::size_t k = 0; k < m * n; ++k) data[k] = values[k];
    return a;
}

/// m-by-n sparse host array storing the nonzero (or NaN) entries of `values`; within
/// each column the entries are stored in decreasing row order, so nothing may rely on
/// sorted row indices. `extraRoom` adds unused stored-entry slots.
inline kxArray* sparseArray(std::size_t m, std::size_t n, const Dense& values,
                            std::size_t extraRoom = 0) {
    std::size_t nnz = 0;
    for (double v : values) nnz += (v != 0.0) ? 1 : 0;
    kxArray* a = kaldor::testing::createSparseArray(m, n, nnz + extraRoom);
    std::size_t* starts = kxColumnStarts(a);
    std::size_t* rows = kxRowIndices(a);
    double* data = kxRealData(a);
    std::size_t p = 0;
    for (std::size_t j = 0; j < n; ++j) {
        starts[j] = p;
        for (std::size_t i = m; i-- > 0;) {
            const double v = values[i + m * j];
            if (v != 0.0) {
                rows[p] = i;
                data[p] = v;
                ++p;
            }
        }
    }
    starts[n] = p;
    return a;
}

inline kxArray* makeArray(bool sparse, std::size_t m, std::size_t n, const Dense& values) {
    return sparse ? sparseArray(m, n, values) : denseArray(m, n, values);
}

/// The dense values of `a` read through element access.
inline Dense toDense(const OPTMatrix<double>& a) {
    Dense out(a._rows * a._cols);
    for (std::size_t j = 0; j < a._cols; ++j)
        for (std::size_t i = 0; i < a._rows; ++i) out[i + a._rows * j] = a(i, j);
    return out;
}

inline std::size_t bufferCount() { return scratchBufferEntries(); }

/// Largest current element count of any scratch-buffer entry (0 without a buffer).
inline std::size_t largestBufferEntry() {
    const OPTMatrixBuffer* buffer = OPTMatrix<double>::_getBufferAddress();
    std::size_t largest = 0;
    if (buffer == nullptr || buffer->entries == nullptr) return 0;
    for (const OPTMatrix<double>* e : *buffer->entries)
        largest = std::max(largest, e->_rows * e->_cols);
    return largest;
}

using LeakGuard = ScratchAwareLeakGuard;

/// Runs `f`, expecting the OPTMatrix failure form: `message` on the host console and a
/// thrown std::exception*. Returns what reached standard output meanwhile.
inline std::string expectOptMatrixFailure(const std::function<void()>& f,
                                          const std::string& message) {
    kaldor::testing::ConsoleCapture console;
    ::testing::internal::CaptureStdout();
    bool thrown = false;
    try {
        f();
    } catch (std::exception* e) {
        thrown = true;
        delete e;
    }
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_TRUE(thrown) << "expected a thrown std::exception* for: " << message;
    EXPECT_EQ(console.text(), message);
    return out;
}

}  // namespace ctest
