#include <gtest/gtest.h>

#include <cstdint>

#include "kaldor/testing.hpp"
#include "solvutil/host/kxerror.hpp"
#include "solvutil/host/kxmemory.hpp"

using kaldor::testing::allocationStats;

TEST(HostMemory, CountsLiveBlocksAndBytes) {
    const auto before = allocationStats();
    void* a = kxMallocExCheck(100);
    void* b = kxMallocEx(28);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(a) % 16, 0u);
    EXPECT_EQ(allocationStats().liveBlocks, before.liveBlocks + 2);
    EXPECT_EQ(allocationStats().liveBytes, before.liveBytes + 128);
    kxFreeEx(a);
    kxFreeEx(b);
    kxFreeEx(nullptr);
    EXPECT_EQ(allocationStats().liveBlocks, before.liveBlocks);
    EXPECT_EQ(allocationStats().liveBytes, before.liveBytes);
    EXPECT_EQ(allocationStats().allocations, before.allocations + 2);
}

TEST(HostMemory, InjectedFailureRaisesOrReturnsNull) {
    const auto before = allocationStats();
    kaldor::testing::failAllocationAfter(1);
    void* first = kxMallocExCheck(8);  // the one allowed allocation
    try {
        kxMallocExCheck(8);
        ADD_FAILURE() << "kxMallocExCheck returned after an injected failure";
    } catch (const hostcore::IUserException& e) {
        EXPECT_EQ(e.getMessageId(), "KALDOR:outOfMemory");
    }
    kaldor::testing::failAllocationAfter(0);
    EXPECT_EQ(kxMallocEx(8), nullptr);
    void* again = kxMallocEx(8);  // the injection is used up
    EXPECT_NE(again, nullptr);
    kxFreeEx(again);
    kxFreeEx(first);
    EXPECT_EQ(allocationStats().liveBlocks, before.liveBlocks);
}

TEST(HostErrors, CarryIdentifierAndFormattedText) {
    try {
        kxErrMsgIdAndTxt("a:b:c", "value %d of %s", 7, "x");
    } catch (const hostcore::IUserException& e) {
        EXPECT_EQ(e.getMessageId(), "a:b:c");
        EXPECT_EQ(e.getMessageText(), "value 7 of x");
        EXPECT_STREQ(e.what(), "value 7 of x");
        return;
    }
    FAIL() << "kxErrMsgIdAndTxt returned";
}
