#pragma once
// Layout of the stand-in's host array (private to libkaldor).
#include <cstddef>
#include <vector>

#include "solvutil/host/kxarray.hpp"

struct kxArray {
    std::size_t m = 0;
    std::size_t n = 0;
    bool sparse = false;
    kxVariableScope scope = kxSCOPE_LIBRARY;
    std::vector<double> values;           // dense: m*n column-major; sparse: nzmax entries
    std::vector<std::size_t> rowIndices;  // sparse only: nzmax entries
    std::vector<std::size_t> colStarts;   // sparse only: n+1 entries
};

namespace kaldor::detail {
/// True when the allocation failure injection (kaldor::testing::failAllocationAfter)
/// makes this allocation fail; counts as one allocation point otherwise.
bool allocationFails();
}  // namespace kaldor::detail
