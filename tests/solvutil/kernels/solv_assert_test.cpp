#include <gtest/gtest.h>

#include "kaldor/testing/services.hpp"
#include "solvutil/host/kxerror.hpp"
#include "solvutil/kernels/solv_assert.hpp"
#include "tests/support/host_guard.hpp"

TEST(SolvAssert, TrueDoesNothingFalsePrintsAndRaises) {
    HostLeakGuard guard;
    kaldor::testing::ConsoleCapture capture;
    solvAssert(true, "never shown");
    EXPECT_EQ(capture.text(), "");
    try {
        solvAssert(false, "abc");
        FAIL() << "solvAssert(false, ...) returned";
    } catch (const hostcore::IUserException& e) {
        EXPECT_EQ(e.getMessageId(), "solv:solvPlugError:unhandledError");
        EXPECT_EQ(e.getMessageText(), "abc");
    }
    EXPECT_EQ(capture.text(), "abc");  // no newline added
}
