#pragma once
// HostLeakGuard: checks at the end of its scope that the stand-in's live host-memory blocks and
// host arrays are back where they were at its start.
#include <gtest/gtest.h>

#include "kaldor/testing/services.hpp"

class HostLeakGuard {
public:
    HostLeakGuard()
        : memory_(kaldor::testing::allocationStats()), arrays_(kaldor::testing::arrayStats()) {}
    ~HostLeakGuard() {
        const auto memory = kaldor::testing::allocationStats();
        EXPECT_EQ(memory.liveBlocks, memory_.liveBlocks) << "host memory blocks leaked";
        EXPECT_EQ(memory.liveBytes, memory_.liveBytes) << "host memory bytes leaked";
        EXPECT_EQ(kaldor::testing::arrayStats().live - arrays_.live, newArraysAllowed_)
            << "host arrays leaked";
    }
    HostLeakGuard(const HostLeakGuard&) = delete;
    HostLeakGuard& operator=(const HostLeakGuard&) = delete;

protected:
    std::size_t newArraysAllowed_ = 0;  // set by a derived guard's destructor

private:
    kaldor::testing::AllocationStats memory_;
    kaldor::testing::ArrayStats arrays_;
};
