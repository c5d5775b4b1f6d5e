#include <gtest/gtest.h>

#include <dlfcn.h>

#include "kaldor/hosttest_testing.hpp"
#include "kaldor/testing.hpp"
#include "solvutil/host/hosttest.hpp"
#include "solvutil/host/plain_exports.hpp"
#include "tests/support/host_guard.hpp"

namespace {

/// Leaves the test hooks off and the tester registry empty before and after each test.
class EmulateCtrlC : public ::testing::Test {
protected:
    void SetUp() override { reset(); }
    void TearDown() override { reset(); }
    static void reset() {
        kaldor::testing::setTesterMode(-1);
        kaldor::testing::resetTesters();
    }
};

}  // namespace

TEST_F(EmulateCtrlC, DoesNothingWhileTheHooksAreOff) {
    kaldor::testing::declareTester("ctrlc");
    const std::size_t before = kaldor::testing::interruptCount();
    emulateCtrlC("ctrlc");
    EXPECT_EQ(kaldor::testing::interruptCount(), before);
    EXPECT_EQ(hosttest::GetTesterByName(nullptr, nullptr, "ctrlc"), nullptr)
        << "no tester may be created while the mode is -1";
}

TEST_F(EmulateCtrlC, DoesNothingWithoutATesterOfThatName) {
    kaldor::testing::setTesterMode(0);
    kaldor::testing::declareTester("ctrlc");
    const std::size_t before = kaldor::testing::interruptCount();
    emulateCtrlC("someOtherTester");
    EXPECT_EQ(kaldor::testing::interruptCount(), before);
    EXPECT_EQ(hosttest::GetTesterByName(nullptr, nullptr, "someOtherTester"), nullptr);
}

TEST_F(EmulateCtrlC, RaisesTheInterruptThroughTheNamedTester) {
    kaldor::testing::setTesterMode(1);
    kaldor::testing::declareTester("ctrlc");
    const std::size_t before = kaldor::testing::interruptCount();
    emulateCtrlC("ctrlc");
    EXPECT_EQ(kaldor::testing::interruptCount(), before + 1);
    EXPECT_EQ(kaldor::testing::lastInterruptSource(), "ctrlc");
    const hosttest::ExceptionTester* tester = hosttest::GetTesterByName(nullptr, nullptr, "ctrlc");
    ASSERT_NE(tester, nullptr);
    // A second call reuses the existing tester.
    emulateCtrlC("ctrlc");
    EXPECT_EQ(kaldor::testing::interruptCount(), before + 2);
    EXPECT_EQ(hosttest::GetTesterByName(nullptr, nullptr, "ctrlc"), tester);
}

TEST(HostForwarders, AllocatorFlushPrintAndNoOps) {
    HostLeakGuard guard;
    const auto blocks = kaldor::testing::allocationStats().liveBlocks;
    void* p = kxMallocExSolv(40);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(kaldor::testing::allocationStats().liveBlocks, blocks + 1);
    kxFreeExSolv(p);
    EXPECT_EQ(kaldor::testing::allocationStats().liveBlocks, blocks);
    kxFreeExSolv(nullptr);

    // A failing host allocation reaches the caller as null, unchanged.
    kaldor::testing::failAllocationAfter(0);
    EXPECT_EQ(kxMallocExSolv(16), nullptr);
    kaldor::testing::failAllocationAfter(-1);

    const std::size_t flushes = kaldor::testing::flushCount();
    ioFlushSolv();
    EXPECT_EQ(kaldor::testing::flushCount(), flushes + 1);

    kaldor::testing::ConsoleCapture capture;
    kxarray::kxArrayPtr empty(kxCreateNumericMatrix(0, 0, kxDOUBLE_CLASS, kxREAL));
    kxArrayPrint("x", empty.get());
    EXPECT_EQ(capture.text(), "x =\n\n     []\n\n");

    capture.clear();
    assertSolv(0, "never printed");
    LBInitialize_solvutil();
    LBTerminate_solvutil();
    EXPECT_EQ(capture.text(), "") << "assertSolv and the load entry points print nothing";
}

TEST(PlainExports, ExportedUnderUnmangledNames) {
    const char* names[] = {"instantiateRngSolv", "getRngStateSolv",    "setRngStateSolv",
                           "deleteRngStateSolv", "deleteRngSolv",      "getRandUniformSolv",
                           "ioFlushSolv",        "kxMallocExSolv",     "kxFreeExSolv",
                           "assertSolv",         "emulateCtrlC",       "LBInitialize_solvutil",
                           "LBTerminate_solvutil"};
    for (const char* name : names) EXPECT_NE(dlsym(RTLD_DEFAULT, name), nullptr) << name;
    EXPECT_EQ(dlsym(RTLD_DEFAULT, "kxArrayPrint"), nullptr) << "kxArrayPrint keeps C++ linkage";
    EXPECT_NE(dlsym(RTLD_DEFAULT, "_Z12kxArrayPrintPKcPK7kxArray"), nullptr);
}
