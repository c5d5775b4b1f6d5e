#include <gtest/gtest.h>

#include <dlfcn.h>

#include "kaldor/hosttest_testing.hpp"
#include "kaldor/testing.hpp"
#include "solvutil/host/hosttest.hpp"
#include "solvutil/host/plain_exports.hpp"
#include "tests/support/host_guard.hpp"

namespace kt = kaldor::testing;

// emulateCtrlC interrupts only with the hooks on and a tester of that name, reusing it.
TEST(EmulateCtrlC, InterruptsOnlyThroughAnExistingNamedTester) {
    const auto reset = [] { kt::setTesterMode(-1); kt::resetTesters(); };
    const struct { int mode; const char* name; std::size_t interrupts; } cases[] = {
        {-1, "ctrlc", 0}, {0, "someOtherTester", 0}, {1, "ctrlc", 2}};
    for (const auto& c : cases) {
        reset();
        kt::setTesterMode(c.mode);
        kt::declareTester("ctrlc");
        const std::size_t before = kt::interruptCount();
        emulateCtrlC(c.name);
        const hosttest::ExceptionTester* tester = hosttest::GetTesterByName(nullptr, nullptr, c.name);
        emulateCtrlC(c.name);
        EXPECT_EQ(kt::interruptCount() - before, c.interrupts) << c.mode;
        EXPECT_EQ(hosttest::GetTesterByName(nullptr, nullptr, c.name), tester) << c.mode;
        EXPECT_EQ(tester != nullptr, c.interrupts != 0) << c.mode;
    }
    EXPECT_EQ(kt::lastInterruptSource(), "ctrlc");
    reset();
}

TEST(HostForwarders, AllocatorFlushPrintAndNoOps) {
    HostLeakGuard guard;
    const auto blocks = kt::allocationStats().liveBlocks;
    void* p = kxMallocExSolv(40);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(kt::allocationStats().liveBlocks, blocks + 1);
    kxFreeExSolv(p);
    EXPECT_EQ(kt::allocationStats().liveBlocks, blocks);
    kxFreeExSolv(nullptr);
    kt::failAllocationAfter(0);
    EXPECT_EQ(kxMallocExSolv(16), nullptr) << "a failing host allocation reaches the caller as null";
    kt::failAllocationAfter(-1);

    const std::size_t flushes = kt::flushCount();
    ioFlushSolv();
    EXPECT_EQ(kt::flushCount(), flushes + 1);

    kt::ConsoleCapture capture;
    kxarray::kxArrayPtr empty(kxCreateNumericMatrix(0, 0, kxDOUBLE_CLASS, kxREAL));
    kxArrayPrint("x", empty.get());
    EXPECT_EQ(capture.text(), "x =\n\n     []\n\n");
    capture.clear();
    assertSolv(0, "never printed");
    LBInitialize_solvutil();
    LBTerminate_solvutil();
    EXPECT_EQ(capture.text(), "");
}

TEST(PlainExports, ExportedUnderUnmangledNames) {
    for (const char* name : {"instantiateRngSolv", "getRngStateSolv", "setRngStateSolv",
                             "deleteRngStateSolv", "deleteRngSolv", "getRandUniformSolv",
                             "ioFlushSolv", "kxMallocExSolv", "kxFreeExSolv", "assertSolv",
                             "emulateCtrlC", "LBInitialize_solvutil", "LBTerminate_solvutil"})
        EXPECT_NE(dlsym(RTLD_DEFAULT, name), nullptr) << name;
    EXPECT_EQ(dlsym(RTLD_DEFAULT, "kxArrayPrint"), nullptr) << "kxArrayPrint keeps C++ linkage";
    EXPECT_NE(dlsym(RTLD_DEFAULT, "_Z12kxArrayPrintPKcPK7kxArray"), nullptr);
}
