#pragma once
// HostLeakGuard: records the stand-in's live host-memory blocks and host arrays when it
// is created and checks, when it goes out of scope, that both are back where they were.
#include <gtest/gtest.h>

#include "kaldor/testing/services.hpp"

class HostLeakGuard {
public:
    HostLeakGuard()
        : memory_(kaldor::testing::allocationStats()), arrays_(kaldor::testing::arrayStats()) {}
    ~HostLeakGuard() { check(); }

    void check() const {
        const auto memory = kaldor::testing::allocationStats();
        const auto arrays = kaldor::testing::arrayStats();
        EXPECT_EQ(memory.liveBlocks, memory_.liveBlocks) << "host memory blocks leaked";
        EXPECT_EQ(memory.liveBytes, memory_.liveBytes) << "host memory bytes leaked";
        EXPECT_EQ(arrays.live, arrays_.live) << "host arrays leaked";
    }

private:
    kaldor::testing::AllocationStats memory_;
    kaldor::testing::ArrayStats arrays_;
};
