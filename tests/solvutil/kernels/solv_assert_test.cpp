#include <gtest/gtest.h>

#include "kaldor/testing/services.hpp"
#include "solvutil/host/kxerror.hpp"
#include "solvutil/kernels/solv_assert.hpp"
#include "tests/support/host_guard.hpp"

// The message is printed as given (no newline added) and becomes the error's text.
TEST(SolvAssert, TrueDoesNothingFalsePrintsAndRaises) {
    HostLeakGuard guard;
    kaldor::testing::ConsoleCapture capture;
    solvAssert(true, "never shown");
    for (const std::string message : {"abc", "x", ""}) {
        try {
            solvAssert(false, message.c_str());
            ADD_FAILURE() << "returned: " << message;
        } catch (const hostcore::IUserException& e) {
            EXPECT_EQ(e.getMessageId(), "solv:solvPlugError:unhandledError");
            EXPECT_EQ(e.getMessageText(), message);
        }
    }
    EXPECT_EQ(capture.text(), "abcx");
}
