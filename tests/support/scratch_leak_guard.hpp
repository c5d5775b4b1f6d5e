#pragma once
// ScratchAwareLeakGuard: like HostLeakGuard, but host arrays that became new entries of
// the OPTMatrix scratch buffer during the guarded scope are not leaks (the buffer keeps
// its entries until the process ends). Host memory must be back where it was.
#include <gtest/gtest.h>

#include "kaldor/testing/services.hpp"
#include "solvutil/constraints/optmatrix.hpp"

/// Number of OPTMatrix scratch-buffer entries (0 before the buffer exists).
inline std::size_t scratchBufferEntries() {
    const OPTMatrixBuffer* buffer = OPTMatrix<double>::_getBufferAddress();
    return buffer == nullptr ? 0 : buffer->count;
}

class ScratchAwareLeakGuard {
public:
    ScratchAwareLeakGuard()
        : memory_(kaldor::testing::allocationStats()),
          arrays_(kaldor::testing::arrayStats()),
          entries_(scratchBufferEntries()) {}
    ~ScratchAwareLeakGuard() {
        const auto memory = kaldor::testing::allocationStats();
        const auto arrays = kaldor::testing::arrayStats();
        EXPECT_EQ(memory.liveBlocks, memory_.liveBlocks) << "host memory blocks leaked";
        EXPECT_EQ(memory.liveBytes, memory_.liveBytes) << "host memory bytes leaked";
        EXPECT_EQ(arrays.live - arrays_.live, scratchBufferEntries() - entries_)
            << "host arrays leaked";
    }
    ScratchAwareLeakGuard(const ScratchAwareLeakGuard&) = delete;
    ScratchAwareLeakGuard& operator=(const ScratchAwareLeakGuard&) = delete;

private:
    kaldor::testing::AllocationStats memory_;
    kaldor::testing::ArrayStats arrays_;
    std::size_t entries_;
};
