#pragma once
// HostLeakGuard for whole solves: the library's OPTMatrix scratch buffer keeps the host
// arrays of its entries until the process ends, so arrays that became new buffer entries
// during the guarded scope are not leaks. Everything else must be back where it was.
#include <gtest/gtest.h>

#include "kaldor/testing.hpp"
#include "solvutil/constraints/optmatrix.hpp"

namespace lpsolve_test {

inline std::size_t scratchEntries() {
    const OPTMatrixBuffer* buffer = OPTMatrix<double>::_getBufferAddress();
    return buffer == nullptr ? 0 : buffer->count;
}

class SolveLeakGuard {
public:
    SolveLeakGuard()
        : memory_(kaldor::testing::allocationStats()),
          arrays_(kaldor::testing::arrayStats()),
          entries_(scratchEntries()) {}
    ~SolveLeakGuard() {
        const auto memory = kaldor::testing::allocationStats();
        const auto arrays = kaldor::testing::arrayStats();
        EXPECT_EQ(memory.liveBlocks, memory_.liveBlocks) << "host memory blocks leaked";
        EXPECT_EQ(memory.liveBytes, memory_.liveBytes) << "host memory bytes leaked";
        EXPECT_EQ(arrays.live - arrays_.live, scratchEntries() - entries_) << "host arrays leaked";
    }
    SolveLeakGuard(const SolveLeakGuard&) = delete;
    SolveLeakGuard& operator=(const SolveLeakGuard&) = delete;

private:
    kaldor::testing::AllocationStats memory_;
    kaldor::testing::ArrayStats arrays_;
    std::size_t entries_;
};

}  // namespace lpsolve_test
