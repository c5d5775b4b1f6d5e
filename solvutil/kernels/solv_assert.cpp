#include "solvutil/kernels/solv_assert.hpp"

#include "solvutil/host/hostio.hpp"
#include "solvutil/host/kxerror.hpp"

void solvAssert(bool condition, const char* message) {
    if (condition) return;
        // The message is passed as the format on purpose: the texts are fixed literals.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-security"
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    hostPrintf(message);
    kxErrMsgIdAndTxt("solv:solvPlugError:unhandledError", message);
#pragma GCC diagnostic pop
}
